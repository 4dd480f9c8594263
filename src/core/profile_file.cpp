#include "core/profile_file.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "core/text_util.h"

namespace norva {

ProfileFile::ProfileFile(std::string path) : path_(std::move(path)) {
  std::ifstream in(path_, std::ios::binary);
  if (!in) return;
  exists_ = true;
  std::ostringstream all;
  all << in.rdbuf();
  const std::string text = all.str();
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
      if (lines_.empty()) crlf_ = true;
    }
    lines_.push_back(std::move(line));
    start = end + 1;
  }
  parse();
}

void ProfileFile::parse() {
  sections_.clear();
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const std::string_view line = trim(lines_[i]);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const std::size_t close = line.find(']');
      const std::string_view name =
          close == std::string_view::npos ? line.substr(1) : line.substr(1, close - 1);
      sections_.push_back(Section{i, std::string(trim(name)), {}, {}});
      continue;
    }
    if (sections_.empty()) continue;  // lines before the first section belong to none
    Section& section = sections_.back();
    section.contentLines.push_back(i);
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string_view value = trim(line.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    section.entries.push_back(Entry{i, std::string(trim(line.substr(0, eq))), std::string(value)});
  }
}

const ProfileFile::Section* ProfileFile::findSection(std::string_view name) const {
  for (const Section& s : sections_) {
    if (equalsNoCase(s.name, name)) return &s;
  }
  return nullptr;
}

std::optional<std::string> ProfileFile::find(std::string_view section, std::string_view key) const {
  const Section* s = findSection(section);
  if (s == nullptr) return std::nullopt;
  for (const Entry& e : s->entries) {
    if (equalsNoCase(e.key, key)) return e.value;
  }
  return std::nullopt;
}

std::string ProfileFile::readString(std::string_view section, std::string_view key,
                                    const std::string& fallback) const {
  return find(section, key).value_or(fallback);
}

std::optional<int> ProfileFile::parseInteger(std::string_view text) {
  text = trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty() || text.front() == '+') return std::nullopt;
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

int ProfileFile::readInteger(std::string_view section, std::string_view key, int fallback) const {
  const auto text = find(section, key);
  if (!text) return fallback;
  return parseInteger(*text).value_or(fallback);
}

bool ProfileFile::readBool(std::string_view section, std::string_view key, bool fallback) const {
  const auto text = find(section, key);
  if (!text) return fallback;
  const auto value = parseInteger(*text);
  return value ? *value != 0 : fallback;
}

std::vector<std::string> ProfileFile::sectionLines(std::string_view section) const {
  std::vector<std::string> out;
  if (const Section* s = findSection(section)) {
    for (const Entry& e : s->entries) out.push_back(e.key + "=" + e.value);
  }
  return out;
}

std::vector<std::pair<std::string, std::string>> ProfileFile::sectionValues(
    std::string_view section) const {
  std::vector<std::pair<std::string, std::string>> out;
  if (const Section* s = findSection(section)) {
    for (const Entry& e : s->entries) out.emplace_back(e.key, e.value);
  }
  return out;
}

bool ProfileFile::writeString(std::string_view section, std::string_view key,
                              std::string_view value) {
  // A value must stay on its own line.
  std::string clean;
  for (char c : value) {
    if (c != '\r' && c != '\n') clean.push_back(c);
  }
  if (const Section* s = findSection(section)) {
    for (const Entry& e : s->entries) {
      if (equalsNoCase(e.key, key)) {
        lines_[e.line] = e.key + "=" + clean;
        parse();
        return save();
      }
    }
    const std::size_t after = s->contentLines.empty() ? s->headerLine : s->contentLines.back();
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(after + 1),
                  std::string(key) + "=" + clean);
  } else {
    if (!lines_.empty() && !trim(lines_.back()).empty()) lines_.emplace_back();
    lines_.push_back("[" + std::string(section) + "]");
    lines_.push_back(std::string(key) + "=" + clean);
  }
  parse();
  return save();
}

bool ProfileFile::writeInteger(std::string_view section, std::string_view key, int value) {
  return writeString(section, key, std::to_string(value));
}

bool ProfileFile::writeBool(std::string_view section, std::string_view key, bool value) {
  return writeString(section, key, value ? "1" : "0");
}

bool ProfileFile::save() {
  // Written beside the file and renamed over it, so a crash mid-write never
  // leaves a half-written configuration.
  const std::string temp = path_ + ".new~";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    const char* eol = crlf_ ? "\r\n" : "\n";
    for (const std::string& line : lines_) out << line << eol;
    out.flush();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temp, ignored);
      return false;
    }
  }
  std::error_code ec;
  if (std::filesystem::exists(path_, ec)) {
    const auto perms = std::filesystem::status(path_, ec).permissions();
    if (!ec) std::filesystem::permissions(temp, perms, ec);
  }
  std::filesystem::rename(temp, path_, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    return false;
  }
  exists_ = true;
  return true;
}

}  // namespace norva
