#pragma once
// What update's About window shows: title, version, description, notice.

#include "common/gui/frmAbout.h"

namespace update {

common::AboutInfo AboutUpdate();

}  // namespace update
