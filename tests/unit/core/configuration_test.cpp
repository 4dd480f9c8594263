#include "core/configuration.h"

#include <gtest/gtest.h>

#include "core/profile_file.h"
#include "support/temp_dir.h"

namespace norva {
namespace {

using test::TempDir;

Configuration readPath(const std::string& path) {
  const ProfileFile f(path);
  Configuration c;
  c.lang = readLanguage(f);
  readConfiguration(f, c);
  return c;
}

Configuration readFrom(const std::string& content, bool create = true) {
  TempDir dir;
  if (create) dir.write("NAgent.INI", content);
  return readPath(dir.file("NAgent.INI"));
}

TEST(Configuration, NoFileGivesEveryDefault) {
  const Configuration c = readFrom("", false);
  EXPECT_EQ(c.lang, "Eng");
  EXPECT_EQ(c.port, "COM2:19200,N,8,1");
  EXPECT_EQ(c.ipPort, 1234);
  EXPECT_EQ(c.timers.interval, 100);
  EXPECT_EQ(c.timers.anInterval, 600);
  EXPECT_EQ(c.timers.trapInterval, 5000);
  EXPECT_EQ(c.timers.msgInterval, 11000);
  EXPECT_EQ(c.timers.urInterval, 1000);
  EXPECT_EQ(c.timers.swInterval, 600);
  EXPECT_EQ(c.anTimeOut, 10);
  EXPECT_EQ(c.swTimeOut, 10);
  EXPECT_EQ(c.urIntervalBezDat, 3000);
  EXPECT_EQ(c.maxTick, 9);
  EXPECT_EQ(c.maxError, 6);
  EXPECT_EQ(c.maxErrorTick, 600);
  EXPECT_EQ(c.maxCache, 110);
  EXPECT_TRUE(c.readUct);
  EXPECT_FALSE(c.sendUct);
  EXPECT_EQ(c.uctFile, "DATA.NEW");
  EXPECT_FALSE(c.xapi);
  EXPECT_TRUE(c.log.comIn);
  EXPECT_TRUE(c.log.comPureIn);
  EXPECT_TRUE(c.log.tcpIpIn);
  EXPECT_FALSE(c.log.comOut || c.log.comLocOut || c.log.tcpIpOut || c.log.extent);
  EXPECT_TRUE(c.prefixes.empty());
}

TEST(Configuration, EveryKeyOverridden) {
  const Configuration c = readFrom(
      "[Set]\nLang=De\nPort=COM1:57600,E,7,2\nIPPort=4321\nMaxCache=0\nReadUct=0\nSendUct=1\n"
      "UctFile=/var/lib/norva/calls.txt\nXAPI=1\n"
      "[Log]\nCom_In=0\nCom_PureIn=0\nCom_Out=1\nCom_LocOut=1\nTCP/IP_In=0\nTCP/IP_Out=1\nExtent=1\n"
      "[Timer]\nInterval=200\nANInterval=601\nANTimeOut=11\nTrapInterval=5001\nMSGInterval=11001\n"
      "URInterval=1001\nURIntervalBezDat=3001\nSWInterval=602\nSWTimeOut=12\nMaxTick=8\n"
      "MaxError=5\nMaxErrorTick=599\n"
      "[Prefix]\n0=9\n0=8\n");
  EXPECT_EQ(c.lang, "De");
  EXPECT_EQ(c.port, "COM1:57600,E,7,2");
  EXPECT_EQ(c.ipPort, 4321);
  EXPECT_EQ(c.maxCache, 0);
  EXPECT_FALSE(c.readUct);
  EXPECT_TRUE(c.sendUct);
  EXPECT_EQ(c.uctFile, "/var/lib/norva/calls.txt");
  EXPECT_TRUE(c.xapi);
  EXPECT_FALSE(c.log.comIn || c.log.comPureIn || c.log.tcpIpIn);
  EXPECT_TRUE(c.log.comOut && c.log.comLocOut && c.log.tcpIpOut && c.log.extent);
  EXPECT_EQ(c.timers.interval, 200);
  EXPECT_EQ(c.timers.anInterval, 601);
  EXPECT_EQ(c.anTimeOut, 11);
  EXPECT_EQ(c.timers.trapInterval, 5001);
  EXPECT_EQ(c.timers.msgInterval, 11001);
  EXPECT_EQ(c.timers.urInterval, 1001);
  EXPECT_EQ(c.urIntervalBezDat, 3001);
  EXPECT_EQ(c.timers.swInterval, 602);
  EXPECT_EQ(c.swTimeOut, 12);
  EXPECT_EQ(c.maxTick, 8);
  EXPECT_EQ(c.maxError, 5);
  EXPECT_EQ(c.maxErrorTick, 599);
  EXPECT_EQ(c.prefixes, (std::vector<std::string>{"0=9", "0=8"}));
}

TEST(Configuration, UnusableValuesGiveTheDefault) {
  const Configuration c = readFrom(
      "[Set]\nIPPort=70000\nMaxCache=-1\nReadUct=maybe\nXAPI=\n"
      "[Log]\nCom_In=off\n"
      "[Timer]\nInterval=0\nANInterval=-5\nMaxTick=0\nMaxError=abc\nMaxErrorTick=-1\n"
      "SWTimeOut=99999999999\nURInterval=1e3\n");
  EXPECT_EQ(c.ipPort, 1234);
  EXPECT_EQ(c.maxCache, 110);
  EXPECT_TRUE(c.readUct);
  EXPECT_FALSE(c.xapi);
  EXPECT_TRUE(c.log.comIn);
  EXPECT_EQ(c.timers.interval, 100);
  EXPECT_EQ(c.timers.anInterval, 600);
  EXPECT_EQ(c.maxTick, 9);
  EXPECT_EQ(c.maxError, 6);
  EXPECT_EQ(c.maxErrorTick, 600);
  EXPECT_EQ(c.swTimeOut, 10);
  EXPECT_EQ(c.timers.urInterval, 1000);
}

TEST(Configuration, LogDialogWritesSixKeysAndLeavesExtent) {
  TempDir dir;
  dir.write("NAgent.INI", "[Log]\nExtent=1\nCom_In=1\n; keep me\n[Set]\nPort=COM4:9600,N,8,1\n");
  LogCategories log;
  log.comIn = false;
  log.comOut = true;
  log.extent = false;  // not written
  ASSERT_TRUE(writeLogSettings(dir.file("NAgent.INI"), log));
  EXPECT_EQ(dir.read("NAgent.INI"),
            "[Log]\nExtent=1\nCom_In=0\nCom_PureIn=1\nCom_Out=1\nCom_LocOut=0\nTCP/IP_In=1\n"
            "TCP/IP_Out=0\n; keep me\n[Set]\nPort=COM4:9600,N,8,1\n");
}

TEST(Configuration, OtherWriters) {
  TempDir dir;
  const std::string ini = dir.file("NAgent.INI");
  ASSERT_TRUE(writePortSetting(ini, "COM1:9600,N,8,1"));
  ASSERT_TRUE(writeLanguageSetting(ini, "De"));
  ASSERT_TRUE(writeAccountingSettings(ini, false, true, "calls.txt"));
  const Configuration c = readPath(ini);
  EXPECT_EQ(c.port, "COM1:9600,N,8,1");
  EXPECT_EQ(c.lang, "De");
  EXPECT_FALSE(c.readUct);
  EXPECT_TRUE(c.sendUct);
  EXPECT_EQ(c.uctFile, "calls.txt");
}

}  // namespace
}  // namespace norva
