// What the agent does with the PBX's answers to its own requests: the
// store's decoders, the log lines of each kind and the timers they start.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/agent.h"
#include "data/accounting.h"
#include "data/codecs.h"
#include "data/tdata.h"
#include "data/trace_text.h"
#include "i18n/text_ids.h"
#include "i18n/tnls.h"
#include "messaging/mail_gateway.h"
#include "messaging/outgoing_messages.h"
#include "xapi/xapi_bridge.h"
#include "platform/timer.h"
#include "platform/ui_sink.h"

namespace norva {

std::string Agent::traceRequest(const std::uint8_t* payload, int length, bool dump) const {
  return TraceText(TraceForm::Request, payload, length, 0, dump, *nls_);
}

void Agent::decodeKeyAnswer(const std::uint8_t* answer, int length) { KeyMsgDecode(answer, length); }

void Agent::onLineStateAnswer(const std::uint8_t* answer, int length) {
  if (xapiActive()) {
    // The hook may change the answer before the store keeps it.
    std::vector<std::uint8_t> copy(answer, answer + std::max(length, 0));
    Xapi->LineStateHook(copy.data(), length, Data->LineStateSnapshot.data(), Data->LineStateLength);
    LineStateMsgDecode(*Data, copy.data(), length, clock());
  } else {
    LineStateMsgDecode(*Data, answer, length, clock());
  }
  if (config_.log.comIn) writeLog("<COM", text(txt::kLineStateData));
  answerSnapshotWaiters('A', Data->LineStateSnapshot.data(), Data->LineStateLength);
}

void Agent::onQueueAnswer(const std::uint8_t* answer, int length) {
  QueueMsgDecode(*Data, answer, length, hooks_);
}

void Agent::onSwAnswer(const std::uint8_t* answer, int length) {
  SwMsgDecode(*Data, answer, length, clock());
  answerSnapshotWaiters('X', Data->SwSnapshot.data(), Data->SwLength);
}

void Agent::onClipAnswer(const std::uint8_t* answer, int length) {
  ClipMsgDecode(*Data, answer, length, hooks_);
}

void Agent::OnConfigAnswer(const std::uint8_t* answer, int length) {
  const int result = ConfigMsgDecode(*Data, answer, length, hooks_);
  if (result == kResultAccepted) {
    if (config_.log.comIn) writeLog("<COM", text(txt::kConfigData));
  } else {
    writeLog("<COM", text(txt::kConfigData) + " " + text(txt::kErrorWord) + std::to_string(result));
  }
}

std::string Agent::compatibilityText(int closingText) const {
  char version[16];
  std::snprintf(version, sizeof version, "%X.%02X", Data->PbxInfo[0], Data->PbxInfo[1]);
  return text(139) + versionText() + "    " + text(140) + version + "\n" + text(closingText);
}

void Agent::OnInfoAnswer(const std::uint8_t* answer, int length) {
  const int result = InfoMsgDecode(*Data, answer, length, hooks_);
  std::string t;
  switch (result) {
    case kResultAccepted:
      t = " " + text(txt::kInfoAccepted);
      break;
    case kResultNotAccepted: {
      TimerTick->setEnabled(false);
      const std::string message = compatibilityText(141);
      if (ServiceMode) {
        // Nobody can press OK here: the journal says why polling stopped.
        writeLog("!Err", message);
        logEvent(true, message);
      } else {
        env_.ui->showMessage(MessageIcon::Stop, MessageButtons::Ok, text(txt::kErrorCaption),
                             message, nullptr);
      }
      t = text(142);
      break;
    }
    case kResultWithReservation: {
      TimerTick->setEnabled(false);
      const std::string message = compatibilityText(143);
      if (ServiceMode) {
        // Accepted with reservation and nobody to ask: go on polling.
        writeLog("!Err", message);
        TimerTick->setEnabled(true);
      } else {
        env_.ui->showMessage(MessageIcon::Question, MessageButtons::YesNo,
                             text(txt::kConfigMissingCaption), message,
                             [this](MessageResult answer) {
                               if (answer == MessageResult::Yes && !destroyed_) {
                                 TimerTick->setEnabled(true);
                               }
                             });
      }
      t = text(144);
      break;
    }
    default:
      t = " " + text(txt::kErrorWord) + std::to_string(result);
      break;
  }
  if (config_.log.comIn || result != kResultAccepted) writeLog("<COM", text(txt::kInfoData) + t);
}

void Agent::OnLineListAnswer(const std::uint8_t* answer, int length) {
  const int status = length > 0 ? answer[0] : 0;
  if (length > 0 && status == 0 && length != 3) {
    LineListMsgDecode(*Data, answer, length, hooks_);
    if (config_.log.comIn) writeLog("<COM", text(txt::kLineListReceived));
    if (mail().Usable()) {
      TimerMSG->setEnabled(true);
      TimerSMS->setEnabled(true);
    }
    if (config_.readUct) TimerUR->setEnabled(true);
  } else if (config_.log.comIn) {
    writeLog("<COM", text(txt::kLineListRefused) + std::to_string(status));
  }
}

void Agent::OnCounterAnswer(const std::uint8_t* answer, int length) {
  const int status = length > 0 ? answer[0] : 0;
  if (status != 0) {
    writeLog("<COM", text(txt::kMailboxRefused) + std::to_string(status));
  } else if (config_.log.comPureIn) {
    writeLog("<COM", text(txt::kMailboxAccepted));
  }
}

void Agent::OnUctAnswer(const std::uint8_t* answer, int length) {
  const UctAnswer a = classifyUct(answer, length, LastUctRecord, Data->UctStoreFailed);
  Data->UctAnswerPending = false;
  switch (a.kind) {
    case UctAnswer::Kind::None:
      if (config_.log.comPureIn) writeLog("<COM", text(txt::kNoAccountingRecord));
      TimerUR->setInterval(config_.urIntervalBezDat);
      break;
    case UctAnswer::Kind::Repeat:
      TimerUR->setInterval(config_.timers.urInterval);
      break;
    case UctAnswer::Kind::StoreAgain:
      // The repeat of a record whose store failed: it reaches the file now,
      // and was counted and handed on when it first came.
      TimerUR->setInterval(config_.timers.urInterval);
      StoreUct(*Data, *env_.accountingFile, config_.uctFile, a.text);
      break;
    case UctAnswer::Kind::New:
      LastUctRecord = a.text;
      TimerUR->setInterval(config_.timers.urInterval);
      if (config_.log.comIn) writeLog("<COM", a.text);
      if (xapiActive()) Xapi->PutAccLine(a.text);
      StoreUct(*Data, *env_.accountingFile, config_.uctFile, a.text);
      Accounting->append(a.text);
      break;
  }
}

void Agent::OnClientAnswer(std::uint8_t command, const std::uint8_t* answer, int length) {
  switch (command) {
    case 1:
      hooks_.emptyCache();
      break;
    case 2:
      InfoMsgDecode(*Data, answer, length, hooks_);
      break;
    case 13:
      ConfigMsgDecode(*Data, answer, length, hooks_);
      break;
    default:
      break;
  }
}

void Agent::OnSlotAnswer(const std::uint8_t* answer, int length) {
  if (mailHost_) ::norva::OnSlotAnswer(mail(), *mailHost_, answer, length);
}

bool Agent::ScanMailboxes() { return mail().ScanMailboxes(*Data); }

void Agent::SendTrap(int kind) { mail().SendTrap(kind); }

}  // namespace norva
