#include "cti_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>

#include "core/cp1250.h"
#include "cti_command.h"

namespace xapisrvr {

using nlohmann::json;

namespace {

constexpr int kStateWithCaller = 8;

std::string dumpLine(const json& message) {
  return message.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
}

// A text from the PBX (Windows-1250, up to its first NUL within `max`).
std::string pbxText(const char* text, std::size_t max) {
  return norva::cp1250ToUtf8(std::string_view(text, strnlen(text, max)));
}

json lineRecord(int line, const std::array<std::uint8_t, 4>& r) {
  return {{"line", line},
          {"state", r[0]},
          {"bytes", {r[0], r[1], r[2], r[3]}},
          {"callerFlag", r[0] == kStateWithCaller && (r[3] & 1) != 0}};
}

}  // namespace

CtiServer::CtiServer(CtiSettings settings) : settings_(std::move(settings)) {}

CtiServer::~CtiServer() { stop(); }

bool CtiServer::start(Post post, std::string* error) {
  const auto fail = [&](const std::string& what) {
    if (error != nullptr) *error = what + ": " + std::strerror(errno);
    if (listenFd_ >= 0) ::close(listenFd_);
    listenFd_ = -1;
    return false;
  };
  post_ = std::move(post);
  std::uint32_t address = 0;
  if (!parseAddress(settings_.listen, address)) {
    errno = EINVAL;
    return fail("listen address " + settings_.listen);
  }
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) return fail("socket");
  const int one = 1;
  ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(static_cast<std::uint16_t>(settings_.port));
  sa.sin_addr.s_addr = htonl(address);
  if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
    return fail("bind " + settings_.listen + ":" + std::to_string(settings_.port));
  }
  if (::listen(listenFd_, 16) != 0) return fail("listen");
  socklen_t len = sizeof sa;
  ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&sa), &len);
  port_ = ntohs(sa.sin_port);
  int pipeFds[2];
  if (::pipe2(pipeFds, O_NONBLOCK | O_CLOEXEC) != 0) return fail("pipe");
  wakeRead_ = pipeFds[0];
  wakeWrite_ = pipeFds[1];
  stopping_ = false;
  thread_ = std::thread([this] { run(); });
  return true;
}

void CtiServer::stop() {
  if (thread_.joinable()) {
    stopping_ = true;
    wake();
    thread_.join();
  }
  std::lock_guard lock(mutex_);
  for (auto& [id, c] : clients_) ::close(c.fd);
  clients_.clear();
  for (int* fd : {&listenFd_, &wakeRead_, &wakeWrite_}) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
  }
}

void CtiServer::wake() {
  if (wakeWrite_ < 0) return;
  const char b = 1;
  // A full pipe already means "wake up".
  [[maybe_unused]] const ssize_t n = ::write(wakeWrite_, &b, 1);
}

