#include "platform/qt/qt_clock.h"

#include <QDateTime>
#include <chrono>

namespace norva {

DateTime QtClock::now() const {
  const QDateTime t = QDateTime::currentDateTime();
  const QDate d = t.date();
  const QTime tm = t.time();
  return DateTime{d.year(), d.month(), d.day(), tm.hour(), tm.minute(), tm.second(), tm.msec()};
}

std::int64_t QtClock::monotonicMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace norva
