// compare's windows as a window manager sees them, on a virtual display
// managed by openbox (scripts/with-wm.sh): window types, owners, stacking
// and the focus.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "common/gui/tests/support/WindowManager.h"
#include "compare/core/Globales.h"
#include "compare/gui/frmMain.h"

class CompareWindowManagerTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    const QString why = testsupport::WhyNoWindowManager();
    if (!why.isEmpty()) QSKIP(qPrintable(why));
  }
  void init();
  void cleanup() {
    windows_.reset();
    g_.reset();
  }

  void mainWindow() { testsupport::CheckMainWindow(program_); }
  void windowsOfTheMainWindow() { testsupport::CheckWindowsOfTheMainWindow(program_); }
  void windowsOfACommandLineRun() { testsupport::CheckWindowsOfACommandLineRun(program_); }

 private:
  QTemporaryDir tmp_;
  std::unique_ptr<compare::Globales> g_;
  std::unique_ptr<compare::QtFrontEnd> windows_;
  testsupport::ProgramWindows program_;
};

void CompareWindowManagerTest::init() {
  QVERIFY(tmp_.isValid());
  g_ = std::make_unique<compare::Globales>();
  windows_ = std::make_unique<compare::QtFrontEnd>(*g_);
  program_.origen = tmp_.filePath("origen");
  program_.destino = tmp_.filePath("destino");
  QVERIFY(QDir().mkpath(program_.origen) && QDir().mkpath(program_.destino));
  QFile file(program_.origen + "/a.txt");
  QVERIFY(file.open(QIODevice::WriteOnly));
  program_.showMainWindow = [this](const std::string& origen) {
    return &windows_->ShowMainWindow(origen);
  };
  program_.progress = &windows_->ProgressWindow();
  program_.runButton = "cmdComparar";
  program_.runFromCommandLine = [this] {
    g_->RunCompare(program_.origen.toStdString(), program_.destino.toStdString(), false,
                    windows_->Ui());
  };
}

QTEST_MAIN(CompareWindowManagerTest)
#include "WindowManager_test.moc"
