#pragma once
// One program's windows on real folders, for the window tests: a temporary
// origen (a.txt and sub/b.txt) and an empty destino, the program's run
// state with a fault injector, its front end and its main window, shown.

#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "common/core/FileSystem.h"
#include "common/gui/QtFrontEnd.h"

namespace testsupport {

class ProgramSession {
 public:
  ProgramSession();
  virtual ~ProgramSession() = default;

  virtual common::QtFrontEnd& Windows() = 0;
  virtual common::FolderPairForm& Window() = 0;

  QLineEdit* Box(const char* name) { return Window().findChild<QLineEdit*>(name); }
  QPushButton* Button(const char* name) { return Window().findChild<QPushButton*>(name); }
  QPushButton* ProgressButton();
  // Both boxes name the two folders.
  void Fill();

  QTemporaryDir tmp;
  QString origen;
  QString destino;
  common::FaultInjector faults;
};

// The session of the program whose frmMain is MainForm.
template <class MainForm>
class SessionOf : public ProgramSession {
 public:
  SessionOf() : windows_(g), window_(windows_.ShowMainWindow("")) {}

  common::ProgramWindows<MainForm>& Windows() override { return windows_; }
  MainForm& Window() override { return window_; }

  typename MainForm::Globals g{&faults};

 private:
  common::ProgramWindows<MainForm> windows_;
  MainForm& window_;
};

// Writes content into a new file, failing the test when it cannot.
void WriteFile(const QString& path, const QByteArray& content);

// The current folder is path while the object lives.
class CurrentFolder {
 public:
  explicit CurrentFolder(const QString& path);
  ~CurrentFolder();

 private:
  QString saved_;
};

}  // namespace testsupport
