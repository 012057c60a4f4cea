#pragma once
// ProgressWindow: what both progress windows share. Two labels, the bar and
// Cancelar as Qt widgets; the pace of events and what the labels hold are
// PacedProgressView's.

#include <QDialog>
#include <QIcon>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>
#include <string>

#include "common/core/CancelSignals.h"
#include "common/core/PacedProgressView.h"

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

class ProgressWindow : public QDialog, public PacedProgressView {
  Q_OBJECT

 public:
  ProgressWindow(const ProgressLayout& layout, const QIcon& picture);
  ~ProgressWindow() override;

  // The program's main window, disabled for the whole of a run that starts
  // while loaded() answers true; nullptr when there is none.
  void SetMainWindow(QWidget* window, std::function<bool()> loaded);

  void Open(std::function<void()> onCancel) override;
  void Close() override;
  // Ctrl+C and SIGTERM act as Cancelar during a run.
  void ProcessEvents() override;

 protected:
  // The close box is refused while the run goes on and was not cancelled.
  void closeEvent(QCloseEvent* event) override;
  // Escape acts as a click on Cancelar; it never closes the window itself.
  void reject() override;

 private:
  void ShowFile(const std::string &text) override;
  void ShowPath(const std::string &text) override;
  void ShowBar(int steps) override;
  void SetCancelButton(CancelButton state) override;
  void RunPendingEvents() override;
  void EnableMainWindow();
  QWidget *LoadedMainWindow() const;
  void SetOwner(QWidget *owner);

  QWidget *Picture1;
  QLabel *imgAni;
  QLabel *lblFile;
  QLabel *lblPath;
  QProgressBar *pbBarra;
  QPushButton *cmdCancelar;

  QWidget *mainWindow_ = nullptr;
  std::function<bool()> mainWindowLoaded_;
  CancelSignals signals_;
};

}  // namespace common
