#include <gtest/gtest.h>

#include "core/profile_file.h"
#include "i18n/text_ids.h"
#include "i18n/tnls.h"
#include "support/agent_fixture.h"

namespace norva {
namespace {

class SerialLink : public ::testing::Test, public test::AgentFixture {
 protected:
  std::string text(int n) { return agent->nls()->GetText(n); }
  bool hasLine(const std::string& line) {
    const auto l = lines();
    return std::find(l.begin(), l.end(), line) != l.end();
  }
};

TEST_F(SerialLink, OpensTheConfiguredPortAtStart) {
  writeIni("[Set]\nLang=Eng\nPort=COM1:57600,E,7,2\n");
  start();
  EXPECT_TRUE(port.isOpen());
  EXPECT_EQ(port.deviceName(), "COM1");
  EXPECT_EQ(port.baudRate(), TBaudrate::br57600);
  EXPECT_EQ(port.parity(), TParity::paEven);
  EXPECT_EQ(port.databits(), TDatabits::da7);
  EXPECT_EQ(port.stopbits(), TStopbits::sb20);
  EXPECT_TRUE(hasLine("-OK- " + text(txt::kPortOpened) + "COM1:57600,E,7,2"));
}

TEST_F(SerialLink, APortThatCannotOpenIsLoggedAndTheAgentGoesOn) {
  writeIni("[Set]\nLang=Eng\n");
  port.failOpen = true;
  Agent& a = start({"/service"}, true);
  const std::string message = text(txt::kPortFailed) + "COM2:19200,N,8,1";
  EXPECT_TRUE(hasLine("!Err " + message));
  EXPECT_NE(std::find(systemLog.entries.begin(), systemLog.entries.end(), "E:" + message),
            systemLog.entries.end());
  EXPECT_TRUE(a.pollTickOn());
  EXPECT_FALSE(a.portRetrying());  // only a port that went away is looked for again
  scheduler.runFor(10000);
  EXPECT_EQ(port.openCount, 0);
}

TEST_F(SerialLink, ControlPanelNeverTouchesThePort) {
  writeIni("[Set]\nLang=Eng\n");
  start({}, false, true);
  scheduler.runFor(1000);
  EXPECT_EQ(port.openCount, 0);
}

TEST_F(SerialLink, ChangeBaudRateReopensAndKeepsTheTick) {
  writeIni("[Set]\nLang=Eng\nPort=COM3:9600,N,8,1\n");
  Agent& a = start();
  EXPECT_TRUE(a.ChangeBaudRate("38400"));
  EXPECT_EQ(a.portSettings(), "COM3:38400,N,8,1");
  EXPECT_EQ(port.baudRate(), TBaudrate::br38400);
  EXPECT_EQ(port.openCount, 2);
  EXPECT_TRUE(port.isOpen());
  EXPECT_TRUE(a.pollTickOn());
  // The setting is not written: only the save command does that.
  EXPECT_EQ(ProfileFile(a.iniPath()).readString("Set", "Port", ""), "COM3:9600,N,8,1");

  a.Zastavit1Click();
  port.failOpen = true;
  EXPECT_FALSE(a.ChangeBaudRate("not a number"));  // becomes 9600
  EXPECT_EQ(a.portSettings(), "COM3:9600,N,8,1");
  EXPECT_FALSE(port.isOpen());
  EXPECT_FALSE(a.pollTickOn());  // restored as it was: off
}

TEST_F(SerialLink, SelectPortWritesTheSettingAndReopens) {
  writeIni("[Set]\nLang=Eng\nPort=COM2:19200,N,8,1\n");
  Agent& a = start();
  a.SelectPort('4');
  EXPECT_EQ(a.portSettings(), "COM4:19200,N,8,1");
  EXPECT_EQ(ProfileFile(a.iniPath()).readString("Set", "Port", ""), "COM4:19200,N,8,1");
  EXPECT_EQ(port.openedDevices, (std::vector<std::string>{"COM2", "COM4"}));
  EXPECT_EQ(a.log().status(), "");
  EXPECT_EQ(a.pollState(), 0);

  port.failOpen = true;
  a.SelectPort('5');
  EXPECT_FALSE(port.isOpen());
  EXPECT_EQ(a.log().status(), text(txt::kPortDialogFailed));
}

TEST_F(SerialLink, AVanishedDeviceIsLookedForUntilItIsBack) {
  writeIni("[Set]\nLang=Eng\n");
  Agent& a = start();
  const auto before = lines().size();
  port.failOpen = true;
  port.vanish("No such file or directory");
  EXPECT_TRUE(a.portRetrying());
  ASSERT_EQ(lines().size(), before + 1);
  EXPECT_EQ(lines().back().rfind("!Err " + text(txt::kPortFailed) + "COM2:19200,N,8,1", 0), 0u);
  scheduler.runFor(Agent::kPortRetryMs * 5);  // still gone: quiet retries
  EXPECT_EQ(lines().size(), before + 1);
  EXPECT_EQ(port.openCount, 1);
  port.failOpen = false;
  scheduler.runFor(Agent::kPortRetryMs);
  EXPECT_TRUE(port.isOpen());
  EXPECT_FALSE(a.portRetrying());
  EXPECT_EQ(lines().back(), "-OK- " + text(txt::kPortOpened) + "COM2:19200,N,8,1");
  EXPECT_EQ(port.openedDevices, (std::vector<std::string>{"COM2", "COM2"}));
}

TEST_F(SerialLink, TheBusyByteEndsTheWaitOthersDoNot) {
  writeIni("[Set]\nLang=Eng\n[Timer]\nMaxTick=7\n");
  Agent& a = start();
  port.receive({0x41, 0x00, 0xFF});
  EXPECT_EQ(a.tickCount(), 0);
  EXPECT_EQ(port.purges, 3);  // every byte outside a frame purges the transmit side
  port.receive({0xE0});
  EXPECT_EQ(a.tickCount(), 7);
}

TEST_F(SerialLink, TearDownClosesThePort) {
  writeIni("[Set]\nLang=Eng\n");
  Agent& a = start();
  a.FormDestroy();
  EXPECT_FALSE(port.isOpen());
}

}  // namespace
}  // namespace norva
