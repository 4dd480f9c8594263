#include "platform/posix/syslog_system_log.h"

#include <syslog.h>

#include "core/cp1250.h"

namespace norva {

SyslogSystemLog::SyslogSystemLog() { openlog("NorvaAgent", LOG_PID, LOG_DAEMON); }

SyslogSystemLog::~SyslogSystemLog() { closelog(); }

void SyslogSystemLog::logEvent(Kind kind, const std::string& text) {
  syslog(kind == Kind::Error ? LOG_ERR : LOG_INFO, "%s", cp1250ToUtf8(text).c_str());
}

}  // namespace norva
