#include "common/core/FaultInjector.h"

#include <utility>

namespace common {

void FaultInjector::FailOn(FsOp op, std::string pathPart, int error, int nth, int times) {
  std::lock_guard lock(mutex_);
  rules_.push_back(Rule{op, std::move(pathPart), error, nth < 1 ? 1 : nth, times, 0});
}

void FaultInjector::OnCall(FsOp op, std::string pathPart, std::function<void()> action, int nth,
                           int times) {
  std::lock_guard lock(mutex_);
  actions_.push_back(Action{op, std::move(pathPart), std::move(action), nth < 1 ? 1 : nth, times, 0});
}

void FaultInjector::CoarseTimes(std::string pathPart, int64_t precision) {
  std::lock_guard lock(mutex_);
  coarse_.push_back(Coarse{std::move(pathPart), precision < 1 ? 1 : precision});
}

void FaultInjector::Clear() {
  std::lock_guard lock(mutex_);
  rules_.clear();
  actions_.clear();
  coarse_.clear();
  injected_ = 0;
  actionsRun_ = 0;
}

int FaultInjector::Check(FsOp op, std::string_view path) {
  // The actions due run first, as another program would act just before
  // the call. They are collected before they run, so that one of them
  // cannot disturb the walk over the list.
  std::unique_lock lock(mutex_);
  std::vector<std::function<void()>> due;
  for (Action& action : actions_) {
    if (action.op != op || path.find(action.pathPart) == std::string_view::npos) continue;
    ++action.seen;
    if (action.seen >= action.nth && action.seen - action.nth < action.times) due.push_back(action.run);
  }
  // An action may wait for the test (to hold a worker thread at an exact
  // point), so it runs without the lock.
  if (!due.empty()) {
    lock.unlock();
    for (auto& run : due) run();
    lock.lock();
    actionsRun_ += static_cast<int>(due.size());
  }
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

FileTime FaultInjector::StoredTime(std::string_view path, FileTime t) const {
  std::lock_guard lock(mutex_);
  for (const Coarse& coarse : coarse_)
    if (path.find(coarse.pathPart) != std::string_view::npos) t = TruncateTime(t, coarse.precision);
  return t;
}

int FaultInjector::InjectedCount() const {
  std::lock_guard lock(mutex_);
  return injected_;
}

int FaultInjector::ActionsRun() const {
  std::lock_guard lock(mutex_);
  return actionsRun_;
}

}  // namespace common
