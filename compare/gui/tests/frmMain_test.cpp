// What only compare's windows do, with the real engine on real folders:
// the quick-comparison box, the checks that both folders exist, a run's
// report and Ctrl+W. What both programs' windows share is tested in
// common/gui/tests/ProgramWindows_test.cpp.

#include <QCheckBox>
#include <QTest>
#include <QDir>

#include "common/gui/FormLayout.h"
#include "common/gui/tests/support/ModalDriver.h"
#include "common/gui/tests/support/ProgramSession.h"
#include "compare/core/Globales.h"
#include "compare/gui/frmMain.h"

using testsupport::ClickMessageButton;
using testsupport::ModalDriver;

class CompareWindowsTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup() { s_.reset(); }

  void quickBoxFollowsTheDrawing();
  void quickSwitchPresetsTheBox_data();
  void quickSwitchPresetsTheBox();
  void missingFolderIsReported_data();
  void missingFolderIsReported();
  void differencesEndInTheQuestionAndTheList();
  void quickComparesSizesOnly_data();
  void quickComparesSizesOnly();
  void keysOfTheMainWindow_data();
  void keysOfTheMainWindow();

 private:
  QLineEdit* Box(const char* name) { return s_->Box(name); }
  QPushButton* Button(const char* name) { return s_->Button(name); }
  QCheckBox* Quick() { return s_->Window().findChild<QCheckBox*>("chkQuick"); }

  std::unique_ptr<testsupport::SessionOf<compare::frmMain>> s_;
};

void CompareWindowsTest::init() {
  s_ = std::make_unique<testsupport::SessionOf<compare::frmMain>>();
  // The copy holds the same files; a.txt has the same size and another
  // content: only a full comparison tells them apart.
  QVERIFY(QDir().mkpath(s_->destino + "/sub"));
  testsupport::WriteFile(s_->destino + "/a.txt", "unx");
  testsupport::WriteFile(s_->destino + "/sub/b.txt", "dos");
}

void CompareWindowsTest::quickBoxFollowsTheDrawing() {
  QCOMPARE(Quick()->geometry(), common::TwipsRect(120, 1320, 3855, 255));
  QCOMPARE(Quick()->text(), QString("Comparaci\u00f3n &r\u00e1pida"));
  // Nothing overlaps once the boxes took their height.
  QVERIFY(Box("txtDestino")->geometry().bottom() < Quick()->geometry().top());
}

void CompareWindowsTest::quickSwitchPresetsTheBox_data() {
  QTest::addColumn<bool>("quick");
  QTest::newRow("with /q") << true;
  QTest::newRow("without /q") << false;
}

void CompareWindowsTest::quickSwitchPresetsTheBox() {
  QFETCH(bool, quick);
  s_->g.options.Quick = quick;
  compare::frmMain& window = s_->Windows().ShowMainWindow("");
  QCOMPARE(window.findChild<QCheckBox*>("chkQuick")->isChecked(), quick);
}

void CompareWindowsTest::missingFolderIsReported_data() {
  QTest::addColumn<bool>("origenMissing");
  QTest::addColumn<QString>("message");
  QTest::addColumn<QString>("focus");
  QTest::newRow("origen") << true << "El directorio de origen seleccionado no existe."
                          << "txtOrigen";
  QTest::newRow("destino") << false << "El directorio de destino seleccionado no existe."
                           << "txtDestino";
}

void CompareWindowsTest::missingFolderIsReported() {
  QFETCH(bool, origenMissing);
  QFETCH(QString, message);
  QFETCH(QString, focus);
  Box("txtOrigen")->setText(origenMissing ? s_->origen + "/falta" : s_->origen);
  // With the source missing the copy is not even looked at: an empty box
  // would open its picker.
  Box("txtDestino")->setText(origenMissing ? QString() : s_->destino + "/falta");
  Box("txtDestino")->setFocus();
  if (!origenMissing) Box("txtOrigen")->setFocus();
  ModalDriver driver;
  testsupport::MessageSeen box;
  driver.Then(testsupport::Answer(QMessageBox::Ok, box));
  QTest::mouseClick(Button("cmdComparar"), Qt::LeftButton);
  QCOMPARE(driver.Seen(), QStringList{"Compare"});
  QCOMPARE(box.text, message);
  QCOMPARE(box.icon, QMessageBox::Information);
  QCOMPARE(s_->Window().focusWidget()->objectName(), focus);
}

