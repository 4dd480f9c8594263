// Answers from the PBX: matched to their request by sequence number and
// handed to the handler of the request's kind.
#include "core/agent.h"
#include "i18n/text_ids.h"
#include "platform/timer.h"

namespace norva {

void Agent::CommPax1RxPacket(int count, const std::uint8_t* data) {
  if (count < 1) return;  // no sequence byte: nothing to match
  if (LinkRestorePending) {
    writeLog("-OK-", text(txt::kLinkBack));
    SendTrap(2);
    LinkRestorePending = false;
  }
  const std::unique_ptr<TPendingRequest> r = TakeRequest(data[0]);
  if (!r) return;
  const std::uint8_t* answer = data + 1;
  const int length = count - 1;
  bool offer = true;
  switch (r->kind) {
    case '#':
      decodeKeyAnswer(answer, length);
      offer = false;
      break;
    case 'A':
      onLineStateAnswer(answer, length);
      offer = false;
      break;
    case 'C':
      OnConfigAnswer(answer, length);
      break;
    case 'F':
      onQueueAnswer(answer, length);
      writeLog("<COM", "Fronta");
      offer = false;
      break;
    case 'I':
      OnInfoAnswer(answer, length);
      break;
    case 'M':
      OnCounterAnswer(answer, length);
      break;
    case 'S':
      OnSlotAnswer(answer, length);
      break;
    case 'T':
      routeClientAnswer(*r, answer, length);
      break;
    case 'U':
      OnUctAnswer(answer, length);
      offer = false;
      break;
    case 'V':
      OnLineListAnswer(answer, length);
      if (xapiActive()) TimerAN->setEnabled(true);
      break;
    case 'X':
      onSwAnswer(answer, length);
      writeLog("<COM", text(txt::kSwData));
      offer = false;
      break;
    case 'Y':
      onClipAnswer(answer, length);
      writeLog("<COM", "CLIP-UDATA");
      offer = false;
      break;
    default:
      break;
  }
  PollState = 0;
  if (config_.maxCache != 0 && offer) offerToCache(*r, answer, length);
}

}  // namespace norva
