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

namespace compare {

frmMain::frmMain(Globales& g, common::QtUserInterface& ui) : ProgramForm(g, ui) {
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

bool frmMain::FolderExists(QLineEdit* box, const QString& missing) {
  if (!PickIfEmpty(box)) return false;
  // Relative texts are judged against the current folder, as the run will.
  if (common::DirExists(box == txtOrigen ? OrigenPath() : DestinoPath())) return true;
  common::ShowInformation(this, windowTitle(), missing);
  box->setFocus();
  return false;
}

void frmMain::cmdRun_Click() {
  if (!FolderExists(txtOrigen, QStringLiteral("El directorio de origen seleccionado no existe.")) ||
      !FolderExists(txtDestino, QStringLiteral("El directorio de destino seleccionado no existe.")))
    return;
  const bool quick = chkQuick->isChecked();
  RunGuarded([this, quick] { g_.RunCompare(OrigenPath(), DestinoPath(), quick, ui_); });
}

}  // namespace compare
