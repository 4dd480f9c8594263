#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace agentz4 {

// One message waiting to be delivered, as the agent handed it over.
struct SpoolEntry {
  char type = 'I';
  std::uint8_t flag = 0;
  std::string recipient;  // Windows-1250, as given
  std::string subject;
  std::string body;
};

// The outgoing messages in the work directory: every message is written to
// a temporary name and renamed into the folder, so the delivery thread only
// ever sees whole files. Messages that can never be delivered move to
// failed/, with the reason beside them.
class Spool {
 public:
  explicit Spool(std::string folder);
  // Creates the folders; false when they cannot be made.
  bool open();
  // The new entry's file name; empty when it could not be written whole.
  std::string put(const SpoolEntry& entry);
  // Names of the waiting entries, oldest first.
  std::vector<std::string> waiting() const;
  bool read(const std::string& name, SpoolEntry& out) const;
  bool remove(const std::string& name);
  bool fail(const std::string& name, const std::string& reason);
  const std::string& folder() const { return folder_; }
  std::string failedFolder() const { return folder_ + "/failed"; }

 private:
  std::string folder_;
  std::uint32_t sequence_ = 0;
};

std::string encodeEntry(const SpoolEntry& entry);
bool decodeEntry(const std::string& text, SpoolEntry& out);

// Helpers for the spool and for the other files of the work directory.
// A folder that is there afterwards: made now, or one that was there.
bool makeDir(const std::string& path);
// Writes a file that must not exist yet, all of it and synced to disk; a
// file that could not be written whole is removed.
bool writeNewFile(const std::string& path, const std::string& text);

}  // namespace agentz4
