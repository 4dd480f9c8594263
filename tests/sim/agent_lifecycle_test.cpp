#include <gtest/gtest.h>

#include <algorithm>

#include "i18n/text_ids.h"
#include "i18n/tnls.h"
#include "support/agent_fixture.h"

namespace norva {
namespace {

using ::testing::Test;

class AgentLifecycle : public Test, public test::AgentFixture {
 protected:
  int count(const std::string& event) const {
    return static_cast<int>(std::count(ui.events.begin(), ui.events.end(), event));
  }
};

TEST_F(AgentLifecycle, DesktopStartWithoutConfigurationWarnsThenRunsOnDefaults) {
  Agent& a = start();
  ASSERT_FALSE(lines().empty());
  EXPECT_EQ(lines().front(), "---- Start Norva Agent ----");
  // Shown first, then warned (in the configured language, here the default),
  // then the window translated; the start never waits for the box.
  ASSERT_GE(ui.events.size(), 3u);
  EXPECT_EQ(ui.events[0], "show");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].icon, MessageIcon::Warning);
  EXPECT_EQ(ui.messages[0].text, a.nls()->GetText(txt::kConfigMissing));
  EXPECT_EQ(ui.messages[0].caption, a.nls()->GetText(txt::kConfigMissingCaption));
  EXPECT_FALSE(ui.messages[0].text.empty());
  EXPECT_EQ(ui.events[1], "message:" + ui.messages[0].text);
  EXPECT_EQ(ui.events[2], "translate");
  EXPECT_EQ(a.nls()->languageCode(), "Eng");
  EXPECT_FALSE(a.nls()->fileOpen());
  EXPECT_TRUE(a.pollTickOn());
  EXPECT_EQ(a.config().port, "COM2:19200,N,8,1");
  EXPECT_FALSE(std::filesystem::exists(dir.file("NAgent.INI")));  // reading creates nothing
  EXPECT_TRUE(systemLog.entries.empty());
}

TEST_F(AgentLifecycle, ServiceStartWithoutConfigurationLogsInsteadOfAsking) {
  Agent& a = start({"/service"}, true);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(count("show"), 0);
  const auto l = lines();
  ASSERT_GE(l.size(), 2u);
  EXPECT_EQ(l[0], "---- Start Norva Agent ----");
  EXPECT_EQ(l[1], "!Err " + a.nls()->GetText(txt::kConfigMissing));
  ASSERT_GE(systemLog.entries.size(), 2u);
  EXPECT_EQ(systemLog.entries[0], "I:Start");
  EXPECT_EQ(systemLog.entries[1], "E:" + a.nls()->GetText(txt::kConfigMissing));
  EXPECT_TRUE(a.pollTickOn());
}

TEST_F(AgentLifecycle, ConfiguredLanguageAndTickPeriod) {
  writeIni("[Set]\nLang=De\n[Timer]\nInterval=200\n");
  Agent& a = start({"/hide"});
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(a.nls()->languageCode(), "De");
  EXPECT_FALSE(a.nls()->GetText(txt::kPollingStopped).empty());
  // The desktop refuses the icon: every tick asks again, every 200 ms.
  ui.trayAvailable = false;
  scheduler.runFor(1000);
  EXPECT_EQ(count("tray:0"), 5);
  EXPECT_EQ(count("tray:1"), 0);
  ui.trayAvailable = true;
  scheduler.runFor(400);
  EXPECT_EQ(count("tray:0"), 6);  // accepted once, then no more asking
  EXPECT_EQ(count("tray:1"), 1);
  EXPECT_TRUE(a.trayIconShown());
}

TEST_F(AgentLifecycle, HideIsComparedExactly) {
  writeIni("[Set]\nLang=Eng\n");
  const struct {
    std::vector<std::string> params;
    bool hidden;
  } cases[] = {
      {{"/hide"}, true}, {{"/HIDE"}, false}, {{"/hidden"}, false}, {{"x/hide"}, false},
      {{"-a", "/hide"}, true},
  };
  for (const auto& c : cases) {
    ui.events.clear();
    Agent& a = start(c.params);
    EXPECT_EQ(a.startHidden(), c.hidden) << c.params.back();
    EXPECT_EQ(count("show"), c.hidden ? 0 : 1) << c.params.back();
    scheduler.runFor(100);
    EXPECT_EQ(a.trayIconShown(), c.hidden) << c.params.back();
  }
}

TEST_F(AgentLifecycle, ServiceCommandLineIsASubstringTest) {
  EXPECT_TRUE(isServiceCommandLine("/opt/norva/NAgent /service"));
  EXPECT_TRUE(isServiceCommandLine("/opt/norva/NAgent x/servicey"));
  EXPECT_FALSE(isServiceCommandLine("/opt/norva/NAgent /Service"));
  EXPECT_EQ(configurationPathFor("/opt/norva/NAgent"), "/opt/norva/NAgent.INI");
  EXPECT_EQ(configurationPathFor("/opt/norva/NAgent.exe"), "/opt/norva/NAgent.INI");
  EXPECT_EQ(configurationPathFor("/opt/nor.va/NAgent"), "/opt/nor.va/NAgent.INI");
  EXPECT_EQ(directoryOf("/opt/norva/NAgent"), "/opt/norva");
}

TEST_F(AgentLifecycle, ControlPanelForARunningService) {
  writeIni("[Set]\nLang=Eng\n");
  Agent& a = start({}, false, true);
  const auto l = lines();
  ASSERT_EQ(l.size(), 2u);
  EXPECT_EQ(l[0], "---- Start Norva Agent ----");
  EXPECT_EQ(l[1], "---- NT Service -----------");
  EXPECT_TRUE(a.pollTickOn());
}

TEST_F(AgentLifecycle, StopAndResumePolling) {
  writeIni("[Set]\nLang=Cz\n");
  Agent& a = start();
  a.Zastavit1Click();
  EXPECT_FALSE(a.pollTickOn());
  EXPECT_EQ(ui.pollCaption, a.nls()->GetText(txt::kPollingStopped));
  a.Zastavit1Click();
  EXPECT_TRUE(a.pollTickOn());
  EXPECT_EQ(ui.pollCaption, a.nls()->GetText(txt::kPollingStarted));
  EXPECT_NE(ui.pollCaption, a.nls()->GetText(txt::kPollingStopped));
}

TEST_F(AgentLifecycle, HideShowAndExitCommands) {
  writeIni("[Set]\nLang=Eng\n");
  Agent& a = start();
  ui.events.clear();
  a.ShowOnTrayClickClick();
  a.ShowOnTrayClickClick();  // the icon is added once
  a.ShowOnClick();
  a.ShutDownClick();
  EXPECT_EQ(ui.events,
            (std::vector<std::string>{"tray:0", "tray:1", "hide", "hide", "show", "close"}));
  EXPECT_FALSE(a.trayIconShown());
}

TEST_F(AgentLifecycle, CloseAndTearDown) {
  writeIni("[Set]\nLang=Eng\n");
  Agent& a = start();
  a.FormClose();
  EXPECT_FALSE(a.pollTickOn());
  ui.events.clear();
  a.FormDestroy();
  EXPECT_EQ(ui.events, (std::vector<std::string>{"tray:2"}));
  EXPECT_TRUE(a.log().lines().empty());
  EXPECT_EQ(a.nls(), nullptr);
  a.FormDestroy();  // a second tear-down finds nothing left to do
  EXPECT_EQ(ui.events.size(), 1u);
  scheduler.runFor(1000);  // no tick after the tear-down
}

}  // namespace
}  // namespace norva
