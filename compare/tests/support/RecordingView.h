#pragma once
// A progress view for engine tests: records what the engine shows and can
// press Cancelar at a chosen moment (after n pending-event pauses, or at the
// first pause after a chosen status text), the way a user would.

#include <functional>
#include <string>
#include <vector>

#include "common/core/ProgressView.h"

namespace comparetest {

class RecordingView : public common::ProgressView {
 public:
  void Open(std::function<void()> onCancel) override;
  void Close() override;
  void SetFileLabel(std::string_view text) override { fileLabel = text; }
  void SetPathLabel(std::string_view text) override;
  void SetBar(float percent) override;
  float Bar() const override { return bar_; }
  void DisableCancel() override { ++cancelDisabled; }
  void ProcessEvents() override;

  // Presses Cancelar during the nth pause (1 = first) from now on.
  void CancelAtEvent(long n) { cancelAt_ = events + n; }
  // Presses Cancelar at the first pause after the path label read text.
  void CancelAfterPath(std::string text) { cancelAfterPath_ = std::move(text); }
  // Presses Cancelar once more at every later pause (a user clicking twice).
  void KeepClicking() { keepClicking_ = true; }

  int opened = 0;
  int closed = 0;
  int cancelDisabled = 0;
  long events = 0;
  std::string fileLabel;
  std::vector<std::string> pathLabels;
  std::vector<float> bars;

 private:
  std::function<void()> onCancel_;
  float bar_ = 0;
  long cancelAt_ = -1;
  std::string cancelAfterPath_;
  bool pathSeen_ = false;
  bool keepClicking_ = false;
  bool clicked_ = false;
};

}  // namespace comparetest