void CtiServer::run() {
  // While no descriptor is left the pending client stays pending and the
  // listener stays readable: it is left out of the poll for a while.
  constexpr auto kAcceptPause = std::chrono::seconds(1);
  auto acceptResume = std::chrono::steady_clock::time_point{};
  try {
    while (!stopping_) {
      const auto now = std::chrono::steady_clock::now();
      const bool accepting = now >= acceptResume;
      const int timeoutMs =
          accepting ? -1
                    : static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(acceptResume - now).count());
      std::vector<pollfd> fds{{accepting ? listenFd_ : -1, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
      std::vector<std::uint64_t> ids;
      {
        std::lock_guard lock(mutex_);
        for (const auto& [id, c] : clients_) {
          const short events = static_cast<short>(POLLIN | (c.out.empty() ? 0 : POLLOUT));
          fds.push_back({c.fd, events, 0});
          ids.push_back(id);
        }
      }
      if (::poll(fds.data(), fds.size(), timeoutMs) < 0 && errno != EINTR) break;
      if (stopping_) break;
      if (fds[1].revents != 0) {
        char buf[256];
        while (::read(wakeRead_, buf, sizeof buf) > 0) {
        }
      }
      if ((fds[0].revents & POLLIN) && !acceptClients()) {
        acceptResume = std::chrono::steady_clock::now() + kAcceptPause;
      }

      std::vector<std::pair<std::uint64_t, std::string>> lines;
      {
        std::lock_guard lock(mutex_);
        for (std::size_t i = 0; i < ids.size(); ++i) {
          const auto it = clients_.find(ids[i]);
          const short revents = fds[i + 2].revents;
          if (it == clients_.end() || revents == 0) continue;
          if (revents & (POLLIN | POLLHUP | POLLERR)) readClient(it->first, it->second, lines);
          if (revents & POLLOUT) writeClient(it->second);
        }
      }
      std::vector<std::intptr_t> posts;
      for (const auto& [client, line] : lines) {
        if (const auto lParam = handleLine(client, line)) posts.push_back(*lParam);
      }
      // The agent's door is called without our lock held.
      for (const std::intptr_t lParam : posts) post_(lParam);

      std::lock_guard lock(mutex_);
      for (auto it = clients_.begin(); it != clients_.end();) {
        if (it->second.closing) {
          ::close(it->second.fd);
          it = clients_.erase(it);
        } else {
          ++it;
        }
      }
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "XAPISrvr: server stopped: %s\n", e.what());
  }
}

bool CtiServer::acceptClients() {
  for (;;) {
    sockaddr_in peer{};
    socklen_t len = sizeof peer;
    const int fd = ::accept4(listenFd_, reinterpret_cast<sockaddr*>(&peer), &len,
                             SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return errno != EMFILE && errno != ENFILE && errno != ENOBUFS && errno != ENOMEM;
    }
    std::lock_guard lock(mutex_);
    if (peer.sin_family != AF_INET || !settings_.allows(ntohl(peer.sin_addr.s_addr)) ||
        clients_.size() >= settings_.maxClients) {
      ::close(fd);
      continue;
    }
    Client& c = clients_[nextClient_++];
    c.fd = fd;
    sendPictureLocked(c);
  }
}

void CtiServer::readClient(std::uint64_t id, Client& c,
                           std::vector<std::pair<std::uint64_t, std::string>>& lines) {
  char buf[4096];
  for (;;) {
    const ssize_t n = ::recv(c.fd, buf, sizeof buf, 0);
    if (n > 0) {
      c.in.append(buf, static_cast<std::size_t>(n));
      continue;
    }
    if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) c.closing = true;
    if (n < 0 && errno == EINTR) continue;
    break;
  }
  std::size_t start = 0;
  for (std::size_t nl; (nl = c.in.find('\n', start)) != std::string::npos; start = nl + 1) {
    std::string line = c.in.substr(start, nl - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.emplace_back(id, std::move(line));
  }
  c.in.erase(0, start);
  if (c.in.size() > kMaxLine) c.closing = true;  // no end in sight: not a client of ours
}

void CtiServer::writeClient(Client& c) {
  std::size_t sent = 0;
  while (sent < c.out.size()) {
    const ssize_t n = ::send(c.fd, c.out.data() + sent, c.out.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
    } else {
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) c.closing = true;
      break;
    }
  }
  c.out.erase(0, sent);
}

void CtiServer::sendLocked(Client& c, const json& message) { queueLocked(c, dumpLine(message)); }

void CtiServer::queueLocked(Client& c, const std::string& line) {
  if (c.closing) return;
  if (c.out.size() + line.size() > settings_.maxQueueBytes) {
    // It does not read: the others must not wait for it, nor our memory grow.
    c.closing = true;
    c.out.clear();
    return;
  }
  c.out += line;
}

void CtiServer::broadcastLocked(const json& message) {
  if (clients_.empty()) return;
  const std::string line = dumpLine(message);  // once, not once per client
  for (auto& [id, c] : clients_) queueLocked(c, line);
}

json CtiServer::statesLocked(const std::vector<int>* only) const {
  json lines = json::array();
  if (only == nullptr) {
    for (std::size_t i = 0; i < states_->size(); ++i) {
      lines.push_back(lineRecord(static_cast<int>(i), (*states_)[i]));
    }
  } else {
    for (const int i : *only) lines.push_back(lineRecord(i, (*states_)[static_cast<std::size_t>(i)]));
  }
  return {{"type", "states"}, {"full", only == nullptr}, {"lines", std::move(lines)}};
}

void CtiServer::sendPictureLocked(Client& c) {
  sendLocked(c, {{"type", "hello"}, {"server", "XAPISrvr"}, {"protocol", 1}});
  if (info_) sendLocked(c, *info_);
  if (lines_) sendLocked(c, *lines_);
  if (states_) sendLocked(c, statesLocked(nullptr));
  for (const auto& [line, number] : callers_) {
    sendLocked(c, {{"type", "caller"}, {"line", line}, {"number", number}});
  }
  if (front_) sendLocked(c, *front_);
}

