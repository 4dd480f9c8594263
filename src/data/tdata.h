#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "platform/clock.h"

namespace norva {

// One line of the PBX's directory with the message counters kept for it.
// Bytes 5 to 8 are, in this order, what the message-counter request sends.
struct TLineEntry {
  char Number[5] = {};        // at most 4 characters, zero-terminated
  std::uint8_t SmsCount = 0;  // every message type other than fax and voice
  std::uint8_t VoiceCount = 0;
  std::uint8_t FaxCount = 0;
  std::uint8_t SpareCount = 0;  // always written as 0 by the agent
};
static_assert(sizeof(TLineEntry) == 9);

// The agent's own copy of what the PBX has told it. One instance lives for
// the whole run; the codecs fill it, the gateway, the mailbox relay, the call
// accounting and the XAPI bridge read it. A snapshot never holds more than
// its buffer: a longer answer is cut to the buffer's size.
class TData {
 public:
  static constexpr int kLineStateSize = 256;
  static constexpr int kSwSize = 12;
  static constexpr int kInfoSize = 7;
  static constexpr int kMaxLines = 56;
  static constexpr int kConfigSize = 16;
  static constexpr std::uint8_t kNotFound = 255;

  // Answer to the line-state request, status byte first, as the PBX sent it.
  std::array<std::uint8_t, kLineStateSize> LineStateSnapshot{};
  // Answer to command 14, status byte first.
  std::array<std::uint8_t, kSwSize> SwSnapshot{};
  int LineStateLength = 0;  // 0: nothing stored yet
  int SwLength = 0;
  // When each snapshot was stored: the date-time for showing, the monotonic
  // stamp for measuring its age.
  DateTime LineStateTime{};
  DateTime SwTime{};
  std::int64_t LineStateMono = 0;
  std::int64_t SwMono = 0;
  // The information record: bytes 0 and 1 the software version, byte 2 the
  // line offset, bytes 3 to 6 for the XAPI bridge.
  std::array<std::uint8_t, kInfoSize> PbxInfo{};
  std::array<TLineEntry, kMaxLines> LineTable{};
  std::uint8_t LineCount = 0;  // valid entries at the front of LineTable
  // The configuration block; byte 4 = 1 and byte 5 = 0 for a PBX accepted as is.
  std::array<std::uint8_t, kConfigSize> PbxConfig{};
  // The last accounting record could not be stored; the next accounting
  // request reads it again.
  bool UctStoreFailed = false;
  // An accounting request went out and no answer to it has come. The PBX
  // may have handed its record out already, so the next request reads that
  // record again rather than skipping to the one after it.
  bool UctAnswerPending = false;
  // The next outgoing-message slot to read, 0 to 3 in turn: the codecs' only state.
  std::uint8_t SlotIndex = 0;

  // The first valid entry whose number equals the text exactly; kNotFound if none.
  std::uint8_t FindLine(std::string_view number) const;
  void ClearCounters();
  // Both return FindLine's index and change nothing when it is kNotFound.
  std::uint8_t SetCounters(std::string_view number, std::uint8_t sms, std::uint8_t fax,
                           std::uint8_t voice, std::uint8_t spare);
  // Adds modulo 256: pass 255 to take one away.
  std::uint8_t AddCounters(std::string_view number, std::uint8_t sms, std::uint8_t fax,
                           std::uint8_t voice, std::uint8_t spare);

  // Keep a whole answer, cut to the buffer, with both time stamps taken now.
  void storeLineStates(const std::uint8_t* payload, int length, const Clock& clock);
  void storeSw(const std::uint8_t* payload, int length, const Clock& clock);
  // Entry i's number, cut to 4 characters; its counters stay.
  void setLineNumber(int i, std::string_view number);
};

}  // namespace norva
