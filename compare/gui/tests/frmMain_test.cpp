// compare's windows with the real engine on real folders: the checks that
// both folders exist, the quick-comparison box, the keys and a run's report.

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "common/core/FileSystem.h"
#include "common/gui/FormLayout.h"
#include "common/gui/frmErrores.h"
#include "common/gui/tests/support/ModalDriver.h"
#include "common/gui/tests/support/WindowChecks.h"
#include "compare/core/Globales.h"
#include "compare/gui/frmMain.h"

using testsupport::ClickButton;
using testsupport::ClickMessageButton;
using testsupport::ModalDriver;

namespace {

void WriteFile(const QString& path, const QByteArray& content) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(content);
}

}  // namespace

class CompareWindowsTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void mainWindowFollowsTheDrawing();
  void progressWindowFollowsTheDrawing();
  void quickSwitchPresetsTheBox_data();
  void quickSwitchPresetsTheBox();
  void focusAtStartUp_data();
  void focusAtStartUp();
  void missingFolderIsReported_data();
  void missingFolderIsReported();
  void emptyBoxesOpenOnlyTheSourcePicker();
  void existingSourceThenTheCopyIsPicked();
  void differencesEndInTheQuestionAndTheList();
  void cancelDuringTheCountComparesNothing();
  void quickComparesSizesOnly_data();
  void quickComparesSizesOnly();
  void keysOfTheMainWindow_data();
  void keysOfTheMainWindow();

 private:
  QLineEdit* Box(const char* name) { return window_->findChild<QLineEdit*>(name); }
  QPushButton* Button(const char* name) { return window_->findChild<QPushButton*>(name); }
  QCheckBox* Quick() { return window_->findChild<QCheckBox*>("chkQuick"); }
  void Fill() {
    Box("txtOrigen")->setText(origen_);
    Box("txtDestino")->setText(destino_);
  }

  std::unique_ptr<QTemporaryDir> tmp_;
  QString origen_;
  QString destino_;
  common::FaultInjector faults_;
  std::unique_ptr<compare::Globales> g_;
  std::unique_ptr<compare::QtFrontEnd> windows_;
  compare::frmMain* window_ = nullptr;
};

void CompareWindowsTest::init() {
  tmp_ = std::make_unique<QTemporaryDir>();
  QVERIFY(tmp_->isValid());
  origen_ = tmp_->filePath("origen");
  destino_ = tmp_->filePath("destino");
  QVERIFY(QDir().mkpath(origen_));
  QVERIFY(QDir().mkpath(destino_));
  // Same size, different content: only a full comparison tells them apart.
  WriteFile(origen_ + "/a.txt", "abc");
  WriteFile(destino_ + "/a.txt", "abd");
  faults_.Clear();
  g_ = std::make_unique<compare::Globales>(&faults_);
  windows_ = std::make_unique<compare::QtFrontEnd>(*g_);
  window_ = &windows_->ShowMainWindow("");
}

void CompareWindowsTest::cleanup() {
  windows_.reset();
  g_.reset();
  tmp_.reset();
}

