#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/tcp_server.h"

namespace norva::test {

// One client connection, seen from both ends: the agent reads and sends
// through the TcpConnection side, the test through send/replies.
class FakeConnection : public TcpConnection {
 public:
  FakeConnection(class FakeTcpServer& server, std::uint64_t serial, int number,
                 std::string address)
      : server_(server), serial_(serial), number_(number), address_(std::move(address)) {}

  // --- the agent's side ---
  std::uint64_t serial() const override { return serial_; }
  int socketNumber() const override { return number_; }
  std::string remoteAddress() const override { return address_; }
  int bytesAvailable() const override { return static_cast<int>(inbound_.size()); }
  int read(std::uint8_t* buffer, int count) override;
  void send(const std::uint8_t* data, int count) override;
  std::int64_t bytesToWrite() const override { return backlog_; }
  void abort() override;

  // --- the client's side ---
  // Bytes arrive; the agent hears of them at once unless `quiet`.
  void write(const std::vector<std::uint8_t>& bytes, bool quiet = false);
  void disconnect();
  bool open() const { return open_; }
  // One entry per send call of the agent.
  std::vector<std::vector<std::uint8_t>> replies;
  // A client that stops reading lets the agent's sends pile up.
  bool reading = true;

 private:
  friend class FakeTcpServer;
  FakeTcpServer& server_;
  std::uint64_t serial_;
  int number_;
  std::string address_;
  std::deque<std::uint8_t> inbound_;
  std::int64_t backlog_ = 0;
  bool open_ = true;
};

// The agent's server on nothing but memory. Socket numbers are reused the
// way the system reuses descriptors: the lowest free one first.
class FakeTcpServer : public TcpServer {
 public:
  void setEvents(TcpServerEvents* events) override { events_ = events; }
  void setPort(int port) override { port_ = port; }
  bool open(std::string& error) override;
  void close() override;
  bool active() const override { return listening_; }
  void resumeAccepting() override { acceptPaused = false; }
  int connectionCount() const override { return static_cast<int>(open_.size()); }
  TcpConnection* connection(int index) override { return open_.at(static_cast<std::size_t>(index)); }

  FakeConnection& connect(const std::string& address = "127.0.0.1");
  // Accepting fails as when no descriptor is left.
  void failAccept(const std::string& message);

  int port() const { return port_; }
  int openCalls = 0;
  bool refuseListen = false;  // another program holds the port
  bool acceptPaused = false;
  TcpServerEvents* events() const { return events_; }

 private:
  friend class FakeConnection;
  void closed(FakeConnection& c);

  TcpServerEvents* events_ = nullptr;
  int port_ = 0;
  bool listening_ = false;
  std::uint64_t nextSerial_ = 1;
  std::vector<std::unique_ptr<FakeConnection>> all_;  // kept: tests look at departed clients
  std::vector<FakeConnection*> open_;
};

}  // namespace norva::test
