// The real pbxsim program: framed requests on its pseudo-terminal, steering
// commands on its standard input.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "link/comm_pax.h"
#include "platform/serial_port.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace norva {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

const std::string kPbxsim = std::string(NORVA_BIN_DIR) + "/pbxsim";

// The agent's end of the line: the pty slave, raw, written and read through
// the agent's own frame code.
class AgentEnd : public ByteSink, public ByteSource {
 public:
  explicit AgentEnd(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios t{};
    if (fd_ >= 0 && ::tcgetattr(fd_, &t) == 0) {
      ::cfmakeraw(&t);
      ::tcsetattr(fd_, TCSANOW, &t);
    }
    pax_.OnRxPacket = [this](int count, const std::uint8_t* data) {
      if (count >= 1) packets_.push_back({data[0], Bytes(data + 1, data + count)});
    };
    pax_.OnRxChr = [this](std::uint8_t chr) { chars_.push_back(chr); };
  }
  ~AgentEnd() override {
    if (fd_ >= 0) ::close(fd_);
  }
  bool ok() const { return fd_ >= 0; }

  int write(const std::uint8_t* data, int count) override {
    return static_cast<int>(::write(fd_, data, static_cast<std::size_t>(count)));
  }
  void purgeTransmit() override {}
  int read(std::uint8_t* buffer, int count) override {
    const ssize_t n = ::read(fd_, buffer, static_cast<std::size_t>(count));
    if (n == 0 || (n < 0 && errno == EIO)) hungUp_ = true;
    return n > 0 ? static_cast<int>(n) : 0;
  }

  void send(std::uint8_t seq, const Bytes& payload) {
    pax_.WritePacket(seq, payload.data(), static_cast<int>(payload.size()));
  }

  // Reads until a packet has come (or the line hung up, or the time ran out).
  std::optional<std::pair<std::uint8_t, Bytes>> receive(std::chrono::milliseconds timeout) {
    pump([this] { return !packets_.empty(); }, timeout);
    if (packets_.empty()) return std::nullopt;
    auto p = packets_.front();
    packets_.erase(packets_.begin());
    return p;
  }

  // Reads for a while; true when the line hung up under us.
  bool hangsUp(std::chrono::milliseconds timeout) {
    pump([this] { return hungUp_; }, timeout);
    return hungUp_;
  }

  const Bytes& chars() const { return chars_; }
  void pumpFor(std::chrono::milliseconds t) { pump([] { return false; }, t); }

 private:
  template <typename Done>
  void pump(Done done, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done() && std::chrono::steady_clock::now() < end) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      if ((p.revents & POLLIN) != 0) pax_.RxChar(TCommPax::kReadSlice);
      if ((p.revents & (POLLHUP | POLLERR)) != 0 && (p.revents & POLLIN) == 0) hungUp_ = true;
    }
  }

  int fd_ = -1;
  bool hungUp_ = false;
  TCommPax pax_{*this, *this};
  std::vector<std::pair<std::uint8_t, Bytes>> packets_;
  Bytes chars_;
};

// The path of the last "pty PATH" line printed so far.
std::string lastPtyPath(const std::string& out) {
  const auto at = out.rfind("pty ");
  if (at == std::string::npos) return {};
  return out.substr(at + 4, out.find('\n', at) - at - 4);
}

