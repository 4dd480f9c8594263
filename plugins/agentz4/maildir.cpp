#include "maildir.h"

#include <dirent.h>
#include <sys/stat.h>

#include <fstream>

#include "ini_file.h"

namespace agentz4 {

namespace {

constexpr std::size_t kTypeScanBytes = 64 * 1024;

std::int64_t changeTime(const std::string& dir) {
  struct stat st {};
  if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return -1;
  return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
}

template <typename Fn>
bool eachFile(const std::string& dir, Fn fn) {
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return false;
  while (const dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    // Names that a line-based state file could not hold are left alone.
    if (name.empty() || name[0] == '.' || name.find('\n') != std::string::npos) continue;
    fn(name);
  }
  closedir(d);
  return true;
}

std::string uniqueOf(const std::string& name) { return name.substr(0, name.find(':')); }

// The flags of a cur/ name "unique:2,FLAGS"; empty when it has none.
std::string flagsOf(const std::string& name) {
  const auto info = name.find(":2,");
  return info == std::string::npos ? std::string() : name.substr(info + 3);
}

// Type of a Content-Type value.
char typeOfContent(const std::string& value) {
  const std::string v = lowerAscii(trim(value));
  if (v.rfind("audio/", 0) == 0) return 'H';
  if (v.rfind("image/tiff", 0) == 0 || v.rfind("image/tif", 0) == 0 ||
      v.rfind("application/x-fax", 0) == 0) {
    return 'F';
  }
  return 0;
}

}  // namespace

FolderTimes folderTimes(const std::string& maildir) {
  return {changeTime(maildir + "/new"), changeTime(maildir + "/cur")};
}

bool listWaiting(const std::string& maildir, std::vector<WaitingMessage>& out,
                 std::set<std::string>* seen) {
  out.clear();
  if (seen != nullptr) seen->clear();
  const bool okNew = eachFile(maildir + "/new", [&](const std::string& name) {
    out.push_back({uniqueOf(name), maildir + "/new/" + name});
  });
  const bool okCur = eachFile(maildir + "/cur", [&](const std::string& name) {
    const std::string flags = flagsOf(name);
    const bool trashed = flags.find('T') != std::string::npos;
    if (flags.find('S') != std::string::npos || trashed) {
      if (seen != nullptr && !trashed) seen->insert(uniqueOf(name));
      return;
    }
    out.push_back({uniqueOf(name), maildir + "/cur/" + name});
  });
  return okNew && okCur;
}

char messageTypeOf(const std::string& text) {
  // The head: header lines up to the first empty line, folded lines joined.
  std::vector<std::string> headers;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    pos = end + 1;
    if (line.empty()) break;
    if ((line[0] == ' ' || line[0] == '\t') && !headers.empty()) {
      headers.back() += " " + trim(line);
    } else {
      headers.push_back(line);
    }
  }
  std::string contentType;
  for (const std::string& h : headers) {
    const auto colon = h.find(':');
    if (colon == std::string::npos) continue;
    const std::string name = lowerAscii(trim(h.substr(0, colon)));
    const std::string value = trim(h.substr(colon + 1));
    if (name == "x-norva-message-type" && !value.empty()) {
      const char c = value[0];
      if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
      if (c >= 'A' && c <= 'Z') return c;
    }
    if (name == "content-type" && contentType.empty()) contentType = value;
  }
  if (const char t = typeOfContent(contentType)) return t;
  // A voice or fax message usually comes as an attachment: the parts'
  // content types within the first bytes decide.
  if (lowerAscii(contentType).rfind("multipart/", 0) == 0) {
    const std::string body = lowerAscii(text.substr(std::min(pos, text.size())));
    char found = 0;
    std::size_t at = 0;
    while ((at = body.find("content-type:", at)) != std::string::npos) {
      at += 13;
      const std::size_t end = body.find_first_of(";\r\n", at);
      const char t = typeOfContent(body.substr(at, end == std::string::npos ? end : end - at));
      if (t == 'H') return 'H';
      if (t == 'F') found = 'F';
    }
    if (found) return found;
  }
  return 'E';
}

char messageType(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string head(kTypeScanBytes, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  return messageTypeOf(head);
}

}  // namespace agentz4
