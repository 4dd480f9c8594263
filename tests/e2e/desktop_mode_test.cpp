#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>

#include "support/installed_copy.h"
#include "support/process.h"
#include "support/pty_pair.h"

using namespace std::chrono_literals;

namespace norva {
namespace {

// Bytes from the agent on the line within the time, or none.
bool lineHasData(int fd, int timeoutMs) {
  pollfd p{fd, POLLIN, 0};
  if (::poll(&p, 1, timeoutMs) <= 0 || (p.revents & POLLIN) == 0) return false;
  char buf[256];
  return ::read(fd, buf, sizeof buf) > 0;
}

// The program with its window (drawn offscreen): it starts, polls the PBX
// line from under the window, and ends cleanly when asked to.
TEST(DesktopMode, RunsTheAgentUnderItsWindowAndEndsCleanly) {
  test::InstalledCopy copy;
  test::PtyPair line;
  ASSERT_TRUE(line.ok());
  copy.dir.write("NAgent.INI", "[Set]\r\nLang=De\r\n[Devices]\r\nCOM2=" + line.slavePath() + "\r\n");
  test::Process agent(copy.program(), {}, {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM=offscreen"},
                      copy.dir.path());
  EXPECT_TRUE(lineHasData(line.master(), 10000)) << agent.stderrText();
  EXPECT_FALSE(agent.wait(300ms).has_value()) << "ended by itself: " << agent.stderrText();
  agent.signal(SIGTERM);
  const auto status = agent.wait(10s);
  ASSERT_TRUE(status.has_value()) << "still running after SIGTERM";
  EXPECT_EQ(*status, 0) << agent.stderrText();
  EXPECT_FALSE(agent.exitedBySignal());
}

}  // namespace
}  // namespace norva
