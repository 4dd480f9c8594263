#include "support/tcp_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

namespace norva::test {

namespace {

sockaddr_in loopback(int port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

}  // namespace

TcpClient::TcpClient(int port, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  const sockaddr_in a = loopback(port);
  do {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) return;
    ::close(fd_);
    fd_ = -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  } while (std::chrono::steady_clock::now() < end);
}

TcpClient::~TcpClient() { close(); }

void TcpClient::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool TcpClient::send(const std::vector<std::uint8_t>& bytes) {
  return fd_ >= 0 && ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
                         static_cast<ssize_t>(bytes.size());
}

std::vector<std::uint8_t> TcpClient::receive(std::chrono::milliseconds timeout,
                                             std::chrono::milliseconds quiet) {
  std::vector<std::uint8_t> out;
  int wait = static_cast<int>(timeout.count());
  while (fd_ >= 0) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, wait) <= 0) break;
    std::uint8_t buffer[4096];
    const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    out.insert(out.end(), buffer, buffer + n);
    wait = static_cast<int>(quiet.count());
  }
  return out;
}

int freeTcpPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a = loopback(0);
  ::bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  ::close(fd);
  return ntohs(a.sin_port);
}

}  // namespace norva::test
