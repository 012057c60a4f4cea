// Shows each window of compare on the display given by the environment and
// saves a PNG of it: compare_screenshots <folder>. scripts/screenshots.sh
// runs it under Xvfb.

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "common/gui/tests/support/ModalDriver.h"
#include "common/gui/tests/support/Screenshot.h"
#include "compare/core/Globales.h"
#include "compare/gui/frmMain.h"

using testsupport::ClickMessageButton;
using testsupport::ModalDriver;

int main(int argc, char** argv) {
  testsupport::ScreenshotRun run(argc, argv, "compare_screenshots");
  if (!run.Usable()) return 2;

  // Two trees whose contents take a while to compare, one file different.
  QTemporaryDir tmp;
  const QString origen = tmp.filePath("Proyecto");
  const QString destino = tmp.filePath("Proyecto (copia)");
  const QByteArray content(1024 * 1024, 'x');
  for (const QString& root : {origen, destino}) {
    for (int folder = 0; folder < 10; ++folder) {
      const QString sub = QStringLiteral("%1/Datos %2").arg(root).arg(folder);
      QDir().mkpath(sub);
      for (int i = 0; i < 20; ++i) {
        QFile file(QStringLiteral("%1/tabla_%2.dat").arg(sub).arg(i));
        file.open(QIODevice::WriteOnly);
        file.write(root == destino && i == 3 ? QByteArray(content).replace(7, 1, "y") : content);
      }
    }
  }

  compare::Globales g;
  g.options.Quick = true;  // as with /q: the box starts ticked
  compare::QtFrontEnd windows(g);
  compare::frmMain& main = windows.ShowMainWindow("");
  run.Save(&main, "compare-frmMain.png");

  ModalDriver driver;
  driver.Then([&](QWidget* box) {
    run.Save(box, "compare-no-existe.png");
    ClickMessageButton(box, QMessageBox::Ok);
  });
  main.findChild<QLineEdit*>("txtOrigen")->setText(tmp.filePath("no existe"));
  QTest::mouseClick(main.findChild<QPushButton*>("cmdComparar"), Qt::LeftButton);

  main.findChild<QLineEdit*>("txtOrigen")->setText(origen);
  main.findChild<QLineEdit*>("txtDestino")->setText(destino);
  main.findChild<QCheckBox*>("chkQuick")->setChecked(false);
  common::ProgressWindow& progress = windows.ProgressWindow();
  run.AboutAndACancelledRun(main, progress, driver, "compare",
                            [&] { run.Save(&progress, "frmCompare.png"); });

  return run.ExitStatus(driver);
}
