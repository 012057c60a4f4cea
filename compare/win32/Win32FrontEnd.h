#pragma once
// The Win32 windows of compare: its frmMain and frmCompare on the shared front end.

#include <memory>

#include "common/core/WindowFrontEnd.h"

namespace compare {

class Globales;

namespace win32 {

// g outlives the windows.
std::unique_ptr<common::WindowFrontEnd> Win32Windows(Globales& g);

}  // namespace win32
}  // namespace compare
