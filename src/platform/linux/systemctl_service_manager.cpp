#include "platform/linux/systemctl_service_manager.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "core/cp1250.h"
#include "core/text_util.h"
#include "service/service_names.h"

extern char** environ;

namespace norva {

namespace {

const std::string kUnit = std::string(service::kServiceName) + ".service";

bool isDenied(int error) { return error == EACCES || error == EPERM; }

// systemctl reports missing rights only in words.
bool deniedText(const std::string& text) {
  for (const char* marker : {"Access denied", "authentication required", "Permission denied",
                             "Operation not permitted"}) {
    if (text.find(marker) != std::string::npos) return true;
  }
  return false;
}

UnitActivity activityOf(const std::string& state) {
  if (state == "inactive") return UnitActivity::Inactive;
  if (state == "failed") return UnitActivity::Failed;
  if (state == "activating") return UnitActivity::Activating;
  if (state == "deactivating") return UnitActivity::Deactivating;
  if (state == "active" || state == "reloading" || state == "refreshing") {
    return UnitActivity::Active;
  }
  return UnitActivity::Other;
}

std::string valueOf(const std::string& show, const std::string& key) {
  std::istringstream lines(show);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind(key + "=", 0) == 0) {
      return std::string(trim(std::string_view(line).substr(key.size() + 1)));
    }
  }
  return {};
}

// One word of ExecStart: quoted, with the characters systemd expands escaped.
std::string unitWord(const std::string& word) {
  std::string out = "\"";
  for (const char c : word) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '%') out += '%';
    if (c == '$') out += '$';
    out += c;
  }
  return out + "\"";
}

// One argument of a desktop entry's Exec: quoted as the entry format asks,
// then with every backslash doubled, as its string values are read.
std::string execWord(const std::string& word) {
  std::string quoted = "\"";
  for (const char c : word) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    if (c == '%') quoted += '%';
    quoted += c;
  }
  quoted += '"';
  std::string out;
  for (const char c : quoted) {
    if (c == '\\') out += '\\';
    out += c;
  }
  return out;
}

bool writeFileAtomically(const std::string& path, const std::string& content, int& error) {
  const std::string temp = path + ".new";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = errno;
    return false;
  }
  // A failed close can lose what was written: it fails the whole write.
  errno = 0;  // a short write sets none
  bool ok = ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
  if (!ok) error = errno != 0 ? errno : EIO;
  if (::close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

}  // namespace

SystemctlServiceManager::SystemctlServiceManager(Paths paths) : paths_(std::move(paths)) {}

std::string SystemctlServiceManager::unitPath() const { return paths_.unitDir + "/" + kUnit; }

std::string SystemctlServiceManager::unitText(const std::string& program,
                                              const std::string& argument) {
  return std::string("[Unit]\nDescription=") + service::kDisplayName +
         "\nAfter=network.target\n\n"
         "[Service]\nType=notify\nNotifyAccess=main\nExecStart=" +
         unitWord(program) + " " + argument +
         "\n\n"
         "[Install]\nWantedBy=multi-user.target\n";
}