void CompareWindowsTest::mainWindowFollowsTheDrawing() {
  QCOMPARE(window_->windowTitle(), QString("Compare"));
  QCOMPARE(window_->size(), common::TwipsSize(4095, 2295));
  QCOMPARE(Button("cmdComparar")->geometry(), common::TwipsRect(3000, 1800, 972, 372));
  QCOMPARE(Button("cmdComparar")->text(), QString("C&omparar"));
  QVERIFY(Button("cmdComparar")->isDefault());
  QCOMPARE(Quick()->geometry(), common::TwipsRect(120, 1320, 3855, 255));
  QCOMPARE(Quick()->text(), QString("Comparaci\u00f3n &r\u00e1pida"));
  for (auto [box, browse] : {std::pair{"txtOrigen", "cmdExploraOrigen"},
                             std::pair{"txtDestino", "cmdExploraDestino"}}) {
    const QRect b = Button(browse)->geometry();
    const QRect t = Box(box)->geometry();
    QCOMPARE(b.size(), QSize(t.height(), t.height()));
    QCOMPARE(b.right() + 1, window_->width() - common::TwipsToPixels(120));
    QCOMPARE(b.left() - (t.right() + 1), 4);
  }
  // Nothing overlaps once the boxes took their height.
  QVERIFY(Box("txtDestino")->geometry().bottom() < Quick()->geometry().top());
  QVERIFY(!Box("txtOrigen")->geometry().intersects(window_->findChild<QWidget*>("Label2")->geometry()));

  QStringList order;
  for (QWidget* w = Box("txtOrigen"); order.size() < 8; w = w->nextInFocusChain()) {
    if (w->focusPolicy() & Qt::TabFocus) order << w->objectName();
  }
  QCOMPARE(order, (QStringList{"txtOrigen", "cmdExploraOrigen", "txtDestino", "cmdExploraDestino",
                               "cmdAcercaDe", "cmdCancelar", "cmdComparar", "chkQuick"}));
  QVERIFY2(testsupport::TextsCutOff(window_).isEmpty(),
           qPrintable(testsupport::TextsCutOff(window_).join(", ")));
}

void CompareWindowsTest::progressWindowFollowsTheDrawing() {
  common::ProgressWindow& progress = windows_->ProgressWindow();
  QCOMPARE(progress.windowTitle(), QString("Comparando..."));
  QCOMPARE(progress.size(), common::TwipsSize(5895, 1935));
  progress.SetPathLabel("Preparando para comparar...");
  progress.Open([] {});
  progress.ProcessEvents();
  QVERIFY2(testsupport::TextsCutOff(&progress).isEmpty(),
           qPrintable(testsupport::TextsCutOff(&progress).join(", ")));
  progress.Close();
}

void CompareWindowsTest::quickSwitchPresetsTheBox_data() {
  QTest::addColumn<bool>("quick");
  QTest::newRow("with /q") << true;
  QTest::newRow("without /q") << false;
}

void CompareWindowsTest::quickSwitchPresetsTheBox() {
  QFETCH(bool, quick);
  g_->options.Quick = quick;
  compare::frmMain& window = windows_->ShowMainWindow("");
  QCOMPARE(window.findChild<QCheckBox*>("chkQuick")->isChecked(), quick);
}

void CompareWindowsTest::focusAtStartUp_data() {
  QTest::addColumn<QString>("origen");
  QTest::addColumn<QString>("focus");
  QTest::newRow("no folder") << "" << "txtOrigen";
  QTest::newRow("one folder") << "/datos/fotos" << "txtDestino";
}

void CompareWindowsTest::focusAtStartUp() {
  QFETCH(QString, origen);
  QFETCH(QString, focus);
  compare::frmMain& window = windows_->ShowMainWindow(origen.toStdString());
  QVERIFY(QTest::qWaitForWindowActive(&window));
  QCOMPARE(window.findChild<QLineEdit*>("txtOrigen")->text(), origen);
  QCOMPARE(QApplication::focusWidget()->objectName(), focus);
  // One box has the focus, and only that one shows a cursor.
  QCOMPARE(testsupport::BlinkingCursors(&window), QStringList{focus});
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
  Box("txtOrigen")->setText(origenMissing ? origen_ + "/falta" : origen_);
  // With the source missing the copy is not even looked at: an empty box
  // would open its picker.
  Box("txtDestino")->setText(origenMissing ? QString() : destino_ + "/falta");
  Box("txtDestino")->setFocus();
  if (!origenMissing) Box("txtOrigen")->setFocus();
  ModalDriver driver;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  driver.Then([&](QWidget* box) {
    text = static_cast<QMessageBox*>(box)->text();
    icon = static_cast<QMessageBox*>(box)->icon();
    ClickMessageButton(box, QMessageBox::Ok);
  });
  QTest::mouseClick(Button("cmdComparar"), Qt::LeftButton);
  QCOMPARE(driver.Seen(), QStringList{"Compare"});
  QCOMPARE(text, message);
  QCOMPARE(icon, QMessageBox::Information);
  QCOMPARE(window_->focusWidget()->objectName(), focus);
}

