#pragma once

#include <QObject>

#include "platform/loop_poster.h"

namespace norva {

// Posts onto the Qt event loop of the thread that created it.
class QtLoopPoster : public LoopPoster {
 public:
  void post(std::function<void()> task) override;

 private:
  QObject receiver_;  // lives on the agent's thread; queued calls run there
};

}  // namespace norva
