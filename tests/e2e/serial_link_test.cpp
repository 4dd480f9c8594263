// The real program on a pseudo-terminal standing in for the PBX's serial line.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <thread>

#include "support/installed_copy.h"
#include "support/process.h"
#include "support/pty_pair.h"

namespace norva {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

double childCpuSeconds() {
  rusage r{};
  getrusage(RUSAGE_CHILDREN, &r);
  return static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
         static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t p = 0; (p = text.find(what, p)) != std::string::npos; p += what.size()) ++n;
  return n;
}

// Reads standard error until `what` has appeared n times.
bool waitForCount(test::Process& p, const std::string& what, std::size_t n,
                  std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (count(p.stderrText(), what) < n) {
    if (std::chrono::steady_clock::now() >= end) return false;
    p.waitForStderr("\x01", 50ms);  // only reads what has come
  }
  return true;
}

TEST(SerialLinkE2E, OpensTheConfiguredDeviceWithItsLineSettings) {
  test::PtyPair pty;
  ASSERT_TRUE(pty.ok());
  test::InstalledCopy copy;
  // A pseudo-terminal keeps 8 data bits and no parity whatever is asked
  // (the kernel forces them), so speed and stop bits are what it can show.
  copy.dir.write("NAgent.INI", "[Set]\nLang=Eng\nPort=COM2:57600,N,8,2\n[Devices]\nCOM2=" +
                                   pty.slavePath() + "\n");
  test::Process agent(copy.program(), {"/service"}, test::kHeadlessEnv);
  ASSERT_TRUE(agent.waitForStderr("-OK- ", 10s)) << agent.stderrText();
  ASSERT_TRUE(agent.waitForStderr("COM2:57600,N,8,2", 2s)) << agent.stderrText();
  termios t{};
  ASSERT_TRUE(pty.settings(t));
  EXPECT_EQ(cfgetospeed(&t), B57600);
  EXPECT_EQ(cfgetispeed(&t), B57600);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_FALSE(t.c_cflag & PARENB);
  EXPECT_TRUE(t.c_cflag & CSTOPB);
  EXPECT_FALSE(t.c_iflag & (IXON | IXOFF));  // raw line, no software flow control
  EXPECT_FALSE(t.c_lflag & (ICANON | ECHO));
  agent.signal(SIGTERM);
  EXPECT_EQ(agent.wait(10s), std::optional<int>(0));
}

TEST(SerialLinkE2E, AMissingDeviceIsLoggedAndTheAgentKeepsRunning) {
  test::InstalledCopy copy;
  copy.dir.write("NAgent.INI", "[Set]\nLang=Eng\nPort=COM7:19200,N,8,1\n[Devices]\nCOM7=" +
                                   copy.dir.file("no-such-device") + "\n");
  test::Process agent(copy.program(), {"/service"}, test::kHeadlessEnv);
  ASSERT_TRUE(agent.waitForStderr("!Err ", 10s)) << agent.stderrText();
  EXPECT_NE(agent.stderrText().find("COM7:19200,N,8,1"), std::string::npos);
  EXPECT_FALSE(agent.wait(1s).has_value()) << "the agent ended: " << agent.stderrText();
  agent.signal(SIGTERM);
  EXPECT_EQ(agent.wait(10s), std::optional<int>(0));
}

TEST(SerialLinkE2E, AVanishedDeviceCostsNoCpuAndIsOpenedAgainWhenBack) {
  test::InstalledCopy copy;
  const std::string link = copy.dir.file("ttyPBX");
  auto pty = std::make_unique<test::PtyPair>();
  ASSERT_TRUE(pty->ok());
  fs::create_symlink(pty->slavePath(), link);
  copy.dir.write("NAgent.INI", "[Set]\nLang=Eng\n[Devices]\nCOM2=" + link + "\n");

  const double cpuBefore = childCpuSeconds();
  auto agent = std::make_unique<test::Process>(copy.program(), std::vector<std::string>{"/service"},
                                               test::kHeadlessEnv);
  ASSERT_TRUE(agent->waitForStderr("-OK- ", 10s)) << agent->stderrText();

  // Unplugged: the other side goes away, as a USB adapter's device does.
  pty->close();
  ASSERT_TRUE(agent->waitForStderr("!Err ", 5s)) << agent->stderrText();
  std::this_thread::sleep_for(3s);  // gone for a while

  // Plugged in again (a new device node; the stable name follows it).
  auto back = std::make_unique<test::PtyPair>();
  ASSERT_TRUE(back->ok());
  fs::remove(link);
  fs::create_symlink(back->slavePath(), link);
  EXPECT_EQ(count(agent->stderrText(), "-OK- "), 1u);
  const bool reopened = waitForCount(*agent, "-OK- ", 2, 10s);
  EXPECT_TRUE(reopened) << agent->stderrText();
  std::printf("%s", agent->stderrText().c_str());

  agent->signal(SIGTERM);
  EXPECT_EQ(agent->wait(10s), std::optional<int>(0));
  agent.reset();
  const double cpu = childCpuSeconds() - cpuBefore;
  // About eight seconds of life, most of them with the device gone; a
  // busy loop on the dead port would burn all of them.
  EXPECT_LT(cpu, 2.0) << "CPU seconds used by the agent";
  RecordProperty("agent_cpu_seconds", std::to_string(cpu));
}

}  // namespace
}  // namespace norva
