#pragma once

#include <deque>
#include <functional>
#include <mutex>

#include "platform/loop_poster.h"

namespace norva::test {

// The agent's loop as a queue the test drains when it chooses, from its own
// thread; posting is safe from any thread.
class QueuedPoster : public LoopPoster {
 public:
  void post(std::function<void()> task) override {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  // Runs what is waiting, including what those tasks post; the count run.
  int drain() {
    int n = 0;
    for (;;) {
      std::function<void()> task;
      {
        std::lock_guard lock(mutex_);
        if (tasks_.empty()) return n;
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      task();
      ++n;
    }
  }

 private:
  std::mutex mutex_;
  std::deque<std::function<void()>> tasks_;
};

}  // namespace norva::test
