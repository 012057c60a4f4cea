#include "update/tests/support/TestProgressView.h"

namespace updatetest {

void TestProgressView::Open(std::function<void()> onCancel) {
  ++opens;
  events = 0;  // CancelAtEvent counts within one run
  onCancel_ = std::move(onCancel);
  cancelDisabled = false;
}

void TestProgressView::Close() {
  ++closes;
  onCancel_ = nullptr;
}

void TestProgressView::SetFileLabel(std::string_view text) {
  if (!text.empty()) fileLabels.emplace_back(text);
}

void TestProgressView::SetPathLabel(std::string_view text) { pathLabels.emplace_back(text); }

void TestProgressView::SetBar(float percent) {
  bar_ = percent;
  bars.push_back(percent);
}

void TestProgressView::ClickCancel() {
  if (onCancel_) onCancel_();
}

void TestProgressView::ProcessEvents() {
  ++events;
  if (events == cancelAtEvent_) ClickCancel();
  if (onEvent) onEvent(*this);
}

}  // namespace updatetest
