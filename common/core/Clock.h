#pragma once
// The local date and time, behind an interface so that tests can fix it.

namespace common {

struct LocalTime {
  int year = 2000;
  int month = 1;    // 1..12
  int day = 1;      // 1..31
  int hour = 0;     // 0..23
  int minute = 0;
  int second = 0;
  int weekday = 0;  // 0 = Sunday .. 6 = Saturday
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime Now() const = 0;
};

class SystemClock : public Clock {
 public:
  LocalTime Now() const override;
};

class FixedClock : public Clock {
 public:
  explicit FixedClock(LocalTime t) : time_(t) {}
  LocalTime Now() const override { return time_; }
  void Set(LocalTime t) { time_ = t; }

 private:
  LocalTime time_;
};

}  // namespace common
