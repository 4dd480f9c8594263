#include "mailbox_reader.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <limits>
#include <unordered_map>

namespace agentz4 {

namespace {
// Bytes 0 to 3 of a mailbox record hold its index, byte 4 this mark.
constexpr std::uint8_t kRecordMark = 0x5A;
// Some file systems keep whole seconds; two of them are safe.
constexpr std::int64_t kSettleNs = 2'000'000'000;
constexpr std::int64_t kUnsettled = -2;

std::uint16_t count16(std::size_t n) {
  return static_cast<std::uint16_t>(std::min<std::size_t>(n, std::numeric_limits<std::uint16_t>::max()));
}
}  // namespace

struct MailboxReader::Arena {
  std::vector<std::unique_ptr<Mailbox>> boxes;
  std::vector<std::unique_ptr<MessageGroup>> groups;
  std::vector<std::unique_ptr<MessageNode>> nodes;
  // Each group's last node: a large mailbox is not walked once per message.
  std::unordered_map<MessageGroup*, MessageNode*> lastNodes;

  // The records' pointer fields are unaligned: they are only ever reached
  // through their record, never through a pointer to the field.
  MessageGroup* group(Mailbox* m, char type) {
    MessageGroup* last = nullptr;
    for (MessageGroup* g = m->FirstGroup; g != nullptr; g = g->Next) {
      if (g->Type == type) return g;
      last = g;
    }
    groups.push_back(std::make_unique<MessageGroup>());
    MessageGroup* g = groups.back().get();
    std::memset(g, 0, sizeof *g);
    g->Type = type;
    if (last == nullptr) {
      m->FirstGroup = g;
    } else {
      last->Next = g;
    }
    return g;
  }
  // A waiting message: counted in its type's group and listed there.
  void addWaiting(Mailbox* m, const KnownMessage& k) {
    MessageGroup* g = group(m, k.type);
    g->Count = count16(g->Count + 1u);
    node(g, k.id, 0);
  }
  void node(MessageGroup* g, std::int32_t id, std::uint32_t flags) {
    nodes.push_back(std::make_unique<MessageNode>());
    MessageNode* n = nodes.back().get();
    std::memset(n, 0, sizeof *n);
    n->Id = id;
    n->Flags = flags;
    MessageNode*& last = lastNodes[g];
    if (last == nullptr) {
      g->FirstNode = n;
    } else {
      last->Next = n;
    }
    last = n;
  }
};

MailboxReader::MailboxReader(std::vector<MailboxConfig> mailboxes, std::string statePath)
    : mailboxes_(std::move(mailboxes)), statePath_(std::move(statePath)) {}

MailboxReader::~MailboxReader() = default;

bool MailboxReader::start() { return state_.load(statePath_); }

std::int32_t MailboxReader::quickTest() const {
  for (const MailboxConfig& m : mailboxes_) {
    const auto it = state_.mailboxes.find(m.maildir);
    if (it == state_.mailboxes.end() || !(it->second.times == folderTimes(m.maildir))) return 1;
  }
  return 0;
}

bool MailboxReader::propose(std::size_t index, MailboxState& out, std::set<std::string>* seen) {
  const std::string& dir = mailboxes_[index].maildir;
  // The times first: a message that arrives during the listing changes them again.
  out.times = folderTimes(dir);
  // A folder changed a moment ago may change again within the same tick of
  // the file system's clock, unseen by the quick test: such a time is not
  // kept, so the next quick test reads the folder once more.
  timespec clockNow{};
  clock_gettime(CLOCK_REALTIME, &clockNow);
  const std::int64_t settled =
      static_cast<std::int64_t>(clockNow.tv_sec) * 1'000'000'000 + clockNow.tv_nsec - kSettleNs;
  if (out.times.newNs >= settled) out.times.newNs = kUnsettled;
  if (out.times.curNs >= settled) out.times.curNs = kUnsettled;
  out.waiting.clear();
  std::vector<WaitingMessage> now;
  if (!listWaiting(dir, now, seen)) return false;
  const auto known = state_.mailboxes.find(dir);
  for (const WaitingMessage& w : now) {
    if (known != state_.mailboxes.end()) {
      const auto k = known->second.waiting.find(w.unique);
      if (k != known->second.waiting.end()) {
        out.waiting.emplace(w.unique, k->second);
        continue;
      }
    }
    if (out.waiting.count(w.unique) != 0) continue;
    // Taken at once, confirmed or not: an id once given is not given again.
    const std::int32_t id = state_.nextId;
    state_.nextId = id == std::numeric_limits<std::int32_t>::max() ? 1 : id + 1;
    out.waiting.emplace(w.unique, KnownMessage{id, messageType(w.path)});
  }
  return true;
}

Mailbox* MailboxReader::newMailbox(Arena& arena, std::size_t index, std::int32_t code) {
  arena.boxes.push_back(std::make_unique<Mailbox>());
  Mailbox* m = arena.boxes.back().get();
  std::memset(m, 0, sizeof *m);
  const auto i = static_cast<std::uint32_t>(index);
  std::memcpy(m->reserved0, &i, sizeof i);
  m->reserved0[4] = kRecordMark;
  const MailboxConfig& c = mailboxes_[index];
  std::strncpy(m->Name, c.name.c_str(), sizeof m->Name - 1);
  std::strncpy(m->Number, c.number.c_str(), sizeof m->Number - 1);
  m->Code = code;
  return m;
}

void MailboxReader::addFull(Arena& arena, Mailbox* m, const MailboxState& s) {
  for (const auto& [unique, k] : s.waiting) arena.addWaiting(m, k);
}

std::int32_t MailboxReader::readList(Mailbox** list, Request* request) {
  if (list == nullptr || request == nullptr) return kErrBadRequest;
  *list = nullptr;
  if (request->Mode != kModeAll && request->Mode != kModeChanges) return kErrBadRequest;
  // A list that was never confirmed is dropped with its proposals.
  list_ = std::make_unique<Arena>();
  listProposals_.clear();
  fullList_ = request->Mode == kModeAll;
  Mailbox* last = nullptr;
  const auto append = [&](Mailbox* m) {
    if (last == nullptr) {
      *list = m;
    } else {
      last->Next = m;
    }
    last = m;
  };
  for (std::size_t i = 0; i < mailboxes_.size(); ++i) {
    const std::string& dir = mailboxes_[i].maildir;
    const auto known = state_.mailboxes.find(dir);
    Proposal p{i, {}};
    std::set<std::string> seen;
    const bool readable = propose(i, p.state, &seen);
    if (fullList_) {
      if (!readable) {
        // Its counters cannot be given (the whole read fails and says so).
        // Nothing of it is counted now, so once it can be read, everything
        // in it is new; until its folders change it stays quiet.
        append(newMailbox(*list_, i, kCodeReadWhole));
        p.state.waiting.clear();
      } else {
        Mailbox* m = newMailbox(*list_, i, 0);
        append(m);
        addFull(*list_, m, p.state);
      }
      listProposals_.push_back(std::move(p));
      continue;
    }
    if (known == state_.mailboxes.end()) {
      append(newMailbox(*list_, i, kCodeReadWhole));
      // Unreadable as well: as after a full read of it (above).
      if (!readable) {
        p.state.waiting.clear();
        listProposals_.push_back(std::move(p));
      }
      continue;
    }
    if (!readable) {
      // Nothing is taken as gone; quiet until the folders change again.
      append(newMailbox(*list_, i, kCodeReadWhole));
      p.state.waiting = known->second.waiting;
      listProposals_.push_back(std::move(p));
      continue;
    }
    Mailbox* m = nullptr;
    const auto record = [&]() {
      if (m == nullptr) {
        m = newMailbox(*list_, i, 0);
        append(m);
      }
      return m;
    };
    for (const auto& [unique, k] : p.state.waiting) {
      if (known->second.waiting.count(unique) == 0) list_->addWaiting(record(), k);
    }
    for (const auto& [unique, k] : known->second.waiting) {
      if (p.state.waiting.count(unique) == 0) {
        // Seen (still in cur/) or deleted.
        const std::uint32_t flags = seen.count(unique) != 0 ? 2 : 4;
        list_->node(list_->group(record(), k.type), k.id, flags);
      }
    }
    listProposals_.push_back(std::move(p));
  }
  return 0;
}

std::int32_t MailboxReader::readWhole(Mailbox** mailbox, Request* request, Mailbox* record) {
  if (mailbox == nullptr || request == nullptr || record == nullptr) return kErrBadRequest;
  std::uint32_t index = 0;
  std::memcpy(&index, record->reserved0, sizeof index);
  if (record->reserved0[4] != kRecordMark || index >= mailboxes_.size()) return kErrBadRequest;
  Proposal p{index, {}};
  if (!propose(index, p.state)) {
    *mailbox = nullptr;
    return kErrUnreadable;
  }
  auto arena = std::make_unique<Arena>();
  Mailbox* full = newMailbox(*arena, index, 0);
  addFull(*arena, full, p.state);
  whole_[full] = {std::move(arena), std::move(p)};
  *mailbox = full;
  return 0;
}

std::int32_t MailboxReader::confirmWhole(Mailbox** mailbox) {
  if (mailbox == nullptr || *mailbox == nullptr) return 0;
  const auto it = whole_.find(*mailbox);
  if (it == whole_.end()) return kErrBadRequest;
  commit(it->second.second);
  whole_.erase(it);
  *mailbox = nullptr;
  save();
  return 0;
}

void MailboxReader::confirmList(Mailbox** list) {
  if (!list_) return;
  for (const Proposal& p : listProposals_) commit(p);
  if (fullList_) {
    // A full read knows every mailbox: states of folders no longer configured go.
    for (auto it = state_.mailboxes.begin(); it != state_.mailboxes.end();) {
      const bool configured = std::any_of(mailboxes_.begin(), mailboxes_.end(),
                                          [&](const MailboxConfig& m) { return m.maildir == it->first; });
      it = configured ? std::next(it) : state_.mailboxes.erase(it);
    }
  }
  list_.reset();
  listProposals_.clear();
  if (list != nullptr) *list = nullptr;
  save();
}

void MailboxReader::commit(const Proposal& p) {
  state_.mailboxes[mailboxes_[p.index].maildir] = p.state;
}

void MailboxReader::save() { saved_ = state_.save(statePath_); }

}  // namespace agentz4
