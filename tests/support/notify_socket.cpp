#include "support/notify_socket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

#include "support/installed_copy.h"

namespace norva::test {

NotifySocket::NotifySocket() : path_(dir_.file("notify")) {
  fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (fd_ < 0 || path_.size() >= sizeof addr.sun_path) throw std::runtime_error("notify socket");
  std::memcpy(addr.sun_path, path_.c_str(), path_.size() + 1);
  if (::bind(fd_, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 ||
      ::pipe2(stopFds_, O_CLOEXEC) != 0) {
    throw std::runtime_error("notify socket bind");
  }
  reader_ = std::thread([this] { run(); });
}

NotifySocket::~NotifySocket() {
  const char byte = 0;
  [[maybe_unused]] const ssize_t n = ::write(stopFds_[1], &byte, 1);
  reader_.join();
  ::close(fd_);
  ::close(stopFds_[0]);
  ::close(stopFds_[1]);
}

void NotifySocket::run() {
  for (;;) {
    pollfd fds[2] = {{fd_, POLLIN, 0}, {stopFds_[0], POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) continue;
    if (fds[1].revents != 0) return;
    char buf[4096];
    const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
    if (n < 0) continue;
    std::lock_guard lock(mutex_);
    messages_.emplace_back(buf, static_cast<size_t>(n));
    arrived_.notify_all();
  }
}

bool NotifySocket::waitFor(const std::string& text, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return arrived_.wait_for(lock, timeout, [&] {
    for (const std::string& m : messages_) {
      if (m.find(text) != std::string::npos) return true;
    }
    return false;
  });
}

std::vector<std::string> NotifySocket::messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

std::vector<std::string> serviceEnv() {
  static NotifySocket shared;
  std::vector<std::string> env = kHeadlessEnv;
  env.push_back(shared.envEntry());
  return env;
}

}  // namespace norva::test
