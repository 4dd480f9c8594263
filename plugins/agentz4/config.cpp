#include "config.h"

#include <algorithm>

#include "ini_file.h"

namespace agentz4 {

bool loadConfig(const std::string& path, LibraryConfig& out, std::string& error) {
  IniFile ini;
  if (path.empty() || !ini.load(path)) {
    error = "cannot read the configuration file '" + path + "'";
    return false;
  }
  LibraryConfig c;
  c.smtp.url = ini.get("Smtp", "Server");
  c.smtp.from = ini.get("Smtp", "From");
  c.smtp.startTls = ini.getInt("Smtp", "StartTls", 0) != 0;
  c.smtp.timeoutSeconds = std::max(1, ini.getInt("Smtp", "Timeout", c.smtp.timeoutSeconds));
  c.smtp.retryFirstSeconds = std::max(1, ini.getInt("Smtp", "RetryFirst", c.smtp.retryFirstSeconds));
  c.smtp.retryMaxSeconds =
      std::max(c.smtp.retryFirstSeconds, ini.getInt("Smtp", "RetryMax", c.smtp.retryMaxSeconds));
  for (const char type : {'I', 'Q', 'F', 'V', 'L', 'Z'}) {
    const std::string t = ini.get("Routes", std::string(1, type));
    if (!t.empty()) c.routes[type] = t;
  }
  for (const std::string& section : ini.sections()) {
    const std::string lower = lowerAscii(section);
    if (lower.rfind("mailbox", 0) != 0) continue;
    MailboxConfig m;
    m.name = ini.get(section, "Name", trim(section.substr(7)));
    m.number = ini.get(section, "Number");
    m.maildir = ini.get(section, "Maildir");
    while (m.maildir.size() > 1 && m.maildir.back() == '/') m.maildir.pop_back();
    if (m.maildir.empty() || m.maildir.find('\n') != std::string::npos) {
      error = "mailbox '" + section + "' has no Maildir";
      return false;
    }
    c.mailboxes.push_back(std::move(m));
  }
  if (c.smtp.url.empty() || c.smtp.from.empty()) {
    error = "section Smtp needs Server and From";
    return false;
  }
  out = std::move(c);
  return true;
}

}  // namespace agentz4
