#include "platform/linux/notify_socket_channel.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace norva {

NotifySocketChannel::NotifySocketChannel() {
  const char* path = std::getenv("NOTIFY_SOCKET");
  if (path == nullptr) return;
  address_ = path;
  if (address_.size() < 2 || address_.size() >= sizeof(sockaddr_un::sun_path) ||
      (address_[0] != '/' && address_[0] != '@')) {
    address_.clear();
    return;
  }
  fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  // The agent starts no programs, but nothing it loads should report as it.
  ::unsetenv("NOTIFY_SOCKET");
}

NotifySocketChannel::~NotifySocketChannel() {
  if (fd_ >= 0) ::close(fd_);
}

bool NotifySocketChannel::send(const std::string& message) {
  if (fd_ < 0) return false;
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, address_.data(), address_.size());
  if (addr.sun_path[0] == '@') addr.sun_path[0] = '\0';
  const auto len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + address_.size());
  // Never wait for a manager that does not read: a lost report beats a stuck agent.
  const ssize_t n = ::sendto(fd_, message.data(), message.size(), MSG_NOSIGNAL | MSG_DONTWAIT,
                             reinterpret_cast<const sockaddr*>(&addr), len);
  return n == static_cast<ssize_t>(message.size());
}

}  // namespace norva
