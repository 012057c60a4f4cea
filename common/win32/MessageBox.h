#pragma once
// Message boxes with the programs' titles, icons and buttons. The buttons
// carry Spanish captions whatever the language of the system.

#include <windows.h>

#include <string>

#include "common/core/UserInterface.h"

namespace common::win32 {

// Shows a modal message box over owner (none: a window of its own) and
// returns the button that closed it (IDOK, IDYES, IDNO). type is the usual
// MB_ combination of buttons, icon and default button.
int ShowMessageBox(HWND owner, const std::wstring& title, const std::wstring& text, UINT type);

// Information icon and OK.
void ShowInformation(HWND owner, const std::wstring& title, const std::wstring& text);

// Warning icon, Yes and No. True for Yes.
bool AskYesNo(HWND owner, const std::wstring& title, const std::wstring& text,
              DefaultAnswer preset = DefaultAnswer::Yes);

}  // namespace common::win32
