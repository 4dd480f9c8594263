#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/serial_port.h"

namespace norva::test {

// A serial port in memory: what the agent writes is collected, what the
// test puts in is read back, and opening can be made to fail.
class FakeSerialPort : public SerialPort {
 public:
  void open() override {
    if (open_) throw ECommError(comm_msg::kAlreadyOpen, -1);
    if (failOpen) throw ECommError(comm_msg::kCannotOpen, 2);
    open_ = true;
    ++openCount;
    openedDevices.push_back(deviceName());
  }
  void close() override { open_ = false; }
  bool isOpen() const override { return open_; }

  int write(const std::uint8_t* data, int count) override {
    if (!open_) throw ECommError(comm_msg::kWrite, 9);
    written.insert(written.end(), data, data + count);
    ++writeCalls;
    if (onWrite) onWrite(data, count);
    return count;
  }
  void purgeTransmit() override { ++purges; }
  int read(std::uint8_t* buffer, int count) override {
    int n = 0;
    while (n < count && !incoming.empty()) {
      buffer[n++] = incoming.front();
      incoming.pop_front();
    }
    return n;
  }

  // Bytes arrive from the line; the received-data event fires once.
  void receive(const std::vector<std::uint8_t>& bytes) {
    incoming.insert(incoming.end(), bytes.begin(), bytes.end());
    if (onRxChar && !incoming.empty()) onRxChar(static_cast<int>(incoming.size()));
  }

  // The device goes away under the agent.
  void vanish(const std::string& reason) {
    open_ = false;
    if (onFailure) onFailure(reason);
  }

  // What the agent writes, as it writes it (the other end of the line).
  std::function<void(const std::uint8_t*, int)> onWrite;
  bool failOpen = false;
  int openCount = 0;
  int writeCalls = 0;
  int purges = 0;
  int lineSettingsApplied = 0;
  std::vector<std::string> openedDevices;
  std::vector<std::uint8_t> written;
  std::deque<std::uint8_t> incoming;

 protected:
  void lineSettingsChanged() override {
    if (open_) ++lineSettingsApplied;
  }

 private:
  bool open_ = false;
};

}  // namespace norva::test