void CompareWindowsTest::emptyBoxesOpenOnlyTheSourcePicker() {
  ModalDriver driver;
  driver.Then([](QWidget* picker) { ClickButton(picker, "cmdCancelar"); });
  QTest::mouseClick(Button("cmdComparar"), Qt::LeftButton);
  QCOMPARE(driver.Seen(), QStringList{"Directorio origen"});
  QCOMPARE(driver.Unexpected(), 0);
}

void CompareWindowsTest::existingSourceThenTheCopyIsPicked() {
  Box("txtOrigen")->setText(origen_);
  Quick()->setChecked(true);  // sizes only: the two folders are alike
  ModalDriver driver;
  QString startedIn;
  driver.Then([&](QWidget* picker) { ClickButton(picker, "cmdCancelar"); });
  QTest::mouseClick(Button("cmdComparar"), Qt::LeftButton);
  QCOMPARE(driver.Seen(), QStringList{"Directorio destino"});
  QVERIFY(Box("txtDestino")->text().isEmpty());
}

void CompareWindowsTest::differencesEndInTheQuestionAndTheList() {
  Fill();
  WriteFile(origen_ + "/solo.txt", "x");
  ModalDriver driver;
  QString list;
  driver.Then([](QWidget* box) { ClickMessageButton(box, QMessageBox::Yes); });
  driver.Then([&](QWidget* errors) {
    list = static_cast<common::frmErrores*>(errors)->Text();
    QTest::keyClick(errors, Qt::Key_Escape);
  });
  bool enabledDuringRun = true;
  QTimer::singleShot(0, [&] { enabledDuringRun = window_->isEnabled(); });
  QTest::mouseClick(Button("cmdComparar"), Qt::LeftButton);
  QCOMPARE(driver.Seen(), (QStringList{"Comparar", "Errores"}));
  const QStringList lines = list.split("\r\n");
  QCOMPARE(lines.size(), 3);  // two lines, each ended by CR LF
  QVERIFY2(lines[0].startsWith("Diferente contenido: "), qPrintable(lines[0]));
  QVERIFY2(lines[1].startsWith("Falta archivo de destino: "), qPrintable(lines[1]));
  QVERIFY(lines[2].isEmpty());
  QVERIFY(!enabledDuringRun);
  QVERIFY(window_->isEnabled());
  QVERIFY(Quick()->isChecked() == false);
}

void CompareWindowsTest::cancelDuringTheCountComparesNothing() {
  Fill();
  ModalDriver driver;
  QString list;
  driver.Then([](QWidget* box) { ClickMessageButton(box, QMessageBox::Yes); });
  driver.Then([&](QWidget* errors) {
    list = static_cast<common::frmErrores*>(errors)->Text();
    QTest::keyClick(errors, Qt::Key_Escape);
  });
  // The click reaches the queue as the count lists the source, after the
  // window's first yield (the listing may run on the read-ahead thread).
  QPushButton* cancel = windows_->ProgressWindow().findChild<QPushButton*>("cmdCancelar");
  faults_.OnCall(common::FsOp::List, origen_.toStdString(), [cancel] {
    QMetaObject::invokeMethod(cancel, [cancel] { QTest::mouseClick(cancel, Qt::LeftButton); },
                              Qt::QueuedConnection);
  });
  QTest::mouseClick(Button("cmdComparar"), Qt::LeftButton);
  QCOMPARE(driver.Seen(), (QStringList{"Comparar", "Errores"}));
  QCOMPARE(list, QString("Cancelado por el usuario\r\n"));  // a.txt differs, unseen
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
  Fill();
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
  QTest::newRow("Escape") << "txtDestino" << int(Qt::Key_Escape) << 0 << QStringList{} << false;
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
  QWidget* target = window_->findChild<QWidget*>(focus);
  target->setFocus();
  QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
  QCOMPARE(driver.Seen(), opened);
  QCOMPARE(window_->isVisible(), stillOpen);
  QCOMPARE(g_->MainFormLoaded, stillOpen);
}

QTEST_MAIN(CompareWindowsTest)
#include "frmMain_test.moc"
