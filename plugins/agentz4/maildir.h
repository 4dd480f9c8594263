#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace agentz4 {

// Change times of a Maildir's new/ and cur/ folders, in nanoseconds; -1 for
// a folder that cannot be read.
struct FolderTimes {
  std::int64_t newNs = -1;
  std::int64_t curNs = -1;
  bool operator==(const FolderTimes&) const = default;
};

FolderTimes folderTimes(const std::string& maildir);

// A message that has not been seen: every file in new/, and the files in
// cur/ whose flags carry neither S (seen) nor T (trashed).
struct WaitingMessage {
  std::string unique;  // the file name up to its ":" info part
  std::string path;
};

// False when new/ or cur/ cannot be read. `seen` gets the unique names of
// the messages in cur/ that are seen and not trashed.
bool listWaiting(const std::string& maildir, std::vector<WaitingMessage>& out,
                 std::set<std::string>* seen = nullptr);

// The type letter of a message file: our own header "X-Norva-Message-Type"
// when present (its first letter), else 'H' for audio content (voice mail),
// 'F' for a TIFF image or a fax-tagged message, else 'E'.
char messageType(const std::string& path);
// The same, on the message's text (its head is enough).
char messageTypeOf(const std::string& text);

}  // namespace agentz4
