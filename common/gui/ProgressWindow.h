#pragma once
// ProgressWindow: what both progress windows share. Two labels, the bar and
// Cancelar, driven by an engine through the ProgressView interface.
//
// The engine calls ProcessEvents once or more per file; the window lets
// pending events run only every few hundredths of a second, so that a run
// over many unchanged files is not slowed by repainting, while a click on
// Cancelar is still handled at the next batch. Events always run when the
// window opens, when a copy starts and at the end of the count
// (ProcessEventsNow), so a cancel during "Preparando..." stops the run
// before its first action. Labels and bar are copied to the widgets only
// when events run.

#include <QDialog>
#include <QIcon>
#include <QRect>
#include <QSize>
#include <QString>
#include <chrono>
#include <functional>
#include <string>

#include "common/core/CancelSignals.h"
#include "common/core/ProgressView.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace common {

struct ProgressLayout {
  QString caption;
  QSize client;
  QRect picture;  // Picture1; imgAni sits inside it
  QRect file;     // lblFile
  QRect path;     // lblPath
  QRect bar;      // pbBarra
  QRect cancel;   // cmdCancelar
};

class ProgressWindow : public QDialog, public ProgressView {
  Q_OBJECT

 public:
  ProgressWindow(const ProgressLayout& layout, const QIcon& picture);
  ~ProgressWindow() override;

  // The program's main window, disabled for the whole of a run that starts
  // while loaded() answers true; nullptr when there is none.
  void SetMainWindow(QWidget* window, std::function<bool()> loaded);

  bool Running() const { return running_; }
  bool Cancelled() const { return cancelled_; }

  void Open(std::function<void()> onCancel) override;
  void Close() override;
  void SetFileLabel(std::string_view text) override;
  void SetPathLabel(std::string_view text) override;
  void SetBar(float percent) override;
  float Bar() const override { return bar_; }
  void DisableCancel() override;
  void ProcessEvents() override;
  void ProcessEventsNow() override;

 protected:
  // The close box is refused while the run goes on and was not cancelled.
  void closeEvent(QCloseEvent* event) override;
  // Escape acts as a click on Cancelar; it never closes the window itself.
  void reject() override;

 private:
  void cmdCancelar_Click();
  void Flush();
  void EnableMainWindow();
  QWidget* LoadedMainWindow() const;
  void SetOwner(QWidget* owner);

  QWidget* Picture1;
  QLabel* imgAni;
  QLabel* lblFile;
  QLabel* lblPath;
  QProgressBar* pbBarra;
  QPushButton* cmdCancelar;

  QWidget* mainWindow_ = nullptr;
  std::function<bool()> mainWindowLoaded_;
  std::function<void()> onCancel_;
  bool running_ = false;
  bool cancelled_ = false;
  CancelSignals signals_;  // Ctrl+C and SIGTERM act as Cancelar during a run

  std::string file_;
  std::string path_;
  float bar_ = 0;
  bool fileDirty_ = false;
  bool pathDirty_ = false;
  bool processNow_ = false;
  std::chrono::steady_clock::time_point lastEvents_;
};

}  // namespace common
