#include "common/gui/QtFrontEnd.h"

#include <QApplication>

#include "common/gui/ProgramIcon.h"

namespace common {

QtFrontEnd::QtFrontEnd(const QString& title, const QString& iconName,
                       std::unique_ptr<common::ProgressWindow> progress, MainWindowMaker makeMainWindow)
    : progress_(std::move(progress)), ui_(title, *progress_), makeMainWindow_(std::move(makeMainWindow)) {
  QApplication::setWindowIcon(ProgramIcon(iconName));
}

QtFrontEnd::~QtFrontEnd() {
  ui_.SetOwner(nullptr);
  progress_->SetMainWindow(nullptr, {});
}

FolderPairForm& QtFrontEnd::ShowMainWindow(const std::string& origen) {
  main_.reset();  // one main window at a time: its flag is the program's
  main_ = makeMainWindow_(ui_);
  progress_->SetMainWindow(main_.get(), [form = main_.get()] { return form->Loaded(); });
  ui_.SetOwner(main_.get());
  main_->SetOrigen(origen);
  main_->show();
  main_->activateWindow();
  return *main_;
}

int QtFrontEnd::RunMainWindow(const std::string& origen) {
  FolderPairForm& window = ShowMainWindow(origen);
  int status = QApplication::exec();
  return window.ExitStatus() ? window.ExitStatus() : status;
}

}  // namespace common
