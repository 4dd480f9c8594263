#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace norva {

class SerialPort;

namespace port_settings {

enum class DcbParity { None, Odd, Even, Mark, Space };
enum class DcbStopBits { One, OneAndHalf, Two };
enum class DcbDtr { Off, On, Handshake };
enum class DcbRts { Off, On, Handshake, Toggle };

// What a device-control string gives; a field the string leaves out stays empty.
struct DeviceControl {
  std::optional<int> baud{};  // bits per second, abbreviations already expanded
  std::optional<DcbParity> parity{};
  std::optional<int> dataBits{};  // 5..8
  std::optional<DcbStopBits> stopBits{};
  std::optional<bool> xon{};   // XON/XOFF on both directions
  std::optional<bool> odsr{};  // output waits for DSR
  std::optional<bool> octs{};  // output waits for CTS
  std::optional<DcbDtr> dtr{};
  std::optional<DcbRts> rts{};
  std::optional<bool> idsr{};     // input needs DSR
  std::optional<bool> timeout{};  // infinite time-out processing ("to=")

  bool operator==(const DeviceControl&) const = default;
};

// Parses a device-control string with the Windows mode rules: the old form
// "9600,n,8,1[,x|,p]" or the new form "baud=9600 parity=n data=8 stop=1 ...".
// A string that breaks a rule is refused as a whole (nullopt).
std::optional<DeviceControl> BuildCommDCB(std::string_view text);

// Applies a settings string such as "COM2:19200,N,8,1" to the port: the part
// before the first ':' becomes the device name, the rest sets the line
// settings it gives. Without ':' nothing changes. Throws ECommError when the
// port is open (the device name cannot change then).
void Set(SerialPort& port, std::string_view settings);

// The settings string with the baud text between ':' and the first ',' replaced.
std::string withBaudText(const std::string& settings, const std::string& baudText);

// The rate a baud menu caption stands for; 9600 when it is not a number.
int baudFromCaption(const std::string& caption);

// The settings string with its fourth character (the port digit) replaced.
std::string withPortDigit(const std::string& settings, char digit);

// The device path a device name opens: "/..." as it is, otherwise the
// configured device for the name, otherwise "COMn" as /dev/ttyS<n-1>.
std::string devicePathFor(const std::string& deviceName,
                          const std::vector<std::pair<std::string, std::string>>& devices);

}  // namespace port_settings
}  // namespace norva