void CompareWindowsTest::differencesEndInTheQuestionAndTheList() {
  s_->Fill();
  testsupport::WriteFile(s_->origen + "/solo.txt", "x");
  ModalDriver driver;
  QString list;
  driver.Then([](QWidget* box) { ClickMessageButton(box, QMessageBox::Yes); });
  driver.Then(testsupport::ReadErrorList(list));
  QTest::mouseClick(Button("cmdComparar"), Qt::LeftButton);
  QCOMPARE(driver.Seen(), (QStringList{"Comparar", "Errores"}));
  const QStringList lines = list.split("\r\n");
  QCOMPARE(lines.size(), 3);  // two lines, each ended by CR LF
  QVERIFY2(lines[0].startsWith("Diferente contenido: "), qPrintable(lines[0]));
  QVERIFY2(lines[1].startsWith("Falta archivo de destino: "), qPrintable(lines[1]));
  QVERIFY(lines[2].isEmpty());
  QVERIFY(!Quick()->isChecked());
}

void CompareWindowsTest::quickComparesSizesOnly_data() {
  QTest::addColumn<bool>("quick");
  QTest::addColumn<QStringList>("opened");
  QTest::newRow("full comparison finds the content") << false << QStringList{"Comparar"};
  QTest::newRow("quick comparison does not") << true << QStringList{};
}

void CompareWindowsTest::quickComparesSizesOnly() {
  QFETCH(bool, quick);
  QFETCH(QStringList, opened);
  s_->Fill();
  Quick()->setChecked(quick);
  ModalDriver driver;
  for (int i = 0; i < opened.size(); ++i)
    driver.Then([](QWidget* box) { ClickMessageButton(box, QMessageBox::No); });
  QTest::mouseClick(Button("cmdComparar"), Qt::LeftButton);
  QCOMPARE(driver.Seen(), opened);
  QCOMPARE(Quick()->isChecked(), quick);  // the box survives the run
}

void CompareWindowsTest::keysOfTheMainWindow_data() {
  QTest::addColumn<QString>("focus");
  QTest::addColumn<int>("key");
  QTest::addColumn<int>("modifiers");
  QTest::addColumn<QStringList>("opened");
  QTest::addColumn<bool>("stillOpen");
  QTest::newRow("Ctrl+W in txtOrigen") << "txtOrigen" << int(Qt::Key_W)
                                       << int(Qt::ControlModifier) << QStringList{} << false;
  QTest::newRow("Ctrl+W on chkQuick") << "chkQuick" << int(Qt::Key_W) << int(Qt::ControlModifier)
                                      << QStringList{} << false;
  QTest::newRow("Ctrl+Shift+W does nothing") << "txtOrigen" << int(Qt::Key_W)
                                             << int(Qt::ControlModifier | Qt::ShiftModifier)
                                             << QStringList{} << true;
  QTest::newRow("F1") << "chkQuick" << int(Qt::Key_F1) << 0
                      << QStringList{"Acerca de Compare"} << true;
}

void CompareWindowsTest::keysOfTheMainWindow() {
  QFETCH(QString, focus);
  QFETCH(int, key);
  QFETCH(int, modifiers);
  QFETCH(QStringList, opened);
  QFETCH(bool, stillOpen);
  ModalDriver driver;
  for (int i = 0; i < opened.size(); ++i)
    driver.Then([](QWidget* about) { QTest::keyClick(about, Qt::Key_Escape); });
  QWidget* target = s_->Window().findChild<QWidget*>(focus);
  target->setFocus();
  QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
  QCOMPARE(driver.Seen(), opened);
  QCOMPARE(s_->Window().isVisible(), stillOpen);
  QCOMPARE(s_->g.MainFormLoaded, stillOpen);
}

QTEST_MAIN(CompareWindowsTest)
#include "frmMain_test.moc"
