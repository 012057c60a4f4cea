#pragma once
// What an engine needs of its progress window: two labels, the bar, a way to
// let pending events run, and the Cancel button. The Qt progress windows, the
// console view and the test views implement it. Everything runs on one
// thread: the cancel handler is only ever called from inside ProcessEvents.

#include <cstdint>
#include <functional>
#include <string_view>

namespace common {

class ProgressView {
 public:
  virtual ~ProgressView() = default;

  // Shows the view (not modal) for one run. onCancel is what Cancelar (or
  // Ctrl+C on a console) calls; the engine records the note and sets its flag.
  virtual void Open(std::function<void()> onCancel) = 0;
  // Closes the view at the end of the run, finished or cancelled.
  virtual void Close() = 0;

  virtual void SetFileLabel(std::string_view text) = 0;
  virtual void SetPathLabel(std::string_view text) = 0;
  virtual void SetBar(float percent) = 0;  // 0..100, already clamped
  virtual float Bar() const = 0;
  // Called once the cancel has been recorded, so a second click cannot happen.
  virtual void DisableCancel() = 0;

  // Lets pending events run (repaints, the Cancel click, Ctrl+C). Called very
  // often: implementations must keep it cheap when nothing is pending.
  virtual void ProcessEvents() = 0;
  // Lets every pending event run now, whatever pace ProcessEvents keeps.
  // Called where one phase of a run ends and the next begins, so that a
  // click on Cancelar queued meanwhile is seen before the next phase acts.
  virtual void ProcessEventsNow() { ProcessEvents(); }
  // False when nobody sees the bar (a console run whose standard error is
  // not a terminal): work done only for the bar can then be left out.
  virtual bool ShowsBar() const { return true; }
};

// Closes the view however the run ends, a DebugStop included.
class ViewCloser {
 public:
  explicit ViewCloser(ProgressView& view) : view_(view) {}
  ~ViewCloser() { view_.Close(); }
  ViewCloser(const ViewCloser&) = delete;
  ViewCloser& operator=(const ViewCloser&) = delete;

 private:
  ProgressView& view_;
};

// done of total as the bar's percent. Files that appeared after the count
// (or a count that failed) would push the bar past its end or divide by
// zero: the bar then stands full.
inline float ProgressPercent(int64_t done, int64_t total) {
  if (total <= 0 || done >= total) return 100.0f;
  if (done <= 0) return 0.0f;
  return static_cast<float>(static_cast<double>(done) / static_cast<double>(total) * 100.0);
}

}  // namespace common
