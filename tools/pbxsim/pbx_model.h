#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace norva::sim {

// The PBX at the payload level: one request payload in, one answer payload
// out (status byte first), or silence. Shared by the pbxsim program and the
// agent's simulation tests, so it stays plain C++ with no system calls.
//
// Everything it keeps is bounded: pending accounting records, the logs of
// what the agent sent, and the item store (by its 256 x 256 key space).
class PbxModel {
 public:
  // Status bytes of the model's error answers.
  static constexpr std::uint8_t kStatusOk = 0;
  static constexpr std::uint8_t kStatusUnknownCommand = 1;
  static constexpr std::uint8_t kStatusNoItem = 2;  // default; see setMissingItemStatus
  static constexpr std::uint8_t kStatusMalformed = 3;
  static constexpr std::uint8_t kStatusReadOnly = 4;

  static constexpr std::size_t kMaxPayload = 512;  // largest payload in one frame
  static constexpr std::size_t kMaxLines = 127;    // a line-state answer still fits a frame
  static constexpr std::size_t kSlotCount = 4;
  static constexpr std::size_t kSlotDataSize = 251;  // item 1 data: type letter + text
  static constexpr std::size_t kMaxPendingRecords = 10000;
  static constexpr std::size_t kMaxRecordText = kMaxPayload - 1;
  static constexpr std::size_t kMaxLogEntries = 10000;  // each log keeps its newest entries
  static constexpr std::size_t kConfigSize = 16;
  static constexpr std::size_t kInfoSize = 7;
  static constexpr std::size_t kSwSize = 11;  // the command-14 answer is 12 bytes with its status

  using Bytes = std::vector<std::uint8_t>;
  using LineState = std::array<std::uint8_t, 4>;

  // A key or dial command (18) or a take-call command (34) for a station.
  struct StationCommand {
    std::uint8_t command = 0;
    std::uint8_t station = 0;
    Bytes bytes;  // everything after the station byte
    bool operator==(const StationCommand&) const = default;
  };

  // A write of item 1 (the agent's slot clear).
  struct SlotWrite {
    std::uint8_t slot = 0;
    std::size_t length = 0;  // whole request payload, 254 for a proper clear
    bool operator==(const SlotWrite&) const = default;
  };

  struct Slot {
    std::uint8_t type = 0;  // address type letter; 0 = empty
    std::string text;       // recipient LF subject LF body
  };

  // Defaults: 8 lines numbered 21 to 28, all idle; version 3.10, line
  // offset 0; a configuration the agent accepts (byte 4 = 1, byte 5 = 0);
  // no accounting records, empty slots, empty queue data.
  PbxModel();

  // The answer to one request payload; nullopt while silent.
  std::optional<Bytes> answer(const Bytes& request);

  // --- steering ---
  void setSilent(bool silent) { silent_ = silent; }
  bool silent() const { return silent_; }

  // False (and nothing queued) when 10000 records wait already; the text is
  // cut to what fits one answer.
  bool addAccountingRecord(std::string text);

  // False for a slot outside 0..3. The text is cut to the item's size.
  bool putMessage(int slot, char type, const std::string& recipient, const std::string& subject,
                  const std::string& body);
  bool putRawMessage(int slot, std::uint8_t type, const std::string& text);
  bool clearSlot(int slot);

  // Numbers of 1 to 4 characters from "1234567890*#FPSABCD"; an empty
  // number is allowed (it reads as code 0). False, nothing changed, for
  // anything else or more than 127 lines. Line states, caller numbers and
  // their count follow the new list; states of kept lines stay.
  bool setLines(const std::vector<std::string>& numbers);
  bool setLineState(int line, const LineState& state);
  bool setCallerNumber(int line, const std::string& number);

  bool setConfigByte(int index, std::uint8_t value);
  void setConfig(const std::array<std::uint8_t, kConfigSize>& config) { config_ = config; }
  void setInfo(const std::array<std::uint8_t, kInfoSize>& info) { info_ = info; }
  bool setInfoByte(int index, std::uint8_t value);
  void setSwBlock(const std::array<std::uint8_t, kSwSize>& block) { sw_ = block; }
  void setQueueData(Bytes data);

  // Item store for items the model does not handle itself.
  void setItem(std::uint8_t item, std::uint8_t index, Bytes data);
  void eraseItem(std::uint8_t item, std::uint8_t index);
  // The status of a read of an item/index that holds nothing.
  void setMissingItemStatus(std::uint8_t status) { missingItemStatus_ = status; }

  // Makes every request with this command byte (and, for item reads and
  // writes, this item; nullopt = any) answer with an error status.
  void failRequests(std::uint8_t command, std::optional<std::uint8_t> item, std::uint8_t status);
  void clearFailures() { failures_.clear(); }

  // --- readers ---
  const std::deque<Bytes>& requestLog() const { return requestLog_; }
  std::size_t requestCount() const { return requestCount_; }  // also those dropped from the log
  const std::deque<StationCommand>& stationCommands() const { return stationCommands_; }
  // Data of each counter write (item 17), 4 bytes per line, oldest first.
  const std::deque<Bytes>& counterWrites() const { return counterWrites_; }
  const std::deque<SlotWrite>& slotWrites() const { return slotWrites_; }
  const Slot& slot(int slot) const { return slots_.at(static_cast<std::size_t>(slot)); }
  std::size_t pendingAccountingRecords() const { return records_.size(); }
  const std::optional<std::string>& lastAccountingRecord() const { return lastRecord_; }
  const std::vector<std::string>& lines() const { return lines_; }
  const LineState& lineState(int line) const { return states_.at(static_cast<std::size_t>(line)); }
  const std::array<std::uint8_t, kConfigSize>& config() const { return config_; }
  const std::array<std::uint8_t, kInfoSize>& info() const { return info_; }
  std::uint8_t lineOffset() const { return info_[2]; }

  // Number code of one character (1..19), 0 when it has none.
  static std::uint8_t numberCode(char c);

 private:
  Bytes itemRead(std::uint8_t item, std::uint8_t index);
  Bytes itemWrite(const Bytes& request);
  Bytes stationCommand(const Bytes& request, std::size_t minimum);
  std::optional<std::uint8_t> failureFor(std::uint8_t command, std::uint8_t item) const;
  template <typename T>
  static void pushBounded(std::deque<T>& log, T entry);

  bool silent_ = false;
  std::array<std::uint8_t, kInfoSize> info_{};
  std::array<std::uint8_t, kConfigSize> config_{};
  std::array<std::uint8_t, kSwSize> sw_{};
  Bytes queueData_;
  std::vector<std::string> lines_;
  std::vector<LineState> states_;
  std::vector<std::string> callers_;
  std::array<Slot, kSlotCount> slots_{};
  std::deque<std::string> records_;
  std::optional<std::string> lastRecord_;
  std::map<std::pair<std::uint8_t, std::uint8_t>, Bytes> items_;
  std::uint8_t missingItemStatus_ = kStatusNoItem;
  struct Failure {
    std::uint8_t command;
    std::optional<std::uint8_t> item;
    std::uint8_t status;
  };
  std::vector<Failure> failures_;

  std::deque<Bytes> requestLog_;
  std::size_t requestCount_ = 0;
  std::deque<StationCommand> stationCommands_;
  std::deque<Bytes> counterWrites_;
  std::deque<SlotWrite> slotWrites_;
};

}  // namespace norva::sim
