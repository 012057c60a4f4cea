#include "common/gui/ProgressWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWindow>
#include <cmath>

#include "common/gui/FormLayout.h"

namespace common {

namespace {

// Events run at most this often during a run (except when a copy starts).
constexpr std::chrono::milliseconds kEventInterval(25);

// The bar keeps tenths of a percent.
constexpr int kBarSteps = 1000;

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
  imgAni = new QLabel(Picture1);
  imgAni->setObjectName(QStringLiteral("imgAni"));
  imgAni->setGeometry(TwipsRect(120, 120, 372, 372));
  imgAni->setAlignment(Qt::AlignCenter);
  imgAni->setPixmap(picture.pixmap(24, 24));

  lblFile = new QLabel(this);
  lblFile->setObjectName(QStringLiteral("lblFile"));
  lblFile->setGeometry(layout.file);
  lblPath = new QLabel(this);
  lblPath->setObjectName(QStringLiteral("lblPath"));
  lblPath->setGeometry(layout.path);

  pbBarra = new QProgressBar(this);
  pbBarra->setObjectName(QStringLiteral("pbBarra"));
  pbBarra->setGeometry(layout.bar);
  pbBarra->setRange(0, kBarSteps);
  pbBarra->setValue(0);
  pbBarra->setTextVisible(false);

  cmdCancelar = new QPushButton(QStringLiteral("Cancelar"), this);
  cmdCancelar->setObjectName(QStringLiteral("cmdCancelar"));
  cmdCancelar->setGeometry(layout.cancel);
  cmdCancelar->setDefault(true);
  connect(cmdCancelar, &QPushButton::clicked, this, &ProgressWindow::cmdCancelar_Click);
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
  onCancel_ = std::move(onCancel);
  running_ = true;
  cancelled_ = false;
  cmdCancelar->setEnabled(true);
  file_.clear();
  path_.clear();
  bar_ = 0;
  fileDirty_ = pathDirty_ = true;
  Flush();
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
  processNow_ = true;  // the first yield shows the window at once
}

void ProgressWindow::SetOwner(QWidget* owner) {
  const Qt::WindowFlags flags = FixedWindowFlags(owner ? WindowKind::Owned : WindowKind::TopLevel);
  if (windowFlags() != flags) setWindowFlags(flags);
  // Owned without being a child: the window outlives any main window.
  winId();
  windowHandle()->setTransientParent(owner ? owner->windowHandle() : nullptr);
}

void ProgressWindow::Close() {
  running_ = false;
  signals_.Restore();
  onCancel_ = nullptr;
  close();
  EnableMainWindow();
}

void ProgressWindow::SetFileLabel(std::string_view text) {
  if (text == file_) return;
  file_.assign(text);
  fileDirty_ = true;
  // A copy may take long: its name is shown before it starts.
  if (!file_.empty()) processNow_ = true;
}

void ProgressWindow::SetPathLabel(std::string_view text) {
  if (text == path_) return;
  path_.assign(text);
  pathDirty_ = true;
}

void ProgressWindow::SetBar(float percent) {
  if (std::isnan(percent)) return;
  bar_ = percent < 0 ? 0 : percent > 100 ? 100 : percent;
}

void ProgressWindow::DisableCancel() {
  cancelled_ = true;
  cmdCancelar->setEnabled(false);
}

void ProgressWindow::ProcessEvents() {
  if (CancelSignals::TakePending()) cmdCancelar_Click();
  const auto now = std::chrono::steady_clock::now();
  if (!processNow_ && now - lastEvents_ < kEventInterval) return;
  processNow_ = false;
  Flush();
  QCoreApplication::processEvents();
  lastEvents_ = std::chrono::steady_clock::now();
}

void ProgressWindow::ProcessEventsNow() {
  processNow_ = true;
  ProcessEvents();
}

void ProgressWindow::Flush() {
  if (fileDirty_) {
    lblFile->setText(Elided(lblFile, file_));
    fileDirty_ = false;
  }
  if (pathDirty_) {
    lblPath->setText(Elided(lblPath, path_));
    pathDirty_ = false;
  }
  const int value = static_cast<int>(std::lround(bar_ * (kBarSteps / 100.0f)));
  if (value != pbBarra->value()) pbBarra->setValue(value);
}

void ProgressWindow::cmdCancelar_Click() {
  if (!running_ || cancelled_) return;
  cancelled_ = true;
  // The engine records the note and sets its own flag; it stops after the
  // action in progress.
  if (onCancel_) onCancel_();
  cmdCancelar->setEnabled(false);
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
  if (event->spontaneous() && running_ && !cancelled_) {
    event->ignore();
    return;
  }
  // Accepted after a cancel, the engine ends the run at its next test of the
  // flag; the window does not come back.
  event->accept();
  EnableMainWindow();
}

void ProgressWindow::reject() {
  if (running_ && cmdCancelar->isEnabled()) cmdCancelar->click();
}

void ProgressWindow::EnableMainWindow() {
  if (QWidget* window = LoadedMainWindow()) window->setEnabled(true);
}

}  // namespace common
