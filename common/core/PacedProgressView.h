#pragma once
// PacedProgressView: what the progress windows of every toolkit share besides
// their controls. Two labels, the bar and Cancelar, driven by an engine
// through the ProgressView interface.
//
// The engine calls ProcessEvents once or more per file; pending events run
// only every few hundredths of a second, so that a run over many unchanged
// files is not slowed by repainting, while a click on Cancelar is still
// handled at the next batch. Events always run when the window opens, when a
// copy starts and where the engine asks for it (ProcessEventsNow), so a
// cancel during "Preparando..." stops the run before its first action.
// Labels and bar reach the controls only when events run.

#include <chrono>
#include <functional>
#include <string>

#include "common/core/ProgressView.h"

namespace common {

class PacedProgressView : public ProgressView {
 public:
  // The bar keeps tenths of a percent: its controls run from 0 to kBarSteps.
  static constexpr int kBarSteps = 1000;
  enum class CancelButton { Enabled, Disabled };

  bool Running() const { return running_; }
  bool Cancelled() const { return cancelled_; }

  void SetFileLabel(std::string_view text) final;
  void SetPathLabel(std::string_view text) final;
  void SetBar(float percent) final;
  float Bar() const final { return bar_; }
  void DisableCancel() final;
  void ProcessEvents() override;
  void ProcessEventsNow() final;

 protected:
  // Open begins with it: empty labels and bar on the controls, Cancelar
  // enabled, and the first pause lets events run so the window shows at once.
  void StartRun(std::function<void()> onCancel);
  // Close begins with it: later clicks and signals no longer reach the engine.
  void EndRun();
  // A click on Cancelar (or what stands for one): the engine records the
  // note and sets its own flag; it stops after the action in progress.
  void cmdCancelar_Click();

  // The toolkit's part: the texts and the bar onto the controls, the
  // Cancelar button's state, and the pending events run once.
  virtual void ShowFile(const std::string &text) = 0;
  virtual void ShowPath(const std::string &text) = 0;
  virtual void ShowBar(int steps) = 0;
  virtual void SetCancelButton(CancelButton state) = 0;
  virtual void RunPendingEvents() = 0;

 private:
  void Flush();

  std::function<void()> onCancel_;
  bool running_ = false;
  bool cancelled_ = false;

  // A label's text, and whether its control still shows another.
  struct LabelText {
    std::string text;
    bool dirty = false;
    bool Set(std::string_view newText) {
      if (newText == text) return false;
      text.assign(newText);
      return dirty = true;
    }
  };

  LabelText file_;
  LabelText path_;
  float bar_ = 0;
  bool processNow_ = false;
  std::chrono::steady_clock::time_point lastEvents_;
};

}  // namespace common
