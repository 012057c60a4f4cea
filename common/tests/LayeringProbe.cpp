// Built only by the layering test, which expects this include to fail: a
// library of the core sees the core headers and no window header.
#include "common/core/RunStatus.h"
#include "common/gui/WindowStart.h"
