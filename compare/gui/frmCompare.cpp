#include "compare/gui/frmCompare.h"

#include "common/gui/FormLayout.h"
#include "common/gui/ProgramIcon.h"

namespace compare {

namespace {

common::ProgressLayout Layout() {
  common::ProgressLayout layout;
  layout.caption = QStringLiteral("Comparando...");
  layout.client = common::TwipsSize(5895, 1935);
  layout.picture = common::TwipsRect(120, 120, 612, 612);
  layout.file = common::TwipsRect(120, 840, 5655, 255);
  layout.path = common::TwipsRect(120, 1080, 5655, 255);
  layout.bar = common::TwipsRect(120, 1440, 4575, 255);
  layout.cancel = common::TwipsRect(4800, 1440, 972, 372);
  return layout;
}

}  // namespace

frmCompare::frmCompare()
    : common::ProgressWindow(Layout(),
                             common::ProgramIcon(QStringLiteral("compare"))) {
  setObjectName(QStringLiteral("frmCompare"));
}

}  // namespace compare
