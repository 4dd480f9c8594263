#pragma once

#include <string>

namespace norva {

// The system's event log (syslog / the journal in service mode).
class SystemLog {
 public:
  enum class Kind { Information, Error };
  virtual ~SystemLog() = default;
  virtual void logEvent(Kind kind, const std::string& text) = 0;
};

}  // namespace norva
