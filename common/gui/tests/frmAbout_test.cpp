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
#include "common/gui/tests/support/DataRows.h"
#include "common/gui/tests/support/ModalDriver.h"
#include "common/gui/tests/support/WindowChecks.h"

using testsupport::Answer;
using testsupport::ClickButton;
using testsupport::MessageSeen;
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

// One program's About window.
struct Program {
  QString title;
  int major = 0;
  int minor = 0;
  int revision = 0;
  QString version;  // as lblVersion shows it
};

}  // namespace

Q_DECLARE_METATYPE(Program)

class frmAboutTest : public QObject {
  Q_OBJECT

 private slots:
  void windowOfEachProgram_data();
  void windowOfEachProgram();
  void systemInformation_data();
  void systemInformation();
};

void frmAboutTest::windowOfEachProgram_data() {
  testsupport::Rows<Program>(
      "program",
      {{"update",
        {.title = "Update", .major = 1, .minor = 1, .revision = 17, .version = "Versi\u00f3n 1.1.17"}},
       {"compare",
        {.title = "Compare", .major = 1, .minor = 1, .revision = 2, .version = "Versi\u00f3n 1.1.2"}}});
}

void frmAboutTest::windowOfEachProgram() {
  QFETCH(Program, program);
  const QString title = program.title;
  common::frmAbout about(Info(title, program.major, program.minor, program.revision));
  QCOMPARE(about.windowTitle(), "Acerca de " + title);
  QCOMPARE(LabelText(&about, "lblTitle"), title);
  QCOMPARE(LabelText(&about, "lblVersion"), program.version);
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

void frmAboutTest::systemInformation_data() {
  QTest::addColumn<QStringList>("tools");  // the stand-ins on PATH, in this order
  QTest::addColumn<QString>("started");    // "": none, and the message instead
  QTest::newRow("no tool") << QStringList{} << "";
  QTest::newRow("two tools") << QStringList{"kinfocenter", "hardinfo"} << "hardinfo";
}

void frmAboutTest::systemInformation() {
  QFETCH(QStringList, tools);
  QFETCH(QString, started);
  QTemporaryDir folder;
  for (const QString& tool : tools) MakeTool(folder.path(), tool, folder.filePath(tool + ".ran"));
  SearchPath path(folder.path());
  ModalDriver driver;
  MessageSeen box;
  driver.Then([](QWidget* window) {
    ClickButton(window, "cmdSysInfo");
    // The About window stays open behind any message.
    QVERIFY(window->isVisible());
    ClickButton(window, "cmdOK");
  });
  if (started.isEmpty()) driver.Then(Answer(QMessageBox::Ok, box));
  common::frmAbout about(Info("Compare", 1, 1, 2));
  about.exec();
  if (started.isEmpty()) {
    QCOMPARE(driver.Seen(), (QStringList{"Acerca de Compare", "Compare"}));
    QCOMPARE(box.text, QString("La informaci\u00f3n del sistema no est\u00e1 disponible en este momento"));
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    return;
  }
  QCOMPARE(driver.Seen(), QStringList{"Acerca de Compare"});
  // The first tool found runs on its own; the window does not wait for it.
  QTRY_VERIFY(QFile::exists(folder.filePath(started + ".ran")));
  for (const QString& tool : tools) QCOMPARE(QFile::exists(folder.filePath(tool + ".ran")), tool == started);
}

QTEST_MAIN(frmAboutTest)
#include "frmAbout_test.moc"
