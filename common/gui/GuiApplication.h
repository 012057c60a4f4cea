#pragma once
// Creating the Qt application for a program that shows its windows.

#include <QApplication>
#include <memory>

namespace common {

// The application object, with the programs' font and Qt's own texts in
// Spanish where Qt's translations are installed. Qt sees no command-line
// arguments (they are the program's), and the C library's locale is left
// as the program set it.
//
// Returns nullptr when the display named by the environment cannot be
// reached (a DISPLAY left over in an ssh session, a compositor that is
// gone) or shows nothing (QT_QPA_PLATFORM=offscreen or minimal): the
// program then runs on its console instead of aborting or waiting on a
// window nobody sees.
std::unique_ptr<QApplication> CreateApplication(const char* programPath);

}  // namespace common
