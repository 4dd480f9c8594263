// The real program on a pseudo-terminal standing in for the PBX's serial line.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/installed_copy.h"
#include "support/notify_socket.h"
#include "support/process.h"
#include "support/pty_pair.h"

namespace norva {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

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
  test::Process agent(copy.program(), {"/service"}, test::serviceEnv());
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
  test::Process agent(copy.program(), {"/service"}, test::serviceEnv());
  ASSERT_TRUE(agent.waitForStderr("!Err Serial", 10s)) << agent.stderrText();
  EXPECT_NE(agent.stderrText().find("COM7:19200,N,8,1"), std::string::npos);
  EXPECT_FALSE(agent.wait(1s).has_value()) << "the agent ended: " << agent.stderrText();
  agent.signal(SIGTERM);
  EXPECT_EQ(agent.wait(10s), std::optional<int>(0));
}

TEST(SerialLinkE2E, AVanishedDeviceCostsNoCpuAndIsOpenedAgainWhenBack) {
  test::InstalledCopy copy;
  const std::string link = copy.dir.file("ttyPBX");
  test::Process pbx(test::Process::WithStdio{}, copy.dir.file("pbxsim"), {"--link", link, "--quiet"});
  ASSERT_TRUE(pbx.waitForStdout("pty ", 10s)) << pbx.stderrText();
  copy.dir.write("NAgent.INI", "[Set]\nLang=Eng\n[Devices]\nCOM2=" + link + "\n");
  test::Process agent(copy.program(), {"/service"}, test::serviceEnv());
  ASSERT_TRUE(agent.waitForStderr("-OK- Serial port opened", 10s)) << agent.stderrText();

  // Unplugged: the simulator's side goes away, as a USB adapter's device does.
  ASSERT_TRUE(pbx.writeStdin("close\n"));
  ASSERT_TRUE(agent.waitForStderr("!Err Serial", 5s)) << agent.stderrText();
  const double cpuBefore = test::cpuSecondsOf(agent.pid());
  std::this_thread::sleep_for(2s);
  const double cpu = test::cpuSecondsOf(agent.pid()) - cpuBefore;
  // A busy loop on the dead port would use the whole two seconds.
  EXPECT_LT(cpu, 0.2) << "CPU seconds in two seconds without the device";
  RecordProperty("cpu_seconds_while_gone", std::to_string(cpu));

  // Plugged in again: a new device node, which the stable link follows.
  ASSERT_TRUE(pbx.writeStdin("reopen\n"));
  EXPECT_TRUE(waitForCount(agent, "-OK- Serial port opened", 2, 10s)) << agent.stderrText();
  EXPECT_EQ(count(agent.stderrText(), "!Err Serial"), 1u) << agent.stderrText();

  agent.signal(SIGTERM);
  EXPECT_EQ(agent.wait(10s), std::optional<int>(0));
}

}  // namespace
}  // namespace norva
