// The dialogs a run control asks for, as message boxes: titles, icons,
// buttons with Spanish captions, the default button and the answer.

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "common/gui/ProgressWindow.h"
#include "common/gui/QtUserInterface.h"
#include "common/gui/tests/support/DataRows.h"
#include "common/gui/tests/support/ModalDriver.h"

using testsupport::ModalDriver;

using testsupport::Answer;
using MessageSeen = testsupport::MessageSeen;

class QtUserInterfaceTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void usageTextIsTheHelpBox();
  void aRefusedCommandLineIsTheHelpBoxWithItsLine();
  void questionOffersTheListWithYesAsDefault_data();
  void questionOffersTheListWithYesAsDefault();
  void debugFailureShowsItsErrorLine();

 private:
  std::unique_ptr<common::ProgressWindow> progress_;
  std::unique_ptr<common::QtUserInterface> ui_;
};

void QtUserInterfaceTest::init() {
  progress_ = std::make_unique<common::ProgressWindow>(common::ProgressLayout{}, QIcon());
  ui_ = std::make_unique<common::QtUserInterface>("Update", *progress_);
}

void QtUserInterfaceTest::usageTextIsTheHelpBox() {
  MessageSeen box;
  ModalDriver driver;
  driver.Then(Answer(QMessageBox::Ok, box));
  ui_->ShowUsage("Sincroniza una copia.\r\n\r\nUso:\r\n    UPDATE /?");
  QCOMPARE(box.title, QString("Ayuda"));
  QCOMPARE(box.icon, QMessageBox::Information);
  QCOMPARE(box.buttons, QStringList{"Aceptar"});
  // Shown as plain text, so "<origen>" and the like stay as written.
  QCOMPARE(box.text, QString("Sincroniza una copia.\n\nUso:\n    UPDATE /?"));
}

void QtUserInterfaceTest::aRefusedCommandLineIsTheHelpBoxWithItsLine() {
  MessageSeen box;
  ModalDriver driver;
  driver.Then(Answer(QMessageBox::Ok, box));
  ui_->ShowUsageError("Opci\u00f3n desconocida: /exce:CU", "Sincroniza una copia.\r\n\r\nUso:");
  QCOMPARE(box.title, QString("Ayuda"));
  QCOMPARE(box.icon, QMessageBox::Warning);
  QCOMPARE(box.buttons, QStringList{"Aceptar"});
  QCOMPARE(box.text, QString("Opci\u00f3n desconocida: /exce:CU\n\nSincroniza una copia.\n\nUso:"));
}

void QtUserInterfaceTest::questionOffersTheListWithYesAsDefault_data() { testsupport::YesNoRows(); }

void QtUserInterfaceTest::questionOffersTheListWithYesAsDefault() {
  QFETCH(int, answer);
  MessageSeen box;
  ModalDriver driver;
  driver.Then(Answer(QMessageBox::StandardButton(answer), box));
  QCOMPARE(ui_->AskToShowErrors("Comparar"), answer == QMessageBox::Yes);
  QCOMPARE(box.title, QString("Comparar"));
  QCOMPARE(box.icon, QMessageBox::Warning);
  QCOMPARE(box.text, QString("Se han producido errores durante la operaci\u00f3n. "
                             "\u00bfDesea ver la lista de errores?"));
  QCOMPARE(box.buttons, (QStringList{"&No", "&S\u00ed"}));
  QCOMPARE(box.defaultButton, QString("&S\u00ed"));
}

void QtUserInterfaceTest::debugFailureShowsItsErrorLine() {
  MessageSeen box;
  ModalDriver driver;
  driver.Then(Answer(QMessageBox::Ok, box));
  ui_->ShowDebugFailure(common::DebugStop(13, "Permiso denegado", "copy \"/a/x\" \"/b/x\""));
  QCOMPARE(box.title, QString("Update"));
  QCOMPARE(box.icon, QMessageBox::Critical);
  QCOMPARE(box.text, QString("Permiso denegado (13) en copy \"/a/x\" \"/b/x\""));
}

QTEST_MAIN(QtUserInterfaceTest)
#include "QtUserInterface_test.moc"
