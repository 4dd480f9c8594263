// pbxsim: plays the PBX on a serial line for the agent. It opens a
// pseudo-terminal (or a given device), answers every framed request through
// PbxModel and takes steering commands on standard input, one per line.
// Each request and answer is printed as one line so that tests can follow.
//
// Output lines: "pty PATH" (or "device PATH") first and after each reopen;
// "rx SEQ HEX..." per request, "tx SEQ HEX..." per answer, "chr HEX" per
// byte outside a frame (SEQ in decimal; not with --quiet); "closed";
// "echo TEXT". Complaints go to standard error.
//
// Commands (numbers decimal or 0x..; a script line may start with "at MS"):
//   silent on|off              stop or resume answering
//   delay MS                   answer each request MS later
//   record TEXT                queue an accounting record (rest of the line)
//   message SLOT TYPE RECIPIENT [SUBJECT[|BODY]]
//   rawmessage SLOT TYPE TEXT  TEXT with \n, \\ and \xHH
//   clear SLOT                 empty a message slot
//   line N B0 [B1 [B2 [B3]]]   state bytes of line N (missing ones are 0)
//   lines [NUMBER...]          the line list
//   caller N [NUMBER]          caller number of line N
//   config INDEX VALUE, info INDEX VALUE
//   sw HEX, queue HEX          command-14 block, queue data
//   item ITEM INDEX [HEX]      put (or, without data, erase) a stored item
//   fail COMMAND ITEM|* STATUS, fail off
//   missing STATUS             status of a read of an empty item
//   noise HEX, e0, badcrc      raw bytes, one 0xE0, a frame with a bad CRC
//   close (hangup), reopen     the device vanishes / comes back
//   echo [TEXT], quit

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "link/comm_pax.h"
#include "pbxsim/pbx_model.h"
#include "platform/serial_port.h"

namespace {

using norva::sim::PbxModel;
using Bytes = PbxModel::Bytes;
using Clock = std::chrono::steady_clock;

constexpr const char* kUsage =
    "usage: pbxsim [--device PATH] [--link PATH] [--script FILE] [--quiet] [--exit-on-eof]\n";

// Bounds on what outside input can make us hold.
constexpr std::size_t kMaxCommandLine = 64 * 1024;
constexpr std::size_t kMaxPendingAnswers = 1000;
constexpr long kMaxDelayMs = 3600 * 1000;
// While no one holds the slave side open, the master reports a hang-up on
// every poll; look again at this pace instead of spinning.
constexpr int kHangupRetryMs = 100;
// How long one byte may wait for room on the line before a frame is given up.
constexpr int kWriteWaitMs = 200;

int gSignalPipe[2] = {-1, -1};

void onStopSignal(int) {
  const char b = 1;
  [[maybe_unused]] const ssize_t n = ::write(gSignalPipe[1], &b, 1);
}

void printLine(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void complain(const std::string& text) {
  std::fprintf(stderr, "pbxsim: %s\n", text.c_str());
  std::fflush(stderr);
}

std::string hex(const std::uint8_t* data, std::size_t count) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(count * 3);
  for (std::size_t i = 0; i < count; ++i) {
    out += ' ';
    out += digits[data[i] >> 4];
    out += digits[data[i] & 0x0F];
  }
  return out;
}

bool makeRaw(int fd) {
  termios t{};
  if (::tcgetattr(fd, &t) != 0) return false;
  ::cfmakeraw(&t);
  return ::tcsetattr(fd, TCSANOW, &t) == 0;
}

// The line: a pty master or a device, non-blocking. The frame code writes
// one byte per call and reads what is waiting.
class Line : public norva::ByteSink, public norva::ByteSource {
 public:
  int fd() const { return fd_; }
  bool isOpen() const { return fd_ >= 0; }
  // True while the far side has hung up (no one holds the pty slave open).
  bool hungUp() const { return hungUp_; }
  const std::string& path() const { return path_; }

  // Opens a new pseudo-terminal; path() is then its slave side.
  bool openPty() {
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    const char* name = nullptr;
    if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0 || (name = ::ptsname(fd)) == nullptr) {
      ::close(fd);
      return false;
    }
    // Termios calls on the master reach the slave: no echo, no line editing
    // before the agent sets its own modes.
    makeRaw(fd);
    return adopt(fd, name);
  }

