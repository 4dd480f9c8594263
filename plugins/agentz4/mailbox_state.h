#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "maildir.h"

namespace agentz4 {

struct KnownMessage {
  std::int32_t id;
  char type;
  bool operator==(const KnownMessage&) const = default;
};

// What the agent has confirmed of one mailbox: its waiting messages and the
// folder times at that read.
struct MailboxState {
  FolderTimes times;
  std::map<std::string, KnownMessage> waiting;  // by unique name
  bool operator==(const MailboxState&) const = default;
};

// The confirmed state of every mailbox, by Maildir path, kept in the work
// directory so that a restart neither counts a message twice nor misses one.
struct StateStore {
  std::map<std::string, MailboxState> mailboxes;
  std::int32_t nextId = 1;

  // A missing file reads as empty; false for a file that is there but unreadable.
  bool load(const std::string& path);
  // Written to a temporary file and renamed over the old one.
  bool save(const std::string& path) const;
};

}  // namespace agentz4
