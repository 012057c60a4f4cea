#include "common/tests/support/RecordingView.h"

namespace testsupport {

void RecordingView::Open(std::function<void()> onCancel) {
  ++opened;
  events = 0;
  clicked_ = false;
  onCancel_ = std::move(onCancel);
}

void RecordingView::Close() {
  ++closed;
  onCancel_ = nullptr;
}

void RecordingView::SetFileLabel(std::string_view text) {
  fileLabel = text;
  if (!text.empty()) fileLabels.emplace_back(text);
}

void RecordingView::SetPathLabel(std::string_view text) {
  pathLabels.emplace_back(text);
  if (!cancelAfterPath_.empty() && text == cancelAfterPath_) pathSeen_ = true;
}

void RecordingView::SetBar(float percent) {
  bar_ = percent;
  bars.push_back(percent);
}

void RecordingView::ClickCancel() {
  if (onCancel_) onCancel_();
}

void RecordingView::ProcessEvents() {
  ++events;
  const bool due = (cancelAt_ > 0 && events >= cancelAt_) || pathSeen_;
  if (due && onCancel_ && (!clicked_ || keepClicking_)) {
    clicked_ = true;
    onCancel_();
  }
  if (onEvent) onEvent(*this);
}

}  // namespace testsupport
