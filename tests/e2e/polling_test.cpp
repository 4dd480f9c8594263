// The real program polling pbxsim: call records end up in the accounting file.
#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>
#include <thread>

#include "support/installed_copy.h"
#include "support/notify_socket.h"
#include "support/process.h"

namespace norva {
namespace {

using namespace std::chrono_literals;

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

TEST(PollingE2E, FetchesAccountingRecordsIntoTheFileAndPollsOn) {
  test::InstalledCopy copy;
  const std::string link = copy.dir.file("ttyPBX");
  test::Process pbx(test::Process::WithStdio{}, copy.dir.file("pbxsim"), {"--link", link});
  ASSERT_TRUE(pbx.waitForStdout("pty ", 10s)) << pbx.stderrText();
  ASSERT_TRUE(pbx.writeStdin("record 21 0044123456 00:01:12\nrecord 22 \xE8\xED\x73lo 00:00:09\n"));
  const std::string calls = copy.dir.file("calls.txt");
  copy.dir.write("NAgent.INI", "[Set]\nLang=Eng\nUctFile=" + calls + "\n[Devices]\nCOM2=" + link +
                                   "\n[Timer]\nURIntervalBezDat=300\n");
  test::Process agent(copy.program(), {"/service"}, test::serviceEnv());

  const std::string expected = "21 0044123456 00:01:12\r\n22 \xE8\xED\x73lo 00:00:09\r\n";
  std::string content;
  for (int i = 0; i < 100 && content != expected; ++i) {
    std::this_thread::sleep_for(100ms);
    content = readFile(calls);
  }
  EXPECT_EQ(content, expected) << agent.stderrText();

  // A record added later arrives too, and the agent keeps asking.
  ASSERT_TRUE(pbx.writeStdin("record 23 112 00:00:20\n"));
  for (int i = 0; i < 100 && content.find("23 112") == std::string::npos; ++i) {
    std::this_thread::sleep_for(100ms);
    content = readFile(calls);
  }
  EXPECT_EQ(content, expected + "23 112 00:00:20\r\n");
  // Start requests and the line list, then accounting reads (command 4).
  EXPECT_TRUE(pbx.waitForStdout("rx 1 0D\n", 2s)) << pbx.stdoutText();
  EXPECT_TRUE(pbx.waitForStdout("rx 4 04\n", 2s)) << pbx.stdoutText();
  EXPECT_TRUE(agent.waitForStderr("<COM 23 112 00:00:20", 2s)) << agent.stderrText();

  agent.signal(SIGTERM);
  EXPECT_EQ(agent.wait(10s), std::optional<int>(0));
  // The tear-down's last word to the PBX: all message counters cleared.
  EXPECT_TRUE(pbx.waitForStdout(" 01 11 00 ", 5s)) << pbx.stdoutText();
}

}  // namespace
}  // namespace norva
