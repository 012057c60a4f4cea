// The About window of both programs: texts from the build, the layout that
// keeps them readable, and the system information button.

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "common/gui/FormLayout.h"
#include "common/gui/frmAbout.h"
#include "common/gui/tests/support/ModalDriver.h"
#include "common/gui/tests/support/WindowChecks.h"

using testsupport::ClickButton;
using testsupport::ClickMessageButton;
using testsupport::ModalDriver;

namespace {

const char kNotice[] = "Copyright (C) 2026 Los autores de Update y Compare";

common::AboutInfo Info(const QString& title, int major, int minor, int revision) {
  common::AboutInfo info;
  info.title = title;
  info.major = major;
  info.minor = minor;
  info.revision = revision;
  info.description = "Mantiene sincronizadas dos copias de una carpeta. Ideal para copias de "
                     "seguridad diarias sobre un segundo disco duro o un dispositivo removible. "
                     "V\u00e9ase Update.txt para m\u00e1s informaci\u00f3n.";
  info.legalNotice = kNotice;
  return info;
}

QString LabelText(QWidget* window, const char* name) {
  auto* label = window->findChild<QLabel*>(name);
  return label ? label->text() : QString("<no existe %1>").arg(name);
}

// PATH for the duration of a test.
class SearchPath {
 public:
  explicit SearchPath(const QString& path) : saved_(qgetenv("PATH")) {
    qputenv("PATH", path.toLocal8Bit());
  }
  ~SearchPath() { qputenv("PATH", saved_); }

 private:
  QByteArray saved_;
};

// A stand-in system information tool that leaves a mark when it runs.
void MakeTool(const QString& folder, const QString& name, const QString& mark) {
  QFile script(folder + "/" + name);
  QVERIFY(script.open(QIODevice::WriteOnly));
  // Only shell built-ins: PATH holds nothing but the stand-ins.
  script.write(QString("#!/bin/sh\necho ran > '%1'\n").arg(mark).toUtf8());
  script.close();
  QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

}  // namespace

class frmAboutTest : public QObject {
  Q_OBJECT

 private slots:
  void windowOfEachProgram_data();
  void windowOfEachProgram();
  void withoutAToolTheMessageIsShown();
  void theFirstToolFoundIsStarted();
};

void frmAboutTest::windowOfEachProgram_data() {
  QTest::addColumn<QString>("title");
  QTest::addColumn<int>("major");
  QTest::addColumn<int>("minor");
  QTest::addColumn<int>("revision");
  QTest::addColumn<QString>("version");
  QTest::newRow("update") << "Update" << 1 << 1 << 17 << "Versi\u00f3n 1.1.17";
  QTest::newRow("compare") << "Compare" << 1 << 1 << 2 << "Versi\u00f3n 1.1.2";
}

void frmAboutTest::windowOfEachProgram() {
  QFETCH(QString, title);
  QFETCH(int, major);
  QFETCH(int, minor);
  QFETCH(int, revision);
  QFETCH(QString, version);
  common::frmAbout about(Info(title, major, minor, revision));
  QCOMPARE(about.windowTitle(), "Acerca de " + title);
  QCOMPARE(LabelText(&about, "lblTitle"), title);
  QCOMPARE(LabelText(&about, "lblVersion"), version);
  const QString disclaimer = LabelText(&about, "lblDisclaimer");
  QVERIFY(disclaimer.startsWith(QString(kNotice) + ". "));
  QVERIFY(!disclaimer.contains('$'));
  QCOMPARE(about.findChild<QPushButton*>("cmdSysInfo")->text(), QString("&Info. del sistema..."));

  // Every text fits.
  QVERIFY2(testsupport::TextsCutOff(&about).isEmpty(),
           qPrintable(testsupport::TextsCutOff(&about).join(", ")));
  // The buttons stay inside the window and clear of the disclaimer.
  const QRect client = about.rect();
  for (const char* name : {"cmdOK", "cmdSysInfo"}) {
    const QRect button = about.findChild<QPushButton*>(name)->geometry();
    QVERIFY2(client.contains(button), name);
    QVERIFY2(!button.intersects(about.findChild<QLabel*>("lblDisclaimer")->geometry()), name);
  }
  QCOMPARE(about.width(), common::TwipsToPixels(5940));

  // Aceptar is the default button; Escape closes the window.
  QVERIFY(about.findChild<QPushButton*>("cmdOK")->isDefault());
  ModalDriver driver;
  driver.Then([](QWidget* window) { QTest::keyClick(window, Qt::Key_Escape); });
  about.exec();
  QCOMPARE(driver.Seen(), QStringList{"Acerca de " + title});
  QCOMPARE(driver.Unexpected(), 0);
}

void frmAboutTest::withoutAToolTheMessageIsShown() {
  QTemporaryDir empty;
  SearchPath path(empty.path());
  ModalDriver driver;
  QString text;
  QMessageBox::Icon icon = QMessageBox::Critical;
  driver.Then([&](QWidget* window) {
    // The About window stays open behind the message.
    ClickButton(window, "cmdSysInfo");
    QVERIFY(window->isVisible());
    ClickButton(window, "cmdOK");
  });
  driver.Then([&](QWidget* box) {
    text = static_cast<QMessageBox*>(box)->text();
    icon = static_cast<QMessageBox*>(box)->icon();
    ClickMessageButton(box, QMessageBox::Ok);
  });
  common::frmAbout about(Info("Compare", 1, 1, 2));
  about.exec();
  QCOMPARE(driver.Seen(), (QStringList{"Acerca de Compare", "Compare"}));
  QCOMPARE(text, QString("La informaci\u00f3n del sistema no est\u00e1 disponible en este momento"));
  QCOMPARE(icon, QMessageBox::NoIcon);
}

void frmAboutTest::theFirstToolFoundIsStarted() {
  QTemporaryDir tools;
  const QString first = tools.filePath("hardinfo.ran");
  const QString later = tools.filePath("kinfocenter.ran");
  MakeTool(tools.path(), "kinfocenter", later);
  MakeTool(tools.path(), "hardinfo", first);
  SearchPath path(tools.path());
  ModalDriver driver;
  driver.Then([](QWidget* window) {
    ClickButton(window, "cmdSysInfo");
    ClickButton(window, "cmdOK");
  });
  common::frmAbout about(Info("Update", 1, 1, 17));
  about.exec();
  // The tool runs on its own; the window does not wait for it.
  QTRY_VERIFY(QFile::exists(first));
  QVERIFY(!QFile::exists(later));
  QCOMPARE(driver.Seen(), QStringList{"Acerca de Update"});
}

QTEST_MAIN(frmAboutTest)
#include "frmAbout_test.moc"
