#pragma once

#include <functional>
#include <string>

#include "platform/service_query.h"

namespace norva {

// What the service manager says about the agent's unit.
enum class UnitActivity { Inactive, Activating, Active, Deactivating, Failed, Other };

struct UnitInfo {
  bool installed = false;
  int startType = -1;  // 0 automatic (enabled), 1 demand (not enabled), -1 anything else
  UnitActivity activity = UnitActivity::Other;
};

// Why the manager refused the last operation.
struct ServiceFault {
  bool accessDenied = false;
  std::string message;
};

// The system's service manager, one primitive per call; each false result
// leaves its reason in lastFault().
class ServiceManager {
 public:
  virtual ~ServiceManager() = default;
  // Whether the system runs a service manager the agent can use at all.
  virtual bool available() = 0;
  // Whether the manager can be reached for control.
  virtual bool connect() = 0;
  virtual bool queryUnit(UnitInfo& info) = 0;
  // The unit runs the program with one argument.
  virtual bool createUnit(const std::string& program, const std::string& argument,
                          bool automaticStart) = 0;
  virtual bool deleteUnit() = 0;
  virtual bool sendStop() = 0;
  virtual bool readActivity(UnitActivity& activity) = 0;
  virtual bool sendStart() = 0;
  virtual ServiceFault lastFault() const = 0;
};

// The per-user autostart entry that starts the desktop program hidden.
class AutostartStore {
 public:
  virtual ~AutostartStore() = default;
  // The entry's command line; empty when there is none.
  virtual std::string readCommand() = 0;
  virtual bool write(const std::string& program, const std::string& argument) = 0;
  virtual bool remove() = 0;
};

// Install, remove, start, stop and query of the agent's service, and the
// autostart entry, as the services dialog and the start-up check use them.
class Services {
 public:
  struct Env {
    ServiceManager* manager = nullptr;
    AutostartStore* autostart = nullptr;
    std::string programPath;
    // Texts here are in Windows-1250, as the language files give them.
    // A language text by number; empty while none is loaded.
    std::function<std::string(int)> text;
    // An information box: caption, text.
    std::function<void(const std::string&, const std::string&)> showInfo;
    // Waits between two looks at a stopping service.
    std::function<void(int milliseconds)> sleep;
  };

  explicit Services(Env env);

  bool isNtFamily() { return env_.manager->available(); }
  bool QueryService(int& startType, bool& running);
  void InstallService(int startType);
  bool StopService(bool remove);
  bool StartAgentService();
  void SetServiceInstalled(bool install, int startType, bool remove);
  void ShowServiceError();
  bool QueryAutostart95();
  void SetAutostart95(bool on);
  bool ServiceIsRunning();

 private:
  std::string text(int number, const char* fallback) const;
  // Connects to the manager; an unreachable one is said to the operator.
  bool reach();
  void showIfDenied();

  Env env_;
};

// The start-up check: a desktop start while the service runs is only its
// control panel.
class ServicesQuery : public ServiceQuery {
 public:
  explicit ServicesQuery(Services& services) : services_(services) {}
  bool serviceIsRunning() override { return services_.ServiceIsRunning(); }

 private:
  Services& services_;
};

}  // namespace norva
