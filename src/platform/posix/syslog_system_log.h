#pragma once

#include "platform/system_log.h"

namespace norva {

// The system log under the identity "NorvaAgent"; texts arrive in Windows-1250.
class SyslogSystemLog : public SystemLog {
 public:
  SyslogSystemLog();
  ~SyslogSystemLog() override;
  void logEvent(Kind kind, const std::string& text) override;
};

}  // namespace norva
