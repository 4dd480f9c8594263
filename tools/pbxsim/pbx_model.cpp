#include "pbxsim/pbx_model.h"

#include <algorithm>
#include <cstring>

namespace norva::sim {

namespace {

// The PBX reports numbers as indexes into this table; code 0 ends a number.
constexpr char kNumberTable[] = ".1234567890*#FPSABCD";

constexpr std::uint8_t kItemSlot = 1;
constexpr std::uint8_t kItemLineList = 14;
constexpr std::uint8_t kItemCounters = 17;
constexpr std::uint8_t kItemLineStates = 22;
constexpr std::uint8_t kItemCaller = 47;

// Caller data: the number text starts at byte 11 of the answer, after the
// three header bytes and eight bytes this model leaves at zero.
constexpr std::size_t kCallerTextOffset = 11;

}  // namespace

PbxModel::PbxModel() {
  info_ = {0x03, 0x10, 0, 0, 0, 0, 0};
  config_[4] = 1;
  setLines({"21", "22", "23", "24", "25", "26", "27", "28"});
}

std::uint8_t PbxModel::numberCode(char c) {
  if (c == '\0' || c == '.') return 0;
  const char* p = std::strchr(kNumberTable, c);
  return p == nullptr ? 0 : static_cast<std::uint8_t>(p - kNumberTable);
}

template <typename T>
void PbxModel::pushBounded(std::deque<T>& log, T entry) {
  if (log.size() >= kMaxLogEntries) log.pop_front();
  log.push_back(std::move(entry));
}

std::optional<PbxModel::Bytes> PbxModel::answer(const Bytes& request) {
  ++requestCount_;
  pushBounded(requestLog_, request);
  if (silent_) return std::nullopt;
  if (request.empty()) return Bytes{kStatusMalformed};

  const std::uint8_t command = request[0];
  const bool itemCommand = command == 0 || command == 1;
  if (itemCommand && request.size() < 3) return Bytes{kStatusMalformed};
  if (const auto status = failureFor(command, itemCommand ? request[1] : 0)) {
    if (itemCommand) return Bytes{*status, request[1], request[2]};
    return Bytes{*status};
  }

  switch (command) {
    case 0:
      return itemRead(request[1], request[2]);
    case 1:
      return itemWrite(request);
    case 2: {
      Bytes out{kStatusOk};
      out.insert(out.end(), info_.begin(), info_.end());
      return out;
    }
    case 4:
      if (records_.empty()) return Bytes{kStatusOk};  // status alone: no record
      lastRecord_ = std::move(records_.front());
      records_.pop_front();
      [[fallthrough]];
    case 5: {
      Bytes out{kStatusOk};
      if (lastRecord_) out.insert(out.end(), lastRecord_->begin(), lastRecord_->end());
      return out;
    }
    case 13: {
      Bytes out{kStatusOk};
      out.insert(out.end(), config_.begin(), config_.end());
      return out;
    }
    case 14: {
      Bytes out{kStatusOk};
      out.insert(out.end(), sw_.begin(), sw_.end());
      return out;
    }
    case 18:
      return stationCommand(request, 2);  // 18, station, then 0 to 8 codes
    case 33: {
      Bytes out{kStatusOk};
      out.insert(out.end(), queueData_.begin(), queueData_.end());
      return out;
    }
    case 34:
      return stationCommand(request, 3);  // 34, station, queue character
    default:
      return Bytes{kStatusUnknownCommand};
  }
}

PbxModel::Bytes PbxModel::itemRead(std::uint8_t item, std::uint8_t index) {
  Bytes out{kStatusOk, item, index};
  switch (item) {
    case kItemSlot: {
      if (index >= kSlotCount) return Bytes{missingItemStatus_, item, index};
      // The slot item always has its full size; an empty slot reads as zeros.
      const Slot& s = slots_[index];
      out.push_back(s.type);
      out.insert(out.end(), s.text.begin(), s.text.end());
      out.resize(3 + kSlotDataSize, 0);
      return out;
    }
    case kItemLineList:
      for (const std::string& number : lines_) {
        for (std::size_t i = 0; i < 4; ++i) out.push_back(i < number.size() ? numberCode(number[i]) : 0);
      }
      return out;
    case kItemLineStates:
      for (const LineState& s : states_) out.insert(out.end(), s.begin(), s.end());
      return out;
    case kItemCaller: {
      // The request carries the line index minus the line offset.
      const std::size_t line = static_cast<std::uint8_t>(index + lineOffset());
      if (line >= lines_.size()) return Bytes{missingItemStatus_, item, index};
      out.resize(kCallerTextOffset, 0);
      out.insert(out.end(), callers_[line].begin(), callers_[line].end());
      out.push_back(0);
      return out;
    }
    default:
      break;
  }
  const auto it = items_.find({item, index});
  if (it == items_.end()) return Bytes{missingItemStatus_, item, index};
  out.insert(out.end(), it->second.begin(), it->second.end());
  return out;
}

PbxModel::Bytes PbxModel::itemWrite(const Bytes& request) {
  const std::uint8_t item = request[1];
  const std::uint8_t index = request[2];
  Bytes data(request.begin() + 3, request.end());
  switch (item) {
    case kItemSlot:
      pushBounded(slotWrites_, SlotWrite{index, request.size()});
      if (index >= kSlotCount) return Bytes{missingItemStatus_, item, index};
      slots_[index] = Slot{};
      return Bytes{kStatusOk, item, index};
    case kItemLineList:
    case kItemLineStates:
    case kItemCaller:
      return Bytes{kStatusReadOnly, item, index};
    case kItemCounters:
      pushBounded(counterWrites_, data);
      break;
    default:
      break;
  }
  setItem(item, index, std::move(data));
  return Bytes{kStatusOk, item, index};
}

PbxModel::Bytes PbxModel::stationCommand(const Bytes& request, std::size_t minimum) {
  if (request.size() < minimum) return Bytes{kStatusMalformed};
  pushBounded(stationCommands_,
              StationCommand{request[0], request[1], Bytes(request.begin() + 2, request.end())});
  return Bytes{kStatusOk};
}

std::optional<std::uint8_t> PbxModel::failureFor(std::uint8_t command, std::uint8_t item) const {
  const bool itemCommand = command == 0 || command == 1;
  for (const Failure& f : failures_) {
    if (f.command != command) continue;
    if (itemCommand && f.item && *f.item != item) continue;
    return f.status;
  }
  return std::nullopt;
}

void PbxModel::failRequests(std::uint8_t command, std::optional<std::uint8_t> item,
                            std::uint8_t status) {
  std::erase_if(failures_, [&](const Failure& f) { return f.command == command && f.item == item; });
  failures_.push_back(Failure{command, item, status});
}

bool PbxModel::addAccountingRecord(std::string text) {
  if (records_.size() >= kMaxPendingRecords) return false;
  if (text.size() > kMaxRecordText) text.resize(kMaxRecordText);
  records_.push_back(std::move(text));
  return true;
}

bool PbxModel::putMessage(int slot, char type, const std::string& recipient,
                          const std::string& subject, const std::string& body) {
  return putRawMessage(slot, static_cast<std::uint8_t>(type), recipient + '\n' + subject + '\n' + body);
}

bool PbxModel::putRawMessage(int slot, std::uint8_t type, const std::string& text) {
  if (slot < 0 || slot >= static_cast<int>(kSlotCount)) return false;
  Slot& s = slots_[static_cast<std::size_t>(slot)];
  s.type = type;
  s.text = text.substr(0, kSlotDataSize - 1);
  return true;
}

bool PbxModel::clearSlot(int slot) {
  if (slot < 0 || slot >= static_cast<int>(kSlotCount)) return false;
  slots_[static_cast<std::size_t>(slot)] = Slot{};
  return true;
}

bool PbxModel::setLines(const std::vector<std::string>& numbers) {
  if (numbers.size() > kMaxLines) return false;
  for (const std::string& n : numbers) {
    if (n.size() > 4) return false;
    if (!std::all_of(n.begin(), n.end(), [](char c) { return numberCode(c) != 0; })) return false;
  }
  lines_ = numbers;
  states_.resize(lines_.size(), LineState{});
  callers_.resize(lines_.size());
  return true;
}

bool PbxModel::setLineState(int line, const LineState& state) {
  if (line < 0 || static_cast<std::size_t>(line) >= states_.size()) return false;
  states_[static_cast<std::size_t>(line)] = state;
  return true;
}

bool PbxModel::setCallerNumber(int line, const std::string& number) {
  if (line < 0 || static_cast<std::size_t>(line) >= callers_.size()) return false;
  // The text must end before the answer's end, inside one frame.
  if (number.size() + kCallerTextOffset + 1 > kMaxPayload) return false;
  if (number.find('\0') != std::string::npos) return false;
  callers_[static_cast<std::size_t>(line)] = number;
  return true;
}

bool PbxModel::setConfigByte(int index, std::uint8_t value) {
  if (index < 0 || index >= static_cast<int>(kConfigSize)) return false;
  config_[static_cast<std::size_t>(index)] = value;
  return true;
}

bool PbxModel::setInfoByte(int index, std::uint8_t value) {
  if (index < 0 || index >= static_cast<int>(kInfoSize)) return false;
  info_[static_cast<std::size_t>(index)] = value;
  return true;
}

void PbxModel::setQueueData(Bytes data) {
  if (data.size() > kMaxPayload - 1) data.resize(kMaxPayload - 1);
  queueData_ = std::move(data);
}

void PbxModel::setItem(std::uint8_t item, std::uint8_t index, Bytes data) {
  if (data.size() > kMaxPayload - 3) data.resize(kMaxPayload - 3);
  items_[{item, index}] = std::move(data);
}

void PbxModel::eraseItem(std::uint8_t item, std::uint8_t index) { items_.erase({item, index}); }

}  // namespace norva::sim
