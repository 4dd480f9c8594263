#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "config.h"
#include "mailbox_state.h"
#include "messaging/agentz4_records.h"

namespace agentz4 {

// Error codes of the reading calls.
constexpr std::int32_t kErrNotStarted = 1;
constexpr std::int32_t kErrUnreadable = 2;   // the mailbox's folders cannot be read
constexpr std::int32_t kErrBadRequest = 3;   // a null pointer or an unknown mode or record

// The reading side of the library: the Maildir folders of the configured
// mailboxes, compared with the state the agent last confirmed.
//
// A mailbox is given with code 2005 (read it whole) when there is no
// confirmed state for its Maildir (a mailbox new in the configuration, or a
// state file that was lost), and when its folders cannot be read; the whole
// read then fails with kErrUnreadable. A list that is never confirmed is
// dropped by the next list read, which reports its changes again.
class MailboxReader {
 public:
  MailboxReader(std::vector<MailboxConfig> mailboxes, std::string statePath);
  ~MailboxReader();

  // Loads the confirmed state; an unreadable state file is logged by the
  // caller and read as empty (every mailbox is then read whole).
  bool start();

  std::int32_t quickTest() const;
  std::int32_t readList(Mailbox** list, Request* request);
  std::int32_t readWhole(Mailbox** mailbox, Request* request, Mailbox* record);
  std::int32_t confirmWhole(Mailbox** mailbox);
  void confirmList(Mailbox** list);

  const StateStore& state() const { return state_; }
  bool stateSaved() const { return saved_; }

 private:
  struct Arena;
  struct Proposal {
    std::size_t index;
    MailboxState state;
  };
  // The mailbox's waiting messages now, with ids and types, and the seen
  // ones; false when unreadable.
  bool propose(std::size_t index, MailboxState& out, std::set<std::string>* seen = nullptr);
  Mailbox* newMailbox(Arena& arena, std::size_t index, std::int32_t code);
  void addFull(Arena& arena, Mailbox* m, const MailboxState& s);
  void commit(const Proposal& p);
  void save();

  std::vector<MailboxConfig> mailboxes_;
  std::string statePath_;
  StateStore state_;
  bool saved_ = true;
  // The list read not yet confirmed, and the whole reads not yet confirmed.
  std::unique_ptr<Arena> list_;
  std::vector<Proposal> listProposals_;
  bool fullList_ = false;
  std::map<Mailbox*, std::pair<std::unique_ptr<Arena>, Proposal>> whole_;
};

}  // namespace agentz4
