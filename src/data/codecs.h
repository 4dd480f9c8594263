#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace norva {

class Clock;
class CodecHooks;
class TData;

// Builders and decoders of the agent's own requests, one pair per kind.
// A builder writes the request payload into `out` and returns its length.
// A decoder takes the answer payload (status byte first), updates the store
// and returns a result: the PBX's nonzero status unchanged (the store then
// untouched), 0, or for 'C' and 'I' one of the results below. An empty
// answer carries no status: it changes nothing and gives 0.

constexpr int kMaxPayload = 512;
using PayloadBuffer = std::array<std::uint8_t, kMaxPayload>;

constexpr int kResultAccepted = 128;
constexpr int kResultNotAccepted = 130;      // PbxConfig byte 4 is not 1
constexpr int kResultWithReservation = 131;  // byte 4 is 1 but byte 5 is not 0

// Values queued with kind '#' for the bridge's single commands; any other
// value v dials the chunk of the command text starting at position v - 1.
constexpr int kKeySpeaker = 240;
constexpr int kKeyMic = 241;
constexpr int kKeyVolumeUp = 242;
constexpr int kKeyVolumeDown = 243;
constexpr int kKeyTakeFromQueue = 245;
constexpr int kDialChunk = 8;        // dial codes per request
constexpr int kCommandTextMax = 30;  // characters the command record's text holds

// '#': 18, station, key; 34, station, first text byte; or 18, station and the
// dial codes of up to 8 characters. `text` is the command record's text field;
// it ends at its first zero byte and never counts more than 30 characters.
int KeyMsgBuild(PayloadBuffer& out, int value, std::uint8_t station, std::string_view text);
int KeyMsgDecode(const std::uint8_t* payload, int length);  // the status

// 'A': 0, 22, 0. The answer is kept whole whatever its status.
int LineStateMsgBuild(PayloadBuffer& out);
int LineStateMsgDecode(TData& data, const std::uint8_t* payload, int length, const Clock& clock);

// 'C': 13. Empties the cache when the block changes; 128.
int ConfigMsgBuild(PayloadBuffer& out);
int ConfigMsgDecode(TData& data, const std::uint8_t* payload, int length, CodecHooks& hooks);

// 'F': 33. The queue data go to the bridge.
int QueueMsgBuild(PayloadBuffer& out);
int QueueMsgDecode(const TData& data, const std::uint8_t* payload, int length, CodecHooks& hooks);

// 'I': 2. Empties the cache when the record changes, feeds the bridge, then
// judges the PBX by PbxConfig: 128, 130 or 131.
int InfoMsgBuild(PayloadBuffer& out);
int InfoMsgDecode(TData& data, const std::uint8_t* payload, int length, CodecHooks& hooks);

// 'M': 1, 17, 0 and four counters for each valid line. No decoder.
int CounterMsgBuild(const TData& data, PayloadBuffer& out);

// 'S': 0, 1, slot index; each build reads the next slot, 0 to 3 in turn. No decoder.
int SlotMsgBuild(TData& data, PayloadBuffer& out);

// 'U': 4, or 5 to read the last record again after a failed store. No decoder.
int UctMsgBuild(const TData& data, PayloadBuffer& out);

// 'V': 0, 14, 0. Replaces the numbers and LineCount (at most 56 entries, the
// rest of a longer list is dropped) and feeds the bridge; 0, and 0 with nothing
// changed on a nonzero status.
int LineListMsgBuild(PayloadBuffer& out);
int LineListMsgDecode(TData& data, const std::uint8_t* payload, int length, CodecHooks& hooks);

// 'X': 14. The answer is kept whole whatever its status.
int SwMsgBuild(PayloadBuffer& out);
int SwMsgDecode(TData& data, const std::uint8_t* payload, int length, const Clock& clock);

// 'Y': 0, 47, line index minus the line offset. The caller number and the
// kept line states go to the bridge.
int ClipMsgBuild(const TData& data, PayloadBuffer& out, int lineIndex);
int ClipMsgDecode(const TData& data, const std::uint8_t* payload, int length, CodecHooks& hooks);

// The builder of a queued kind, for the poll cycle; station and text are read
// for '#' only. 0 for a kind the agent does not build ('T' and unknown kinds).
int BuildRequest(char kind, int value, TData& data, PayloadBuffer& out, std::uint8_t station = 0,
                 std::string_view text = {});

}  // namespace norva
