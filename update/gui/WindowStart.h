#pragma once
// Start-up of update's windows, for main(): free of Qt headers, so that the
// program builds the same with or without its windows.

#include <memory>

#include "common/core/WindowFrontEnd.h"

namespace update {

class Globales;

// The application and update's windows; the front end owns both. nullptr
// when the display cannot be reached: the program then uses its console.
std::unique_ptr<common::WindowFrontEnd> StartWindows(const char* programPath, Globales& g);

}  // namespace update
