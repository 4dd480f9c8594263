// The poll cycle: one request at a time on the serial link, time-outs,
// the link-down pause and the periodic timers that feed the queue.
#include "core/agent.h"
#include "data/codecs.h"
#include "data/tdata.h"
#include "i18n/text_ids.h"
#include "link/comm_pax.h"
#include "platform/clock.h"
#include "platform/serial_port.h"
#include "platform/timer.h"
#include "platform/ui_sink.h"

namespace norva {

void Agent::QueueRequest(char kind, int value, const std::uint8_t* payload, int length,
                         std::uint64_t connection) {
  // The request lists do not exist in the control panel of a running service.
  if (RequestQueue_) RequestQueue_->QueueRequest(kind, value, payload, length, connection);
}

void Agent::RememberRequest(char kind, const std::uint8_t* payload, int length, int socket,
                            std::uint64_t connection) {
  if (!Outstanding_) return;
  Outstanding_->file(SequenceCounter,
                     TPendingRequest::make(kind, payload, length, socket, connection));
}

std::unique_ptr<TPendingRequest> Agent::TakeRequest(std::uint8_t sequence) {
  return Outstanding_ ? Outstanding_->take(sequence) : nullptr;
}

void Agent::SendRequest(const std::string& tag, const std::string& text,
                        const std::uint8_t* payload, int length) {
  log_.showStatus(tag, text);
  if (config_.log.comLocOut) writeLog(tag, text);
  if (length == 0 || !port_.isOpen()) return;
  try {
    CommPax1->WritePacket(SequenceCounter, payload, length);
  } catch (const ECommError& e) {
    // The port failed under the write: handled like a device that went away.
    port_.close();
    onPortFailure(e.what());
  }
  SequenceCounter = static_cast<std::uint8_t>(SequenceCounter + 1);
}

void Agent::TimerTickTimer() {
  if (TickBusy) return;
  TickBusy = true;
  struct Release {
    bool& flag;
    ~Release() { flag = false; }
  } release{TickBusy};

  if (HideRequested && env_.ui->setTrayIcon(0)) {
    env_.ui->setTrayIcon(1);
    TrayIconShown = true;
    HideRequested = false;
  }
  if (!port_.isOpen()) return;

  switch (PollState) {
    case 0:
      pollIdle();
      break;
    case 1:
      if (++TickCount < config_.maxTick) break;
      // Without the configuration, information and line list the periodic
      // timers never start: one lost start answer must not leave it so.
      if (AwaitedKind == 'C' || AwaitedKind == 'I' || AwaitedKind == 'V') {
        QueueRequest(AwaitedKind, 0);
      }
      if (++ErrorCount < config_.maxError) {
        PollState = 0;
        break;
      }
      PollState = 2;
      if (!LinkRestorePending) {
        writeLog("!Err", text(txt::kLinkLost));
        SendTrap(1);
      }
      TickCount = 0;
      break;
    case 2:
      if (++TickCount < config_.maxErrorTick) break;
      PollState = 0;
      queueStartRequests();
      ErrorCount = 0;
      LinkRestorePending = true;
      break;
    case 20:
      if (++TickCount >= config_.maxTick) PollState = 0;
      break;
    default:
      break;
  }
}

void Agent::pollIdle() {
  if (!xapiActive()) CheckAnTimeOut();
  CheckSwTimeOut();
  if (!RequestQueue_ || RequestQueue_->empty()) return;
  RequestQueue::Entry& head = RequestQueue_->head();
  const char kind = head.kind();
  switch (kind) {
    case 'A': case 'C': case 'F': case 'I': case 'S': case 'U': case 'V': case 'X': case '#':
    case 'Y':
      sendOwnRequest(kind, head.value);
      break;
    case 'M':
      sendCounterRequest();
      break;
    case 'T': {
      const std::unique_ptr<TPendingRequest> r = std::move(head.record);
      if (r) sendClientRequest(r->payload.data(), r->length(), r->socket, r->connection);
      break;
    }
    default:
      break;  // an unknown kind is dropped
  }
  RequestQueue_->popHead();
  TickCount = 0;
}

namespace {

// The text an own request is shown and sent with; the start and recovery
// requests ('C', 'I', 'V') are also logged, but only while the link is healthy.
struct OwnRequestText {
  int number;  // 0: a fixed text
  const char* fixed;
  bool startRequest;
};

OwnRequestText ownRequestText(char kind) {
  switch (kind) {
    case 'A': return {txt::kLineStateRequest, "", false};
    case 'C': return {txt::kConfigData, "", true};
    case 'F': return {txt::kQueueRequest, "", false};
    case 'I': return {txt::kInfoData, "", true};
    case 'S': return {txt::kSlotRequest, "", false};
    case 'U': return {txt::kAccountingRequest, "", false};
    case 'V': return {txt::kLineList, "", true};
    case 'X': return {txt::kSwData, "", false};
    case '#': return {0, "COMM", false};
    case 'Y': return {0, "UDATA", false};
    default: return {0, "", false};
  }
}

}  // namespace

void Agent::sendOwnRequest(char kind, int value) {
  PayloadBuffer payload{};
  const int length = buildOwnRequest(kind, value, payload);
  if (kind == 'U') Data->UctAnswerPending = true;
  RememberRequest(kind, payload.data(), length, 0);
  const OwnRequestText t = ownRequestText(kind);
  const std::string sendText = t.number != 0 ? text(t.number) : t.fixed;
  if (t.startRequest && ErrorCount == 0 && config_.log.comLocOut) writeLog("<LOC", sendText);
  if (t.number != 0) log_.showStatus("<LOC", sendText);
  SendRequest(">COM", sendText, payload.data(), length);
  PollState = 1;
  AwaitedKind = kind;
}

void Agent::sendCounterRequest() {
  log_.showStatus("<LOC", text(txt::kMailboxRequest));
  if (!ScanMailboxes()) {
    if (config_.log.extent) writeLog("<602", text(txt::kMailboxNoChanges));
    return;
  }
  PayloadBuffer payload{};
  const int length = CounterMsgBuild(*Data, payload);
  const std::string trace = traceRequest(payload.data(), length, config_.log.extent);
  writeLog("<602", config_.log.extent ? trace : text(txt::kMailboxChanges));
  RememberRequest('M', payload.data(), length, 0);
  SendRequest(">COM", text(txt::kMailboxChanges), payload.data(), length);
  PollState = 1;
  AwaitedKind = 'M';
}

void Agent::queueStartRequests() {
  QueueRequest('C', 0);
  QueueRequest('I', 0);
  QueueRequest('V', 0);
}

void Agent::CheckAnTimeOut() {
  if (clock().monotonicMs() - LineStateAskMono > static_cast<std::int64_t>(config_.anTimeOut) * 1000) {
    TimerAN->setEnabled(false);
  }
}

void Agent::CheckSwTimeOut() {
  if (clock().monotonicMs() - SwAskMono > static_cast<std::int64_t>(config_.swTimeOut) * 1000) {
    TimerSW->setEnabled(false);
  }
}

void Agent::periodicTimerFired(char kind, int logText) {
  if (config_.log.comLocOut && TimerTick->enabled()) writeLog("<LOC", text(logText));
  QueueRequest(kind, 0);
  if (kind == 'A' && xapiActive()) QueueRequest('F', 0);
}

void Agent::createPeriodicTimers() {
  const auto make = [this](std::unique_ptr<Timer>& timer, char kind, int logText) {
    timer = env_.timers->createTimer();
    timer->setCallback([this, kind, logText] { periodicTimerFired(kind, logText); });
  };
  make(TimerAN, 'A', txt::kLineStateRequest);
  make(TimerSW, 'X', txt::kSwData);
  make(TimerMSG, 'M', txt::kMailboxRequest);
  make(TimerSMS, 'S', txt::kSlotRequest);
  make(TimerUR, 'U', txt::kAccountingRequest);
}

void Agent::setTimerPeriods() {
  TimerTick->setInterval(config_.timers.interval);
  TimerAN->setInterval(config_.timers.anInterval);
  TimerSMS->setInterval(config_.timers.trapInterval);
  TimerMSG->setInterval(config_.timers.msgInterval);
  TimerUR->setInterval(config_.timers.urInterval);
  TimerSW->setInterval(config_.timers.swInterval);
}

void Agent::stopPeriodicTimers() {
  for (Timer* t : {TimerAN.get(), TimerSW.get(), TimerMSG.get(), TimerSMS.get(), TimerUR.get()}) {
    if (t != nullptr) t->setEnabled(false);
  }
}

void Agent::stopMailTimers() {
  TimerMSG->setEnabled(false);
  TimerSMS->setEnabled(false);
}

}  // namespace norva
