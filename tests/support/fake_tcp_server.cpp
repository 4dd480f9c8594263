#include "support/fake_tcp_server.h"

#include <algorithm>
#include <stdexcept>

namespace norva::test {

int FakeConnection::read(std::uint8_t* buffer, int count) {
  const int n = std::min(count, bytesAvailable());
  std::copy_n(inbound_.begin(), n, buffer);
  inbound_.erase(inbound_.begin(), inbound_.begin() + n);
  return n;
}

void FakeConnection::send(const std::uint8_t* data, int count) {
  if (!open_) return;
  replies.emplace_back(data, data + count);
  if (!reading) backlog_ += count;
}

void FakeConnection::abort() {
  if (open_) server_.closed(*this);
}

void FakeConnection::write(const std::vector<std::uint8_t>& bytes, bool quiet) {
  if (!open_) throw std::logic_error("write on a closed connection");
  inbound_.insert(inbound_.end(), bytes.begin(), bytes.end());
  if (!quiet && server_.events_) server_.events_->ServerSocket1ClientRead(*this);
}

void FakeConnection::disconnect() {
  if (open_) server_.closed(*this);
}

bool FakeTcpServer::open(std::string& error) {
  ++openCalls;
  if (refuseListen) {
    error = "Address already in use";
    return false;
  }
  listening_ = true;
  if (events_) events_->ServerSocket1Listen();
  return true;
}

void FakeTcpServer::close() {
  listening_ = false;
  for (FakeConnection* c : open_) c->open_ = false;
  open_.clear();
}

FakeConnection& FakeTcpServer::connect(const std::string& address) {
  if (!listening_ || acceptPaused) throw std::logic_error("nobody is accepting");
  int number = 10;
  while (std::any_of(open_.begin(), open_.end(),
                     [number](FakeConnection* c) { return c->socketNumber() == number; })) {
    ++number;
  }
  all_.push_back(std::make_unique<FakeConnection>(*this, nextSerial_++, number, address));
  FakeConnection& c = *all_.back();
  open_.push_back(&c);
  if (events_) {
    events_->ServerSocket1GetSocket();
    events_->ServerSocket1Accept();
    events_->ServerSocket1ClientConnect(c);
  }
  return c;
}

void FakeTcpServer::failAccept(const std::string& message) {
  acceptPaused = true;
  if (events_) events_->ServerSocket1AcceptError(message);
}

void FakeTcpServer::closed(FakeConnection& c) {
  c.open_ = false;
  c.inbound_.clear();  // as a dropped socket's buffer is
  open_.erase(std::find(open_.begin(), open_.end(), &c));
  if (events_) events_->ServerSocket1ClientDisconnect(c);
}

}  // namespace norva::test
