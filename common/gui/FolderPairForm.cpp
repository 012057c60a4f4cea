#include "common/gui/FolderPairForm.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "common/core/WindowFrontEnd.h"
#include "common/gui/BrowseFolder.h"
#include "common/gui/FormLayout.h"
#include "common/gui/ProgramIcon.h"
#include "common/gui/QtUserInterface.h"

namespace common {

FolderPairForm::FolderPairForm(const FolderPairLayout& layout, bool& mainFormLoaded,
                               AboutInfo about, QtUserInterface& ui)
    : mainFormLoaded_(mainFormLoaded), ui_(ui), about_(std::move(about)) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(layout.caption);
  setFont(FormFont());
  MakeFixedDialog(this, layout.client, WindowKind::TopLevel);

  txtOrigen = AddControl<QLineEdit>(this, "txtOrigen", layout.txtOrigen);
  Label1 = AddControl<QLabel>(this, "Label1", layout.label1, QStringLiteral("Carpeta &origen"));
  Label1->setBuddy(txtOrigen);

  cmdExploraOrigen = AddControl<QPushButton>(this, "cmdExploraOrigen", layout.cmdExploraOrigen);
  cmdExploraOrigen->setAccessibleName(QStringLiteral("Examinar carpeta origen"));

  txtDestino = AddControl<QLineEdit>(this, "txtDestino", layout.txtDestino);
  Label2 = AddControl<QLabel>(this, "Label2", layout.label2, QStringLiteral("Carpeta &destino"));
  Label2->setBuddy(txtDestino);

  cmdExploraDestino = AddControl<QPushButton>(this, "cmdExploraDestino", layout.cmdExploraDestino);
  cmdExploraDestino->setAccessibleName(QStringLiteral("Examinar carpeta destino"));
  for (QPushButton* browse : {cmdExploraOrigen, cmdExploraDestino}) {
    browse->setIcon(BrowsePicture());
    browse->setIconSize(QSize(15, 15));
  }

  cmdAcercaDe = AddControl<QPushButton>(this, "cmdAcercaDe", layout.cmdAcercaDe,
                                        QStringLiteral("Acerca de..."));
  cmdCancelar =
      AddControl<QPushButton>(this, "cmdCancelar", layout.cmdCancelar, QStringLiteral("&Cancelar"));
  cmdRun = AddControl<QPushButton>(this, layout.runName, layout.runButton, layout.runCaption);
  cmdRun->setDefault(true);

  connect(cmdExploraOrigen, &QPushButton::clicked, this, &FolderPairForm::cmdExploraOrigen_Click);
  connect(cmdExploraDestino, &QPushButton::clicked, this,
          &FolderPairForm::cmdExploraDestino_Click);
  connect(cmdAcercaDe, &QPushButton::clicked, this, &FolderPairForm::cmdAcercaDe_Click);
  connect(cmdCancelar, &QPushButton::clicked, this, &QWidget::close);
  connect(cmdRun, &QPushButton::clicked, this, [this] { cmdRun_Click(); });

  mainFormLoaded_ = true;
}

FolderPairForm::~FolderPairForm() { mainFormLoaded_ = false; }

void FolderPairForm::Load(QWidget* lastInTabOrder) {
  AdjustLayout();

  QWidget* order[] = {txtOrigen, cmdExploraOrigen, txtDestino, cmdExploraDestino,
                      cmdAcercaDe, cmdCancelar,    cmdRun};
  for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
  if (lastInTabOrder) setTabOrder(cmdRun, lastInTabOrder);

  // Key preview: the window sees every key before the control with the focus.
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);

  CentreOnScreen(this);
  SetInitialFocus(txtOrigen);
}

void FolderPairForm::AdjustLayout() {
  // The browse buttons are square, as tall as the text boxes and flush with
  // the right margin; a system font taller than Tahoma makes the boxes
  // taller, never too short for their text.
  const int height = std::max(txtOrigen->height(), txtOrigen->minimumSizeHint().height());
  const int margin = Label1->y();
  const int gap = 4;
  const int left = this->width() - margin - height;
  cmdExploraOrigen->setGeometry(left, cmdExploraOrigen->y(), height, height);
  txtOrigen->setGeometry(txtOrigen->x(), txtOrigen->y(), left - txtOrigen->x() - gap, height);
  cmdExploraDestino->setGeometry(left, cmdExploraDestino->y(), height, height);
  txtDestino->setGeometry(txtDestino->x(), txtDestino->y(), txtOrigen->width(), height);
}

void FolderPairForm::SetOrigen(const std::string& origen) {
  origenRaw_ = origen;
  origenShown_ = QString::fromStdString(origen);
  txtOrigen->setText(origenShown_);
  SetInitialFocus(origen.empty() ? txtOrigen : txtDestino);
}

void FolderPairForm::SetInitialFocus(QWidget* box) {
  if (isActiveWindow()) {
    box->setFocus();
    return;
  }
  initialFocus_ = box;
}

void FolderPairForm::changeEvent(QEvent* event) {
  // The focus is set once, when the window is shown and active. Set before,
  // it would reach one box while showing the window lent a cursor to the
  // other, and both would blink.
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && initialFocus_) {
    QWidget* box = initialFocus_;
    initialFocus_ = nullptr;
    box->setFocus(Qt::ActiveWindowFocusReason);
  }
  QDialog::changeEvent(event);
}

std::string FolderPairForm::OrigenPath() const {
  // A name that is not valid UTF-8 cannot survive a trip through the text box.
  if (!origenRaw_.empty() && txtOrigen->text() == origenShown_) return origenRaw_;
  return txtOrigen->text().toStdString();
}

std::string FolderPairForm::DestinoPath() const { return txtDestino->text().toStdString(); }

bool FolderPairForm::PickIfEmpty(QLineEdit* box) {
  if (box->text().isEmpty()) box == txtOrigen ? cmdExploraOrigen_Click() : cmdExploraDestino_Click();
  return !box->text().isEmpty();
}

void FolderPairForm::cmdExploraOrigen_Click() {
  const QString chosen =
      BrowseFolder(this, QStringLiteral("Directorio origen"), txtOrigen->text());
  if (!chosen.isEmpty()) txtOrigen->setText(chosen);
}

void FolderPairForm::cmdExploraDestino_Click() {
  const QString chosen =
      BrowseFolder(this, QStringLiteral("Directorio destino"), txtDestino->text());
  if (!chosen.isEmpty()) txtDestino->setText(chosen);
}

void FolderPairForm::cmdAcercaDe_Click() {
  frmAbout about(about_, this);
  about.exec();
}

void FolderPairForm::RunGuarded(const std::function<void()>& run) {
  exitStatus_ = RunFromMainWindow(ui_, running_, run);
  if (exitStatus_ == 0) return;
  close();
  QCoreApplication::exit(exitStatus_);
}

bool FolderPairForm::PreviewKey(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
    cmdAcercaDe->click();
    return true;
  }
  return false;
}

bool FolderPairForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && isEnabled()) {
    if (PreviewKey(static_cast<QKeyEvent*>(event))) return true;
  }
  return QDialog::eventFilter(watched, event);
}

void FolderPairForm::closeEvent(QCloseEvent* event) {
  // While a run goes on this window is disabled, but a window manager may
  // still offer its close box: the run finishes first.
  if (event->spontaneous() && running_) {
    event->ignore();
    return;
  }
  event->accept();
  mainFormLoaded_ = false;
  Unload();
}

void FolderPairForm::reject() {
  // Escape presses cmdCancelar, which unloads the window.
  if (!running_) cmdCancelar->click();
}

}  // namespace common
