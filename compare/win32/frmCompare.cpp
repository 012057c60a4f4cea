#include "compare/win32/frmCompare.h"

namespace compare::win32 {

namespace {

common::win32::ProgressLayout Layout() {
  common::win32::ProgressLayout layout{};
  layout.name = L"frmCompare";
  layout.caption = L"Comparando...";
  layout.clientWidth = 5895;
  layout.clientHeight = 1935;
  layout.picture = {120, 120, 612, 612};
  layout.file = {120, 840, 5655, 255};
  layout.path = {120, 1080, 5655, 255};
  layout.bar = {120, 1440, 4575, 255};
  layout.cancel = {4800, 1440, 972, 372};
  return layout;
}

}  // namespace

frmCompare::frmCompare(const bool& mainFormLoaded)
    : common::win32::ProgressWindow(Layout(), mainFormLoaded) {}

}  // namespace compare::win32
