#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace norva {

// An initialization file with the profile rules the agent relies on:
// section and key names match without regard to case, white space around
// keys and values is ignored, the first of duplicate sections or keys wins,
// a value in matching double quotes is read without them, and a missing
// file, section or key gives the caller's default. Reading never creates the
// file; writing one key rewrites only that line and keeps everything else.
class ProfileFile {
 public:
  // Reads the file now; a missing or unreadable file reads as empty.
  explicit ProfileFile(std::string path);

  const std::string& path() const { return path_; }
  bool exists() const { return exists_; }

  std::optional<std::string> find(std::string_view section, std::string_view key) const;
  std::string readString(std::string_view section, std::string_view key,
                         const std::string& fallback) const;
  // A decimal integer (optional sign, 32-bit range); anything else gives the fallback.
  int readInteger(std::string_view section, std::string_view key, int fallback) const;
  // 0 is false, any other integer true; anything else gives the fallback.
  bool readBool(std::string_view section, std::string_view key, bool fallback) const;

  // Every "name=value" line of the section in file order, trimmed, duplicates kept.
  std::vector<std::string> sectionLines(std::string_view section) const;
  // Every key of the section with its value, in file order, duplicates kept.
  std::vector<std::pair<std::string, std::string>> sectionValues(std::string_view section) const;

  // Sets one key and saves the file at once (created with its section when
  // missing). Returns false when the file could not be written.
  bool writeString(std::string_view section, std::string_view key, std::string_view value);
  bool writeInteger(std::string_view section, std::string_view key, int value);
  bool writeBool(std::string_view section, std::string_view key, bool value);

  // Strict decimal parse used for integer keys.
  static std::optional<int> parseInteger(std::string_view text);

 private:
  struct Entry {
    std::size_t line;
    std::string key;
    std::string value;
  };
  struct Section {
    std::size_t headerLine;
    std::string name;
    std::vector<Entry> entries;
    std::vector<std::size_t> contentLines;  // non-blank, non-comment lines
  };

  void parse();
  const Section* findSection(std::string_view name) const;
  bool save();

  std::string path_;
  bool exists_ = false;
  bool crlf_ = false;
  std::vector<std::string> lines_;
  std::vector<Section> sections_;
};

}  // namespace norva
