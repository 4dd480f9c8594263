#include "core/agent.h"

#include "core/profile_file.h"
#include "data/accounting.h"
#include "data/codecs.h"
#include "data/tdata.h"
#include "gateway/response_cache.h"
#include "messaging/mail_gateway.h"
#include "i18n/text_ids.h"
#include "link/comm_pax.h"
#include "i18n/tnls.h"
#include "platform/clock.h"
#include "platform/serial_port.h"
#include "platform/service_query.h"
#include "platform/system_log.h"
#include "platform/timer.h"
#include "platform/ui_sink.h"
#include "xapi/xapi_bridge.h"

namespace norva {

bool isServiceCommandLine(const std::string& rawCommandLine) {
  return rawCommandLine.find("/service") != std::string::npos;
}

std::string directoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string configurationPathFor(const std::string& programPath) {
  const std::size_t slash = programPath.rfind('/');
  const std::size_t dot = programPath.rfind('.');
  const bool hasExtension =
      dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
  return (hasExtension ? programPath.substr(0, dot) : programPath) + ".INI";
}

Agent::Agent(AgentEnvironment env)
    : env_(std::move(env)),
      iniPath_(configurationPathFor(env_.programPath)),
      log_(*env_.clock),
      nls_(std::make_unique<TNLS>(directoryOf(env_.programPath))),
      port_(*env_.serialPort),
      CommPax1(std::make_unique<TCommPax>(port_, port_)) {
  TimerTick = env_.timers->createTimer();
  TimerTick->setCallback([this] { TimerTickTimer(); });
  PortRetryTimer = env_.timers->createTimer();
  PortRetryTimer->setInterval(kPortRetryMs);
  PortRetryTimer->setCallback([this] { PortRetryTimerTimer(); });
  ListenRetryTimer = env_.timers->createTimer();
  ListenRetryTimer->setInterval(kListenRetryMs);
  ListenRetryTimer->setCallback([this] { ListenRetryTimerTimer(); });
  AcceptResumeTimer = env_.timers->createTimer();
  AcceptResumeTimer->setInterval(kAcceptPauseMs);
  AcceptResumeTimer->setCallback([this] {
    AcceptResumeTimer->setEnabled(false);
    if (ServerSocket1) ServerSocket1->resumeAccepting();
  });
  CommPax1->MaxPacketSize = 512;
  CommPax1->OnRxChr = [this](std::uint8_t chr) { CommPax1RxChr(chr); };
  port_.onRxChar = [this](int count) { CommPax1->RxChar(count); };
  port_.onFailure = [this](const std::string& reason) { onPortFailure(reason); };
  CommPax1->OnRxPacket = [this](int count, const std::uint8_t* data) {
    CommPax1RxPacket(count, data);
  };
  createPeriodicTimers();
}

Agent::~Agent() {
  if (!destroyed_) FormDestroy();
  port_.onRxChar = nullptr;
  port_.onFailure = nullptr;
}

std::string Agent::text(int number) const { return nls_ ? nls_->GetText(number) : std::string(); }

void Agent::logEvent(bool error, const std::string& message) {
  if (ServiceMode && env_.systemLog != nullptr) {
    env_.systemLog->logEvent(error ? SystemLog::Kind::Error : SystemLog::Kind::Information,
                             message);
  }
}

bool Agent::pollTickOn() const { return TimerTick && TimerTick->enabled(); }

void Agent::FormCreate() {
  // 1-2: the start line, and in service mode the event-log entry.
  writeLog("----", "Start Norva Agent ----");
  logEvent(false, "Start");

  // 3-4: "/hide" as one whole parameter, compared exactly.
  for (const std::string& arg : env_.args) {
    if (arg == "/hide") {
      HideRequested = true;
      startHidden_ = true;
    }
  }
  if (!ServiceMode && !startHidden_) env_.ui->showWindow();

  // 5: the configuration file and its language.
  ProfileFile ini(iniPath_);
  config_.lang = readLanguage(ini);
  nls_->SetLanguage(config_.lang);
  nls_->CloseLanguageFile();
  if (!ini.exists()) {
    nls_->OpenLanguageFile();
    nls_->LoadTexts();
    if (ServiceMode) {
      // Nobody can answer a box here: say it in the log and go on with defaults.
      writeLog("!Err", text(txt::kConfigMissing));
      logEvent(true, text(txt::kConfigMissing));
    } else {
      env_.ui->showMessage(MessageIcon::Warning, MessageButtons::Ok,
                           text(txt::kConfigMissingCaption), text(txt::kConfigMissing), nullptr);
    }
    nls_->CloseLanguageFile();
  }

  // 6: the language: the window and its menus, then the texts.
  nls_->OpenLanguageFile();
  env_.ui->translateWindow(*nls_);
  nls_->LoadTexts();
  nls_->CloseLanguageFile();

  // 7: the rest of the configuration.
  readConfiguration(ini, config_);
  TimerTick->setEnabled(false);
  setTimerPeriods();

  // 8-12: the link, the server and the request lists, unless the service
  // owns them.
  if (ServiceElsewhere) {
    writeLog("----", "NT Service -----------");
  } else {
    openTcpServer();
    openSerialPort();
    createRequestLists();
    allocateResponseCache();
  }

  // 13-16.
  createDataStore();
  createMailGateway(ini);
  if (!ServiceElsewhere) startMailGateway();
  // 15: the configuration file closes with `ini` at the end of this scope.
  if (config_.xapi) loadXapiBridge();

  // 17: the poll tick.
  TimerTick->setEnabled(true);
}

void Agent::createRequestLists() {
  Outstanding_ = std::make_unique<OutstandingRequests>();
  RequestQueue_ = std::make_unique<RequestQueue>();
  queueStartRequests();
  Accounting = std::make_unique<AccountingRecords>();
}

void Agent::createDataStore() { Data = std::make_unique<TData>(); }

MailGateway& Agent::mail() {
  if (Mail602) return *Mail602;
  if (!noMail_) noMail_ = std::make_unique<MailGateway>();
  return *noMail_;
}

void Agent::startMailGateway() {
  mail().Initialize();
  if (mail().Usable()) {
    writeLog("-OK-", text(txt::kMailStarted));
  } else {
    writeLog("!Err", text(txt::kMailFailed));
    logEvent(true, text(txt::kMailFailed));
  }
}

void Agent::FormClose() {
  mail().StopAction();
  TimerTick->setEnabled(false);
}

void Agent::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  sendFinalCounters();
  env_.ui->setTrayIcon(2);
  TimerTick->setEnabled(false);
  PortRetryTimer->setEnabled(false);
  stopPeriodicTimers();
  releaseRequestLists();
  closeSerialPort();
  log_.clear();
  closeTcpServer();
  destroyMailGateway();
  destroyXapiBridge();
  Data.reset();
  nls_.reset();
  config_.prefixes.clear();
}

