#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/log_categories.h"

namespace norva {

class ProfileFile;

// Periods handed to the timers when the configuration is read.
struct TimerPeriods {
  int interval = 100;        // poll tick, ms
  int anInterval = 600;      // line states, ms
  int trapInterval = 5000;   // messages the PBX wants sent, ms
  int msgInterval = 11000;   // mailbox counters, ms
  int urInterval = 1000;     // call accounting after a record, ms
  int swInterval = 600;      // command-14 data, ms
};

// Every setting the agent reads at start, with its default.
struct Configuration {
  std::string lang = "Eng";
  std::string port = "COM2:19200,N,8,1";
  int ipPort = 1234;
  LogCategories log;
  TimerPeriods timers;
  int anTimeOut = 10;          // seconds
  int urIntervalBezDat = 3000; // ms, accounting pace after an empty answer
  int swTimeOut = 10;          // seconds
  int maxTick = 9;
  int maxError = 6;
  int maxErrorTick = 600;
  int maxCache = 110;
  bool readUct = true;
  bool sendUct = false;
  std::string uctFile = "DATA.NEW";
  bool xapi = false;
  std::vector<std::string> prefixes;
  // Section Devices: device name ("COM2") to device path ("/dev/ttyUSB0").
  std::vector<std::pair<std::string, std::string>> devices;
};

// Reads section Set's Lang key alone (it is needed before the rest).
std::string readLanguage(const ProfileFile& file);

// Reads everything after Lang, in the order the agent has always read it.
// Values out of a key's usable range give the key's default.
void readConfiguration(const ProfileFile& file, Configuration& config);

// Write-back operations; each opens the file, writes its keys, closes it.
bool writePortSetting(const std::string& iniPath, const std::string& port);
bool writeLanguageSetting(const std::string& iniPath, const std::string& lang);
bool writeLogSettings(const std::string& iniPath, const LogCategories& log);
bool writeAccountingSettings(const std::string& iniPath, bool readUct, bool sendUct,
                             const std::string& uctFile);

}  // namespace norva
