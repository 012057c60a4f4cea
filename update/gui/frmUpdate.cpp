#include "update/gui/frmUpdate.h"

#include "common/gui/FormLayout.h"
#include "common/gui/ProgramIcon.h"

namespace update {

namespace {

common::ProgressLayout Layout() {
  common::ProgressLayout layout;
  layout.caption = QStringLiteral("Actualizando...");
  layout.client = common::TwipsSize(6000, 2025);
  layout.picture = common::TwipsRect(120, 120, 612, 612);
  layout.file = common::TwipsRect(120, 840, 5652, 252);
  layout.path = common::TwipsRect(120, 1080, 5652, 252);
  layout.bar = common::TwipsRect(120, 1440, 4575, 255);
  layout.cancel = common::TwipsRect(4800, 1440, 972, 372);
  return layout;
}

}  // namespace

frmUpdate::frmUpdate()
    : common::ProgressWindow(Layout(), common::ProgramIcon(QStringLiteral("update"))) {
  setObjectName(QStringLiteral("frmUpdate"));
}

}  // namespace update
