// The real program, started as the service manager would start it.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <regex>

#include "support/installed_copy.h"
#include "support/process.h"
#include "support/pty_pair.h"
#include "support/temp_dir.h"

namespace norva {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

using test::InstalledCopy;
using test::kHeadlessEnv;

TEST(ServiceMode, StartsWithoutADisplayAndEndsCleanlyOnSigterm) {
  InstalledCopy copy;
  test::PtyPair line;
  ASSERT_TRUE(line.ok());
  copy.dir.write("NAgent.INI", "[Set]\r\nLang=Eng\r\n[Devices]\r\nCOM2=" + line.slavePath() + "\r\n");
  const test::TempDir elsewhere;  // the working folder is not the program's
  test::Process agent(copy.program(), {"/service"}, kHeadlessEnv, elsewhere.path());
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
  test::Process agent(copy.program(), {"/service"}, kHeadlessEnv, copy.dir.path());
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

}  // namespace
}  // namespace norva
