#include "platform/qt/qt_loop_poster.h"

#include <QMetaObject>

namespace norva {

void QtLoopPoster::post(std::function<void()> task) {
  // invokeMethod with a queued connection is safe from any thread.
  QMetaObject::invokeMethod(&receiver_, std::move(task), Qt::QueuedConnection);
}

}  // namespace norva
