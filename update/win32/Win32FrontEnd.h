#pragma once
// The Win32 windows of update: its frmMain and frmUpdate on the shared front end.

#include <memory>

#include "common/core/WindowFrontEnd.h"

namespace update {

class Globales;

namespace win32 {

// g outlives the windows.
std::unique_ptr<common::WindowFrontEnd> Win32Windows(Globales& g);

}  // namespace win32
}  // namespace update
