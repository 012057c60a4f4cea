#pragma once
// The dialogs of a run as windows: message boxes, the error list window and
// the program's progress window.

#include <QPointer>
#include <QString>
#include <QWidget>

#include "common/core/MessageBoxUserInterface.h"

namespace common {

class QtUserInterface : public MessageBoxUserInterface {
 public:
  // title: the program's title, the caption of its own messages.
  QtUserInterface(QString title, ProgressView& progress);

  // The main window while it is open: it owns the dialogs of a run.
  void SetOwner(QWidget* owner) { owner_ = owner; }

  void ShowErrorList(const std::vector<std::string>& lines) override;
  void ShowDebugFailure(const DebugStop &stop) override;

 private:
  void ShowBox(BoxIcon icon, const std::string &title, const std::string &text) override;
  bool AskYesNoBox(const std::string &title, const std::string &text,
                   DefaultAnswer preset) override;

  QString title_;
  QPointer<QWidget> owner_;
};

}  // namespace common
