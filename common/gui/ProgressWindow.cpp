#include "common/gui/ProgressWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWindow>

#include "common/gui/FormLayout.h"

namespace common {

namespace {

QString Elided(const QLabel* label, const std::string& text) {
  return label->fontMetrics().elidedText(QString::fromStdString(text), Qt::ElideMiddle,
                                         label->width());
}

}  // namespace

ProgressWindow::ProgressWindow(const ProgressLayout& layout, const QIcon& picture) {
  setWindowTitle(layout.caption);
  setFont(FormFont());
  MakeFixedDialog(this, layout.client, WindowKind::TopLevel);

  auto* frame = new QFrame(this);
  frame->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  Picture1 = frame;
  Picture1->setObjectName(QStringLiteral("Picture1"));
  Picture1->setGeometry(layout.picture);
  imgAni = AddControl<QLabel>(Picture1, "imgAni", TwipsRect(120, 120, 372, 372));
  imgAni->setAlignment(Qt::AlignCenter);
  imgAni->setPixmap(picture.pixmap(24, 24));

  lblFile = AddControl<QLabel>(this, "lblFile", layout.file);
  lblPath = AddControl<QLabel>(this, "lblPath", layout.path);

  pbBarra = AddControl<QProgressBar>(this, "pbBarra", layout.bar);
  pbBarra->setRange(0, kBarSteps);
  pbBarra->setValue(0);
  pbBarra->setTextVisible(false);

  cmdCancelar =
      AddControl<QPushButton>(this, "cmdCancelar", layout.cancel, QStringLiteral("Cancelar"));
  cmdCancelar->setDefault(true);
  connect(cmdCancelar, &QPushButton::clicked, this, [this] { cmdCancelar_Click(); });
}

ProgressWindow::~ProgressWindow() = default;

void ProgressWindow::SetMainWindow(QWidget* window, std::function<bool()> loaded) {
  mainWindow_ = window;
  mainWindowLoaded_ = std::move(loaded);
}

QWidget* ProgressWindow::LoadedMainWindow() const {
  return mainWindow_ && mainWindowLoaded_ && mainWindowLoaded_() ? mainWindow_ : nullptr;
}

void ProgressWindow::Open(std::function<void()> onCancel) {
  StartRun(std::move(onCancel));
  QWidget* owner = LoadedMainWindow();
  if (owner) owner->setEnabled(false);
  signals_.Install();

  // A run started from the main window belongs to it: the window manager
  // keeps the progress above the disabled main window. From the command
  // line it is the program's only window. Where it appears is left to the
  // window manager.
  SetOwner(owner);
  show();
  raise();
  activateWindow();
  cmdCancelar->setFocus();
}

void ProgressWindow::SetOwner(QWidget* owner) {
  const Qt::WindowFlags flags = FixedWindowFlags(owner ? WindowKind::Owned : WindowKind::TopLevel);
  if (windowFlags() != flags) setWindowFlags(flags);
  // Owned without being a child: the window outlives any main window.
  winId();
  windowHandle()->setTransientParent(owner ? owner->windowHandle() : nullptr);
}

void ProgressWindow::Close() {
  EndRun();
  signals_.Restore();
  close();
  EnableMainWindow();
}

void ProgressWindow::ProcessEvents() {
  if (CancelSignals::TakePending()) cmdCancelar_Click();
  PacedProgressView::ProcessEvents();
}

void ProgressWindow::ShowFile(const std::string& text) { lblFile->setText(Elided(lblFile, text)); }

void ProgressWindow::ShowPath(const std::string& text) { lblPath->setText(Elided(lblPath, text)); }

void ProgressWindow::ShowBar(int steps) {
  if (steps != pbBarra->value()) pbBarra->setValue(steps);
}

void ProgressWindow::SetCancelButton(CancelButton state) {
  cmdCancelar->setEnabled(state == CancelButton::Enabled);
}

void ProgressWindow::RunPendingEvents() { QCoreApplication::processEvents(); }

void ProgressWindow::closeEvent(QCloseEvent* event) {
  if (event->spontaneous() && Running() && !Cancelled()) {
    event->ignore();
    return;
  }
  // Accepted after a cancel, the engine ends the run at its next test of the
  // flag; the window does not come back.
  event->accept();
  EnableMainWindow();
}

void ProgressWindow::reject() {
  if (Running() && cmdCancelar->isEnabled()) cmdCancelar->click();
}

void ProgressWindow::EnableMainWindow() {
  if (QWidget* window = LoadedMainWindow()) window->setEnabled(true);
}

}  // namespace common
