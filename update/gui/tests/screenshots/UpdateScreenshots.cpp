// Shows each window of update on the display given by the environment and
// saves a PNG of it: update_screenshots <folder>. scripts/screenshots.sh
// runs it under Xvfb. The windows are driven as a user would: browse, F1,
// a run on a temporary tree that is cancelled half way, the question and
// the error list.

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "common/gui/tests/support/ModalDriver.h"
#include "common/gui/tests/support/Screenshot.h"
#include "update/core/Globales.h"
#include "update/gui/frmMain.h"

using testsupport::ClickButton;
using testsupport::ModalDriver;

int main(int argc, char** argv) {
  testsupport::ScreenshotRun run(argc, argv, "update_screenshots");
  if (!run.Usable()) return 2;

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
  run.Save(&main, "update-frmMain.png");

  ModalDriver driver;
  driver.Then([&](QWidget* picker) {
    run.Save(picker, "frmSelDir.png");
    ClickButton(picker, "cmdCancelar");
  });
  QTest::mouseClick(main.findChild<QPushButton*>("cmdExploraOrigen"), Qt::LeftButton);

  // Half way through the run: the progress window over the disabled main window.
  main.findChild<QLineEdit*>("txtDestino")->setText(destino);
  common::ProgressWindow& progress = windows.ProgressWindow();
  run.AboutAndACancelledRun(main, progress, driver, "update", [&] {
    progress.move(0, 0);  // out of the way, so the disabled main window shows
    run.Save(&main, "update-frmMain-running.png");
    run.Save(&progress, "frmUpdate.png");
  });

  return run.ExitStatus(driver);
}
