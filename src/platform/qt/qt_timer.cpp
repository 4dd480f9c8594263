#include "platform/qt/qt_timer.h"

namespace norva {

QtTimer::QtTimer() {
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, [this] {
    if (callback_) callback_();
  });
}

void QtTimer::setInterval(int ms) {
  // QTimer restarts a running timer on a new interval, as the agent expects.
  timer_.setInterval(ms);
}

void QtTimer::setEnabled(bool on) {
  if (on == timer_.isActive()) return;
  if (on) {
    timer_.start();
  } else {
    timer_.stop();
  }
}

}  // namespace norva
