#pragma once
// A progress view for engine tests: records what the engine shows and can
// press Cancelar from inside ProcessEvents, where a real click arrives.

#include <functional>
#include <string>
#include <vector>

#include "common/core/ProgressView.h"

namespace updatetest {

class TestProgressView : public common::ProgressView {
 public:
  void Open(std::function<void()> onCancel) override;
  void Close() override;
  void SetFileLabel(std::string_view text) override;
  void SetPathLabel(std::string_view text) override;
  void SetBar(float percent) override;
  float Bar() const override { return bar_; }
  void DisableCancel() override { cancelDisabled = true; }
  void ProcessEvents() override;

  // Presses Cancelar during the nth ProcessEvents call (1 = first).
  void CancelAtEvent(int n) { cancelAtEvent_ = n; }
  // Presses Cancelar now, as a click handler would.
  void ClickCancel();

  // Runs inside every ProcessEvents call, after a scheduled cancel.
  std::function<void(TestProgressView&)> onEvent;

  int opens = 0;
  int closes = 0;
  int events = 0;  // ProcessEvents calls since Open
  bool cancelDisabled = false;
  std::vector<std::string> fileLabels;  // every non-empty file label, in order
  std::vector<std::string> pathLabels;
  std::vector<float> bars;

 private:
  std::function<void()> onCancel_;
  float bar_ = 0;
  int cancelAtEvent_ = 0;
};

}  // namespace updatetest
