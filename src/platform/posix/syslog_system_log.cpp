#include "platform/posix/syslog_system_log.h"

#include <syslog.h>

#include <cerrno>

#include "core/cp1250.h"
#include "service/service_entry.h"

namespace norva {

SyslogSystemLog::SyslogSystemLog() { openlog("NorvaAgent", LOG_PID, LOG_DAEMON); }

SyslogSystemLog::~SyslogSystemLog() { closelog(); }

void SyslogSystemLog::logEvent(Kind kind, const std::string& text) {
  const int savedError = errno;  // before anything here can change it
  syslog(kind == Kind::Error ? LOG_ERR : LOG_INFO, "%s",
         cp1250ToUtf8(formatEventText(kind, savedError, text)).c_str());
}

}  // namespace norva