bool SystemctlServiceManager::available() {
  struct stat st {};
  return ::lstat(paths_.bootedMarker.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool SystemctlServiceManager::connect() {
  const std::string& prog = paths_.systemctl;
  if (prog.find('/') != std::string::npos) {
    if (::access(prog.c_str(), X_OK) == 0) return true;
  } else if (const char* path = std::getenv("PATH")) {
    std::istringstream dirs(path);
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
      if (!dir.empty() && ::access((dir + "/" + prog).c_str(), X_OK) == 0) return true;
    }
  }
  fault_ = {false, utf8ToCp1250(prog + ": not found")};
  return false;
}

SystemctlServiceManager::Result SystemctlServiceManager::run(const std::vector<std::string>& args) {
  Result r;
  int out[2], err[2];
  if (::pipe2(out, O_CLOEXEC) != 0) return r;
  if (::pipe2(err, O_CLOEXEC) != 0) {
    ::close(out[0]);
    ::close(out[1]);
    return r;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  std::vector<std::string> all = {paths_.systemctl};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int spawned =
      posix_spawnp(&pid, paths_.systemctl.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  ::close(err[1]);
  if (spawned == 0) {
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&r.out, &r.err};
    int open = 2;
    while (open > 0) {
      if (::poll(fds, 2, -1) < 0) {
        if (errno == EINTR) continue;
        break;
      }
      for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || fds[i].revents == 0) continue;
        char buf[4096];
        const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
        if (n > 0) {
          sinks[i]->append(buf, static_cast<size_t>(n));
        } else if (n == 0 || errno != EINTR) {
          fds[i].fd = -1;
          --open;
        }
      }
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  } else {
    r.err = paths_.systemctl + ": " + std::strerror(spawned);
  }
  ::close(out[0]);
  ::close(err[0]);
  return r;
}

bool SystemctlServiceManager::control(const std::vector<std::string>& args, std::string* out) {
  const Result r = run(args);
  if (out != nullptr) *out = r.out;
  if (r.status == 0) return true;
  std::string message(trim(r.err));
  if (message.empty()) message = "systemctl failed (" + std::to_string(r.status) + ")";
  fault_ = {deniedText(r.err), utf8ToCp1250(message)};
  return false;
}

void SystemctlServiceManager::failFromErrno(int error, const std::string& what) {
  fault_ = {isDenied(error), utf8ToCp1250(what + ": " + std::strerror(error))};
}

bool SystemctlServiceManager::queryUnit(UnitInfo& info) {
  std::string out;
  if (!control({"show", kUnit, "--property=LoadState,UnitFileState,ActiveState"}, &out)) {
    return false;
  }
  info.installed = valueOf(out, "LoadState") == "loaded";
  const std::string file = valueOf(out, "UnitFileState");
  info.startType = file == "enabled" ? 0 : file == "disabled" ? 1 : -1;
  info.activity = activityOf(valueOf(out, "ActiveState"));
  return true;
}

bool SystemctlServiceManager::createUnit(const std::string& program, const std::string& argument,
                                         bool automaticStart) {
  int error = 0;
  if (!writeFileAtomically(unitPath(), unitText(program, argument), error)) {
    failFromErrno(error, unitPath());
    return false;
  }
  if (!control({"--no-ask-password", "daemon-reload"})) return false;
  // Automatic start is an enabled unit; a demand start stays as written.
  return !automaticStart || control({"--no-ask-password", "enable", kUnit});
}

bool SystemctlServiceManager::deleteUnit() {
  if (!control({"--no-ask-password", "disable", kUnit})) return false;
  if (::unlink(unitPath().c_str()) != 0 && errno != ENOENT) {
    failFromErrno(errno, unitPath());
    return false;
  }
  return control({"--no-ask-password", "daemon-reload"});
}

bool SystemctlServiceManager::sendStop() {
  return control({"--no-ask-password", "--no-block", "stop", kUnit});
}

bool SystemctlServiceManager::readActivity(UnitActivity& activity) {
  std::string out;
  if (!control({"show", kUnit, "--property=ActiveState"}, &out)) return false;
  activity = activityOf(valueOf(out, "ActiveState"));
  return true;
}

bool SystemctlServiceManager::sendStart() {
  return control({"--no-ask-password", "--no-block", "start", kUnit});
}

// ---- autostart ----

std::string XdgAutostart::defaultFolder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') return std::string(config) + "/autostart";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.config/autostart";
}

std::string XdgAutostart::readCommand() {
  const int fd = ::open(entryPath().c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  std::string content;
  char buf[4096];
  ssize_t n;
  while ((n = ::read(fd, buf, sizeof buf)) > 0) content.append(buf, static_cast<size_t>(n));
  ::close(fd);
  return valueOf(content, "Exec");
}

bool XdgAutostart::write(const std::string& program, const std::string& argument) {
  // The folder may not exist yet on a fresh account.
  std::string partial;
  std::istringstream parts(folder_);
  std::string part;
  while (std::getline(parts, part, '/')) {
    partial += part + "/";
    if (!part.empty()) ::mkdir(partial.c_str(), 0755);
  }
  const std::string text = std::string("[Desktop Entry]\nType=Application\nName=") +
                           service::kDisplayName + "\nExec=" + execWord(program) + " " +
                           argument + "\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
  int error = 0;
  return writeFileAtomically(entryPath(), text, error);
}

bool XdgAutostart::remove() { return ::unlink(entryPath().c_str()) == 0 || errno == ENOENT; }

}  // namespace norva
