#include "common/win32/ProgressWindow.h"

#include <commctrl.h>

namespace common::win32 {

namespace {

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
  StartRun(std::move(onCancel));
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
}

void ProgressWindow::Close() {
  EndRun();
  // The main window is enabled first, so that it gets the activation back.
  EnableMainWindow();
  ShowWindow(Hwnd(), SW_HIDE);
}

void ProgressWindow::ShowFile(const std::string& text) {
  SetWindowTextW(lblFile, Widen(text).c_str());
}

void ProgressWindow::ShowPath(const std::string& text) {
  SetWindowTextW(lblPath, Widen(text).c_str());
}

void ProgressWindow::ShowBar(int steps) {
  if (steps != static_cast<int>(SendMessageW(pbBarra, PBM_GETPOS, 0, 0)))
    SendMessageW(pbBarra, PBM_SETPOS, steps, 0);
}

void ProgressWindow::SetCancelButton(CancelButton state) {
  EnableWindow(cmdCancelar, state == CancelButton::Enabled);
}

void ProgressWindow::OnCommand(int id, int, HWND) {
  if (id == IDCANCEL || id == IDOK) cmdCancelar_Click();
}

bool ProgressWindow::OnClose() {
  if (Running() && !Cancelled()) return false;
  // Accepted after a cancel, the engine ends the run at its next test of
  // the flag; the window does not come back.
  EnableMainWindow();
  return true;
}

void ProgressWindow::EnableMainWindow() {
  if (mainFormLoaded_ && mainWindow_) EnableWindow(mainWindow_, TRUE);
}

}  // namespace common::win32
