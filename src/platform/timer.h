#pragma once

#include <functional>
#include <memory>

namespace norva {

// A repeating timer on the agent's loop. Like the original component it is
// steered by an interval and an enabled flag; changing the interval of a
// running timer restarts its period.
class Timer {
 public:
  virtual ~Timer() = default;
  virtual void setInterval(int ms) = 0;
  virtual int interval() const = 0;
  virtual void setEnabled(bool on) = 0;
  virtual bool enabled() const = 0;
  virtual void setCallback(std::function<void()> onTimeout) = 0;
};

class TimerFactory {
 public:
  virtual ~TimerFactory() = default;
  virtual std::unique_ptr<Timer> createTimer() = 0;
};

}  // namespace norva
