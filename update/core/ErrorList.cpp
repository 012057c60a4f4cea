#include "update/core/ErrorList.h"

#include <algorithm>
#include <stdexcept>

namespace update {

ErrorList::ErrorList() : slots_(kInitialSlots) {}

void ErrorList::Reset() {
  count_ = 0;
  failures_ = 0;
}

void ErrorList::Store(std::string line) {
  // Grows when the count reaches the highest slot number, as the table always did.
  if (count_ >= Slots() - 1) slots_.resize(slots_.size() + kGrowStep);
  slots_[count_] = std::move(line);
  ++count_;
}

void ErrorList::AddError(const std::string& text, const common::FsError& failure) {
  if (!text.empty() && text[0] == '*') {
    Store(text.substr(1));
    return;
  }
  // With no failure at hand the description is empty and the number 0.
  std::string line = failure ? failure.Description() : std::string();
  line += " (";
  line += std::to_string(failure.number);
  line += ") en ";
  line += text;
  Store(std::move(line));
  ++failures_;
}

void ErrorList::AddFailureNote(const std::string& text) {
  AddError("*" + text);
  ++failures_;
}

void ErrorList::LogOperation(int32_t op, const std::string& text, int32_t logOps) {
  if ((logOps & op) != 0) Store(text);
}

const std::string& ErrorList::Line(int32_t index) const {
  if (index < 0 || index >= count_) throw std::out_of_range("ErrorList::Line");
  return slots_[index];
}

std::vector<std::string> ErrorList::Lines(int32_t maxLines) const {
  int32_t n = std::clamp(count_, 0, std::max(maxLines, 0));
  return std::vector<std::string>(slots_.begin(), slots_.begin() + n);
}

}  // namespace update
