#pragma once
// The Win32 windows of compare: its frmMain and frmCompare on the shared front end.

#include "common/win32/Win32FrontEnd.h"

namespace compare {

class Globales;

namespace win32 {

class Win32FrontEnd : public common::win32::Win32FrontEnd {
 public:
  // g outlives the front end.
  explicit Win32FrontEnd(Globales& g);
};

}  // namespace win32
}  // namespace compare
