#pragma once
// What an engine needs of its progress window: two labels, the bar, a way to
// let pending events run, and the Cancel button. The Qt progress windows, the
// console view and the test views implement it. Everything runs on one
// thread: the cancel handler is only ever called from inside ProcessEvents.

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
};

}  // namespace common
