#include "data/codecs.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "data/codec_hooks.h"
#include "data/encodings.h"
#include "data/tdata.h"

namespace norva {

namespace {

constexpr std::uint8_t kCmdRead = 0;
constexpr std::uint8_t kCmdWrite = 1;
constexpr std::uint8_t kCmdInfo = 2;
constexpr std::uint8_t kCmdNextRecord = 4;
constexpr std::uint8_t kCmdLastRecord = 5;
constexpr std::uint8_t kCmdConfig = 13;
constexpr std::uint8_t kCmdSw = 14;
constexpr std::uint8_t kCmdKey = 18;
constexpr std::uint8_t kCmdQueue = 33;
constexpr std::uint8_t kCmdTakeFromQueue = 34;

constexpr std::uint8_t kItemSlot = 1;
constexpr std::uint8_t kItemLineList = 14;
constexpr std::uint8_t kItemCounters = 17;
constexpr std::uint8_t kItemLineStates = 22;
constexpr std::uint8_t kItemCallerData = 47;

constexpr int kClipTextAt = 11;

int put(PayloadBuffer& out, std::initializer_list<std::uint8_t> bytes) {
  std::copy(bytes.begin(), bytes.end(), out.begin());
  return static_cast<int>(bytes.size());
}

// The part of the command record's text that it really holds.
std::string_view commandText(std::string_view text) {
  text = text.substr(0, kCommandTextMax);
  return text.substr(0, std::min(text.find('\0'), text.size()));
}

// Copies the answer's data (after the status) into the front of `block`, as
// far as both go; true when that changed a byte.
template <std::size_t N>
bool copyChanged(std::array<std::uint8_t, N>& block, const std::uint8_t* payload, int length) {
  const auto n = static_cast<std::size_t>(std::clamp(length - 1, 0, static_cast<int>(N)));
  const bool changed = n > 0 && std::memcmp(block.data(), payload + 1, n) != 0;
  if (n > 0) std::memcpy(block.data(), payload + 1, n);
  return changed;
}

}  // namespace

int KeyMsgBuild(PayloadBuffer& out, int value, std::uint8_t station, std::string_view text) {
  text = commandText(text);
  switch (value) {
    case kKeySpeaker:
      return put(out, {kCmdKey, station, 'S'});
    case kKeyMic:
      return put(out, {kCmdKey, station, 'T'});
    case kKeyVolumeUp:
      return put(out, {kCmdKey, station, '['});
    case kKeyVolumeDown:
      return put(out, {kCmdKey, station, '\\'});
    case kKeyTakeFromQueue:
      return put(
          out, {kCmdTakeFromQueue, station, static_cast<std::uint8_t>(text.empty() ? 0 : text[0])});
    default:
      break;
  }
  out[0] = kCmdKey;
  out[1] = station;
  const std::size_t from = static_cast<std::size_t>(std::max(value - 1, 0));
  const std::string_view chunk =
      from < text.size() && value >= 1 ? text.substr(from, kDialChunk) : std::string_view();
  const std::vector<std::uint8_t> codes = EncodeDialString(chunk, static_cast<int>(chunk.size()));
  std::copy(codes.begin(), codes.end(), out.begin() + 2);
  return 2 + static_cast<int>(codes.size());
}

int KeyMsgDecode(const std::uint8_t* payload, int length) { return length > 0 ? payload[0] : 0; }

int LineStateMsgBuild(PayloadBuffer& out) { return put(out, {kCmdRead, kItemLineStates, 0}); }

int LineStateMsgDecode(TData& data, const std::uint8_t* payload, int length, const Clock& clock) {
  if (length > 0) data.storeLineStates(payload, length, clock);
  return 0;
}

int ConfigMsgBuild(PayloadBuffer& out) { return put(out, {kCmdConfig}); }

int ConfigMsgDecode(TData& data, const std::uint8_t* payload, int length, CodecHooks& hooks) {
  if (length <= 0) return 0;
  if (payload[0] != 0) return payload[0];
  if (copyChanged(data.PbxConfig, payload, length)) hooks.emptyCache();
  return kResultAccepted;
}

int QueueMsgBuild(PayloadBuffer& out) { return put(out, {kCmdQueue}); }

int QueueMsgDecode(const TData& data, const std::uint8_t* payload, int length, CodecHooks& hooks) {
  if (length <= 0) return 0;
  if (payload[0] != 0) return payload[0];
  if (hooks.xapiActive()) hooks.XAPI_PutFront(data.PbxInfo[2], payload + 1, length - 1);
  return 0;
}

int InfoMsgBuild(PayloadBuffer& out) { return put(out, {kCmdInfo}); }

int InfoMsgDecode(TData& data, const std::uint8_t* payload, int length, CodecHooks& hooks) {
  if (length <= 0) return 0;
  if (payload[0] != 0) return payload[0];
  if (copyChanged(data.PbxInfo, payload, length)) hooks.emptyCache();
  if (hooks.xapiActive()) hooks.XAPI_PutInfo(data.PbxInfo.data());
  if (data.PbxConfig[4] != 1) return kResultNotAccepted;
  if (data.PbxConfig[5] != 0) return kResultWithReservation;
  return kResultAccepted;
}

int CounterMsgBuild(const TData& data, PayloadBuffer& out) {
  int n = put(out, {kCmdWrite, kItemCounters, 0});
  for (int i = 0; i < data.LineCount && i < TData::kMaxLines; ++i) {
    const TLineEntry& e = data.LineTable[i];
    out[n++] = e.SmsCount;
    out[n++] = e.VoiceCount;
    out[n++] = e.FaxCount;
    out[n++] = e.SpareCount;
  }
  return n;
}

int SlotMsgBuild(TData& data, PayloadBuffer& out) {
  const std::uint8_t slot = data.SlotIndex % 4;
  data.SlotIndex = static_cast<std::uint8_t>((slot + 1) % 4);
  return put(out, {kCmdRead, kItemSlot, slot});
}

int UctMsgBuild(const TData& data, PayloadBuffer& out) {
  const bool again = data.UctStoreFailed || data.UctAnswerPending;
  return put(out, {again ? kCmdLastRecord : kCmdNextRecord});
}

int LineListMsgBuild(PayloadBuffer& out) { return put(out, {kCmdRead, kItemLineList, 0}); }

int LineListMsgDecode(TData& data, const std::uint8_t* payload, int length, CodecHooks& hooks) {
  if (length <= 0 || payload[0] != 0) return 0;
  // The table holds 56 lines; entries beyond them are dropped.
  constexpr int kEntry = 4;
  const int count = std::min(length < 7 ? 0 : (length - 3) / kEntry, TData::kMaxLines);
  std::array<std::uint8_t, std::size_t{TData::kMaxLines} * kEntry> lines{};
  for (int i = 0; i < count; ++i) {
    const std::ptrdiff_t at = std::ptrdiff_t{kEntry} * i;
    const std::string number = DecodeNumber(payload + 3 + at, kEntry);
    data.setLineNumber(i, number);
    std::copy(number.begin(), number.end(), lines.begin() + at);
  }
  data.LineCount = static_cast<std::uint8_t>(count);
  if (hooks.xapiActive()) hooks.XAPI_PutLines(count, lines.data());
  return 0;
}

int SwMsgBuild(PayloadBuffer& out) { return put(out, {kCmdSw}); }

int SwMsgDecode(TData& data, const std::uint8_t* payload, int length, const Clock& clock) {
  if (length > 0) data.storeSw(payload, length, clock);
  return 0;
}

int ClipMsgBuild(const TData& data, PayloadBuffer& out, int lineIndex) {
  return put(out, {kCmdRead, kItemCallerData,
                   static_cast<std::uint8_t>((lineIndex - data.PbxInfo[2]) & 0xFF)});
}

int ClipMsgDecode(const TData& data, const std::uint8_t* payload, int length, CodecHooks& hooks) {
  if (length <= 0) return 0;
  if (payload[0] != 0) return payload[0];
  // Without the line address in byte 2 there is nothing to tell the bridge.
  if (!hooks.xapiActive() || length < 3) return 0;
  std::string number;
  for (int i = kClipTextAt; i < length && payload[i] != 0; ++i) {
    number += static_cast<char>(payload[i]);
  }
  hooks.XAPI_PutCLIP(payload[2] + data.PbxInfo[2], number);
  const int records = data.LineStateLength < 3 ? 0 : (data.LineStateLength - 3) / 4;
  hooks.XAPI_PutStates(records, data.LineStateSnapshot.data() + 3);
  return 0;
}

int BuildRequest(char kind, int value, TData& data, PayloadBuffer& out, std::uint8_t station,
                 std::string_view text) {
  switch (kind) {
    case '#':
      return KeyMsgBuild(out, value, station, text);
    case 'A':
      return LineStateMsgBuild(out);
    case 'C':
      return ConfigMsgBuild(out);
    case 'F':
      return QueueMsgBuild(out);
    case 'I':
      return InfoMsgBuild(out);
    case 'M':
      return CounterMsgBuild(data, out);
    case 'S':
      return SlotMsgBuild(data, out);
    case 'U':
      return UctMsgBuild(data, out);
    case 'V':
      return LineListMsgBuild(out);
    case 'X':
      return SwMsgBuild(out);
    case 'Y':
      return ClipMsgBuild(data, out, value);
    default:
      return 0;
  }
}

}  // namespace norva
