// Shows each window of update on the display given by the environment and
// saves a PNG of it: update_screenshots <folder>. scripts/screenshots.sh
// runs it under Xvfb. The windows are driven as a user would: browse, F1,
// a run on a temporary tree that is cancelled half way, the question and
// the error list.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "common/gui/FormLayout.h"
#include "common/gui/tests/support/ModalDriver.h"
#include "common/gui/tests/support/Screenshot.h"
#include "update/core/Globales.h"
#include "update/gui/frmMain.h"

using testsupport::ClickButton;
using testsupport::ClickMessageButton;
using testsupport::ModalDriver;
using testsupport::SaveScreenshot;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "uso: update_screenshots <carpeta>\n");
    return 2;
  }
  QApplication app(argc, argv);
  QApplication::setFont(common::FormFont());
  const QString out = QString::fromLocal8Bit(argv[1]);
  int failures = 0;
  auto save = [&](QWidget* window, const char* name) {
    if (!SaveScreenshot(window, out, QString::fromLatin1(name))) ++failures;
  };

  // A source worth a few seconds of copying, and an empty copy.
  QTemporaryDir tmp;
  const QString origen = tmp.filePath("Documentos");
  const QString destino = tmp.filePath("Copia de seguridad");
  QDir().mkpath(destino);
  const QByteArray content(256 * 1024, 'x');
  for (int folder = 0; folder < 20; ++folder) {
    const QString sub = QStringLiteral("%1/Fotos %2").arg(origen).arg(2000 + folder);
    QDir().mkpath(sub);
    for (int i = 0; i < 60; ++i) {
      QFile file(QStringLiteral("%1/imagen_%2.jpg").arg(sub).arg(i, 4, 10, QChar('0')));
      file.open(QIODevice::WriteOnly);
      file.write(content);
    }
  }

  update::Globales g;
  g.options.LogOps = update::OpAll;  // as with /log:CUD, so the list has lines to show
  update::QtFrontEnd windows(g);
  update::frmMain& main = windows.ShowMainWindow(origen.toStdString());
  save(&main, "update-frmMain.png");

  ModalDriver driver;
  driver.Then([&](QWidget* picker) {
    save(picker, "frmSelDir.png");
    ClickButton(picker, "cmdCancelar");
  });
  QTest::mouseClick(main.findChild<QPushButton*>("cmdExploraOrigen"), Qt::LeftButton);

  driver.Then([&](QWidget* about) {
    save(about, "update-frmAbout.png");
    ClickButton(about, "cmdOK");
  });
  QTest::keyClick(main.findChild<QLineEdit*>("txtDestino"), Qt::Key_F1);

  // Half way through the run: the progress window over the disabled main window.
  main.findChild<QLineEdit*>("txtDestino")->setText(destino);
  common::ProgressWindow& progress = windows.ProgressWindow();
  QTimer halfWay;
  QObject::connect(&halfWay, &QTimer::timeout, [&] {
    if (progress.Bar() < 40) return;
    halfWay.stop();
    progress.move(0, 0);  // out of the way, so the disabled main window shows
    save(&main, "update-frmMain-running.png");
    save(&progress, "frmUpdate.png");
    QTest::mouseClick(progress.findChild<QPushButton*>("cmdCancelar"), Qt::LeftButton);
  });
  halfWay.start(0);
  driver.Then([&](QWidget* question) {
    save(question, "update-question.png");
    ClickMessageButton(question, QMessageBox::Yes);
  });
  driver.Then([&](QWidget* errors) {
    save(errors, "frmErrores.png");
    QTest::keyClick(errors, Qt::Key_Escape);
  });
  QTest::mouseClick(main.findChild<QPushButton*>("cmdActualizar"), Qt::LeftButton);

  if (driver.Pending() > 0 || driver.Unexpected() > 0) {
    std::fprintf(stderr, "update_screenshots: faltan ventanas por mostrar\n");
    ++failures;
  }
  return failures == 0 ? 0 : 1;
}
