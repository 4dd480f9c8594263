#include "support/fake_mail_library.h"

#include <cstring>
#include <map>

namespace norva::test {

using namespace agentz4;

FakeMailLibrary* FakeMailLibrary::current = nullptr;

namespace {

FakeMailLibrary& lib() { return *FakeMailLibrary::current; }

// A list being linked through its records' Next fields. The records' pointer
// fields are unaligned, so they are only ever assigned, never referred to.
template <typename T>
struct Chain {
  T* first = nullptr;
  T* last = nullptr;
  void add(T* item) {
    if (last == nullptr) {
      first = item;
    } else {
      last->Next = item;
    }
    last = item;
  }
};

void setDebugLevel(std::int32_t level) {
  lib().calls.push_back("SetDebugLevel");
  lib().debugLevel = level;
}
std::int32_t init(const char* config, const char* user, const char* work, const char* password) {
  lib().calls.push_back("InicializaceZ4Komunikace");
  lib().initArgs = {config, user, work, password};
  return lib().initResult;
}
std::int32_t quickTest() {
  lib().calls.push_back("RychlyTestZmenVeSchrankach");
  return lib().scans.empty() ? 0 : lib().scans.front().quickTest;
}
std::int32_t readList(Mailbox** list, Request* request) {
  lib().calls.push_back("NactiZmenyVeSchrankach");
  lib().modes.push_back(request->Mode);
  *list = nullptr;
  if (lib().scans.empty()) return 0;
  const FakeMailLibrary::Scan scan = lib().scans.front();
  lib().scans.pop_front();
  if (scan.error != 0) return scan.error;
  Chain<Mailbox> boxes;
  for (const auto& box : scan.boxes) boxes.add(lib().build(box, false));
  *list = boxes.first;
  ++lib().outstandingLists;
  return 0;
}
std::int32_t readMailbox(Mailbox** mailbox, Request* request, Mailbox* record) {
  lib().calls.push_back("NactiZmenyVeSchrance");
  lib().modes.push_back(request->Mode);
  if (*mailbox != record) return 99;  // the relay must hand the record it has
  const FakeMailLibrary::Box* box = nullptr;
  std::memcpy(&box, record->reserved121, sizeof box);
  if (box->wholeResult != 0) {
    *mailbox = nullptr;
    return box->wholeResult;
  }
  *mailbox = lib().build(*box, true);
  ++lib().outstandingWhole;
  return 0;
}
std::int32_t confirmMailbox(Mailbox** mailbox) {
  lib().calls.push_back("PotvrdPreneseniZmenVeSchrance");
  if (*mailbox != nullptr && (*mailbox)->reserved0[0] == 'W') --lib().outstandingWhole;
  *mailbox = nullptr;
  return 0;
}
void confirmList(Mailbox** list) {
  lib().calls.push_back("PotvrdPreneseniZmenVeSchrankach");
  if (*list != nullptr) --lib().outstandingLists;
  *list = nullptr;
}
std::int32_t send(const char* recipient, char type, const char* subject, const char* text,
                  std::uint8_t flag) {
  lib().calls.push_back("PosliStavovouZpravu");
  lib().sent.push_back({recipient, type, subject, text, flag});
  return lib().sendResult;
}
void stop() { lib().calls.push_back("ZastavAkci"); }
void deinit() { lib().calls.push_back("DeInicializaceZ4Komunikace"); }

template <typename Fn>
void* address(Fn fn) {
  return reinterpret_cast<void*>(fn);
}

}  // namespace

FakeMailLibrary::FakeMailLibrary() { current = this; }
FakeMailLibrary::~FakeMailLibrary() {
  if (current == this) current = nullptr;
}

void* FakeMailLibrary::symbol(const std::string& name) {
  if (missing.count(name) != 0) return nullptr;
  static const std::map<std::string, void*> table = {
      {"SetDebugLevel", address(&setDebugLevel)},
      {"InicializaceZ4Komunikace", address(&init)},
      {"RychlyTestZmenVeSchrankach", address(&quickTest)},
      {"NactiZmenyVeSchrankach", address(&readList)},
      {"NactiZmenyVeSchrance", address(&readMailbox)},
      {"PotvrdPreneseniZmenVeSchrance", address(&confirmMailbox)},
      {"PotvrdPreneseniZmenVeSchrankach", address(&confirmList)},
      {"PosliStavovouZpravu", address(&send)},
      {"ZastavAkci", address(&stop)},
      {"DeInicializaceZ4Komunikace", address(&deinit)},
  };
  const auto it = table.find(name);
  return it == table.end() ? nullptr : it->second;
}

Mailbox* FakeMailLibrary::build(const Box& box, bool whole) {
  auto m = std::make_unique<Mailbox>();
  std::memset(m.get(), 0, sizeof(Mailbox));
  m->reserved0[0] = whole ? 'W' : 'L';
  std::strncpy(m->Name, box.name.c_str(), sizeof m->Name - 1);
  std::strncpy(m->Number, box.number.c_str(), sizeof m->Number - 1);
  m->Code = whole ? 0 : box.code;
  // The record remembers which box it came from, in bytes the library owns.
  delivered_.push_back(box);
  const Box* origin = &delivered_.back();
  std::memcpy(m->reserved121, &origin, sizeof origin);
  Chain<MessageGroup> groups;
  for (const Group& g : whole ? box.whole : box.groups) {
    auto group = std::make_unique<MessageGroup>();
    std::memset(group.get(), 0, sizeof(MessageGroup));
    group->Type = g.type;
    group->Count = g.count;
    Chain<MessageNode> nodes;
    for (const Node& n : g.nodes) {
      auto node = std::make_unique<MessageNode>();
      std::memset(node.get(), 0, sizeof(MessageNode));
      node->Id = n.id;
      node->Flags = n.gone ? 4 : 0;
      nodes.add(node.get());
      nodes_.push_back(std::move(node));
    }
    group->FirstNode = nodes.first;
    groups.add(group.get());
    groups_.push_back(std::move(group));
  }
  m->FirstGroup = groups.first;
  boxes_.push_back(std::move(m));
  return boxes_.back().get();
}

}  // namespace norva::test
