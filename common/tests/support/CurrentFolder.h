#pragma once
// Runs a test body in another current folder and goes back when it ends.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace testsupport {

class CurrentFolder {
 public:
  explicit CurrentFolder(const std::string& folder) : saved_(std::filesystem::current_path()) {
    std::error_code error;
    std::filesystem::current_path(folder, error);
    if (error) ADD_FAILURE() << "cannot enter " << folder << ": " << error.message();
  }
  ~CurrentFolder() {
    std::error_code error;
    std::filesystem::current_path(saved_, error);
    if (error) ADD_FAILURE() << "cannot go back to " << saved_ << ": " << error.message();
  }
  CurrentFolder(const CurrentFolder&) = delete;
  CurrentFolder& operator=(const CurrentFolder&) = delete;

 private:
  std::filesystem::path saved_;
};

}  // namespace testsupport
