#pragma once

#include <string>

#include "service/service_entry.h"

namespace norva {

// The service manager's notify protocol, written directly: one datagram of
// "KEY=value" lines to the AF_UNIX socket named by NOTIFY_SOCKET (a path,
// or "@name" in the abstract namespace).
class NotifySocketChannel : public StatusChannel {
 public:
  // Reads NOTIFY_SOCKET once; an empty or unusable value means no manager.
  NotifySocketChannel();
  ~NotifySocketChannel() override;
  NotifySocketChannel(const NotifySocketChannel&) = delete;
  NotifySocketChannel& operator=(const NotifySocketChannel&) = delete;

  bool available() const override { return fd_ >= 0; }
  bool send(const std::string& message) override;

 private:
  int fd_ = -1;
  std::string address_;
};

}  // namespace norva
