#pragma once

#include <QTimer>

#include "platform/timer.h"

namespace norva {

class QtTimer : public Timer {
 public:
  QtTimer();
  void setInterval(int ms) override;
  int interval() const override { return timer_.interval(); }
  void setEnabled(bool on) override;
  bool enabled() const override { return timer_.isActive(); }
  void setCallback(std::function<void()> onTimeout) override { callback_ = std::move(onTimeout); }

 private:
  QTimer timer_;
  std::function<void()> callback_;
};

class QtTimerFactory : public TimerFactory {
 public:
  std::unique_ptr<Timer> createTimer() override { return std::make_unique<QtTimer>(); }
};

}  // namespace norva