void Agent::sendFinalCounters() {
  if (!Data) return;
  // The PBX is told that no message waits for anyone; no answer is awaited.
  Data->ClearCounters();
  PayloadBuffer payload{};
  const int length = CounterMsgBuild(*Data, payload);
  SendRequest(">COM", text(txt::kFinalRequest), payload.data(), length);
}

void Agent::releaseRequestLists() {
  Outstanding_.reset();
  RequestQueue_.reset();
  Accounting.reset();
}

void Agent::destroyMailGateway() {
  if (Mail602) Mail602->Deinitialize();
  Mail602.reset();
}

void Agent::Zastavit1Click() {
  if (TimerTick->enabled()) {
    TimerTick->setEnabled(false);
    env_.ui->setPollMenuCaption(text(txt::kPollingStopped));
  } else {
    TimerTick->setEnabled(true);
    env_.ui->setPollMenuCaption(text(txt::kPollingStarted));
  }
}

void Agent::ShowOnTrayClickClick() {
  if (!TrayIconShown) {
    env_.ui->setTrayIcon(0);
    env_.ui->setTrayIcon(1);
    TrayIconShown = true;
  }
  env_.ui->hideWindow();
}

void Agent::ShowOnClick() { env_.ui->showWindow(); }

void Agent::ShutDownClick() {
  TrayIconShown = false;
  env_.ui->closeMainWindow();
}

}  // namespace norva
