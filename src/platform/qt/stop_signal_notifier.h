#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace norva {

// Turns SIGTERM and SIGINT into a call on the agent's loop. The signal
// handler only writes a byte to a pipe; the work happens on the loop.
class StopSignalNotifier : public QObject {
 public:
  explicit StopSignalNotifier(std::function<void()> onStop);
  ~StopSignalNotifier() override;
  // False when the route from the signal handler could not be made.
  bool ok() const { return notifier_ != nullptr; }

 private:
  std::function<void()> onStop_;
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace norva