void CtiServer::putLines(int count, const char* lines) {
  json list = json::array();
  for (int i = 0; i < count; ++i) {
    list.push_back({{"line", i}, {"number", pbxText(lines + 4 * i, 4)}});
  }
  {
    std::lock_guard lock(mutex_);
    lines_ = json{{"type", "lines"}, {"lines", std::move(list)}};
    broadcastLocked(*lines_);
  }
  wake();
}

void CtiServer::putInfo(const std::uint8_t* info7) {
  char version[16];
  std::snprintf(version, sizeof version, "%X.%02X", info7[0], info7[1]);
  json bytes = json::array();
  for (int i = 0; i < 7; ++i) bytes.push_back(info7[i]);
  {
    std::lock_guard lock(mutex_);
    info_ = json{{"type", "info"}, {"version", version}, {"lineOffset", info7[2]}, {"bytes", bytes}};
    broadcastLocked(*info_);
  }
  wake();
}

void CtiServer::putStates(int count, const std::uint8_t* records) {
  std::vector<std::array<std::uint8_t, 4>> now(static_cast<std::size_t>(std::max(count, 0)));
  for (std::size_t i = 0; i < now.size(); ++i) std::memcpy(now[i].data(), records + 4 * i, 4);
  {
    std::lock_guard lock(mutex_);
    if (!states_ || states_->size() != now.size()) {
      states_ = std::move(now);
      broadcastLocked(statesLocked(nullptr));
    } else {
      std::vector<int> changed;
      for (std::size_t i = 0; i < now.size(); ++i) {
        if (now[i] != (*states_)[i]) changed.push_back(static_cast<int>(i));
      }
      if (changed.empty()) return;
      states_ = std::move(now);
      broadcastLocked(statesLocked(&changed));
    }
  }
  wake();
}

void CtiServer::putClip(int line, const char* number) {
  const std::string text = norva::cp1250ToUtf8(number);
  {
    std::lock_guard lock(mutex_);
    callers_[line] = text;
    broadcastLocked({{"type", "caller"}, {"line", line}, {"number", text}});
  }
  wake();
}

void CtiServer::putFront(int lineOffset, const std::uint8_t* data, int length) {
  json bytes = json::array();
  for (int i = 0; i < length; ++i) bytes.push_back(data[i]);
  {
    std::lock_guard lock(mutex_);
    front_ = json{{"type", "queue"}, {"lineOffset", lineOffset}, {"data", std::move(bytes)}};
    broadcastLocked(*front_);
  }
  wake();
}

void CtiServer::putAccLine(const char* text) {
  {
    std::lock_guard lock(mutex_);
    broadcastLocked({{"type", "accounting"}, {"text", norva::cp1250ToUtf8(text)}});
  }
  wake();
}

std::optional<std::intptr_t> CtiServer::handleLine(std::uint64_t client, const std::string& line) {
  CtiCommand c = parseCtiCommand(line);
  std::lock_guard lock(mutex_);
  if (c.ok && pending_.size() >= kMaxPendingCommands) {
    c.ok = false;
    c.error = "too many commands waiting";
  }
  if (!c.ok) {
    const auto it = clients_.find(client);
    if (it != clients_.end()) {
      sendLocked(it->second, {{"type", "error"}, {"id", c.id}, {"error", c.error}});
    }
    return std::nullopt;
  }
  const int lParam = nextParam_;
  nextParam_ = nextParam_ == INT_MAX ? 1 : nextParam_ + 1;
  pending_[lParam] = Pending{c.record, client, std::move(c.id), std::move(c.name)};
  return lParam;
}

void CtiServer::takeCommand(int lParam, TStates* out) {
  {
    std::lock_guard lock(mutex_);
    const auto it = pending_.find(lParam);
    if (it == pending_.end()) {
      *out = TStates{};
      out->code = 255;  // nothing of ours: the agent leaves it
      return;
    }
    *out = it->second.record;
    const auto c = clients_.find(it->second.client);
    if (c != clients_.end()) {
      sendLocked(c->second,
                 {{"type", "ack"}, {"id", it->second.id}, {"command", it->second.command}});
    }
    pending_.erase(it);
  }
  wake();
}

}  // namespace xapisrvr
