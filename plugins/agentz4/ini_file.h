#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace agentz4 {

// The library's own configuration file: "[Section]" headers, "key=value"
// lines, ";" or "#" comments. Names match without regard to case; the first
// of duplicate keys wins.
class IniFile {
 public:
  // False when the file cannot be read.
  bool load(const std::string& path);
  std::string get(const std::string& section, const std::string& key,
                  const std::string& fallback = "") const;
  int getInt(const std::string& section, const std::string& key, int fallback) const;
  // Section names in file order, as written.
  const std::vector<std::string>& sections() const { return order_; }

 private:
  std::map<std::string, std::map<std::string, std::string>> values_;  // lower-case names
  std::vector<std::string> order_;
};

std::string lowerAscii(std::string s);
std::string trim(const std::string& s);

}  // namespace agentz4
