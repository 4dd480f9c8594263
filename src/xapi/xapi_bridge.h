#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xapi/txapi.h"

namespace norva {

class LoopPoster;

// What the bridge needs of the agent.
struct XapiAgentSide {
  std::function<void(const std::string& tag, const std::string& text)> writeLog;
  std::function<void(char kind, int value)> queueRequest;
};

// The number after the prefix table: the first entry (in file order) whose
// name begins the number replaces that beginning with its value. Entries are
// "name=value" lines; one without a name or without '=' never matches.
std::string TranslateNumber(const std::string& number, const std::vector<std::string>& prefixes);

// The agent's side of the computer-telephony library: loading it, the feeds,
// the line-state hook and the commands the library posts. Runs on the
// agent's thread only; the library reaches it through `XapiWindow`, whose
// posts land on the agent's loop.
class XapiBridge {
 public:
  XapiBridge(XapiAgentSide agent, std::vector<std::string> prefixes, LoopPoster* loop);
  ~XapiBridge();
  XapiBridge(const XapiBridge&) = delete;
  XapiBridge& operator=(const XapiBridge&) = delete;

  // Creates TXAPI, reports and, when active, initialises the library.
  void Load(LibraryLoader& loader);
  // De-initialises the library if active, then frees it. Nothing posted
  // before is handled afterwards.
  void Unload();
  bool active() const { return xapi_ && xapi_->active; }

  // The feeds; each does nothing while inactive.
  void PutInfo(const std::uint8_t* info7);
  void PutLines(int count, const std::uint8_t* lines);
  void PutStates(int count, const std::uint8_t* records);
  void PutCLIP(int line, const std::string& number);
  void PutFront(int lineOffset, const std::uint8_t* front, int length);
  void PutAccLine(const std::string& text);

  // A line-state answer before the store keeps it: clears byte 3 of each
  // record not in state 8 (in `payload` itself), queues 'Y' for each line
  // whose caller-number flag has just come up, then passes the records on.
  // `kept` is the answer kept before this one. An error answer passes nothing.
  void LineStateHook(std::uint8_t* payload, int length, const std::uint8_t* kept, int keptLength);

  // A window message to the agent; only the command message while active
  // does anything.
  void WindowMessage(unsigned int message, std::intptr_t lParam);

  // The command record as a '#' request reads it when it is sent.
  std::uint8_t station() const { return static_cast<std::uint8_t>(command_.station & 0xFF); }
  std::string_view commandText() const { return {command_.text, sizeof command_.text}; }
  const TStates& commandRecord() const { return command_; }

 private:
  void dial();
  static void postFromLibrary(void* context, unsigned int message, std::intptr_t lParam);

  // What the library's posts go through. Lives as long as the bridge; the
  // weak pointer says whether the bridge still takes messages.
  struct Door {
    LoopPoster* loop = nullptr;
    XapiBridge* bridge = nullptr;
    std::weak_ptr<const bool> open;
  };

  XapiAgentSide agent_;
  std::vector<std::string> prefixes_;
  std::unique_ptr<TXAPI> xapi_;
  TStates command_{};
  std::shared_ptr<const bool> open_;
  Door door_;
  XapiWindow window_{};
};

}  // namespace norva
