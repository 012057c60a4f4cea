#include "update/win32/frmUpdate.h"

namespace update::win32 {

namespace {

common::win32::ProgressLayout Layout() {
  common::win32::ProgressLayout layout{};
  layout.name = L"frmUpdate";
  layout.caption = L"Actualizando...";
  layout.clientWidth = 6000;
  layout.clientHeight = 2025;
  layout.picture = {120, 120, 612, 612};
  layout.file = {120, 840, 5652, 252};
  layout.path = {120, 1080, 5652, 252};
  layout.bar = {120, 1440, 4575, 255};
  layout.cancel = {4800, 1440, 972, 372};
  return layout;
}

}  // namespace

frmUpdate::frmUpdate(const bool& mainFormLoaded)
    : common::win32::ProgressWindow(Layout(), mainFormLoaded) {}

}  // namespace update::win32
