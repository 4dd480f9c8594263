// The port settings string and the device-control parser behind it.
//
// Decisions where the mode rules leave room:
// * Whitespace is space or tab. It may surround the whole string and, in the
//   old form, each comma; it may not split a value ("96 00" is refused).
// * A string holding '=' is the new form, any other the old form; mixing the
//   two ("9600,n,8,1 xon=on") is refused.
// * Old form: one to four values, then optionally "x" or "p" as a fifth; a
//   part may be left out only at the end, so an empty part ("9600,,8,1", a
//   trailing comma) is refused. Without a fifth part no flow option is given.
//   ",x" gives xon=on, odsr=off, octs=off, dtr=on, rts=on; ",p" gives
//   xon=off, odsr=on, octs=on, dtr=hs, rts=hs.
// * New form: key=value tokens with no spaces around '='. A key given twice is
//   refused, as the string would say two things at once.
// * Baud: decimal digits only, 1 up to the int range; 0, signs and overflow
//   are refused. The abbreviations go by value, so "011" is 110 as well.
// * Parity is one letter, data bits one digit 5..8, stop bits exactly "1",
//   "1.5" or "2". Any combination of them is accepted (1.5 stop bits with 8
//   data bits too); the driver may still refuse it when the port opens.
// * Set takes a string longer than 39 characters whole: cutting it would
//   silently change a long device path.
// * Set names the device before it parses the rest, so a refused
//   device-control part still switches the device and leaves every line
//   setting as it was: a port choice still reaches the chosen device. An
//   empty name (":9600") is set as given; the open fails on it.
// * Set always sets the device name, even when it is the same one, so Set on
//   an open port throws whatever the name; nothing else changes then.
// * Each setter is called only for a value the string gives, so an open port
//   is not re-applied for settings that stay.
// * withBaudText: without ':' the string is returned unchanged (it has no baud
//   field, and Set ignores it anyway); the first ',' is looked for after the
//   ':', and without one everything after the ':' is replaced.
// * baudFromCaption: surrounding spaces are allowed; a number is decimal
//   digits that fit an int, anything else gives 9600.
// * withPortDigit: a string shorter than four characters is returned unchanged.
// * devicePathFor: "COMn" takes leading zeros ("COM02" is COM2) but not n = 0
//   or a number past the int range; such names are looked up like any other
//   name and else returned unchanged. Keys compare ASCII case-insensitively.
#include "link/port_settings.h"

#include <array>
#include <charconv>
#include <cstddef>

#include "platform/serial_port.h"

