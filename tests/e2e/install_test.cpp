// The installed tree: laid out under the prefix as the package ships it, and
// runnable from there as a service.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>

#include "support/installed_copy.h"
#include "support/notify_socket.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace norva {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

TEST(Install, LaysOutTheTreeUnderOptWithTheCommandTheUnitAndTheDesktopEntry) {
  test::TempDir root;
  test::Process install(NORVA_CMAKE_COMMAND, {"--install", NORVA_BUILD_DIR},
                        {"DESTDIR=" + root.path()});
  ASSERT_EQ(install.wait(60s), std::optional<int>(0)) << install.stderrText();

  const std::string tree = root.file("opt/norva-agent");
  for (const char* name : {"NAgent", "libagentz4.so", "libXAPISrvr.so", "XAPISrvr.INI",
                           "NAgent.Eng", "NAgent.Cz", "NAgent.De", "Language.Eng", "AGENT.html",
                           "pbxsim"}) {
    EXPECT_TRUE(fs::is_regular_file(tree + "/" + name)) << name;
  }
  EXPECT_EQ(::access((tree + "/NAgent").c_str(), X_OK), 0);
  EXPECT_EQ(fs::read_symlink(root.file("usr/bin/norva-agent")), "/opt/norva-agent/NAgent");

  const std::string unit = root.read("lib/systemd/system/NorvaAgent.service");
  EXPECT_NE(unit.find("Type=notify\n"), std::string::npos) << unit;
  EXPECT_NE(unit.find("ExecStart=\"/opt/norva-agent/NAgent\" /service\n"), std::string::npos)
      << unit;
  // Shipped, not enabled: nothing links it into a target.
  EXPECT_FALSE(fs::exists(root.file("etc")));
  const std::string entry = root.read("usr/share/applications/norva-agent.desktop");
  EXPECT_NE(entry.find("Exec=\"/opt/norva-agent/NAgent\"\n"), std::string::npos) << entry;

  // The installed program finds everything beside itself: its language file
  // gives the mail gateway's start-up text, and the gateway library is loaded
  // (it complains of its missing configuration).
  root.write("opt/norva-agent/NAgent.INI", "[Set]\nLang=Eng\n");
  test::NotifySocket manager;
  std::vector<std::string> env = test::kHeadlessEnv;
  env.push_back(manager.envEntry());
  test::Process agent(tree + "/NAgent", {"/service"}, env, root.path());
  ASSERT_TRUE(manager.waitFor("READY=1", 10s)) << agent.stderrText();
  agent.signal(SIGTERM);
  EXPECT_EQ(agent.wait(10s), std::optional<int>(0));
  EXPECT_NE(agent.stderrText().find("!Err Mail gateway could not be started"), std::string::npos)
      << agent.stderrText();
  EXPECT_NE(agent.stderrText().find("agentz4: cannot read the configuration file"),
            std::string::npos)
      << agent.stderrText();
}

}  // namespace
}  // namespace norva
