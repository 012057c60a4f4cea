#pragma once
// What compare's About window shows: title, version, description, notice.

#include "common/gui/frmAbout.h"

namespace compare {

common::AboutInfo AboutCompare();

}  // namespace compare
