#include "service/service_entry.h"

#include <exception>

#include "service/service_names.h"

namespace norva {

std::string formatEventText(SystemLog::Kind kind, int savedError, const std::string& text) {
  std::string first = service::kServiceName;
  if (kind == SystemLog::Kind::Error) first += " error: " + std::to_string(savedError);
  if (first.size() > 255) first.resize(255);
  return first + ": " + text;
}

ServiceRunner::ServiceRunner(StatusChannel& channel, SystemLog& systemLog, Hooks hooks)
    : channel_(channel), log_(systemLog), hooks_(std::move(hooks)) {}

int ServiceRunner::RunAsService() {
  if (!channel_.available()) {
    // Started by hand: nobody to report to, so end without starting the agent.
    LogEvent("StartServiceCtrlDispatcher failed.", SystemLog::Kind::Error);
    if (hooks_.tellUser) hooks_.tellUser("StartServiceCtrlDispatcher failed.");
    return 0;
  }
  ServiceMain();
  return 0;
}

void ServiceRunner::ServiceMain() {
  if (!hooks_.registerCtrlHandler()) {
    ReportStatus(Stopped, hooks_.lastError(), 0);
    return;
  }
  if (!ReportStatus(StartPending, 0, 3000)) {
    ReportStatus(Stopped, hooks_.lastError(), 0);
    return;
  }
  RunServiceAgent();
  // Only now, after the tear-down: the final message to the exchange and the
  // accounting file are safe before the manager may kill what is left.
  ReportStatus(Stopped, 0, 0);
}

void ServiceRunner::RunServiceAgent() {
  if (!ReportStatus(StartPending, 0, 3000)) return;
  try {
    hooks_.createAgent();
    if (ReportStatus(Running, 0, 3000)) hooks_.runLoop();
  } catch (const std::exception& e) {
    LogEvent(e.what(), SystemLog::Kind::Error);
    if (hooks_.tellUser) hooks_.tellUser(e.what());
  }
  hooks_.tearDown();
}

void ServiceRunner::ServiceCtrlHandler(int control) {
  if (control == Stop) {
    ReportStatus(StopPending, 0, 0);
    StopServiceAgent();
    return;
  }
  ReportStatus(state_, 0, 0);
}

void ServiceRunner::StopServiceAgent() {
  // Only asks the loop to end; the tear-down runs after it, on this thread.
  hooks_.quitLoop();
}

bool ServiceRunner::ReportStatus(int state, int exitCode, int waitHint) {
  state_ = state;
  int checkpoint = 0;
  if (state != Running && state != Stopped) checkpoint = checkpoint_++;
  std::string message;
  switch (state) {
    case StartPending:
      message = "STATUS=Start pending (" + std::to_string(checkpoint) + ")";
      break;
    case StopPending:
      message = "STOPPING=1\nSTATUS=Stop pending (" + std::to_string(checkpoint) + ")";
      break;
    case Running:
      message = "READY=1\nSTATUS=Running";
      break;
    default:
      message = "STATUS=Stopped";
      if (exitCode != 0) message += "\nERRNO=" + std::to_string(exitCode);
      break;
  }
  // The manager's start and stop time-outs grow by the wait hint, as the
  // pending states ask for that much more time.
  if (checkpoint != 0 && waitHint > 0) {
    message += "\nEXTEND_TIMEOUT_USEC=" + std::to_string(static_cast<long long>(waitHint) * 1000);
  }
  const bool accepted = channel_.send(message);
  if (!accepted) LogEvent("SetServiceStatus", SystemLog::Kind::Error);
  return accepted;
}

void ServiceRunner::LogEvent(const std::string& text, SystemLog::Kind kind) {
  // The log saves the error number and builds the first string itself, so
  // that the agent's own entries get the same form.
  log_.logEvent(kind, text);
}

}  // namespace norva
