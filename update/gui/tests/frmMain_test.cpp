// What only update's windows do, with the real engine on real folders: a
// picked copy starts the run, the question before emptying the copy, and a
// failure under /debug. What both programs' windows share is tested in
// common/gui/tests/ProgramWindows_test.cpp.

#include <QDir>
#include <QFile>
#include <QTest>
#include <cerrno>

#include "common/gui/tests/support/ModalDriver.h"
#include "common/gui/tests/support/ProgramSession.h"
#include "update/core/Globales.h"
#include "update/gui/frmMain.h"

using testsupport::ClickButton;
using testsupport::ClickMessageButton;
using testsupport::ModalDriver;

class UpdateWindowsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { s_ = std::make_unique<testsupport::SessionOf<update::frmMain>>(); }
  void cleanup() { s_.reset(); }

  void emptyDestinationIsPickedThenTheRunStarts();
  void enterRunsFromTheBox();
  void emptySourceAsksBeforeEmptyingTheCopy_data();
  void emptySourceAsksBeforeEmptyingTheCopy();
  void failureUnderDebugEndsTheProgram();

 private:
  void ClickRun() { QTest::mouseClick(s_->Button("cmdActualizar"), Qt::LeftButton); }

  std::unique_ptr<testsupport::SessionOf<update::frmMain>> s_;
};

void UpdateWindowsTest::emptyDestinationIsPickedThenTheRunStarts() {
  // The picker opens in the current folder; accepting it names the copy.
  testsupport::CurrentFolder here(s_->destino);
  s_->Box("txtOrigen")->setText(s_->origen);
  ModalDriver driver;
  driver.Then([](QWidget* picker) { ClickButton(picker, "cmdAceptar"); });
  ClickRun();
  QCOMPARE(driver.Seen(), QStringList{"Directorio destino"});
  QCOMPARE(s_->Box("txtDestino")->text(), s_->destino);
  QVERIFY(QFile::exists(s_->destino + "/a.txt"));
  QVERIFY(QFile::exists(s_->destino + "/sub/b.txt"));
  QCOMPARE(driver.Unexpected(), 0);  // nothing failed: no question
}

void UpdateWindowsTest::enterRunsFromTheBox() {
  s_->Fill();
  s_->Box("txtOrigen")->setFocus();
  QTest::keyClick(s_->Box("txtOrigen"), Qt::Key_Return);
  QVERIFY(s_->Window().isVisible());
  QVERIFY(QFile::exists(s_->destino + "/sub/b.txt"));
}

void UpdateWindowsTest::emptySourceAsksBeforeEmptyingTheCopy_data() {
  QTest::addColumn<int>("answer");
  QTest::addColumn<bool>("emptied");
  QTest::newRow("S\u00ed") << int(QMessageBox::Yes) << true;
  QTest::newRow("No") << int(QMessageBox::No) << false;
}

void UpdateWindowsTest::emptySourceAsksBeforeEmptyingTheCopy() {
  QFETCH(int, answer);
  QFETCH(bool, emptied);
  QVERIFY(QDir(s_->origen).removeRecursively());
  QVERIFY(QDir().mkpath(s_->origen));
  testsupport::WriteFile(s_->destino + "/viejo.txt", "v");
  s_->Fill();
  ModalDriver driver;
  testsupport::MessageSeen box;
  driver.Then(testsupport::Answer(QMessageBox::StandardButton(answer), box));
  // Kept, the copy is a failure of the run: the usual question follows.
  if (!emptied) driver.Then([](QWidget* box) { ClickMessageButton(box, QMessageBox::No); });
  ClickRun();

  const QStringList seen = emptied ? QStringList{"Actualizar"} : QStringList{"Actualizar", "Actualizar"};
  QCOMPARE(driver.Seen(), seen);
  QCOMPARE(box.text, QString("El origen est\u00e1 vac\u00edo. \u00bfDesea borrar todo el contenido del destino?"));
  QCOMPARE(box.icon, QMessageBox::Warning);
  QCOMPARE(box.defaultButton, QString("&No"));
  QCOMPARE(QFile::exists(s_->destino + "/viejo.txt"), !emptied);
  QCOMPARE(driver.Unexpected(), 0);
}

void UpdateWindowsTest::failureUnderDebugEndsTheProgram() {
  s_->g.options.DebugMode = true;
  s_->faults.FailOn(common::FsOp::Open, "a.txt", EIO);
  s_->Fill();
  ModalDriver driver;
  testsupport::MessageSeen box;
  driver.Then(testsupport::Answer(QMessageBox::Ok, box));
  ClickRun();
  QCOMPARE(driver.Seen(), QStringList{"Update"});
  QCOMPARE(box.icon, QMessageBox::Critical);
  // The failure's error line: number and what failed.
  QVERIFY2(box.text.contains(" (5) en copy \"") && box.text.endsWith("/destino/a.txt\""),
           qPrintable(box.text));
  QCOMPARE(s_->Window().ExitStatus(), 3);
  QVERIFY(!s_->Window().isVisible());
  QVERIFY(!s_->Windows().ProgressWindow().isVisible());
  QVERIFY(!s_->g.MainFormLoaded);
}

QTEST_MAIN(UpdateWindowsTest)
#include "frmMain_test.moc"
