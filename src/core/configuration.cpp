#include "core/configuration.h"

#include "core/profile_file.h"

namespace norva {

namespace {

// An integer key whose value must lie in [low, high]; anything else is its default.
int readRanged(const ProfileFile& file, const char* section, const char* key, int fallback,
               int low, int high) {
  const int value = file.readInteger(section, key, fallback);
  return (value < low || value > high) ? fallback : value;
}

constexpr int kMaxPeriodMs = 24 * 3600 * 1000;
constexpr int kMaxTicks = 1000000;
constexpr int kMaxSeconds = 24 * 3600;
constexpr int kMaxCacheEntries = 100000;

}  // namespace

std::string readLanguage(const ProfileFile& file) { return file.readString("Set", "Lang", "Eng"); }

void readConfiguration(const ProfileFile& file, Configuration& c) {
  const Configuration d;
  c.port = file.readString("Set", "Port", d.port);
  c.ipPort = readRanged(file, "Set", "IPPort", d.ipPort, 1, 65535);

  LogCategories& log = c.log;
  log.comIn = file.readBool("Log", "Com_In", d.log.comIn);
  log.comPureIn = file.readBool("Log", "Com_PureIn", d.log.comPureIn);
  log.comOut = file.readBool("Log", "Com_Out", d.log.comOut);
  log.comLocOut = file.readBool("Log", "Com_LocOut", d.log.comLocOut);
  log.tcpIpIn = file.readBool("Log", "TCP/IP_In", d.log.tcpIpIn);
  log.tcpIpOut = file.readBool("Log", "TCP/IP_Out", d.log.tcpIpOut);
  log.extent = file.readBool("Log", "Extent", d.log.extent);

  TimerPeriods& t = c.timers;
  t.interval = readRanged(file, "Timer", "Interval", d.timers.interval, 1, kMaxPeriodMs);
  t.anInterval = readRanged(file, "Timer", "ANInterval", d.timers.anInterval, 1, kMaxPeriodMs);
  c.anTimeOut = readRanged(file, "Timer", "ANTimeOut", d.anTimeOut, 0, kMaxSeconds);
  t.trapInterval = readRanged(file, "Timer", "TrapInterval", d.timers.trapInterval, 1, kMaxPeriodMs);
  t.msgInterval = readRanged(file, "Timer", "MSGInterval", d.timers.msgInterval, 1, kMaxPeriodMs);
  t.urInterval = readRanged(file, "Timer", "URInterval", d.timers.urInterval, 1, kMaxPeriodMs);
  c.urIntervalBezDat =
      readRanged(file, "Timer", "URIntervalBezDat", d.urIntervalBezDat, 1, kMaxPeriodMs);
  t.swInterval = readRanged(file, "Timer", "SWInterval", d.timers.swInterval, 1, kMaxPeriodMs);
  c.swTimeOut = readRanged(file, "Timer", "SWTimeOut", d.swTimeOut, 0, kMaxSeconds);
  c.maxTick = readRanged(file, "Timer", "MaxTick", d.maxTick, 1, kMaxTicks);
  c.maxError = readRanged(file, "Timer", "MaxError", d.maxError, 1, kMaxTicks);
  c.maxErrorTick = readRanged(file, "Timer", "MaxErrorTick", d.maxErrorTick, 0, kMaxTicks);

  c.maxCache = readRanged(file, "Set", "MaxCache", d.maxCache, 0, kMaxCacheEntries);
  c.readUct = file.readBool("Set", "ReadUct", d.readUct);
  c.sendUct = file.readBool("Set", "SendUct", d.sendUct);
  c.uctFile = file.readString("Set", "UctFile", d.uctFile);
  c.xapi = file.readBool("Set", "XAPI", d.xapi);
  c.prefixes = file.sectionLines("Prefix");
  c.devices = file.sectionValues("Devices");
}

bool writePortSetting(const std::string& iniPath, const std::string& port) {
  return ProfileFile(iniPath).writeString("Set", "Port", port);
}

bool writeLanguageSetting(const std::string& iniPath, const std::string& lang) {
  return ProfileFile(iniPath).writeString("Set", "Lang", lang);
}

bool writeLogSettings(const std::string& iniPath, const LogCategories& log) {
  ProfileFile file(iniPath);
  // Extent is not among the dialog's switches and stays as the file has it.
  bool ok = file.writeBool("Log", "Com_In", log.comIn);
  ok = file.writeBool("Log", "Com_PureIn", log.comPureIn) && ok;
  ok = file.writeBool("Log", "Com_Out", log.comOut) && ok;
  ok = file.writeBool("Log", "Com_LocOut", log.comLocOut) && ok;
  ok = file.writeBool("Log", "TCP/IP_In", log.tcpIpIn) && ok;
  ok = file.writeBool("Log", "TCP/IP_Out", log.tcpIpOut) && ok;
  return ok;
}

bool writeAccountingSettings(const std::string& iniPath, bool readUct, bool sendUct,
                             const std::string& uctFile) {
  ProfileFile file(iniPath);
  bool ok = file.writeBool("Set", "ReadUct", readUct);
  ok = file.writeBool("Set", "SendUct", sendUct) && ok;
  ok = file.writeString("Set", "UctFile", uctFile) && ok;
  return ok;
}

}  // namespace norva
