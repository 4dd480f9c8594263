#include "ini_file.h"

#include <charconv>
#include <fstream>

namespace agentz4 {

std::string lowerAscii(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

std::string trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(" \t\r\n");
  return s.substr(first, last - first + 1);
}

bool IniFile::load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  values_.clear();
  order_.clear();
  std::string line, section;
  while (std::getline(in, line)) {
    line = trim(line);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[' && line.back() == ']') {
      const std::string name = trim(line.substr(1, line.size() - 2));
      section = lowerAscii(name);
      if (values_.emplace(section, std::map<std::string, std::string>{}).second) {
        order_.push_back(name);
      }
      continue;
    }
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string value = trim(line.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    values_[section].emplace(lowerAscii(trim(line.substr(0, eq))), value);
  }
  return true;
}

std::string IniFile::get(const std::string& section, const std::string& key,
                         const std::string& fallback) const {
  const auto s = values_.find(lowerAscii(section));
  if (s == values_.end()) return fallback;
  const auto k = s->second.find(lowerAscii(key));
  return k == s->second.end() ? fallback : k->second;
}

int IniFile::getInt(const std::string& section, const std::string& key, int fallback) const {
  const std::string text = get(section, key);
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty() ? value : fallback;
}

}  // namespace agentz4