  bool openDevice(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    if (::isatty(fd)) makeRaw(fd);
    return adopt(fd, path);
  }

  void close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    hungUp_ = false;
  }

  void setHungUp() { hungUp_ = true; }

  // Polls once without waiting: is the far side back?
  void recheckHangup() {
    if (fd_ < 0) return;
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 0) >= 0) hungUp_ = (p.revents & (POLLHUP | POLLERR)) != 0;
  }

  void beginFrame() { stalled_ = false; }

  int write(const std::uint8_t* data, int count) override {
    if (fd_ < 0 || stalled_) return -1;
    int done = 0;
    while (done < count) {
      const ssize_t n = ::write(fd_, data + done, static_cast<std::size_t>(count - done));
      if (n > 0) {
        done += static_cast<int>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno == EAGAIN) {
        pollfd p{fd_, POLLOUT, 0};
        if (::poll(&p, 1, kWriteWaitMs) > 0 && (p.revents & POLLOUT) != 0) continue;
      }
      // No room, or the line failed: the rest of this frame is lost, as on a
      // line nobody listens to.
      stalled_ = true;
      return done > 0 ? done : -1;
    }
    return done;
  }

  // A real PBX cannot take back bytes that are already on the wire.
  void purgeTransmit() override {}

  int read(std::uint8_t* buffer, int count) override {
    if (fd_ < 0 || count <= 0) return 0;
    for (;;) {
      const ssize_t n = ::read(fd_, buffer, static_cast<std::size_t>(count));
      if (n > 0) return static_cast<int>(n);
      if (n < 0 && errno == EINTR) continue;
      // EIO on a pty master: the slave side is closed.
      if (n == 0 || errno == EIO) hungUp_ = true;
      return 0;
    }
  }

 private:
  bool adopt(int fd, const std::string& path) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    fd_ = fd;
    path_ = path;
    hungUp_ = false;
    return true;
  }

  int fd_ = -1;
  std::string path_;
  bool hungUp_ = false;
  bool stalled_ = false;
};

struct Options {
  std::string device;
  std::string link;
  std::string script;
  bool quiet = false;
  bool exitOnEof = false;
};

struct ScriptEntry {
  long atMs = 0;
  std::string command;
};

struct PendingAnswer {
  Clock::time_point due;
  std::uint8_t seq = 0;
  Bytes payload;
};

std::vector<std::string> words(const std::string& s) {
  std::istringstream in(s);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

// Splits off the first word; rest is what follows the whitespace after it.
std::string firstWord(const std::string& s, std::string& rest) {
  const auto begin = s.find_first_not_of(" \t");
  if (begin == std::string::npos) {
    rest.clear();
    return {};
  }
  const auto end = s.find_first_of(" \t", begin);
  if (end == std::string::npos) {
    rest.clear();
    return s.substr(begin);
  }
  const auto restBegin = s.find_first_not_of(" \t", end);
  rest = restBegin == std::string::npos ? std::string{} : s.substr(restBegin);
  return s.substr(begin, end - begin);
}

std::optional<long> number(const std::string& s, long lo, long hi) {
  if (s.empty()) return std::nullopt;
  // Decimal, or hexadecimal after 0x; a leading zero does not mean octal.
  const bool isHex = s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(s.c_str() + (isHex ? 2 : 0), &end, isHex ? 16 : 10);
  if (errno != 0 || *end != '\0' || v < lo || v > hi) return std::nullopt;
  return v;
}

std::optional<std::uint8_t> byteValue(const std::string& s) {
  const auto v = number(s, 0, 255);
  if (!v) return std::nullopt;
  return static_cast<std::uint8_t>(*v);
}

// "E0 41 42" or "E04142".
std::optional<Bytes> hexBytes(const std::string& s) {
  std::string digits;
  for (char c : s) {
    if (c == ' ' || c == '\t') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    digits += c;
  }
  if (digits.size() % 2 != 0) return std::nullopt;
  Bytes out;
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    out.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  }
  return out;
}

