#pragma once

#include <QSerialPort>
#include <functional>
#include <memory>
#include <string>

#include "platform/serial_port.h"

namespace norva {

// The serial port over QSerialPort (termios). Opening checks that the path
// is a character device and takes the line exclusively; received data and
// failures arrive on the agent's thread.
class QtSerialPort : public SerialPort {
 public:
  static constexpr int kWriteTimeoutMs = 1000;
  static constexpr int kWriteBufSize = 2048;

  QtSerialPort();
  ~QtSerialPort() override;

  // Turns a device name ("COM2", "/dev/ttyUSB0") into the path to open.
  void setPathResolver(std::function<std::string(const std::string&)> resolve) {
    resolve_ = std::move(resolve);
  }

  void open() override;
  void close() override;
  bool isOpen() const override;
  int write(const std::uint8_t* data, int count) override;
  void purgeTransmit() override;
  int read(std::uint8_t* buffer, int count) override;

 protected:
  void lineSettingsChanged() override;

 private:
  void applyLineSettings();
  void fail(const std::string& reason);

  std::unique_ptr<QSerialPort> port_;
  std::function<std::string(const std::string&)> resolve_;
  bool failing_ = false;
};

}  // namespace norva
