// The folder picker on real folders: what it opens, what it returns, and
// what it does with drives it cannot read.

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QListWidget>

#include "common/gui/BrowseFolder.h"
#include "common/gui/frmSelDir.h"
#include "common/gui/tests/support/DataRows.h"
#include "common/gui/tests/support/ModalDriver.h"
#include "common/gui/tests/support/ProgramSession.h"

using testsupport::ClickButton;
using testsupport::ClickMessageButton;
using testsupport::ModalDriver;

namespace {

const char kNoAccess[] = "No se tiene acceso a la unidad seleccionada.";

QListWidget* FolderList(QWidget* picker) { return picker->findChild<QListWidget*>("Dir1"); }
QComboBox* DriveList(QWidget* picker) { return picker->findChild<QComboBox*>("Drive1"); }

// The folder list's row for a folder name (the open folder's subfolders and ancestors).
QListWidgetItem* Row(QWidget* picker, const QString& text) {
  const auto found = FolderList(picker)->findItems(text, Qt::MatchExactly);
  return found.isEmpty() ? nullptr : found.first();
}

// The rows below the open folder.
QStringList Subfolders(QWidget* picker) {
  QListWidget* list = FolderList(picker);
  QStringList names;
  for (int row = list->currentRow() + 1; row < list->count(); ++row) names << list->item(row)->text();
  return names;
}

void ClickRow(QWidget* picker, QListWidgetItem* item) {
  QVERIFY(item);
  QListWidget* list = FolderList(picker);
  list->scrollToItem(item);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

void DoubleClickRow(QWidget* picker, QListWidgetItem* item) {
  ClickRow(picker, item);
  QListWidget* list = FolderList(picker);
  if (item) QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

}  // namespace

using testsupport::CurrentFolder;

class frmSelDirTest : public QObject {
  Q_OBJECT

 private slots:
  void init();

  void okReturnsTheFolderItOpened_data();
  void okReturnsTheFolderItOpened();
  void howThePickerEnds_data();
  void howThePickerEnds();
  void doubleClickOpensAFolder();
  void unreadableDriveIsRefusedWithAMessage();
  void startOnAnUnreadableDriveWarnsOnceThenOpensTheProgramFolder();
  void mountedVolumesStartWithTheRoot();

 private:
  std::unique_ptr<QTemporaryDir> tmp_;
  QString root_;
};

void frmSelDirTest::init() {
  tmp_ = std::make_unique<QTemporaryDir>();
  QVERIFY(tmp_->isValid());
  root_ = QDir::cleanPath(tmp_->path());
  for (const char* sub : {"Alpha", "beta", ".oculta", "Alpha/inner"}) QVERIFY(QDir(root_).mkpath(sub));
  QFile file(root_ + "/archivo.txt");
  QVERIFY(file.open(QIODevice::WriteOnly));
}

void frmSelDirTest::okReturnsTheFolderItOpened_data() {
  QTest::addColumn<QString>("start");     // under root_ but for the missing one
  QTest::addColumn<QString>("current");   // the current folder, under root_
  QTest::addColumn<QString>("returned");  // under root_; "" is the program's folder
  QTest::newRow("the start folder") << "/" << "" << "";
  QTest::newRow("a relative start, from the current folder") << "Alpha/inner/.." << "." << "/Alpha";
  // No message: only the picker itself opens.
  QTest::newRow("a missing start: the program's folder") << "/no/existe" << "." << "<program>";
  // BrowseFolder with an empty box.
  QTest::newRow("no start: the current folder") << "<none>" << "beta" << "/beta";
}

void frmSelDirTest::okReturnsTheFolderItOpened() {
  QFETCH(QString, start);
  QFETCH(QString, current);
  QFETCH(QString, returned);
  CurrentFolder here(root_ + "/" + current);
  ModalDriver driver;
  QString drive;
  driver.Then([&](QWidget* picker) {
    drive = DriveList(picker)->currentData().toString();
    ClickButton(picker, "cmdAceptar");
  });
  const QString expected = returned == "<program>" ? QCoreApplication::applicationDirPath() : root_ + returned;
  if (start == "<none>") {
    QCOMPARE(common::BrowseFolder(nullptr, "Directorio destino", QString()), expected);
  } else {
    common::frmSelDir picker(nullptr);
    picker.setWindowTitle("Directorio destino");
    QCOMPARE(picker.SelDir(start.startsWith('/') ? root_ + start : start), expected);
  }
  QCOMPARE(driver.Seen(), QStringList{"Directorio destino"});
  // The drive shown is the volume that holds the folder.
  QVERIFY(!drive.isEmpty());
  QVERIFY(drive == "/" || expected.startsWith(drive + "/"));
}

void frmSelDirTest::howThePickerEnds_data() {
  // Enter is Aceptar: the open folder, not the highlighted one.
  testsupport::Rows<QString>("how", {{"Cancelar", "button"},
                                     {"Escape", "escape"},
                                     {"close box", "close"},
                                     {"Enter on a highlighted row", "enter"}});
}

void frmSelDirTest::howThePickerEnds() {
  QFETCH(QString, how);
  ModalDriver driver;
  QStringList names;
  driver.Then([&](QWidget* picker) {
    names = Subfolders(picker);
    QListWidget* list = FolderList(picker);
    if (how == "button") ClickButton(picker, "cmdCancelar");
    if (how == "escape") QTest::keyClick(list, Qt::Key_Escape);
    if (how == "close") picker->close();
    if (how == "enter") {
      ClickRow(picker, Row(picker, "beta"));
      QCOMPARE(list->currentItem(), Row(picker, "beta"));
      QTest::keyClick(list, Qt::Key_Return);
    }
  });
  common::frmSelDir picker(nullptr);
  QCOMPARE(picker.SelDir(root_), how == "enter" ? root_ : QString());
  QCOMPARE(driver.Pending(), 0);
  // Folders, dot-folders too, never files; in name order regardless of case.
  QCOMPARE(names, (QStringList{".oculta", "Alpha", "beta"}));
}

void frmSelDirTest::doubleClickOpensAFolder() {
  ModalDriver driver;
  QStringList inside;
  driver.Then([&](QWidget* picker) {
    DoubleClickRow(picker, Row(picker, "Alpha"));
    inside = Subfolders(picker);
    ClickButton(picker, "cmdAceptar");
  });
  common::frmSelDir picker(nullptr);
  QCOMPARE(picker.SelDir(root_), root_ + "/Alpha");
  QCOMPARE(inside, QStringList{"inner"});

  // And back up: an ancestor in the list opens again on double-click.
  ModalDriver back;
  back.Then([&](QWidget* window) {
    DoubleClickRow(window, Row(window, QDir(root_).dirName()));
    ClickButton(window, "cmdAceptar");
  });
  QCOMPARE(picker.SelDir(root_ + "/Alpha/inner"), root_);
}

void frmSelDirTest::unreadableDriveIsRefusedWithAMessage() {
  // Two drives: one that can be read, one whose root has gone.
  const QString good = root_ + "/Alpha";
  const QString gone = root_ + "/desaparecida";
  ModalDriver driver;
  QString driveAfter;
  QString openAfter;
  QString message;
  driver.Then([&](QWidget* picker) {
    DoubleClickRow(picker, Row(picker, "inner"));
    DriveList(picker)->setCurrentIndex(DriveList(picker)->findData(gone));  // a user's choice
    driveAfter = DriveList(picker)->currentData().toString();
    openAfter = static_cast<common::frmSelDir*>(picker)->DirPath();
    ClickButton(picker, "cmdAceptar");
  });
  driver.Then([&](QWidget* box) {
    message = static_cast<QMessageBox*>(box)->text();
    QCOMPARE(box->windowTitle(), QString("Directorio origen"));
    QCOMPARE(static_cast<QMessageBox*>(box)->icon(), QMessageBox::Information);
    ClickMessageButton(box, QMessageBox::Ok);
  });
  common::frmSelDir picker(nullptr, {good, gone});
  picker.setWindowTitle("Directorio origen");
  QCOMPARE(picker.SelDir(good), good + "/inner");
  QCOMPARE(message, QString(kNoAccess));
  QCOMPARE(driveAfter, good);               // the drive list went back
  QCOMPARE(openAfter, good + "/inner");     // and the folder list stayed
  QCOMPARE(driver.Seen().size(), 2);
  QCOMPARE(driver.Unexpected(), 0);
}

void frmSelDirTest::startOnAnUnreadableDriveWarnsOnceThenOpensTheProgramFolder() {
  const QString gone = root_ + "/desaparecida";
  ModalDriver driver;
  driver.Then([](QWidget* box) { ClickMessageButton(box, QMessageBox::Ok); });
  driver.Then([](QWidget* picker) { ClickButton(picker, "cmdAceptar"); });
  common::frmSelDir picker(nullptr, {"/", gone});
  picker.setWindowTitle("Directorio origen");
  QCOMPARE(picker.SelDir(gone + "/carpeta"), QCoreApplication::applicationDirPath());
  QCOMPARE(driver.Seen(), (QStringList{"Directorio origen", "Directorio origen"}));
  QCOMPARE(driver.Unexpected(), 0);
}

void frmSelDirTest::mountedVolumesStartWithTheRoot() {
  QStringList volumes = common::frmSelDir::MountedVolumes();
  QVERIFY(!volumes.isEmpty());
  QCOMPARE(volumes.first(), QString("/"));
  QCOMPARE(volumes.removeDuplicates(), 0);
}

QTEST_MAIN(frmSelDirTest)
#include "frmSelDir_test.moc"
