#pragma once

#include <array>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/library_loader.h"
#include "xapi/xapi_records.h"

namespace norva::test {

// A computer-telephony library in the test process: it records every call
// and posts commands through the window it was given, like the real one.
// One instance at a time (the entry points are plain functions).
class FakeXapiLibrary : public LibraryLoader {
 public:
  using Bytes = std::vector<std::uint8_t>;

  FakeXapiLibrary() { current() = this; }
  ~FakeXapiLibrary() override { current() = nullptr; }

  // What the test arranges.
  bool loadable = true;
  std::set<std::string> missing;  // entry points left out

  // What the library saw.
  std::vector<std::string> loads;
  const XapiWindow* window = nullptr;
  unsigned int message = 0;
  int inits = 0, deinits = 0;
  std::vector<std::pair<int, Bytes>> lines;   // count, 4 bytes per line
  std::vector<Bytes> infos;                   // 7 bytes each
  std::vector<Bytes> states;                  // 4 bytes per line
  std::vector<std::pair<int, std::string>> clips;
  std::vector<std::pair<int, Bytes>> fronts;  // line offset, queue data
  std::vector<std::string> accLines;
  std::vector<int> commandsTaken;             // the lParam of each GetCommand

  // Posts a command as the library's thread would; the agent takes it when
  // its loop runs the post. False when there is no window to post to.
  bool post(int code, int station, const std::string& text = {}) {
    if (window == nullptr) return false;
    TStates s{};
    s.code = code;
    s.station = station;
    std::memcpy(s.text, text.data(), std::min(text.size(), sizeof s.text));
    const int lParam = nextParam_++;
    commands_[lParam] = s;
    window->post(window->context, message, lParam);
    return true;
  }
  // Posts a message number that is not the one given to Init.
  void postOther(unsigned int otherMessage) {
    if (window != nullptr) window->post(window->context, otherMessage, 0);
  }

  std::unique_ptr<LoadedLibrary> load(const std::string& fileName) override {
    loads.push_back(fileName);
    if (!loadable) return nullptr;
    return std::make_unique<Module>(*this);
  }

 private:
  class Module : public LoadedLibrary {
   public:
    explicit Module(FakeXapiLibrary& lib) : lib_(lib) {}
    void* symbol(const std::string& name) override {
      if (lib_.missing.count(name) != 0) return nullptr;
      static const std::map<std::string, void*> table = {
          {xapi::kInitName, reinterpret_cast<void*>(&Init)},
          {xapi::kDeInitName, reinterpret_cast<void*>(&DeInit)},
          {xapi::kPutLinesName, reinterpret_cast<void*>(&PutLines)},
          {xapi::kPutInfoName, reinterpret_cast<void*>(&PutInfo)},
          {xapi::kPutStatesName, reinterpret_cast<void*>(&PutStates)},
          {xapi::kPutClipName, reinterpret_cast<void*>(&PutClip)},
          {xapi::kPutFrontName, reinterpret_cast<void*>(&PutFront)},
          {xapi::kGetCommandName, reinterpret_cast<void*>(&GetCommand)},
          {xapi::kPutAccLineName, reinterpret_cast<void*>(&PutAccLine)},
      };
      const auto it = table.find(name);
      return it == table.end() ? nullptr : it->second;
    }

   private:
    FakeXapiLibrary& lib_;
  };

  static FakeXapiLibrary*& current() {
    static FakeXapiLibrary* c = nullptr;
    return c;
  }
  static Bytes bytes(const void* p, std::size_t n) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    return Bytes(b, b + n);
  }

  static void Init(void* window, unsigned int message) {
    current()->window = static_cast<const XapiWindow*>(window);
    current()->message = message;
    ++current()->inits;
  }
  static void DeInit() {
    ++current()->deinits;
    current()->window = nullptr;
  }
  static void PutLines(int count, char* lines) {
    current()->lines.emplace_back(count, bytes(lines, static_cast<std::size_t>(count) * 4));
  }
  static void PutInfo(TInfo* info) { current()->infos.push_back(bytes(info->bytes, 7)); }
  static void PutStates(int count, TStavLinek* s) {
    current()->states.push_back(bytes(s, static_cast<std::size_t>(count) * 4));
  }
  static void PutClip(int line, char* number) { current()->clips.emplace_back(line, number); }
  static void PutFront(int offset, TFront* f) {
    current()->fronts.emplace_back(offset, bytes(f->data, static_cast<std::size_t>(f->length)));
  }
  static void GetCommand(int lParam, TStates* out) {
    FakeXapiLibrary& lib = *current();
    lib.commandsTaken.push_back(lParam);
    const auto it = lib.commands_.find(lParam);
    if (it != lib.commands_.end()) {
      *out = it->second;
      lib.commands_.erase(it);
    }
  }
  static void PutAccLine(char* text) { current()->accLines.emplace_back(text); }

  std::map<int, TStates> commands_;
  int nextParam_ = 100;
};

}  // namespace norva::test
