#include "common/win32/ProgressWindow.h"

#include <commctrl.h>

#include <cmath>

namespace common::win32 {

namespace {

// Messages run at most this often during a run (except when a copy starts).
constexpr std::chrono::milliseconds kEventInterval(25);

// The bar keeps tenths of a percent.
constexpr int kBarSteps = 1000;

constexpr DWORD kFixedStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;

}  // namespace

ProgressWindow::ProgressWindow(const ProgressLayout& layout, const bool& mainFormLoaded)
    : mainFormLoaded_(mainFormLoaded) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);

  CreateForm(layout.name, layout.caption, layout.clientWidth, layout.clientHeight, kFixedStyle,
             WS_EX_DLGMODALFRAME | WS_EX_APPWINDOW, nullptr);
  AddControl(L"Picture1", L"STATIC", L"", SS_SUNKEN, layout.picture, 0);
  HWND imgAni = AddControl(L"imgAni", L"STATIC", L"", SS_ICON | SS_CENTERIMAGE,
                           {layout.picture.left + 120, layout.picture.top + 120, 372, 372}, 0);
  if (ProgramIconId()) {
    picture_ = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr),
                                             MAKEINTRESOURCEW(ProgramIconId()), IMAGE_ICON,
                                             Twips(372), Twips(372), 0));
    SendMessageW(imgAni, STM_SETICON, reinterpret_cast<WPARAM>(picture_), 0);
  }
  // Long names are shortened in their middle, where a path is least telling.
  lblFile = AddControl(L"lblFile", L"STATIC", L"", SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS,
                       layout.file, 0);
  lblPath = AddControl(L"lblPath", L"STATIC", L"", SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS,
                       layout.path, 0);
  pbBarra = AddControl(L"pbBarra", PROGRESS_CLASSW, L"", 0, layout.bar, 0);
  SendMessageW(pbBarra, PBM_SETRANGE32, 0, kBarSteps);
  // Enter and Escape both press Cancelar.
  cmdCancelar = AddControl(L"cmdCancelar", L"BUTTON", L"Cancelar", WS_TABSTOP | BS_DEFPUSHBUTTON,
                           layout.cancel, IDCANCEL);
  defaultId_ = IDCANCEL;
}

ProgressWindow::~ProgressWindow() {
  DestroyForm();  // before the picture it shows
  if (picture_) DestroyIcon(picture_);
}

void ProgressWindow::Open(std::function<void()> onCancel) {
  onCancel_ = std::move(onCancel);
  running_ = true;
  cancelled_ = false;
  EnableWindow(cmdCancelar, TRUE);
  file_.clear();
  path_.clear();
  bar_ = 0;
  dirty_ = true;
  Flush();
  HWND owner = mainFormLoaded_ ? mainWindow_ : nullptr;
  if (owner) EnableWindow(owner, FALSE);

  // A run started from the main window belongs to it and stays above it;
  // from the command line it is the program's only window, in the task bar.
  SetWindowLongPtrW(Hwnd(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
  const LONG_PTR ex = GetWindowLongPtrW(Hwnd(), GWL_EXSTYLE);
  SetWindowLongPtrW(Hwnd(), GWL_EXSTYLE, owner ? ex & ~WS_EX_APPWINDOW : ex | WS_EX_APPWINDOW);
  if (!IsWindowVisible(Hwnd())) CentreOn(owner);
  ShowWindow(Hwnd(), SW_SHOW);
  SetForegroundWindow(Hwnd());
  FocusOn(cmdCancelar);
  processNow_ = true;  // the first yield shows the window at once
}

void ProgressWindow::Close() {
  running_ = false;
  onCancel_ = nullptr;
  // The main window is enabled first, so that it gets the activation back.
  EnableMainWindow();
  ShowWindow(Hwnd(), SW_HIDE);
}

void ProgressWindow::SetFileLabel(std::string_view text) {
  if (text == file_) return;
  file_.assign(text);
  dirty_ = true;
  // A copy may take long: its name is shown before it starts.
  if (!file_.empty()) processNow_ = true;
}

void ProgressWindow::SetPathLabel(std::string_view text) {
  if (text == path_) return;
  path_.assign(text);
  dirty_ = true;
}

void ProgressWindow::SetBar(float percent) {
  if (std::isnan(percent)) return;
  bar_ = percent < 0 ? 0 : percent > 100 ? 100 : percent;
}

void ProgressWindow::DisableCancel() {
  cancelled_ = true;
  EnableWindow(cmdCancelar, FALSE);
}

void ProgressWindow::ProcessEvents() {
  const auto now = std::chrono::steady_clock::now();
  if (!processNow_ && now - lastEvents_ < kEventInterval) return;
  processNow_ = false;
  Flush();
  ProcessPendingMessages();
  lastEvents_ = std::chrono::steady_clock::now();
}

void ProgressWindow::ProcessEventsNow() {
  processNow_ = true;
  ProcessEvents();
}

void ProgressWindow::Flush() {
  if (dirty_) {
    SetWindowTextW(lblFile, Widen(file_).c_str());
    SetWindowTextW(lblPath, Widen(path_).c_str());
    dirty_ = false;
  }
  const int value = static_cast<int>(std::lround(bar_ * (kBarSteps / 100.0f)));
  if (value != static_cast<int>(SendMessageW(pbBarra, PBM_GETPOS, 0, 0)))
    SendMessageW(pbBarra, PBM_SETPOS, value, 0);
}

void ProgressWindow::OnCommand(int id, int, HWND) {
  if (id == IDCANCEL || id == IDOK) cmdCancelar_Click();
}

void ProgressWindow::cmdCancelar_Click() {
  if (!running_ || cancelled_) return;
  cancelled_ = true;
  // The engine records the note and sets its own flag; it stops after the
  // action in progress.
  if (onCancel_) onCancel_();
  EnableWindow(cmdCancelar, FALSE);
}

bool ProgressWindow::OnClose() {
  if (running_ && !cancelled_) return false;
  // Accepted after a cancel, the engine ends the run at its next test of
  // the flag; the window does not come back.
  EnableMainWindow();
  return true;
}

void ProgressWindow::EnableMainWindow() {
  if (mainFormLoaded_ && mainWindow_) EnableWindow(mainWindow_, TRUE);
}

}  // namespace common::win32
