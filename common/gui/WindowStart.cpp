#include "common/gui/WindowStart.h"

#include <QApplication>

#include "common/gui/GuiApplication.h"

namespace common {

namespace {

// Holds the application for as long as the windows live, and ends after them.
class OwningFrontEnd : public WindowFrontEnd {
 public:
  OwningFrontEnd(std::unique_ptr<QApplication> app, std::unique_ptr<WindowFrontEnd> windows)
      : app_(std::move(app)), windows_(std::move(windows)) {}
  UserInterface& Ui() override { return windows_->Ui(); }
  int RunMainWindow(const std::string& origen) override { return windows_->RunMainWindow(origen); }

 private:
  std::unique_ptr<QApplication> app_;
  std::unique_ptr<WindowFrontEnd> windows_;
};

}  // namespace

std::unique_ptr<WindowFrontEnd> StartWindows(
    const char* programPath, const std::function<std::unique_ptr<WindowFrontEnd>()>& makeWindows) {
  std::unique_ptr<QApplication> app = CreateApplication(programPath);
  if (!app) return nullptr;
  std::unique_ptr<WindowFrontEnd> windows = makeWindows();
  return std::make_unique<OwningFrontEnd>(std::move(app), std::move(windows));
}

}  // namespace common
