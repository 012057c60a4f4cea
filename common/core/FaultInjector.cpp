#include "common/core/FileSystem.h"

#include <utility>

namespace common {

void FaultInjector::FailOn(FsOp op, std::string pathPart, int error, int nth, int times) {
  rules_.push_back(Rule{op, std::move(pathPart), error, nth < 1 ? 1 : nth, times, 0});
}

void FaultInjector::Clear() {
  rules_.clear();
  injected_ = 0;
}

int FaultInjector::Check(FsOp op, std::string_view path) {
  int error = 0;
  // Every matching rule counts the call, even when an earlier rule already
  // fails it, so that each rule's nth means the nth call it could see.
  for (Rule& rule : rules_) {
    if (rule.op != op || path.find(rule.pathPart) == std::string_view::npos) continue;
    ++rule.seen;
    if (error == 0 && rule.seen >= rule.nth && rule.seen - rule.nth < rule.times) error = rule.error;
  }
  if (error != 0) ++injected_;
  return error;
}

}  // namespace common
