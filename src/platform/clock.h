#pragma once

#include <cstdint>

namespace norva {

// A local date and time as the operator sees it.
struct DateTime {
  int year = 0;
  int month = 0;   // 1..12
  int day = 0;     // 1..31
  int hour = 0;    // 0..23
  int minute = 0;  // 0..59
  int second = 0;  // 0..59
  int millisecond = 0;  // 0..999
};

// The agent's only source of time. Date-times are what is shown or stored;
// ages are measured on the monotonic count so that moving the system clock
// never makes old data look fresh.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual DateTime now() const = 0;
  virtual std::int64_t monotonicMs() const = 0;
};

}  // namespace norva
