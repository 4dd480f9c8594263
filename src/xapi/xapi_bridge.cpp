#include "xapi/xapi_bridge.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "data/codecs.h"
#include "platform/loop_poster.h"

namespace norva {

namespace {

constexpr int kStateWithCaller = 8;
constexpr int kRecord = 4;
constexpr int kRecordsAt = 3;

int recordsIn(int length) { return length < kRecordsAt ? 0 : (length - kRecordsAt) / kRecord; }

}  // namespace

std::string TranslateNumber(const std::string& number, const std::vector<std::string>& prefixes) {
  for (const std::string& entry : prefixes) {
    const std::size_t eq = entry.find('=');
    // An empty name would begin every number and swallow the whole table.
    if (eq == std::string::npos || eq == 0) continue;
    const std::string_view name(entry.data(), eq);
    if (number.compare(0, name.size(), name) == 0) {
      return entry.substr(eq + 1) + number.substr(name.size());
    }
  }
  return number;
}

XapiBridge::XapiBridge(XapiAgentSide agent, std::vector<std::string> prefixes, LoopPoster* loop)
    : agent_(std::move(agent)), prefixes_(std::move(prefixes)) {
  door_.loop = loop;
  door_.bridge = this;
}

XapiBridge::~XapiBridge() { Unload(); }

void XapiBridge::Load(LibraryLoader& loader) {
  xapi_ = std::make_unique<TXAPI>(loader);
  if (!active()) {
    agent_.writeLog("XAPI", "Error");
    return;
  }
  open_ = std::make_shared<const bool>(true);
  door_.open = open_;
  window_.post = &XapiBridge::postFromLibrary;
  window_.context = &door_;
  agent_.writeLog("XAPI", "Start");
  xapi_->Init(&window_, xapi::kCommandMessage);
  agent_.writeLog("XAPI", "Init");
}

void XapiBridge::Unload() {
  if (active()) xapi_->DeInit();
  // The library's thread is gone now; what it posted before finds the door shut.
  open_.reset();
  xapi_.reset();
}

void XapiBridge::postFromLibrary(void* context, unsigned int message, std::intptr_t lParam) {
  const Door* door = static_cast<const Door*>(context);
  if (door == nullptr || door->loop == nullptr) return;
  door->loop->post([open = door->open, bridge = door->bridge, message, lParam] {
    if (open.lock()) bridge->WindowMessage(message, lParam);
  });
}

void XapiBridge::PutInfo(const std::uint8_t* info7) {
  if (!active()) return;
  TInfo info{};
  std::memcpy(info.bytes, info7, sizeof info.bytes);
  xapi_->PutInfo(&info);
}

void XapiBridge::PutLines(int count, const std::uint8_t* lines) {
  if (!active()) return;
  count = std::max(count, 0);
  std::vector<char> buffer(static_cast<std::size_t>(count) * kRecord + 1, '\0');
  std::memcpy(buffer.data(), lines, buffer.size() - 1);
  xapi_->PutLines(count, buffer.data());
}

void XapiBridge::PutStates(int count, const std::uint8_t* records) {
  if (!active()) return;
  count = std::max(count, 0);
  // A copy: the library gets a pointer it may not keep, into nothing of ours.
  std::vector<TStavLinek> copy(static_cast<std::size_t>(count) + 1, TStavLinek{});
  if (count > 0) std::memcpy(copy.data(), records, static_cast<std::size_t>(count) * kRecord);
  xapi_->PutStates(count, copy.data());
}

void XapiBridge::PutCLIP(int line, const std::string& number) {
  if (!active()) return;
  std::string copy = number;  // the entry point takes a writable text
  xapi_->PutCLIP(line, copy.data());
}

void XapiBridge::PutFront(int lineOffset, const std::uint8_t* front, int length) {
  if (!active()) return;
  TFront f{};
  f.length = std::clamp(length, 0, static_cast<int>(sizeof f.data));
  if (f.length > 0) std::memcpy(f.data, front, static_cast<std::size_t>(f.length));
  xapi_->PutFront(lineOffset, &f);
}

void XapiBridge::PutAccLine(const std::string& text) {
  if (!active()) return;
  std::string copy = text;  // the entry point takes a writable text
  xapi_->PutAccLine(copy.data());
}

void XapiBridge::LineStateHook(std::uint8_t* payload, int length, const std::uint8_t* kept,
                               int keptLength) {
  if (!active()) return;
  // Until an answer is kept there is nothing to compare with; an error
  // answer carries no records to pass on.
  if (keptLength < 4 || length < 1 || payload[0] != 0) return;
  // The kept answer gives the count; a shorter new answer is never read
  // past its end.
  const int n = std::min(recordsIn(keptLength), recordsIn(length));
  for (int i = 0; i < n; ++i) {
    std::uint8_t* r = payload + kRecordsAt + kRecord * i;
    const std::uint8_t* o = kept + kRecordsAt + kRecord * i;
    if (r[0] != kStateWithCaller) {
      r[3] = 0;
    } else if ((o[3] & 1) == 0 && (r[3] & 1) != 0) {
      agent_.queueRequest('Y', i);
    }
  }
  PutStates(n, payload + kRecordsAt);
}

void XapiBridge::WindowMessage(unsigned int message, std::intptr_t lParam) {
  if (message != xapi::kCommandMessage || !active()) return;
  xapi_->GetCommand(static_cast<int>(lParam), &command_);
  // Codes 0 to 5: a key of the station, dialling, or a call taken from a queue.
  struct Key {
    const char* log;
    int key;
  };
  static constexpr Key kKeys[] = {
      {"Message SPEAKER (ON/OFF)", kKeySpeaker}, {"Message MIC (ON/OFF)", kKeyMic},
      {"Message VOLUME UP", kKeyVolumeUp},       {"Message VOLUME DOWN", kKeyVolumeDown},
      {nullptr, 0},                              {"Message z FRONTy", kKeyTakeFromQueue},
  };
  const unsigned code = command_.code & 0xFF;
  if (code >= std::size(kKeys)) return;  // not a command of ours
  if (code == 4) {
    dial();
    return;
  }
  agent_.writeLog("XAPI", kKeys[code].log);
  agent_.queueRequest('#', kKeys[code].key);
}

void XapiBridge::dial() {
  char* field = command_.text;
  const std::size_t given = strnlen(field, kCommandTextMax);
  if (given == 0) return;
  const std::string number = TranslateNumber(std::string(field, given), prefixes_);
  // The record keeps 30 characters: only those are dialled.
  const std::size_t kept = std::min<std::size_t>(number.size(), kCommandTextMax);
  std::memset(field, 0, kCommandTextMax);
  std::memcpy(field, number.data(), kept);
  agent_.writeLog("XAPI", "Message VOL " + number);
  for (std::size_t offset = 0; offset < kept; offset += kDialChunk) {
    agent_.queueRequest('#', static_cast<int>(offset) + 1);
  }
}

}  // namespace norva
