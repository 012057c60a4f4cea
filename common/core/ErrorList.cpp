#include "common/core/ErrorList.h"

namespace common {

void ErrorList::Keep(std::string line) {
  ++count_;
  const auto kept = static_cast<int32_t>(lines_.size());
  if (kept < cap_.lines) {
    lines_.push_back(std::move(line));
  } else if (kept == cap_.lines && cap_.fullLine == FullListLine::Added) {
    lines_.push_back("Demasiados errores encontrados. Sólo se muestran los " + std::to_string(cap_.lines) +
                     " primeros.");
  }
}

void ErrorList::AddError(const std::string& context, const FsError& failure) {
  ++failures_;
  Keep((failure ? failure.Description() : std::string()) + " (" + std::to_string(failure.number) + ") en " +
       context);
}

void ErrorList::AddNote(const std::string& text) { Keep(text); }

void ErrorList::AddFailureNote(const std::string& text) {
  ++failures_;
  Keep(text);
}

void ErrorList::LogOperation(int32_t op, const std::string& text, int32_t logOps) {
  if ((logOps & op) != 0) Keep(text);
}

void ErrorList::AddDifference(const std::string& line) {
  ++count_;
  ++differences_;
  lines_.push_back(line);
}

void ErrorList::Clear() {
  lines_.clear();
  count_ = 0;
  failures_ = 0;
  differences_ = 0;
}

}  // namespace common
