#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <tuple>

#include "platform/clock.h"
#include "platform/timer.h"

namespace norva::test {

// Time that moves only when the test moves it. The wall clock and the
// monotonic count start together but the wall clock can be set apart.
class VirtualClock : public Clock {
 public:
  DateTime now() const override;
  std::int64_t monotonicMs() const override { return monotonicMs_; }

  void advance(std::int64_t ms) {
    monotonicMs_ += ms;
    wallMs_ += ms;
  }
  // Milliseconds since midnight of 2026-01-01, local time.
  void setWall(std::int64_t ms) { wallMs_ = ms; }
  void setTimeOfDay(int h, int m, int s, int ms) {
    wallMs_ = ((static_cast<std::int64_t>(h) * 60 + m) * 60 + s) * 1000 + ms;
  }

 private:
  std::int64_t monotonicMs_ = 1'000'000;
  std::int64_t wallMs_ = 12LL * 3600 * 1000;
};

// Timers on virtual time: they fire in deadline order, ties broken by the
// order in which they were armed.
class VirtualScheduler : public TimerFactory {
 public:
  explicit VirtualScheduler(VirtualClock& clock) : clock_(clock) {}
  std::unique_ptr<Timer> createTimer() override;

  // Moves time forward by ms, firing every timer that falls due on the way.
  void runFor(std::int64_t ms);
  std::int64_t now() const { return clock_.monotonicMs(); }

 private:
  class VTimer;
  friend class VTimer;
  using Key = std::tuple<std::int64_t, std::uint64_t, VTimer*>;

  void arm(VTimer* t);
  void disarm(VTimer* t);

  VirtualClock& clock_;
  std::set<Key> queue_;
  std::uint64_t sequence_ = 0;
};

}  // namespace norva::test
