// The real program, started as the service manager would start it.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <regex>

#include "support/installed_copy.h"
#include "support/notify_socket.h"
#include "support/process.h"
#include "support/pty_pair.h"
#include "support/temp_dir.h"

namespace norva {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

using test::InstalledCopy;
using test::kHeadlessEnv;
using test::serviceEnv;

TEST(ServiceMode, StartsWithoutADisplayAndEndsCleanlyOnSigterm) {
  InstalledCopy copy;
  test::PtyPair line;
  ASSERT_TRUE(line.ok());
  copy.dir.write("NAgent.INI", "[Set]\r\nLang=Eng\r\n[Devices]\r\nCOM2=" + line.slavePath() + "\r\n");
  const test::TempDir elsewhere;  // the working folder is not the program's
  test::Process agent(copy.program(), {"/service"}, serviceEnv(), elsewhere.path());
  ASSERT_TRUE(agent.waitForStderr("Start Norva Agent ----", 10s)) << agent.stderrText();
  // The line opens; only the mail gateway, which has no configuration here, fails.
  ASSERT_TRUE(agent.waitForStderr("Mail gateway", 10s)) << agent.stderrText();
  EXPECT_NE(agent.stderrText().find("-OK- Serial port opened"), std::string::npos)
      << agent.stderrText();
  EXPECT_EQ(agent.stderrText().find("not found"), std::string::npos) << agent.stderrText();
  agent.signal(SIGTERM);
  const auto status = agent.wait(10s);
  ASSERT_TRUE(status.has_value()) << "still running after SIGTERM";
  EXPECT_EQ(*status, 0) << agent.stderrText();
  EXPECT_FALSE(agent.exitedBySignal());
  // One line per log line, with the time stamp, the tag and the text.
  const std::string& err = agent.stderrText();
  const std::string first = err.substr(0, err.find('\n'));
  EXPECT_TRUE(std::regex_match(first, std::regex(R"(\d\d:\d\d:\d\d\.\d  ---- Start Norva Agent ----)")))
      << first;
}

TEST(ServiceMode, MissingConfigurationIsLoggedAndTheAgentRunsOn) {
  InstalledCopy copy;
  test::Process agent(copy.program(), {"/service"}, serviceEnv(), copy.dir.path());
  ASSERT_TRUE(agent.waitForStderr("!Err The configuration file was not found", 10s))
      << agent.stderrText();
  // The Czech or English wording is the language file's; the line carries it in UTF-8.
  EXPECT_NE(agent.stderrText().find("Start Norva Agent ----"), std::string::npos);
  agent.signal(SIGINT);
  const auto status = agent.wait(10s);
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(*status, 0);
  EXPECT_FALSE(fs::exists(copy.dir.file("NAgent.INI")));
}

// Under a stand-in for the service manager: what it hears, and in which order.
TEST(ServiceMode, ReportsStartingReadyStoppingAndStoppedToTheManager) {
  InstalledCopy copy;
  const std::string link = copy.dir.file("ttyPBX");
  test::Process pbx(test::Process::WithStdio{}, copy.dir.file("pbxsim"), {"--link", link});
  ASSERT_TRUE(pbx.waitForStdout("pty ", 10s)) << pbx.stderrText();
  copy.dir.write("NAgent.INI", "[Set]\nLang=Eng\n[Devices]\nCOM2=" + link + "\n");
  test::NotifySocket manager;
  std::vector<std::string> env = kHeadlessEnv;
  env.push_back(manager.envEntry());
  test::Process agent(copy.program(), {"/service"}, env);
  ASSERT_TRUE(manager.waitFor("READY=1", 10s)) << agent.stderrText();
  // Ready only once the window-less start has opened the line: its log line
  // was written before the report, so it already waits in the pipe.
  EXPECT_TRUE(agent.waitForStderr("-OK- Serial port opened", 5ms)) << agent.stderrText();
  ASSERT_TRUE(pbx.waitForStdout("rx 1 0D\n", 5s)) << pbx.stdoutText();
  EXPECT_FALSE(manager.waitFor("STOPPING=1", 200ms)) << "stopping before it was asked to";

  agent.signal(SIGTERM);
  ASSERT_TRUE(manager.waitFor("STATUS=Stopped", 10s)) << agent.stderrText();
  const auto status = agent.wait(10s);
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(*status, 0);
  // The tear-down's last word to the exchange: every message counter cleared.
  ASSERT_TRUE(pbx.waitForStdout(" 01 11 00", 5s)) << pbx.stdoutText();
  const std::string& heard = pbx.stdoutText();
  const std::string lastRequest = heard.substr(heard.rfind("rx "));
  EXPECT_NE(lastRequest.find(" 01 11 00"), std::string::npos) << heard;

  const std::vector<std::string> expected = {
      "STATUS=Start pending (1)\nEXTEND_TIMEOUT_USEC=3000000",
      "STATUS=Start pending (2)\nEXTEND_TIMEOUT_USEC=3000000",
      "READY=1\nSTATUS=Running",
      "STOPPING=1\nSTATUS=Stop pending (3)",
      "STATUS=Stopped",
  };
  EXPECT_EQ(manager.messages(), expected);
}

TEST(ServiceMode, StartedByHandWithoutAManagerItSaysSoAndEnds) {
  InstalledCopy copy;
  copy.dir.write("NAgent.INI", "[Set]\nLang=Eng\n");
  std::vector<std::string> env = kHeadlessEnv;
  env.push_back("NOTIFY_SOCKET");
  test::Process agent(copy.program(), {"/service"}, env);
  const auto status = agent.wait(10s);
  ASSERT_TRUE(status.has_value()) << "still running: " << agent.stderrText();
  EXPECT_EQ(*status, 0);
  EXPECT_NE(agent.stderrText().find("StartServiceCtrlDispatcher failed."), std::string::npos)
      << agent.stderrText();
  // The agent itself never started.
  EXPECT_EQ(agent.stderrText().find("Start Norva Agent"), std::string::npos) << agent.stderrText();
}

}  // namespace
}  // namespace norva
