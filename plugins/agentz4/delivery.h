#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "config.h"
#include "spool.h"

namespace agentz4 {

// One SMTP delivery attempt.
class Transport {
 public:
  enum class Result { Sent, Retry, Reject };
  virtual ~Transport() = default;
  // `stop` turns true when the attempt should end at once (it then gives Retry).
  virtual Result send(const std::string& from, const std::string& to, const std::string& message,
                      const std::atomic<bool>& stop, std::string& detail) = 0;
};

// Delivers the spool, oldest first, one attempt at a time. While the server
// cannot be reached (or answers "try later") the queue waits, each pause
// twice the last one up to the configured longest; a success ends the
// back-off. A message the server refuses for good, or one that has no
// address, moves to failed/.
class SpoolDelivery {
 public:
  using Log = std::function<void(const std::string&)>;
  SpoolDelivery(Spool& spool, const LibraryConfig& config, Transport& transport, Log log);

  // Delivers what is due at `nowMs` (steady milliseconds) and returns when
  // to come back: the end of the back-off, or -1 when the spool is empty.
  std::int64_t runOnce(std::int64_t nowMs, const std::atomic<bool>& stop);
  int failures() const { return failures_; }

 private:
  Spool& spool_;
  const LibraryConfig& config_;
  Transport& transport_;
  Log log_;
  int failures_ = 0;
  std::int64_t nextAttemptMs_ = 0;
};

// The thread that runs a SpoolDelivery: woken by a new message, ended by stop().
class DeliveryThread {
 public:
  DeliveryThread(SpoolDelivery& delivery);
  ~DeliveryThread();
  void start();
  void wake();
  // Ends the current attempt and joins the thread.
  void stop();
  bool running() const { return thread_.joinable(); }

 private:
  void loop();

  SpoolDelivery& delivery_;
  std::mutex mutex_;
  std::condition_variable cv_;
  bool wake_ = false;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace agentz4
