#pragma once

#include <string>

#include "config.h"
#include "delivery.h"

namespace agentz4 {

// SMTP through libcurl, with the user name and password given at start
// (sent only when the server offers authentication).
class SmtpTransport : public Transport {
 public:
  SmtpTransport(SmtpConfig config, std::string user, std::string password);
  Result send(const std::string& from, const std::string& to, const std::string& message,
              const std::atomic<bool>& stop, std::string& detail) override;

 private:
  SmtpConfig config_;
  std::string user_;
  std::string password_;
};

}  // namespace agentz4
