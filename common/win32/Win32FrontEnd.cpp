#include "common/win32/Win32FrontEnd.h"

#include <commctrl.h>

#include "common/win32/ProgramLayout.h"

namespace common::win32 {

namespace {

std::unique_ptr<ProgressWindow> StartWindows(const ProgramLook& look, int iconId,
                                             const bool& mainFormLoaded) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  SetProgramIcon(iconId);
  return std::make_unique<ProgressWindow>(ProgramLayout(look).progress, mainFormLoaded);
}

}  // namespace

Win32FrontEnd::Win32FrontEnd(const ProgramLook& look, int iconId, const bool& mainFormLoaded,
                             MainWindowMaker makeMainWindow)
    : progress_(StartWindows(look, iconId, mainFormLoaded)),
      ui_(Widen(look.title), *progress_),
      makeMainWindow_(std::move(makeMainWindow)) {}

Win32FrontEnd::~Win32FrontEnd() {
  ui_.SetOwner(nullptr);
  progress_->SetMainWindow(nullptr);
  main_.reset();
}

FolderPairForm& Win32FrontEnd::ShowMainWindow(const std::string& origen) {
  main_.reset();  // one main window at a time: its flag is the program's
  main_ = makeMainWindow_(ui_);
  progress_->SetMainWindow(main_->Hwnd());
  ui_.SetOwner(main_->Hwnd());
  main_->Show(origen);
  return *main_;
}

int Win32FrontEnd::RunMainWindow(const std::string& origen) {
  FolderPairForm& window = ShowMainWindow(origen);
  MSG msg;
  int status = 0;
  while (true) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) status = static_cast<int>(msg.wParam);
      break;
    }
    DispatchOne(msg);
  }
  return window.ExitStatus() ? window.ExitStatus() : status;
}

}  // namespace common::win32
