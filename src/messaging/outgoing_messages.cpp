#include "messaging/outgoing_messages.h"

#include <algorithm>
#include <cstring>

#include "core/log_categories.h"
#include "i18n/text_ids.h"
#include "messaging/agentz4_records.h"
#include "messaging/mail_gateway.h"

namespace norva {

namespace {

constexpr int kClearLength = 254;
constexpr int kPartWindow = 40;  // a line feed must come within this many bytes
constexpr std::size_t kBodyMax = 100;

// The text up to the first zero byte, no further than `length`.
std::string textOf(const std::uint8_t* p, int length) {
  const auto* c = reinterpret_cast<const char*>(p);
  return std::string(c, strnlen(c, static_cast<std::size_t>(std::max(length, 0))));
}

}  // namespace

int BuildSlotClear(std::uint8_t slot, PayloadBuffer& out) {
  std::fill(out.begin(), out.begin() + kClearLength, 0);
  out[0] = 1;
  out[1] = 1;
  out[2] = slot;
  return kClearLength;
}

std::string addressTypeName(char type, MailHost& host) {
  switch (type) {
    case 'F': return "FAX";
    case 'I': return "Internet";
    case 'L': return host.text(txt::kMessageTypeL);
    case 'Q': return "SMS";
    case 'V': return host.text(txt::kMessageTypeV);
    case 'Z': return "ZModem";
    default: return {};
  }
}

SlotMessage splitSlotText(const std::uint8_t* text, int length) {
  SlotMessage m;
  // The text ends at the payload's end or at its first zero byte.
  const std::string all = textOf(text, length);
  const std::size_t first = all.find('\n');
  if (first == std::string::npos || first >= kPartWindow) return m;
  m.recipient = all.substr(0, first);
  const std::size_t second = all.find('\n', first + 1);
  if (second == std::string::npos || second - (first + 1) >= kPartWindow) return m;
  m.subject = all.substr(first + 1, second - first - 1);
  m.body = all.substr(second + 1, kBodyMax);
  return m;
}

void OnSlotAnswer(MailGateway& mail, MailHost& host, const std::uint8_t* payload, int length) {
  const int status = length > 0 ? payload[0] : 0;
  if (status != 0) {
    host.writeLog("<COM", host.text(txt::kSlotRefused) + std::to_string(status));
    return;
  }
  const char type = length > 3 ? static_cast<char>(payload[3]) : 0;
  if (type == 0) {
    host.showStatus("<COM", host.text(txt::kSlotEmpty));
    if (host.logSwitches().comPureIn) host.writeLog("<COM", host.text(txt::kSlotEmpty));
    return;
  }
  const std::uint8_t slot = length > 2 ? payload[2] : 0;
  const std::string typeName = addressTypeName(type, host);
  if (!typeName.empty()) {
    const SlotMessage m = splitSlotText(payload + 4, length - 4);
    if (host.logSwitches().comIn) {
      host.writeLog("<COM", "TRAP: " + typeName + " to " + m.recipient);
    }
    host.writeLog(">602", "Mail: " + m.subject + " to " + m.recipient);
    const int result = mail.SendMessage(m.recipient, type, m.subject, m.body, agentz4::kFlagFromPbx);
    if (result != 0) {
      // Clearing now would lose the message: the PBX offers it again.
      host.writeLog("!Err", "Mail: " + m.subject + " to " + m.recipient + " " +
                                host.text(txt::kErrorWord) + std::to_string(result));
      return;
    }
  }
  PayloadBuffer clear{};
  const int n = BuildSlotClear(slot, clear);
  host.sendUnfiled(">COM", host.text(txt::kSlotConfirmed), clear.data(), n);
}

}  // namespace norva
