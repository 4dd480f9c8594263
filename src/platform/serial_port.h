#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

namespace norva {

// Every failure of the serial port: one of the fixed messages, then
// " (Error: %d) " with the system's error code (-1 where there is none).
class ECommError : public std::runtime_error {
 public:
  ECommError(const std::string& message, int code)
      : std::runtime_error(message + " (Error: " + std::to_string(code) + ") "), code_(code) {}
  int code() const { return code_; }

 private:
  int code_;
};

namespace comm_msg {
inline constexpr const char* kAlreadyOpen = "Port already assigned (open)";
inline constexpr const char* kCannotOpen = "Error accessing specified device";
inline constexpr const char* kNotCharDevice = "Invalid device handle, access denied";
inline constexpr const char* kBuffers = "Error initializing Read/Write Buffers";
inline constexpr const char* kLineSettings = "Error updating DataControlBlock";
inline constexpr const char* kTimeouts = "Error updating CommTimeouts";
inline constexpr const char* kWrite = "Write error";
inline constexpr const char* kRead = "Read error";
}  // namespace comm_msg

enum class TBaudrate : std::uint8_t {
  br110, br300, br600, br1200, br2400, br4800, br9600, br14400, br19200, br38400,
  br56000, br57600, br115200, br128000, br256000,
};
enum class TParity : std::uint8_t { paNone, paOdd, paEven, paMark, paSpace };
enum class TStopbits : std::uint8_t { sb10, sb15, sb20 };
enum class TDatabits : std::uint8_t { da4, da5, da6, da7, da8 };
enum class TFlowControl : std::uint8_t { fcNone, fcCTS, fcDTR, fcSoftware, fcDefault };

int baudRateValue(TBaudrate rate);

// Where framed bytes go: one write per byte, and the purge of whatever is
// still waiting to be sent.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Returns the count written, or -1 when the write time-out ran out.
  virtual int write(const std::uint8_t* data, int count) = 0;
  virtual void purgeTransmit() = 0;
};

// Where received bytes come from.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to count waiting bytes; 0 when none are there.
  virtual int read(std::uint8_t* buffer, int count) = 0;
};

// The serial port the agent talks to the PBX through. It keeps the line
// settings like the original component: the device cannot change while the
// port is open, line settings apply at once to an open port.
class SerialPort : public ByteSink, public ByteSource {
 public:
  // Opens deviceName; throws ECommError. Opening an open port is an error.
  virtual void open() = 0;
  // Closing a closed port does nothing.
  virtual void close() = 0;
  virtual bool isOpen() const = 0;

  void setDeviceName(const std::string& name) {
    if (isOpen()) throw ECommError(comm_msg::kAlreadyOpen, -1);
    deviceName_ = name;
  }
  const std::string& deviceName() const { return deviceName_; }

  void setBaudRate(TBaudrate v) { baudRate_ = v; lineSettingsChanged(); }
  void setParity(TParity v) { parity_ = v; lineSettingsChanged(); }
  void setStopbits(TStopbits v) { stopbits_ = v; lineSettingsChanged(); }
  void setDatabits(TDatabits v) { databits_ = v; lineSettingsChanged(); }
  TBaudrate baudRate() const { return baudRate_; }
  TParity parity() const { return parity_; }
  TStopbits stopbits() const { return stopbits_; }
  TDatabits databits() const { return databits_; }

  // Raised on the agent's thread with the number of bytes waiting.
  std::function<void(int count)> onRxChar;
  // Raised when the open port failed under the agent (a vanished device, a
  // hang-up, a read or write error). The port is closed before the call.
  std::function<void(const std::string& reason)> onFailure;

 protected:
  // Applies the line settings to an open port; throws ECommError.
  virtual void lineSettingsChanged() = 0;

 private:
  std::string deviceName_ = "Com2";
  TBaudrate baudRate_ = TBaudrate::br9600;
  TParity parity_ = TParity::paNone;
  TStopbits stopbits_ = TStopbits::sb10;
  TDatabits databits_ = TDatabits::da8;
};

}  // namespace norva
