#pragma once

#include <functional>

namespace norva {

// Puts work on the agent's own loop. The one thread-safe door into the
// agent: post() may be called from any thread, returns at once, and the task
// runs later on the agent's thread, in the order posted.
class LoopPoster {
 public:
  virtual ~LoopPoster() = default;
  virtual void post(std::function<void()> task) = 0;
};

}  // namespace norva
