#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

namespace norva::test {

// Stands in for the service manager's end of the notify protocol: a
// datagram socket bound in a folder of its own; a thread records every
// message that arrives, so that a sender never finds it full.
class NotifySocket {
 public:
  NotifySocket();
  ~NotifySocket();
  NotifySocket(const NotifySocket&) = delete;
  NotifySocket& operator=(const NotifySocket&) = delete;

  const std::string& path() const { return path_; }
  // "NOTIFY_SOCKET=<path>", for a child's environment.
  std::string envEntry() const { return "NOTIFY_SOCKET=" + path_; }

  // Waits until a message containing text has arrived; false at the time-out.
  bool waitFor(const std::string& text, std::chrono::milliseconds timeout);
  std::vector<std::string> messages() const;

 private:
  void run();

  TempDir dir_;
  std::string path_;
  int fd_ = -1;
  int stopFds_[2] = {-1, -1};
  mutable std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<std::string> messages_;
  std::thread reader_;
};

// The environment of a service start: no display, and a notify socket
// shared by the whole test program.
std::vector<std::string> serviceEnv();

}  // namespace norva::test
