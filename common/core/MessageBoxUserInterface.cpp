#include "common/core/MessageBoxUserInterface.h"

namespace common {

void MessageBoxUserInterface::ShowUsage(const std::string &text) {
  ShowBox(BoxIcon::Information, "Ayuda", text);
}

void MessageBoxUserInterface::ShowUsageError(const std::string &problem, const std::string &text) {
  // The usage box, with a warning icon: the program ends without running.
  ShowBox(BoxIcon::Warning, "Ayuda", problem + "\r\n\r\n" + text);
}

bool MessageBoxUserInterface::AskToShowErrors(const std::string &title) {
  return AskYesNoBox(title, kErrorQuestion, DefaultAnswer::Yes);
}

bool MessageBoxUserInterface::AskToEmptyDestination(const std::string &title) {
  return AskYesNoBox(title, kEmptySourceQuestion, DefaultAnswer::No);
}

void MessageBoxUserInterface::ShowMessage(const std::string &title, const std::string &text) {
  ShowBox(BoxIcon::Information, title, text);
}

}  // namespace common
