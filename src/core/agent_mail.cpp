// The agent's side of the mail gateway: what the gateway may use of the
// agent, and the gateway's creation.
#include "core/agent.h"
#include "core/profile_file.h"
#include "i18n/tnls.h"
#include "messaging/mail_gateway.h"

namespace norva {

class Agent::MailLink : public MailHost {
 public:
  explicit MailLink(Agent& agent) : a_(agent) {}
  void writeLog(const std::string& tag, const std::string& text) override {
    a_.writeLog(tag, text);
  }
  void showStatus(const std::string& tag, const std::string& text) override {
    a_.log_.showStatus(tag, text);
  }
  std::string text(int number) override { return a_.text(number); }
  std::string fileText(int number) override {
    return a_.nls_ ? a_.nls_->GetFileText(number) : std::string();
  }
  const LogCategories& logSwitches() const override { return a_.config_.log; }
  void sendUnfiled(const std::string& tag, const std::string& text, const std::uint8_t* payload,
                   int length) override {
    a_.SendRequest(tag, text, payload, length);
  }

 private:
  Agent& a_;
};

void Agent::createMailGateway(const ProfileFile& ini) {
  if (env_.createMailGateway) Mail602 = env_.createMailGateway();
  if (!mailHost_) mailHost_ = std::make_shared<MailLink>(*this);
  mail().Attach(*mailHost_);
  mail().ReadSettings(ini);
}

}  // namespace norva
