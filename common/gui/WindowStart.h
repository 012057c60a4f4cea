#pragma once
// Start-up of a program's windows, for main(): free of Qt headers, so that
// the program builds the same with or without its windows.

#include <functional>
#include <memory>

#include "common/core/WindowFrontEnd.h"

namespace common {

// The application and the windows makeWindows builds; the front end it
// returns owns both. nullptr when the display cannot be reached: the
// program then uses its console.
std::unique_ptr<WindowFrontEnd> StartWindows(
    const char* programPath, const std::function<std::unique_ptr<WindowFrontEnd>()>& makeWindows);

}  // namespace common
