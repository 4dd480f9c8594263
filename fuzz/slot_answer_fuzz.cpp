// A slot answer is whatever the PBX sends: the message it yields never
// exceeds its parts' sizes, and a clear is always a whole 254-byte write.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/log_categories.h"
#include "messaging/mail_gateway.h"
#include "messaging/outgoing_messages.h"

namespace {

class Host : public norva::MailHost {
 public:
  void writeLog(const std::string&, const std::string&) override {}
  void showStatus(const std::string&, const std::string&) override {}
  std::string text(int) override { return "t"; }
  std::string fileText(int) override { return "t"; }
  const norva::LogCategories& logSwitches() const override { return switches; }
  void sendUnfiled(const std::string&, const std::string&, const std::uint8_t*, int length) override {
    if (length != 254) std::abort();
  }
  norva::LogCategories switches;
};

class Gateway : public norva::MailGateway {
 public:
  int SendMessage(const std::string& recipient, char, const std::string& subject,
                  const std::string& text, std::uint8_t) override {
    if (recipient.size() > 39 || subject.size() > 39 || text.size() > 100) std::abort();
    return result;
  }
  int result = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 600) return 0;
  Host host;
  Gateway mail;
  host.switches.comIn = size % 2 == 0;
  mail.result = size % 3 == 0 ? 1 : 0;
  norva::OnSlotAnswer(mail, host, data, static_cast<int>(size));
  return 0;
}
