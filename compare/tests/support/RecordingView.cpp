#include "compare/tests/support/RecordingView.h"

namespace comparetest {

void RecordingView::Open(std::function<void()> onCancel) {
  ++opened;
  onCancel_ = std::move(onCancel);
}

void RecordingView::Close() {
  ++closed;
  onCancel_ = nullptr;
}

void RecordingView::SetPathLabel(std::string_view text) {
  pathLabels.emplace_back(text);
  if (!cancelAfterPath_.empty() && text == cancelAfterPath_) pathSeen_ = true;
}

void RecordingView::SetBar(float percent) {
  bar_ = percent;
  bars.push_back(percent);
}

void RecordingView::ProcessEvents() {
  ++events;
  bool click = (cancelAt_ >= 0 && events >= cancelAt_) || pathSeen_;
  if (click && onCancel_ && (!clicked_ || keepClicking_)) {
    clicked_ = true;
    onCancel_();
  }
}

}  // namespace comparetest
