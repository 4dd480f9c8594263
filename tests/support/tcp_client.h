#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

namespace norva::test {

// A blocking TCP client on 127.0.0.1 for end-to-end tests.
class TcpClient {
 public:
  // Retries until the port accepts or the time runs out; check connected().
  TcpClient(int port, std::chrono::milliseconds timeout);
  ~TcpClient();
  TcpClient(const TcpClient&) = delete;
  TcpClient& operator=(const TcpClient&) = delete;

  bool connected() const { return fd_ >= 0; }
  bool send(const std::vector<std::uint8_t>& bytes);
  // Whatever arrives until `quiet` passes without a byte, waiting at most
  // `timeout` for the first one; empty when nothing came.
  std::vector<std::uint8_t> receive(std::chrono::milliseconds timeout,
                                    std::chrono::milliseconds quiet = std::chrono::milliseconds(100));
  void close();

 private:
  int fd_ = -1;
};

// A port on 127.0.0.1 that nobody listened on a moment ago.
int freeTcpPort();

}  // namespace norva::test