// \n, \\ and \xHH, so that a message text can carry any byte.
std::optional<std::string> unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\') {
      out += s[i];
      continue;
    }
    if (++i >= s.size()) return std::nullopt;
    if (s[i] == 'n') {
      out += '\n';
    } else if (s[i] == '\\') {
      out += '\\';
    } else if (s[i] == 'x' && i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
               std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
      out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      return std::nullopt;
    }
  }
  return out;
}

class Simulator {
 public:
  explicit Simulator(Options options) : options_(std::move(options)) {
    pax_.OnRxPacket = [this](int count, const std::uint8_t* data) { onPacket(count, data); };
    pax_.OnRxChr = [this](std::uint8_t chr) {
      if (!options_.quiet) printLine("chr" + hex(&chr, 1));
    };
  }

  bool loadScript() {
    if (options_.script.empty()) return true;
    std::ifstream in(options_.script, std::ios::binary);
    if (!in) {
      complain("cannot read script " + options_.script);
      return false;
    }
    long at = 0;
    int lineNo = 0;
    for (std::string line; std::getline(in, line);) {
      ++lineNo;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::string rest;
      const std::string first = firstWord(line, rest);
      if (first.empty() || first[0] == '#') continue;
      std::string command = line;
      if (first == "at") {
        std::string after;
        const auto ms = number(firstWord(rest, after), 0, 1L << 40);
        if (!ms) {
          complain("script line " + std::to_string(lineNo) + ": bad time");
          return false;
        }
        at = *ms;
        command = after;
      }
      script_.push_back(ScriptEntry{at, command});
    }
    std::stable_sort(script_.begin(), script_.end(),
                     [](const ScriptEntry& a, const ScriptEntry& b) { return a.atMs < b.atMs; });
    return true;
  }

  bool openLine() {
    const bool ok = options_.device.empty() ? line_.openPty() : line_.openDevice(options_.device);
    if (!ok) {
      complain("cannot open " + (options_.device.empty() ? std::string("a pseudo-terminal") : options_.device) +
               ": " + std::strerror(errno));
      return false;
    }
    // The link first: whoever reads the path line may use the link at once.
    if (!options_.link.empty() && !updateLink()) return false;
    printLine((options_.device.empty() ? "pty " : "device ") + line_.path());
    return true;
  }

  int run() {
    start_ = Clock::now();
    while (running_) {
      runDueScript();
      sendDueAnswers();
      if (!running_) break;

      std::vector<pollfd> fds;
      fds.push_back(pollfd{gSignalPipe[0], POLLIN, 0});
      const bool watchStdin = stdinOpen_;
      if (watchStdin) fds.push_back(pollfd{STDIN_FILENO, POLLIN, 0});
      const bool watchLine = line_.isOpen() && !line_.hungUp();
      if (watchLine) fds.push_back(pollfd{line_.fd(), POLLIN, 0});

      int timeout = nextTimeoutMs();
      if (line_.isOpen() && line_.hungUp() && (timeout < 0 || timeout > kHangupRetryMs)) {
        timeout = kHangupRetryMs;
      }
      const int r = ::poll(fds.data(), fds.size(), timeout);
      if (r < 0 && errno != EINTR) {
        complain(std::string("poll: ") + std::strerror(errno));
        return 1;
      }
      if (r <= 0) {
        if (line_.hungUp()) line_.recheckHangup();
        continue;
      }
      std::size_t i = 0;
      if (fds[i++].revents != 0) running_ = false;
      if (watchStdin && fds[i++].revents != 0) readStdin();
      if (watchLine && fds[i].revents != 0) readLine(fds[i].revents);
      if (line_.hungUp()) line_.recheckHangup();
    }
    return 0;
  }

  void shutdown() {
    line_.close();
    if (!options_.link.empty()) {
      struct stat st{};
      if (::lstat(options_.link.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) ::unlink(options_.link.c_str());
    }
  }

 private:
  long elapsedMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count();
  }

