#pragma once
// Ctrl+C (SIGINT) and SIGTERM during a run act as the Cancel button of the
// progress view that installed the handlers. The handler only sets a flag;
// the view takes it on the run's thread. Asked again while the cancel is
// under way, the signal takes its usual effect.

namespace common {

class CancelSignals {
 public:
  CancelSignals() = default;
  CancelSignals(const CancelSignals&) = delete;
  CancelSignals& operator=(const CancelSignals&) = delete;
  ~CancelSignals() { Restore(); }

  // Nothing pending from an earlier run. SA_RESTART: a copy in progress
  // is not interrupted.
  void Install();
  // The handlers from before Install; nothing when none were installed.
  void Restore();

  // True once for a signal received since Install: the cancel is then
  // under way, and the next signal ends the program.
  static bool TakePending();

 private:
  bool installed_ = false;
};

}  // namespace common
