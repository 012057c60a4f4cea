#include "common/core/PacedProgressView.h"

#include <cmath>

namespace common {

namespace {

// Events run at most this often during a run (except when a copy starts).
constexpr std::chrono::milliseconds kEventInterval(25);

}  // namespace

void PacedProgressView::StartRun(std::function<void()> onCancel) {
  onCancel_ = std::move(onCancel);
  running_ = true;
  cancelled_ = false;
  SetCancelButton(CancelButton::Enabled);
  // What a previous run left on the controls goes.
  file_ = {"", true};
  path_ = {"", true};
  bar_ = 0;
  Flush();
  processNow_ = true;  // the first pause shows the window at once
}

void PacedProgressView::EndRun() {
  running_ = false;
  onCancel_ = nullptr;
}

void PacedProgressView::SetFileLabel(std::string_view text) {
  // A copy may take long: its name is shown before it starts.
  if (file_.Set(text) && !text.empty()) processNow_ = true;
}

void PacedProgressView::SetPathLabel(std::string_view text) { path_.Set(text); }

void PacedProgressView::SetBar(float percent) {
  if (std::isnan(percent)) return;
  bar_ = percent < 0 ? 0 : percent > 100 ? 100 : percent;
}

void PacedProgressView::DisableCancel() {
  cancelled_ = true;
  SetCancelButton(CancelButton::Disabled);
}

void PacedProgressView::ProcessEvents() {
  const auto now = std::chrono::steady_clock::now();
  if (!processNow_ && now - lastEvents_ < kEventInterval) return;
  processNow_ = false;
  Flush();
  RunPendingEvents();
  lastEvents_ = std::chrono::steady_clock::now();
}

void PacedProgressView::ProcessEventsNow() {
  processNow_ = true;
  ProcessEvents();
}

void PacedProgressView::Flush() {
  if (file_.dirty) ShowFile(file_.text);
  if (path_.dirty) ShowPath(path_.text);
  file_.dirty = path_.dirty = false;
  ShowBar(static_cast<int>(std::lround(bar_ * (kBarSteps / 100.0f))));
}

void PacedProgressView::cmdCancelar_Click() {
  if (!running_ || cancelled_) return;
  cancelled_ = true;
  if (onCancel_) onCancel_();
  SetCancelButton(CancelButton::Disabled);
}

}  // namespace common
