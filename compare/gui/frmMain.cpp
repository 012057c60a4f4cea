#include "compare/gui/frmMain.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "common/core/FileFunction.h"
#include "common/gui/FormLayout.h"
#include "common/gui/MessageBox.h"
#include "common/gui/QtUserInterface.h"
#include "compare/core/Globales.h"
#include "compare/gui/AboutCompare.h"

namespace compare {

namespace {

common::FolderPairLayout Layout() {
  using common::TwipsRect;
  common::FolderPairLayout layout;
  layout.caption = QStringLiteral("Compare");
  layout.client = common::TwipsSize(4095, 2295);
  layout.label1 = TwipsRect(120, 120, 1335, 255);
  layout.txtOrigen = TwipsRect(120, 360, 3492, 288);
  layout.cmdExploraOrigen = TwipsRect(3720, 360, 252, 252);
  layout.label2 = TwipsRect(120, 720, 1335, 255);
  layout.txtDestino = TwipsRect(120, 960, 3492, 288);
  layout.cmdExploraDestino = TwipsRect(3720, 960, 252, 252);
  layout.cmdAcercaDe = TwipsRect(120, 1800, 1212, 372);
  layout.cmdCancelar = TwipsRect(1920, 1800, 972, 372);
  layout.runButton = TwipsRect(3000, 1800, 972, 372);
  layout.runName = QStringLiteral("cmdComparar");
  layout.runCaption = QStringLiteral("C&omparar");
  return layout;
}

}  // namespace

frmMain::frmMain(Globales& g, common::QtUserInterface& ui)
    : common::FolderPairForm(Layout(), g.MainFormLoaded, AboutCompare(), ui), g_(g) {
  chkQuick = new QCheckBox(QStringLiteral("Comparaci\u00f3n &r\u00e1pida"), this);
  chkQuick->setObjectName(QStringLiteral("chkQuick"));
  chkQuick->setGeometry(common::TwipsRect(120, 1320, 3855, 255));
  // The /q switch presets the box; afterwards it follows the user.
  chkQuick->setChecked(g.options.Quick);
  Load(chkQuick);
}

bool frmMain::PreviewKey(QKeyEvent* event) {
  if (event->key() == Qt::Key_W && event->modifiers() == Qt::ControlModifier) {
    cmdCancelar->click();
    return true;
  }
  return common::FolderPairForm::PreviewKey(event);
}

void frmMain::Unload() {
  // Closing the main window ends compare at once.
  QCoreApplication::quit();
}

void frmMain::cmdRun_Click() {
  const QString title = windowTitle();
  if (txtOrigen->text().isEmpty()) {
    cmdExploraOrigen_Click();
    if (txtOrigen->text().isEmpty()) return;
  }
  // Relative texts are judged against the current folder, as the run will.
  if (!common::DirExists(OrigenPath())) {
    common::ShowInformation(this, title,
                            QStringLiteral("El directorio de origen seleccionado no existe."));
    txtOrigen->setFocus();
    return;
  }
  if (txtDestino->text().isEmpty()) {
    cmdExploraDestino_Click();
    if (txtDestino->text().isEmpty()) return;
  }
  if (!common::DirExists(DestinoPath())) {
    common::ShowInformation(this, title,
                            QStringLiteral("El directorio de destino seleccionado no existe."));
    txtDestino->setFocus();
    return;
  }
  const bool quick = chkQuick->isChecked();
  RunGuarded([this, quick] { g_.RunCompare(OrigenPath(), DestinoPath(), quick, ui_); });
}

}  // namespace compare
