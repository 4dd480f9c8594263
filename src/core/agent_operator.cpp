// The operator's commands: the menu's effects on the agent and the keys
// they write back to the configuration file.
#include "core/agent.h"
#include "core/profile_file.h"
#include "i18n/tnls.h"
#include "messaging/tmail602.h"
#include "platform/timer.h"
#include "platform/ui_sink.h"

namespace norva {

void Agent::HoldPolling(bool on) {
  if (on) {
    TickHeld = TimerTick->enabled();
    TimerTick->setEnabled(false);
  } else {
    TimerTick->setEnabled(TickHeld);
  }
}

int Agent::portIndex() const { return config_.port.at(3) - '1'; }

bool Agent::Ulo6itdosouboru1Click() { return writePortSetting(iniPath_, config_.port); }

bool Agent::LanguageClick(const std::string& code) {
  if (!writeLanguageSetting(iniPath_, code)) return false;
  config_.lang = code;
  nls_->SetLanguage(code);
  env_.ui->translateWindow(*nls_);
  nls_->LoadTexts();
  nls_->CloseLanguageFile();
  return true;
}

TMail602* Agent::mailSettings() { return dynamic_cast<TMail602*>(Mail602.get()); }

bool Agent::saveMailSettings() {
  TMail602* m = mailSettings();
  if (m == nullptr) return false;
  ProfileFile ini(iniPath_);
  return m->WriteMailSettings(ini);
}

bool Agent::saveTrapSettings() {
  TMail602* m = mailSettings();
  if (m == nullptr) return false;
  ProfileFile ini(iniPath_);
  return m->WriteTrapSettings(ini);
}

bool Agent::saveLogSettings() { return writeLogSettings(iniPath_, config_.log); }

bool Agent::applyAccountingSettings() {
  TimerUR->setEnabled(config_.readUct);
  return writeAccountingSettings(iniPath_, config_.readUct, config_.sendUct, config_.uctFile);
}

}  // namespace norva
