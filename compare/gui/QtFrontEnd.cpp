#include "compare/gui/QtFrontEnd.h"

#include <QApplication>

#include "common/gui/ProgramIcon.h"
#include "compare/core/Globales.h"

namespace compare {

QtFrontEnd::QtFrontEnd(Globales& g)
    : g_(g), progress_(g.MainFormLoaded), ui_(QStringLiteral("Compare"), progress_) {
  QApplication::setWindowIcon(common::ProgramIcon(QStringLiteral("compare")));
}

QtFrontEnd::~QtFrontEnd() {
  ui_.SetOwner(nullptr);
  progress_.SetMainWindow(nullptr);
}

frmMain& QtFrontEnd::ShowMainWindow(const std::string& origen) {
  main_.reset();  // one main window at a time: its flag is the program's
  main_ = std::make_unique<frmMain>(g_, ui_);
  progress_.SetMainWindow(main_.get());
  ui_.SetOwner(main_.get());
  main_->SetOrigen(origen);
  main_->show();
  main_->activateWindow();
  return *main_;
}

int QtFrontEnd::RunMainWindow(const std::string& origen) {
  frmMain& window = ShowMainWindow(origen);
  int status = QApplication::exec();
  return window.ExitStatus() ? window.ExitStatus() : status;
}

}  // namespace compare
