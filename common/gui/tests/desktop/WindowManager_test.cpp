// The windows of both programs as a window manager sees them, on a virtual
// display managed by openbox (scripts/with-wm.sh): window types, owners,
// stacking and the focus. Each check runs once per program (the global data rows).

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "common/gui/tests/support/DataRows.h"
#include "common/gui/tests/support/WindowManager.h"
#include "compare/core/Globales.h"
#include "compare/gui/frmMain.h"
#include "update/core/Globales.h"
#include "update/gui/frmMain.h"

class WindowManagerTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase_data() { testsupport::Rows<bool>("update", {{"update", true}, {"compare", false}}); }
  void initTestCase() {
    const QString why = testsupport::WhyNoWindowManager();
    if (!why.isEmpty()) QSKIP(qPrintable(why));
  }
  void init();
  void cleanup() {
    windows_.reset();
    update_.reset();
    compare_.reset();
  }

  void mainWindow() { testsupport::CheckMainWindow(program_); }
  void windowsOfTheMainWindow() { testsupport::CheckWindowsOfTheMainWindow(program_); }
  void windowsOfACommandLineRun() { testsupport::CheckWindowsOfACommandLineRun(program_); }

 private:
  QTemporaryDir tmp_;
  std::unique_ptr<update::Globales> update_;
  std::unique_ptr<compare::Globales> compare_;
  std::unique_ptr<common::QtFrontEnd> windows_;
  testsupport::ProgramWindows program_;
};

void WindowManagerTest::init() {
  QVERIFY(tmp_.isValid());
  program_ = {};
  program_.origen = tmp_.filePath("origen");
  program_.destino = tmp_.filePath("destino");
  QVERIFY(QDir().mkpath(program_.origen) && QDir().mkpath(program_.destino));
  QFile file(program_.origen + "/a.txt");
  QVERIFY(file.open(QIODevice::WriteOnly));
  const std::string origen = program_.origen.toStdString();
  const std::string destino = program_.destino.toStdString();
  QFETCH_GLOBAL(bool, update);
  if (update) {
    update_ = std::make_unique<update::Globales>();
    update_->options.TestMode = true;         // the copy stays empty, run after run
    update_->options.LogOps = update::OpAll;  // the creation is a line: question and list
    windows_ = std::make_unique<update::QtFrontEnd>(*update_);
    program_.runButton = "cmdActualizar";
    program_.runFromCommandLine = [this, origen, destino] { update_->RunUpdate(origen, destino, windows_->Ui()); };
  } else {
    compare_ = std::make_unique<compare::Globales>();
    windows_ = std::make_unique<compare::QtFrontEnd>(*compare_);
    program_.runButton = "cmdComparar";
    program_.runFromCommandLine = [this, origen, destino] {
      compare_->RunCompare(origen, destino, false, windows_->Ui());
    };
  }
  program_.showMainWindow = [this](const std::string& origen) { return &windows_->ShowMainWindow(origen); };
  program_.progress = &windows_->ProgressWindow();
}

QTEST_MAIN(WindowManagerTest)
#include "WindowManager_test.moc"
