#pragma once
// What update's windows show, for its Qt and its Win32 windows alike.

#include "common/gui/ProgramLook.h"

namespace update {

extern const common::ProgramLook kUpdateLook;

}  // namespace update