namespace norva::port_settings {
namespace {

bool isSpace(char c) { return c == ' ' || c == '\t'; }

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
  return s;
}

// Decimal digits only, no sign, within int.
std::optional<int> parseDecimal(std::string_view s) {
  if (s.empty()) return std::nullopt;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  int value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return value;
}

std::optional<int> parseBaud(std::string_view s) {
  const auto value = parseDecimal(s);
  if (!value || *value == 0) return std::nullopt;
  switch (*value) {
    case 11:
      return 110;
    case 30:
      return 300;
    case 60:
      return 600;
    case 12:
      return 1200;
    case 24:
      return 2400;
    case 48:
      return 4800;
    case 96:
      return 9600;
    case 19:
      return 19200;
    default:
      return value;
  }
}

std::optional<DcbParity> parseParity(std::string_view s) {
  if (s.size() != 1) return std::nullopt;
  switch (lower(s[0])) {
    case 'n':
      return DcbParity::None;
    case 'o':
      return DcbParity::Odd;
    case 'e':
      return DcbParity::Even;
    case 'm':
      return DcbParity::Mark;
    case 's':
      return DcbParity::Space;
    default:
      return std::nullopt;
  }
}

std::optional<int> parseDataBits(std::string_view s) {
  if (s.size() != 1 || s[0] < '5' || s[0] > '8') return std::nullopt;
  return s[0] - '0';
}

std::optional<DcbStopBits> parseStopBits(std::string_view s) {
  if (s == "1") return DcbStopBits::One;
  if (s == "1.5") return DcbStopBits::OneAndHalf;
  if (s == "2") return DcbStopBits::Two;
  return std::nullopt;
}

std::optional<bool> parseOnOff(std::string_view s) {
  if (equalsNoCase(s, "on")) return true;
  if (equalsNoCase(s, "off")) return false;
  return std::nullopt;
}

std::optional<DcbDtr> parseDtr(std::string_view s) {
  if (equalsNoCase(s, "hs")) return DcbDtr::Handshake;
  if (const auto b = parseOnOff(s)) return *b ? DcbDtr::On : DcbDtr::Off;
  return std::nullopt;
}

std::optional<DcbRts> parseRts(std::string_view s) {
  if (equalsNoCase(s, "hs")) return DcbRts::Handshake;
  if (equalsNoCase(s, "tg")) return DcbRts::Toggle;
  if (const auto b = parseOnOff(s)) return *b ? DcbRts::On : DcbRts::Off;
  return std::nullopt;
}

// Stores a parsed value; false when the value was bad or the field is given twice.
template <typename T>
bool assign(std::optional<T>& field, const std::optional<T>& value) {
  if (!value || field) return false;
  field = value;
  return true;
}

std::optional<DeviceControl> parseOldForm(std::string_view text) {
  std::array<std::string_view, 5> parts;
  std::size_t count = 0;
  for (;;) {
    const std::size_t comma = text.find(',');
    if (count == parts.size()) return std::nullopt;
    parts[count++] = trim(text.substr(0, comma));
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }

  DeviceControl dc;
  if (!assign(dc.baud, parseBaud(parts[0]))) return std::nullopt;
  if (count > 1 && !assign(dc.parity, parseParity(parts[1]))) return std::nullopt;
  if (count > 2 && !assign(dc.dataBits, parseDataBits(parts[2]))) return std::nullopt;
  if (count > 3 && !assign(dc.stopBits, parseStopBits(parts[3]))) return std::nullopt;
  if (count > 4) {
    if (equalsNoCase(parts[4], "x")) {
      dc.xon = true;
      dc.odsr = false;
      dc.octs = false;
      dc.dtr = DcbDtr::On;
      dc.rts = DcbRts::On;
    } else if (equalsNoCase(parts[4], "p")) {
      dc.xon = false;
      dc.odsr = true;
      dc.octs = true;
      dc.dtr = DcbDtr::Handshake;
      dc.rts = DcbRts::Handshake;
    } else {
      return std::nullopt;
    }
  }
  return dc;
}

bool applyKey(DeviceControl& dc, std::string_view key, std::string_view value) {
  if (equalsNoCase(key, "baud")) return assign(dc.baud, parseBaud(value));
  if (equalsNoCase(key, "parity")) return assign(dc.parity, parseParity(value));
  if (equalsNoCase(key, "data")) return assign(dc.dataBits, parseDataBits(value));
  if (equalsNoCase(key, "stop")) return assign(dc.stopBits, parseStopBits(value));
  if (equalsNoCase(key, "to")) return assign(dc.timeout, parseOnOff(value));
  if (equalsNoCase(key, "xon")) return assign(dc.xon, parseOnOff(value));
  if (equalsNoCase(key, "odsr")) return assign(dc.odsr, parseOnOff(value));
  if (equalsNoCase(key, "octs")) return assign(dc.octs, parseOnOff(value));
  if (equalsNoCase(key, "dtr")) return assign(dc.dtr, parseDtr(value));
  if (equalsNoCase(key, "rts")) return assign(dc.rts, parseRts(value));
  if (equalsNoCase(key, "idsr")) return assign(dc.idsr, parseOnOff(value));
  return false;
}

std::optional<DeviceControl> parseNewForm(std::string_view text) {
  DeviceControl dc;
  while (!text.empty()) {
    std::size_t end = 0;
    while (end < text.size() && !isSpace(text[end])) ++end;
    const std::string_view token = text.substr(0, end);
    const std::size_t eq = token.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    if (!applyKey(dc, token.substr(0, eq), token.substr(eq + 1))) return std::nullopt;
    text = trim(text.substr(end));
  }
  return dc;
}

std::optional<TBaudrate> baudRateFor(int bitsPerSecond) {
  for (int i = 0; i <= static_cast<int>(TBaudrate::br256000); ++i) {
    const auto rate = static_cast<TBaudrate>(i);
    if (baudRateValue(rate) == bitsPerSecond) return rate;
  }
  return std::nullopt;
}

}  // namespace

