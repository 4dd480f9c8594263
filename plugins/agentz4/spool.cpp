#include "spool.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>

namespace agentz4 {

namespace {

constexpr const char* kMagic = "agentz4-spool 1";

// A header value holds no line break.
std::string oneLine(std::string s) {
  std::replace(s.begin(), s.end(), '\n', ' ');
  std::replace(s.begin(), s.end(), '\r', ' ');
  return s;
}

}  // namespace

bool makeDir(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) == 0) return true;
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool writeNewFile(const std::string& path, const std::string& text) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  std::size_t done = 0;
  bool ok = true;
  while (ok && done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n <= 0) ok = false;
    else done += static_cast<std::size_t>(n);
  }
  ok = ::fsync(fd) == 0 && ok;
  ok = ::close(fd) == 0 && ok;
  if (!ok) ::unlink(path.c_str());
  return ok;
}

std::string encodeEntry(const SpoolEntry& e) {
  std::string out = std::string(kMagic) + "\n";
  out += "type " + std::string(1, e.type == '\n' || e.type == 0 ? '?' : e.type) + "\n";
  out += "flag " + std::to_string(e.flag) + "\n";
  out += "recipient " + oneLine(e.recipient) + "\n";
  out += "subject " + oneLine(e.subject) + "\n";
  out += "\n" + e.body;
  return out;
}

bool decodeEntry(const std::string& text, SpoolEntry& out) {
  SpoolEntry e;
  std::size_t pos = 0;
  bool first = true;
  while (true) {
    const std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) return false;
    const std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (first) {
      if (line != kMagic) return false;
      first = false;
      continue;
    }
    if (line.empty()) break;
    const std::size_t space = line.find(' ');
    const std::string key = line.substr(0, space);
    const std::string value = space == std::string::npos ? "" : line.substr(space + 1);
    if (key == "type") e.type = value.empty() ? '?' : value[0];
    if (key == "flag") e.flag = static_cast<std::uint8_t>(std::atoi(value.c_str()));
    if (key == "recipient") e.recipient = value;
    if (key == "subject") e.subject = value;
  }
  e.body = text.substr(pos);
  out = std::move(e);
  return true;
}

Spool::Spool(std::string folder) : folder_(std::move(folder)) {}

bool Spool::open() { return makeDir(folder_) && makeDir(failedFolder()); }

std::string Spool::put(const SpoolEntry& entry) {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::system_clock::now().time_since_epoch())
                      .count();
  char name[64];
  std::snprintf(name, sizeof name, "%013lld-%06u-%d.msg", static_cast<long long>(ms),
                ++sequence_ % 1000000u, static_cast<int>(::getpid()));
  const std::string temp = folder_ + "/." + name + ".tmp";
  if (!writeNewFile(temp, encodeEntry(entry))) return {};
  if (std::rename(temp.c_str(), (folder_ + "/" + name).c_str()) != 0) {
    ::unlink(temp.c_str());
    return {};
  }
  return name;
}

std::vector<std::string> Spool::waiting() const {
  std::vector<std::string> out;
  DIR* d = opendir(folder_.c_str());
  if (d == nullptr) return out;
  while (const dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name.size() > 4 && name[0] != '.' && name.compare(name.size() - 4, 4, ".msg") == 0) {
      out.push_back(name);
    }
  }
  closedir(d);
  std::sort(out.begin(), out.end());
  return out;
}

bool Spool::read(const std::string& name, SpoolEntry& out) const {
  std::ifstream in(folder_ + "/" + name, std::ios::binary);
  if (!in) return false;
  const std::string text((std::istreambuf_iterator<char>(in)), {});
  return decodeEntry(text, out);
}

bool Spool::remove(const std::string& name) { return ::unlink((folder_ + "/" + name).c_str()) == 0; }

bool Spool::fail(const std::string& name, const std::string& reason) {
  const std::string target = failedFolder() + "/" + name;
  if (std::rename((folder_ + "/" + name).c_str(), target.c_str()) != 0) return false;
  std::ofstream(target + ".why", std::ios::binary) << reason << "\n";
  return true;
}

}  // namespace agentz4
