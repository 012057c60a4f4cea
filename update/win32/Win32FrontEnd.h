#pragma once
// The Win32 windows of update: its frmMain and frmUpdate on the shared front end.

#include "common/win32/Win32FrontEnd.h"

namespace update {

class Globales;

namespace win32 {

class Win32FrontEnd : public common::win32::Win32FrontEnd {
 public:
  // g outlives the front end.
  explicit Win32FrontEnd(Globales& g);
};

}  // namespace win32
}  // namespace update