std::optional<DeviceControl> BuildCommDCB(std::string_view text) {
  text = trim(text);
  if (text.empty()) return std::nullopt;
  if (text.find('=') != std::string_view::npos) return parseNewForm(text);
  return parseOldForm(text);
}

void Set(SerialPort& port, std::string_view settings) {
  const std::size_t colon = settings.find(':');
  if (colon == std::string_view::npos) return;
  port.setDeviceName(std::string(settings.substr(0, colon)));

  const auto dc = BuildCommDCB(settings.substr(colon + 1));
  if (!dc) return;
  if (dc->baud) {
    if (const auto rate = baudRateFor(*dc->baud)) port.setBaudRate(*rate);
  }
  if (dc->dataBits && *dc->dataBits >= 4 && *dc->dataBits <= 8) {
    port.setDatabits(static_cast<TDatabits>(*dc->dataBits - 4));
  }
  if (dc->stopBits) {
    switch (*dc->stopBits) {
      case DcbStopBits::One:
        port.setStopbits(TStopbits::sb10);
        break;
      case DcbStopBits::OneAndHalf:
        port.setStopbits(TStopbits::sb15);
        break;
      case DcbStopBits::Two:
        port.setStopbits(TStopbits::sb20);
        break;
    }
  }
  if (dc->parity) {
    switch (*dc->parity) {
      case DcbParity::None:
        port.setParity(TParity::paNone);
        break;
      case DcbParity::Odd:
        port.setParity(TParity::paOdd);
        break;
      case DcbParity::Even:
        port.setParity(TParity::paEven);
        break;
      case DcbParity::Mark:
        port.setParity(TParity::paMark);
        break;
      case DcbParity::Space:
        break;  // no mapping: the previous parity stays
    }
  }
  // Flow-control options are parsed but never applied: the port keeps its own.
}

std::string withBaudText(const std::string& settings, const std::string& baudText) {
  const std::size_t colon = settings.find(':');
  if (colon == std::string::npos) return settings;
  const std::size_t comma = settings.find(',', colon + 1);
  std::string out = settings.substr(0, colon + 1) + baudText;
  if (comma != std::string::npos) out += settings.substr(comma);
  return out;
}

int baudFromCaption(const std::string& caption) {
  const auto value = parseDecimal(trim(caption));
  return value ? *value : 9600;
}

std::string withPortDigit(const std::string& settings, char digit) {
  std::string out = settings;
  if (out.size() >= 4) out[3] = digit;
  return out;
}

std::string devicePathFor(const std::string& deviceName,
                          const std::vector<std::pair<std::string, std::string>>& devices) {
  if (!deviceName.empty() && deviceName.front() == '/') return deviceName;
  for (const auto& [key, path] : devices) {
    if (equalsNoCase(key, deviceName)) return path;
  }
  const std::string_view name = deviceName;
  if (name.size() > 3 && equalsNoCase(name.substr(0, 3), "com")) {
    const auto n = parseDecimal(name.substr(3));
    if (n && *n >= 1) return "/dev/ttyS" + std::to_string(*n - 1);
  }
  return deviceName;
}

}  // namespace norva::port_settings
