#include "service/services.h"

#include "service/service_names.h"

namespace norva {

namespace {
constexpr int kTextError = 137;
constexpr int kTextAccessDenied = 200;
}  // namespace

Services::Services(Env env) : env_(std::move(env)) {}

std::string Services::text(int number, const char* fallback) const {
  std::string t = env_.text ? env_.text(number) : std::string();
  return t.empty() ? fallback : t;
}

bool Services::QueryService(int& startType, bool& running) {
  if (!reach()) return false;
  ServiceManager& m = *env_.manager;
  // A unit the manager cannot tell about counts as not installed.
  UnitInfo info;
  if (!m.queryUnit(info) || !info.installed) return false;
  startType = info.startType;
  running = info.activity != UnitActivity::Inactive && info.activity != UnitActivity::Failed &&
            info.activity != UnitActivity::Other;
  return true;
}

void Services::InstallService(int startType) {
  if (!reach()) return;
  // Any index but "Automatic" (none chosen included) is a start on demand.
  if (!env_.manager->createUnit(env_.programPath, service::kServiceSwitch, startType == 0)) {
    ShowServiceError();
  }
}

bool Services::StopService(bool remove) {
  if (!reach()) return false;
  ServiceManager& m = *env_.manager;
  bool stopped = false;
  if (m.sendStop()) {
    UnitActivity activity = UnitActivity::Deactivating;
    bool read = true;
    do {
      env_.sleep(1000);
      read = m.readActivity(activity);
    } while (read && activity == UnitActivity::Deactivating);
    stopped = read && (activity == UnitActivity::Inactive || activity == UnitActivity::Failed);
  } else {
    showIfDenied();
  }
  // A service that would not stop is removed all the same.
  if (remove && !m.deleteUnit()) ShowServiceError();
  return stopped;
}

bool Services::StartAgentService() {
  if (!reach()) return false;
  // A refused start says nothing (the buttons show it) unless it lacked the rights.
  if (env_.manager->sendStart()) return true;
  showIfDenied();
  return false;
}

bool Services::reach() {
  if (env_.manager->connect()) return true;
  ShowServiceError();
  return false;
}

// The manager checks the rights only when asked to act, so that is where
// the operator learns that they are missing.
void Services::showIfDenied() {
  if (env_.manager->lastFault().accessDenied) ShowServiceError();
}

void Services::SetServiceInstalled(bool install, int startType, bool remove) {
  if (install) {
    InstallService(startType);
  } else {
    StopService(remove);
  }
}

void Services::ShowServiceError() {
  const ServiceFault fault = env_.manager->lastFault();
  const std::string message =
      fault.accessDenied ? text(kTextAccessDenied, "Access denied.") : fault.message;
  if (env_.showInfo) env_.showInfo(text(kTextError, "Error"), message);
}

bool Services::QueryAutostart95() { return !env_.autostart->readCommand().empty(); }

void Services::SetAutostart95(bool on) {
  if (on) {
    env_.autostart->write(env_.programPath, service::kHideSwitch);
  } else {
    env_.autostart->remove();
  }
}

bool Services::ServiceIsRunning() {
  if (!isNtFamily()) return false;
  int startType = -1;
  bool running = false;
  QueryService(startType, running);
  return running;
}

}  // namespace norva
