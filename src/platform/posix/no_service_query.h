#pragma once

#include "platform/service_query.h"

namespace norva {

// Until the agent can ask the service manager, no service is ever running.
class NoServiceQuery : public ServiceQuery {
 public:
  bool serviceIsRunning() override { return false; }
};

}  // namespace norva
