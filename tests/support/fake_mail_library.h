#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "messaging/agentz4_records.h"
#include "platform/library_loader.h"

namespace norva::test {

// A mail-gateway library made of plain functions over one scripted state,
// for the wrapper, the relay and the agent: no shared object needed. One
// instance at a time.
class FakeMailLibrary : public LoadedLibrary {
 public:
  struct Node {
    std::int32_t id;
    bool gone = false;
  };
  struct Group {
    char type;
    std::uint16_t count;
    std::vector<Node> nodes;
  };
  struct Box {
    std::string name;
    std::string number;
    std::int32_t code = 0;
    std::vector<Group> groups;
    // For code 2005: what the single-mailbox read delivers, and its result.
    std::vector<Group> whole = {};
    std::int32_t wholeResult = 0;
  };
  // What one list read delivers.
  struct Scan {
    std::int32_t quickTest = 1;
    std::int32_t error = 0;
    std::vector<Box> boxes;
  };
  struct Sent {
    std::string recipient;
    char type;
    std::string subject;
    std::string text;
    std::uint8_t flag;
  };

  FakeMailLibrary();
  ~FakeMailLibrary() override;
  void* symbol(const std::string& name) override;

  // Names the library pretends not to export.
  std::set<std::string> missing;
  std::int32_t initResult = 0;
  std::int32_t sendResult = 0;
  std::deque<Scan> scans;       // taken one per list read; none left: no changes
  std::vector<std::string> calls;  // every call by name, in order
  std::vector<std::int32_t> modes; // the request block's mode at each list and mailbox read
  std::vector<Sent> sent;
  std::int32_t debugLevel = -1;
  std::vector<std::string> initArgs;
  // Records handed out and not yet confirmed.
  int outstandingLists = 0;
  int outstandingWhole = 0;

  // Builds the records (owned by the fake).
  agentz4::Mailbox* build(const Box& box, bool whole);

  static FakeMailLibrary* current;

 private:
  std::vector<std::unique_ptr<agentz4::Mailbox>> boxes_;
  std::vector<std::unique_ptr<agentz4::MessageGroup>> groups_;
  std::vector<std::unique_ptr<agentz4::MessageNode>> nodes_;
  std::deque<Box> delivered_;
};

}  // namespace norva::test
