#pragma once
// What compare's windows show, for its Qt and its Win32 windows alike.

#include "common/gui/ProgramLook.h"

namespace compare {

extern const common::ProgramLook kCompareLook;

}  // namespace compare
