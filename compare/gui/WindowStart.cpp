#include "compare/gui/WindowStart.h"

#include <QApplication>

#include "common/gui/GuiApplication.h"
#include "compare/gui/QtFrontEnd.h"

namespace compare {

namespace {

// Holds the application for as long as the windows live, and ends after them.
class OwningFrontEnd : public common::WindowFrontEnd {
 public:
  OwningFrontEnd(std::unique_ptr<QApplication> app, Globales& g)
      : app_(std::move(app)), windows_(g) {}
  common::UserInterface& Ui() override { return windows_.Ui(); }
  int RunMainWindow(const std::string& origen) override { return windows_.RunMainWindow(origen); }

 private:
  std::unique_ptr<QApplication> app_;
  QtFrontEnd windows_;
};

}  // namespace

std::unique_ptr<common::WindowFrontEnd> StartWindows(const char* programPath, Globales& g) {
  std::unique_ptr<QApplication> app = common::CreateApplication(programPath);
  if (!app) return nullptr;
  return std::make_unique<OwningFrontEnd>(std::move(app), g);
}

}  // namespace compare
