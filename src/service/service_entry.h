#pragma once

#include <functional>
#include <string>

#include "platform/system_log.h"

namespace norva {

// The channel to the service manager that started the process.
class StatusChannel {
 public:
  virtual ~StatusChannel() = default;
  // False when no service manager started this process.
  virtual bool available() const = 0;
  // One status message; false when the manager did not take it.
  virtual bool send(const std::string& message) = 0;
};

// The event text the system log receives: the first string ("<name> error: <code>"
// for errors, "<name>" otherwise, at most 255 characters), then the text.
std::string formatEventText(SystemLog::Kind kind, int savedError, const std::string& text);

// Runs the agent as a service: status reports to the manager, the stop
// control, the event-log entries. Everything runs on the agent's thread;
// the stop control arrives there from the signal notifier.
class ServiceRunner {
 public:
  enum State { Stopped = 1, StartPending = 2, StopPending = 3, Running = 4 };
  enum Control { Stop = 1, Interrogate = 4 };

  struct Hooks {
    // Installs the stop control's route to ServiceCtrlHandler; false on failure.
    std::function<bool()> registerCtrlHandler;
    // The agent's start (window-less): creates it and runs its start sequence.
    std::function<void()> createAgent;
    // Runs the loop until it is told to end; quitLoop tells it.
    std::function<void()> runLoop;
    std::function<void()> quitLoop;
    // The agent's orderly tear-down, after the loop has ended.
    std::function<void()> tearDown;
    // The error number the system last set (errno).
    std::function<int()> lastError;
    // Said where the person who started the program by hand can see it.
    std::function<void(const std::string&)> tellUser;
  };

  ServiceRunner(StatusChannel& channel, SystemLog& systemLog, Hooks hooks);

  // Returns the process's exit code.
  int RunAsService();
  void ServiceMain();
  void RunServiceAgent();
  void ServiceCtrlHandler(int control);
  void StopServiceAgent();
  bool ReportStatus(int state, int exitCode, int waitHint);
  void LogEvent(const std::string& text, SystemLog::Kind kind);

  int currentState() const { return state_; }
  int checkpointCounter() const { return checkpoint_; }

 private:
  StatusChannel& channel_;
  SystemLog& log_;
  Hooks hooks_;
  int state_ = Stopped;
  int checkpoint_ = 1;
  bool stopRequested_ = false;
};

}  // namespace norva
