#include "common/core/CancelSignals.h"

#include <csignal>

namespace common {

namespace {

volatile std::sig_atomic_t g_signalPending = 0;
volatile std::sig_atomic_t g_cancelDelivered = 0;
struct sigaction g_oldInt;
struct sigaction g_oldTerm;

void OnSignal(int signo) {
  if (g_signalPending || g_cancelDelivered) {
    // Asked again while the cancel is under way: the user insists, so the
    // signal takes its usual effect.
    std::signal(signo, SIG_DFL);
    std::raise(signo);
    return;
  }
  g_signalPending = 1;
}

}  // namespace

void CancelSignals::Install() {
  if (installed_) return;
  g_signalPending = 0;
  g_cancelDelivered = 0;
  struct sigaction action{};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, &g_oldInt);
  sigaction(SIGTERM, &action, &g_oldTerm);
  installed_ = true;
}

void CancelSignals::Restore() {
  if (!installed_) return;
  sigaction(SIGINT, &g_oldInt, nullptr);
  sigaction(SIGTERM, &g_oldTerm, nullptr);
  g_signalPending = 0;
  g_cancelDelivered = 0;
  installed_ = false;
}

bool CancelSignals::TakePending() {
  if (!g_signalPending) return false;
  g_signalPending = 0;
  g_cancelDelivered = 1;
  return true;
}

}  // namespace common