  int nextTimeoutMs() const {
    std::optional<Clock::time_point> next;
    if (scriptNext_ < script_.size()) next = start_ + std::chrono::milliseconds(script_[scriptNext_].atMs);
    if (!pending_.empty() && (!next || pending_.front().due < *next)) next = pending_.front().due;
    if (!next) return -1;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*next - Clock::now()).count();
    // Round up so that a wake-up is never early and the loop never spins.
    return static_cast<int>(std::clamp<long>(left + 1, 0, 60 * 1000));
  }

  void runDueScript() {
    while (running_ && scriptNext_ < script_.size() && script_[scriptNext_].atMs <= elapsedMs()) {
      execute(script_[scriptNext_++].command);
    }
  }

  void onPacket(int count, const std::uint8_t* data) {
    if (count < 1) return;  // a frame without a sequence byte answers nothing
    const std::uint8_t seq = data[0];
    lastSeq_ = seq;
    Bytes request(data + 1, data + count);
    if (!options_.quiet) printLine("rx " + std::to_string(seq) + hex(request.data(), request.size()));
    auto answer = model_.answer(request);
    if (!answer) return;
    if (pending_.size() >= kMaxPendingAnswers) pending_.pop_front();
    pending_.push_back(PendingAnswer{Clock::now() + std::chrono::milliseconds(delayMs_), seq, std::move(*answer)});
  }

  void sendDueAnswers() {
    const auto now = Clock::now();
    while (!pending_.empty() && pending_.front().due <= now) {
      PendingAnswer a = std::move(pending_.front());
      pending_.pop_front();
      // Nobody listens on a hung-up line; a pty would keep the bytes for
      // the next opener, which a real line does not.
      if (!line_.isOpen() || line_.hungUp()) continue;
      line_.beginFrame();
      try {
        pax_.WritePacket(a.seq, a.payload.data(), static_cast<int>(a.payload.size()));
      } catch (const std::exception& e) {
        complain(std::string("write: ") + e.what());
      }
      if (!options_.quiet) printLine("tx " + std::to_string(a.seq) + hex(a.payload.data(), a.payload.size()));
    }
  }

  void readLine(short revents) {
    if ((revents & POLLIN) != 0) {
      int waiting = 0;
      if (::ioctl(line_.fd(), FIONREAD, &waiting) != 0 || waiting <= 0) {
        // Nothing counted: a read tells data from a hang-up.
        std::uint8_t b = 0;
        if (line_.read(&b, 1) == 1) pax_.feed(&b, 1);
        return;
      }
      pax_.RxChar(waiting);
      return;
    }
    if ((revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) line_.setHungUp();
  }

  void readStdin() {
    char buf[4096];
    const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) return;
    }
    if (n <= 0) {
      stdinOpen_ = false;
      if (!stdinBuffer_.empty()) execute(stdinBuffer_);
      stdinBuffer_.clear();
      if (options_.exitOnEof) running_ = false;
      return;
    }
    for (ssize_t i = 0; i < n && running_; ++i) {
      if (buf[i] == '\n') {
        if (!discarding_) execute(stdinBuffer_);
        stdinBuffer_.clear();
        discarding_ = false;
      } else if (stdinBuffer_.size() >= kMaxCommandLine) {
        if (!discarding_) complain("command line too long, ignored");
        discarding_ = true;
        stdinBuffer_.clear();
      } else if (!discarding_) {
        stdinBuffer_ += buf[i];
      }
    }
  }

  void writeRaw(const Bytes& bytes) {
    if (!line_.isOpen()) {
      complain("the line is closed");
      return;
    }
    line_.beginFrame();
    line_.write(bytes.data(), static_cast<int>(bytes.size()));
  }

  // A frame like any answer (status 0 for the last sequence number) whose
  // CRC is off by one bit.
  void writeBadCrcFrame() {
    if (!line_.isOpen()) {
      complain("the line is closed");
      return;
    }
    const Bytes body{lastSeq_, 0};
    line_.beginFrame();
    pax_.WriteChar(0xEE, false);
    pax_.WriteChar(0x23, false);
    pax_.WriteChar(static_cast<std::uint8_t>(body.size()), true);
    pax_.WriteChar(0, true);
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::uint8_t b : body) {
      pax_.WriteChar(b, true);
      crc = norva::TCommPax::Update_CRC32(crc, b);
    }
    crc = ~crc ^ 1u;
    for (int i = 0; i < 4; ++i) pax_.WriteChar(static_cast<std::uint8_t>(crc >> (8 * i)), true);
  }

  bool updateLink() {
    struct stat st{};
    if (::lstat(options_.link.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
      complain(options_.link + " exists and is not a symbolic link");
      return false;
    }
    // A new link beside the old one, then renamed over it: the agent never
    // finds the path missing while the pty is there.
    const std::string tmp = options_.link + ".pbxsim-" + std::to_string(::getpid());
    ::unlink(tmp.c_str());
    if (::symlink(line_.path().c_str(), tmp.c_str()) != 0 || ::rename(tmp.c_str(), options_.link.c_str()) != 0) {
      complain("cannot link " + options_.link + ": " + std::strerror(errno));
      ::unlink(tmp.c_str());
      return false;
    }
    return true;
  }

  void bad(const std::string& line) { complain("bad command: " + line); }

  void execute(const std::string& line) {
    std::string rest;
    const std::string cmd = firstWord(line, rest);
    const std::vector<std::string> args = words(rest);
    if (cmd.empty() || cmd[0] == '#') return;

    if (cmd == "silent" && args.size() == 1 && (args[0] == "on" || args[0] == "off")) {
      model_.setSilent(args[0] == "on");
    } else if (cmd == "delay" && args.size() == 1 && number(args[0], 0, kMaxDelayMs)) {
      delayMs_ = *number(args[0], 0, kMaxDelayMs);
    } else if (cmd == "record" && !rest.empty()) {
      if (!model_.addAccountingRecord(rest)) complain("too many accounting records waiting");
    } else if (cmd == "message") {
      // message SLOT TYPE RECIPIENT [SUBJECT[|BODY]]
      std::string r1, r2, r3;
      const auto slot = number(firstWord(rest, r1), 0, 3);
      const std::string type = firstWord(r1, r2);
      const std::string recipient = firstWord(r2, r3);
      if (!slot || type.size() != 1 || recipient.empty()) return bad(line);
      const auto bar = r3.find('|');
      const std::string subject = r3.substr(0, bar);
      const std::string body = bar == std::string::npos ? std::string{} : r3.substr(bar + 1);
      model_.putMessage(static_cast<int>(*slot), type[0], recipient, subject, body);
    } else if (cmd == "rawmessage") {
      // rawmessage SLOT TYPE TEXT, TEXT with \n, \\ and \xHH
      std::string r1, r2;
      const auto slot = number(firstWord(rest, r1), 0, 3);
      const std::string type = firstWord(r1, r2);
      const auto text = unescape(r2);
      if (!slot || type.size() != 1 || !text) return bad(line);
      model_.putRawMessage(static_cast<int>(*slot), static_cast<std::uint8_t>(type[0]), *text);
    } else if (cmd == "clear" && args.size() == 1 && number(args[0], 0, 3)) {
      model_.clearSlot(static_cast<int>(*number(args[0], 0, 3)));
    } else if (cmd == "line" && args.size() >= 2 && args.size() <= 5) {
      PbxModel::LineState state{};
      for (std::size_t i = 1; i < args.size(); ++i) {
        const auto b = byteValue(args[i]);
        if (!b) return bad(line);
        state[i - 1] = *b;
      }
      const auto n = number(args[0], 0, 255);
      if (!n || !model_.setLineState(static_cast<int>(*n), state)) return bad(line);
    } else if (cmd == "lines") {
      if (!model_.setLines(args)) return bad(line);
    } else if (cmd == "caller" && (args.size() == 1 || args.size() == 2)) {
      const auto n = number(args[0], 0, 255);
      if (!n || !model_.setCallerNumber(static_cast<int>(*n), args.size() == 2 ? args[1] : "")) return bad(line);
    } else if ((cmd == "config" || cmd == "info") && args.size() == 2) {
      const auto index = number(args[0], 0, 255);
      const auto value = byteValue(args[1]);
      const bool ok = index && value &&
                      (cmd == "config" ? model_.setConfigByte(static_cast<int>(*index), *value)
                                       : model_.setInfoByte(static_cast<int>(*index), *value));
      if (!ok) return bad(line);
    } else if (cmd == "sw") {
      const auto data = hexBytes(rest);
      if (!data || data->size() > PbxModel::kSwSize) return bad(line);
      std::array<std::uint8_t, PbxModel::kSwSize> block{};
      std::copy(data->begin(), data->end(), block.begin());
      model_.setSwBlock(block);
    } else if (cmd == "queue") {
      const auto data = hexBytes(rest);
      if (!data) return bad(line);
      model_.setQueueData(*data);
    } else if (cmd == "item") {
      // item ITEM INDEX [HEX], without data the item is emptied
      std::string r1, r2;
      const auto item = byteValue(firstWord(rest, r1));
      const auto index = byteValue(firstWord(r1, r2));
      const auto data = hexBytes(r2);
      if (!item || !index || !data) return bad(line);
      if (r2.empty()) {
        model_.eraseItem(*item, *index);
      } else {
        model_.setItem(*item, *index, *data);
      }
    } else if (cmd == "fail" && args.size() == 1 && args[0] == "off") {
      model_.clearFailures();
    } else if (cmd == "fail" && args.size() == 3) {
      // fail COMMAND ITEM|* STATUS
      const auto command = byteValue(args[0]);
      const auto item = args[1] == "*" ? std::optional<std::uint8_t>{} : byteValue(args[1]);
      const auto status = byteValue(args[2]);
      if (!command || (!item && args[1] != "*") || !status) return bad(line);
      model_.failRequests(*command, item, *status);
    } else if (cmd == "missing" && args.size() == 1 && byteValue(args[0])) {
      model_.setMissingItemStatus(*byteValue(args[0]));
    } else if (cmd == "noise") {
      const auto data = hexBytes(rest);
      if (!data || data->empty()) return bad(line);
      writeRaw(*data);
    } else if (cmd == "e0" && args.empty()) {
      writeRaw(Bytes{0xE0});
    } else if (cmd == "badcrc" && args.empty()) {
      writeBadCrcFrame();
    } else if ((cmd == "close" || cmd == "hangup") && args.empty()) {
      line_.close();
      pending_.clear();
      printLine("closed");
    } else if (cmd == "reopen" && args.empty()) {
      line_.close();
      pending_.clear();
      if (!openLine()) complain("the line stays closed");
    } else if (cmd == "echo") {
      printLine("echo" + (rest.empty() ? std::string{} : " " + rest));
    } else if (cmd == "quit" && args.empty()) {
      running_ = false;
    } else {
      bad(line);
    }
  }

  Options options_;
  PbxModel model_;
  Line line_;
  norva::TCommPax pax_{line_, line_};
  std::deque<PendingAnswer> pending_;
  std::vector<ScriptEntry> script_;
  std::size_t scriptNext_ = 0;
  Clock::time_point start_ = Clock::now();
  long delayMs_ = 0;
  std::uint8_t lastSeq_ = 0;
  bool running_ = true;
  bool stdinOpen_ = true;
  std::string stdinBuffer_;
  bool discarding_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--device" && hasValue) {
      options.device = argv[++i];
    } else if (a == "--link" && hasValue) {
      options.link = argv[++i];
    } else if (a == "--script" && hasValue) {
      options.script = argv[++i];
    } else if (a == "--quiet") {
      options.quiet = true;
    } else if (a == "--exit-on-eof") {
      options.exitOnEof = true;
    } else if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }

  if (::pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return 1;
  struct sigaction sa{};
  sa.sa_handler = onStopSignal;
  sigemptyset(&sa.sa_mask);
  ::sigaction(SIGTERM, &sa, nullptr);
  ::sigaction(SIGINT, &sa, nullptr);
  ::signal(SIGPIPE, SIG_IGN);

  Simulator sim(options);
  if (!sim.loadScript()) return 2;
  if (!sim.openLine()) {
    sim.shutdown();
    return 1;
  }
  const int rc = sim.run();
  sim.shutdown();
  return rc;
}
