#pragma once

#include <map>
#include <string>
#include <vector>

namespace agentz4 {

struct MailboxConfig {
  std::string name;
  std::string number;   // the owner's directory number
  std::string maildir;  // the folder holding new/ and cur/
};

struct SmtpConfig {
  std::string url;   // smtp://host:port or smtps://host:port
  std::string from;  // envelope and header sender
  bool startTls = false;
  int timeoutSeconds = 30;
  int retryFirstSeconds = 5;
  int retryMaxSeconds = 300;
};

struct LibraryConfig {
  SmtpConfig smtp;
  // Address type letter to address template; "%s" stands for the recipient.
  std::map<char, std::string> routes;
  std::vector<MailboxConfig> mailboxes;
};

// Reads the library's configuration file; false (with the reason) when it
// cannot be read or lacks what the library needs.
bool loadConfig(const std::string& path, LibraryConfig& out, std::string& error);

}  // namespace agentz4
