#include "mailbox_state.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "spool.h"

namespace agentz4 {

namespace {
constexpr const char* kMagic = "agentz4-state 1";
}

bool StateStore::load(const std::string& path) {
  mailboxes.clear();
  nextId = 1;
  std::ifstream in(path, std::ios::binary);
  if (!in) return access(path.c_str(), F_OK) != 0;
  std::string line;
  if (!std::getline(in, line) || line != kMagic) return false;
  MailboxState* current = nullptr;
  while (std::getline(in, line)) {
    if (line.rfind("next-id ", 0) == 0) {
      nextId = static_cast<std::int32_t>(std::strtol(line.c_str() + 8, nullptr, 10));
      if (nextId < 1) nextId = 1;
    } else if (line.rfind("mailbox ", 0) == 0) {
      current = &mailboxes[line.substr(8)];
    } else if (line.rfind("times ", 0) == 0 && current != nullptr) {
      std::istringstream s(line.substr(6));
      s >> current->times.newNs >> current->times.curNs;
    } else if (line.rfind("msg ", 0) == 0 && current != nullptr) {
      // msg ID TYPE UNIQUE
      std::istringstream s(line.substr(4));
      std::int32_t id = 0;
      char type = 'E';
      s >> id >> type;
      s.get();
      std::string unique;
      std::getline(s, unique);
      if (!unique.empty()) current->waiting[unique] = {id, type};
    } else if (line == "end") {
      return true;
    }
  }
  // A file cut short (a crash while it was written elsewhere) counts as unreadable.
  mailboxes.clear();
  nextId = 1;
  return false;
}

bool StateStore::save(const std::string& path) const {
  std::ostringstream out;
  out << kMagic << "\nnext-id " << nextId << "\n";
  for (const auto& [maildir, state] : mailboxes) {
    out << "mailbox " << maildir << "\ntimes " << state.times.newNs << " " << state.times.curNs
        << "\n";
    for (const auto& [unique, m] : state.waiting) {
      out << "msg " << m.id << " " << m.type << " " << unique << "\n";
    }
  }
  out << "end\n";
  const std::string text = out.str();
  const std::string temp = path + ".tmp";
  std::remove(temp.c_str());  // left by a crash while it was written
  if (!writeNewFile(temp, text) || std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace agentz4