TEST(PbxsimE2E, AnswersFramedRequestsAndTakesSteeringCommands) {
  test::Process sim(test::Process::WithStdio{}, kPbxsim, {});
  ASSERT_TRUE(sim.waitForStdout("\n", 5s)) << sim.stderrText();
  const std::string path = lastPtyPath(sim.stdoutText());
  ASSERT_FALSE(path.empty()) << sim.stdoutText();
  AgentEnd agent(path);
  ASSERT_TRUE(agent.ok());

  // A sequence byte that needs escaping comes back as it went.
  agent.send(0xEE, {0, 22, 0});
  auto a = agent.receive(2s);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->first, 0xEE);
  Bytes states{0, 22, 0};
  states.resize(3 + 8 * 4, 0);
  EXPECT_EQ(a->second, states);
  EXPECT_TRUE(sim.waitForStdout("rx 238 00 16 00\n", 2s)) << sim.stdoutText();
  EXPECT_TRUE(sim.waitForStdout("tx 238 00 16 00 00", 2s));

  ASSERT_TRUE(sim.writeStdin("record 21 0602 00:01:05\nline 2 8 0 0 1\necho a\n"));
  ASSERT_TRUE(sim.waitForStdout("echo a\n", 2s)) << sim.stderrText();
  agent.send(7, {4});
  a = agent.receive(2s);
  ASSERT_TRUE(a);
  const std::string record = "21 0602 00:01:05";
  Bytes expected{0};
  expected.insert(expected.end(), record.begin(), record.end());
  EXPECT_EQ(*a, std::make_pair(std::uint8_t{7}, expected));
  agent.send(8, {0, 22, 0});
  a = agent.receive(2s);
  ASSERT_TRUE(a);
  EXPECT_EQ(Bytes(a->second.begin() + 11, a->second.begin() + 15), (Bytes{8, 0, 0, 1}));

  // Silence, then line noise: a bad frame is not delivered, bytes outside
  // frames are, and the next good answer still is.
  ASSERT_TRUE(sim.writeStdin("silent on\necho b\n"));
  ASSERT_TRUE(sim.waitForStdout("echo b\n", 2s));
  agent.send(9, {2});
  EXPECT_FALSE(agent.receive(300ms));
  ASSERT_TRUE(sim.writeStdin("silent off\nbadcrc\nnoise 41 42\ne0\necho c\n"));
  ASSERT_TRUE(sim.waitForStdout("echo c\n", 2s));
  agent.send(10, {2});
  a = agent.receive(2s);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->first, 10);
  agent.pumpFor(100ms);
  EXPECT_EQ(agent.chars(), (Bytes{0x41, 0x42, 0xE0}));

  sim.signal(SIGTERM);
  EXPECT_EQ(sim.wait(3s), 0);
}

TEST(PbxsimE2E, CloseMakesTheDeviceVanishAndReopenMovesTheLink) {
  test::TempDir dir;
  const std::string link = dir.file("pbx");
  test::Process sim(test::Process::WithStdio{}, kPbxsim, {"--link", link, "--quiet"});
  ASSERT_TRUE(sim.waitForStdout("\n", 5s)) << sim.stderrText();
  EXPECT_EQ(std::filesystem::read_symlink(link).string(), lastPtyPath(sim.stdoutText()));

  {
    AgentEnd agent(link);
    ASSERT_TRUE(agent.ok());
    agent.send(1, {13});
    ASSERT_TRUE(agent.receive(2s));
    ASSERT_TRUE(sim.writeStdin("close\n"));
    EXPECT_TRUE(agent.hangsUp(2s));
  }
  ASSERT_TRUE(sim.waitForStdout("closed\n", 2s));

  ASSERT_TRUE(sim.writeStdin("reopen\n"));
  ASSERT_TRUE(sim.waitForStdout("closed\npty ", 2s));
  ASSERT_TRUE(sim.waitForStdout("\n", 2s));
  {
    AgentEnd agent(link);
    ASSERT_TRUE(agent.ok());
    agent.send(2, {13});
    EXPECT_TRUE(agent.receive(2s));
  }

  // Nobody holds the slave open now: the master reads EIO and reports a
  // hang-up on every poll, which must not make the program spin.
  const long before = test::cpuTicks(sim.pid());
  std::this_thread::sleep_for(1s);
  EXPECT_LT(test::cpuTicks(sim.pid()) - before, 20);  // well under a fifth of a core

  // End of input does not stop it; SIGTERM does, and takes the link along.
  sim.closeStdin();
  EXPECT_FALSE(sim.wait(300ms));
  sim.signal(SIGTERM);
  EXPECT_EQ(sim.wait(3s), 0);
  EXPECT_FALSE(std::filesystem::is_symlink(link));
}

TEST(PbxsimE2E, ScriptRunsCommandsAtTheirTimes) {
  test::TempDir dir;
  dir.write("script", "# steering by the clock\nat 0 record early\nat 800 silent on\nat 1800 quit\n");
  const auto started = std::chrono::steady_clock::now();
  test::Process sim(test::Process::WithStdio{}, kPbxsim, {"--script", dir.file("script"), "--quiet"});
  ASSERT_TRUE(sim.waitForStdout("\n", 5s)) << sim.stderrText();
  AgentEnd agent(lastPtyPath(sim.stdoutText()));
  ASSERT_TRUE(agent.ok());
  agent.send(1, {4});
  auto a = agent.receive(2s);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->second, (Bytes{0, 'e', 'a', 'r', 'l', 'y'}));
  std::this_thread::sleep_until(started + 1300ms);
  agent.send(2, {4});
  EXPECT_FALSE(agent.receive(200ms));
  EXPECT_EQ(sim.wait(3s), 0);
}

}  // namespace
}  // namespace norva
