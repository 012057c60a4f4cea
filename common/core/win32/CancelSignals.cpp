// Ctrl+C and Ctrl+Break (and the console window's closing) during a run act
// as the Cancel button on Windows: the console's control handler only sets
// a flag, which the view takes on the run's thread. Asked again while the
// cancel is under way, the event takes its usual effect (the program ends).

#include "common/core/CancelSignals.h"

#include <atomic>

#include "common/core/win32/Win32Detail.h"

namespace common {
namespace {

std::atomic<bool> g_signalPending{false};
std::atomic<bool> g_cancelDelivered{false};

BOOL WINAPI OnControl(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
      if (g_signalPending || g_cancelDelivered) return FALSE;  // the next handler: the default ends the program
      g_signalPending = true;
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void CancelSignals::Install() {
  if (installed_) return;
  g_signalPending = false;
  g_cancelDelivered = false;
  ::SetConsoleCtrlHandler(OnControl, TRUE);
  installed_ = true;
}

void CancelSignals::Restore() {
  if (!installed_) return;
  ::SetConsoleCtrlHandler(OnControl, FALSE);
  g_signalPending = false;
  g_cancelDelivered = false;
  installed_ = false;
}

bool CancelSignals::TakePending() {
  if (!g_signalPending) return false;
  g_signalPending = false;
  g_cancelDelivered = true;
  return true;
}

}  // namespace common
