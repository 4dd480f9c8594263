#pragma once

namespace norva {

// Asks the service manager whether the agent's own service is active, which
// turns a desktop start into a control panel for that service.
class ServiceQuery {
 public:
  virtual ~ServiceQuery() = default;
  virtual bool serviceIsRunning() = 0;
};

}  // namespace norva
