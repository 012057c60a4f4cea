#include "compare/core/ErrorList.h"

namespace compare {

void ErrorList::AddError(const std::string& text, const common::FsError& failure) {
  bool note = !text.empty() && text[0] == '*';
  if (!note) ++failures_;
  int32_t n = lines_.ListCount();
  if (n >= kMaxErrors) {
    if (n == kMaxErrors)
      lines_.AddItem("Demasiados errores encontrados. Sólo se muestran los " +
                     std::to_string(kMaxErrors) + " primeros.");
    return;
  }
  if (note) {
    lines_.AddItem(text.substr(1));
  } else {
    lines_.AddItem(failure.Description() + " (" + std::to_string(failure.number) + ") en " + text);
  }
}

void ErrorList::AddDifference(const std::string& line) {
  ++differences_;
  lines_.AddItem(line);
}

void ErrorList::Clear() {
  lines_.Clear();
  failures_ = 0;
  differences_ = 0;
}

std::vector<std::string> ErrorList::Lines() const {
  std::vector<std::string> out;
  out.reserve(static_cast<size_t>(lines_.ListCount()));
  for (int32_t i = 0; i < lines_.ListCount(); ++i) out.push_back(lines_.List(i));
  return out;
}

}  // namespace compare
