#pragma once

#include "platform/clock.h"

namespace norva {

class QtClock : public Clock {
 public:
  DateTime now() const override;
  std::int64_t monotonicMs() const override;
};

}  // namespace norva
