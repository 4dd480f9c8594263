#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/configuration.h"
#include "core/event_log.h"

namespace norva {

class Clock;
class ProfileFile;
class SerialPort;
class TCommPax;
class ServiceQuery;
class SystemLog;
class TNLS;
class Timer;
class TimerFactory;
class UiSink;

// What the composition root hands the agent.
struct AgentEnvironment {
  std::string programPath;          // full path of the program file
  std::vector<std::string> args;    // parameters, the program path first
  std::string rawCommandLine;       // all parameters joined by spaces
  Clock* clock = nullptr;
  TimerFactory* timers = nullptr;
  UiSink* ui = nullptr;
  SystemLog* systemLog = nullptr;
  ServiceQuery* serviceQuery = nullptr;
  SerialPort* serialPort = nullptr;
};

// "/service" anywhere in the raw command line, case-sensitive.
bool isServiceCommandLine(const std::string& rawCommandLine);
// The configuration file: the program path with its extension replaced by ".INI".
std::string configurationPathFor(const std::string& programPath);
std::string directoryOf(const std::string& path);

// The agent's state and its handlers. The desktop window only shows it.
class Agent {
 public:
  explicit Agent(AgentEnvironment env);
  ~Agent();
  Agent(const Agent&) = delete;
  Agent& operator=(const Agent&) = delete;

  // Program entry decides these before the agent is created.
  bool ServiceMode = false;
  bool ServiceElsewhere = false;

  void FormCreate();
  void FormClose();
  void FormDestroy();

  void TimerTickTimer();
  void Zastavit1Click();
  void ShowOnTrayClickClick();
  void ShowOnClick();
  void ShutDownClick();

  // The serial link (start step 10 and the commands that re-open it).
  // Re-opens at another baud rate, given as a menu caption; true when open again.
  bool ChangeBaudRate(const std::string& baudText);
  // Re-opens with another port digit, as after the port dialog's OK.
  void SelectPort(char digit);
  void CommPax1RxChr(std::uint8_t chr);
  static constexpr int kPortRetryMs = 3000;

  bool startHidden() const { return startHidden_; }
  bool pollTickOn() const;
  bool trayIconShown() const { return TrayIconShown; }

  EventLog& log() { return log_; }
  TNLS* nls() { return nls_.get(); }
  const Configuration& config() const { return config_; }
  const std::string& iniPath() const { return iniPath_; }
  const std::string& portSettings() const { return config_.port; }
  int pollState() const { return PollState; }
  int tickCount() const { return TickCount; }
  bool portRetrying() const;

 private:
  void writeLog(const std::string& tag, const std::string& text) { log_.writeLog(tag, text); }
  std::string text(int number) const;
  void logEvent(bool error, const std::string& text);

  void onPortFailure(const std::string& reason);
  void PortRetryTimerTimer();
  void afterPortReopened();
  void queueStartRequests();
  void stopMailTimers();

  // Start steps that other parts of the agent fill in.
  void openTcpServer();
  void openSerialPort();
  void createRequestLists();
  void allocateResponseCache();
  void createDataStore();
  void createMailGateway();
  void startMailGateway();
  void loadXapiBridge();

  // Tear-down steps that other parts of the agent fill in.
  void sendFinalCounters();
  void stopPeriodicTimers();
  void releaseRequestLists();
  void closeSerialPort();
  void closeTcpServer();
  void destroyMailGateway();
  void destroyXapiBridge();

  AgentEnvironment env_;
  std::string iniPath_;
  EventLog log_;
  std::unique_ptr<TNLS> nls_;
  std::unique_ptr<Timer> TimerTick;
  std::unique_ptr<Timer> PortRetryTimer;
  Configuration config_;
  SerialPort& port_;
  std::unique_ptr<TCommPax> CommPax1;

  int PollState = 0;
  int TickCount = 0;
  int ErrorCount = 0;

  bool HideRequested = false;
  bool TrayIconShown = false;
  bool TickBusy = false;
  bool startHidden_ = false;
  bool destroyed_ = false;
};

}  // namespace norva
