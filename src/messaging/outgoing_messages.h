#pragma once

#include <cstdint>
#include <string>

#include "data/codecs.h"

namespace norva {

class MailGateway;
class MailHost;

// The clearing write of one outgoing-message slot: 254 bytes, item 1, the
// slot, the rest zero. Returns the length.
int BuildSlotClear(std::uint8_t slot, PayloadBuffer& out);

// The name an address type shows in the log; empty for a letter outside the table.
std::string addressTypeName(char type, MailHost& host);

// The parts of a slot's message text.
struct SlotMessage {
  std::string recipient;
  std::string subject;
  std::string body;
};
SlotMessage splitSlotText(const std::uint8_t* text, int length);

// The answer to a slot read (status byte first): hands the message to the
// mail gateway and clears the slot in the PBX. A message the gateway does
// not take stays in its slot and is offered again at the next read.
void OnSlotAnswer(MailGateway& mail, MailHost& host, const std::uint8_t* payload, int length);

}  // namespace norva
