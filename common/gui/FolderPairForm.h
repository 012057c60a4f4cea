#pragma once
// FolderPairForm: what the main windows of update and compare share. Two
// folder boxes with square browse buttons, "Acerca de...", "&Cancelar" and
// the button that starts a run, laid out from the twips of each window.
//
// The window is the program's main window, a window of its own for the
// window manager (task bar, Alt+Tab): it sets MainFormLoaded while it
// is open, sees F1 before its controls do, refuses its close box while a
// run goes on, and ends the program with status 3 when a failure stops a
// run under /debug.

#include <QDialog>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>
#include <string>

#include "common/gui/frmAbout.h"

class QCheckBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

namespace common {

class QtUserInterface;

struct FolderPairLayout {
  QString caption;
  QSize client;
  QRect label1, txtOrigen, cmdExploraOrigen;
  QRect label2, txtDestino, cmdExploraDestino;
  QRect cmdAcercaDe, cmdCancelar, runButton;
  QString runName;     // "cmdActualizar" or "cmdComparar"
  QString runCaption;  // "&Actualizar" or "C&omparar"
};

class FolderPairForm : public QDialog {
  Q_OBJECT

 public:
  FolderPairForm(const FolderPairLayout& layout, bool& mainFormLoaded, AboutInfo about,
                 QtUserInterface& ui);
  ~FolderPairForm() override;

  // Start-up with one folder: it goes into txtOrigen and the focus into
  // txtDestino (once the window is active).
  void SetOrigen(const std::string& origen);

  bool Running() const { return running_; }
  // The program's MainFormLoaded: set from construction until the window closes.
  bool Loaded() const { return mainFormLoaded_; }
  // 0, or the status the program ends with after a run stopped under /debug.
  int ExitStatus() const { return exitStatus_; }

 protected:
  // Derived windows call it at the end of their constructor, once every
  // control exists: the load-time layout, key preview and tab order.
  void Load(QWidget* lastInTabOrder);

  // A key pressed anywhere in the window, before the focused control sees
  // it. True when the window handled it.
  virtual bool PreviewKey(QKeyEvent* event);
  // Unloading: the flag is cleared; compare also ends the program here.
  virtual void Unload() {}
  // The run button's work, once both boxes were checked by the derived window.
  virtual void cmdRun_Click() = 0;

  // The browse buttons' work: the picker on the box's text, a non-empty
  // choice replacing it.
  void cmdExploraOrigen_Click();
  void cmdExploraDestino_Click();
  // An empty box opens its picker; false when it is still empty afterwards.
  // A box of blanks counts as filled: the run reports a wrong path.
  bool PickIfEmpty(QLineEdit* box);

  // The box's text as a path: the command line's own bytes when the user
  // left the text as start-up put it.
  std::string OrigenPath() const;
  std::string DestinoPath() const;

  // Runs one run: a DebugStop leaving it is shown and ends the program.
  void RunGuarded(const std::function<void()>& run);

  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void reject() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

  QLabel* Label1;
  QLineEdit* txtOrigen;
  QPushButton* cmdExploraOrigen;
  QLabel* Label2;
  QLineEdit* txtDestino;
  QPushButton* cmdExploraDestino;
  QPushButton* cmdAcercaDe;
  QPushButton* cmdCancelar;
  QPushButton* cmdRun;

  bool& mainFormLoaded_;
  QtUserInterface& ui_;

 private:
  void AdjustLayout();
  void cmdAcercaDe_Click();
  void SetInitialFocus(QWidget* box);

  AboutInfo about_;
  bool running_ = false;
  int exitStatus_ = 0;
  QPointer<QWidget> initialFocus_;
  std::string origenRaw_;
  QString origenShown_;
};

}  // namespace common
