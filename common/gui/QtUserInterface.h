#pragma once
// The dialogs of a run as windows: message boxes, the error list window and
// the program's progress window.

#include <QPointer>
#include <QString>
#include <QWidget>

#include "common/core/UserInterface.h"

namespace common {

class QtUserInterface : public UserInterface {
 public:
  // title: the program's title, the caption of its own messages.
  QtUserInterface(QString title, ProgressView& progress);

  // The main window while it is open: it owns the dialogs of a run.
  void SetOwner(QWidget* owner) { owner_ = owner; }

  void ShowUsage(const std::string& text) override;
  void ShowUsageError(const std::string& problem, const std::string& text) override;
  bool AskToShowErrors(const std::string& title) override;
  bool AskToEmptyDestination(const std::string& title) override;
  void ShowErrorList(const std::vector<std::string>& lines) override;
  void ShowDebugFailure(const DebugStop& stop) override;
  void ShowMessage(const std::string& title, const std::string& text) override;
  ProgressView& Progress() override { return progress_; }

 private:
  QString title_;
  ProgressView& progress_;
  QPointer<QWidget> owner_;
};

}  // namespace common
