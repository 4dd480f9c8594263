// The mailbox change relay: what the mail system reports becomes the message
// counters the PBX shows on each line.
#include <cstring>
#include <string>

#include "data/tdata.h"
#include "messaging/tmail602.h"

namespace norva {

namespace {

// A record's text field, read no further than the field's end.
template <std::size_t N>
std::string fieldText(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

}  // namespace

bool TMail602::ScanMailboxes(TData& data) {
  if (!Usable_) return false;
  int mode = agentz4::kModeAll;
  if (!FullReadPending) {
    if (RychlyTestZmenVeSchrankach() == 0) return false;
    mode = agentz4::kModeChanges;
  }
  // These lookups open and read the language file: not on ticks where nothing changed.
  std::string text300, text301, text399;
  if (host_) {
    text300 = host_->fileText(300);
    text301 = host_->fileText(301);
    text399 = host_->fileText(399);
  }
  agentz4::Request block{};
  block.Mode = mode;
  agentz4::Mailbox* list = nullptr;
  const std::int32_t err = NactiZmenyVeSchrankach(&list, &block);
  agentz4::Mailbox* delivered = list;
  if (err != 0) {
    log("!Err", text399 + std::to_string(err));
    FullReadPending = true;
    return true;
  }
  if (mode == agentz4::kModeAll) data.ClearCounters();
  for (agentz4::Mailbox* m = list; m != nullptr; m = m->Next) {
    countMailbox(data, m, block, mode, text300, text301);
  }
  PotvrdPreneseniZmenVeSchrankach(&delivered);
  FullReadPending = false;
  return true;
}

void TMail602::countMailbox(TData& data, agentz4::Mailbox* m, agentz4::Request& block, int mode,
                            const std::string& text300, const std::string& text301) {
  const bool whole = m->Code == agentz4::kCodeReadWhole;
  agentz4::Mailbox* cur = m;
  std::int32_t result = 0;
  if (whole) {
    if (extent()) log("!Err", text300);
    block.Mode = agentz4::kModeAll;
    result = NactiZmenyVeSchrance(&cur, &block, m);
  }
  int sms = 0, fax = 0, voice = 0;
  if (cur == nullptr || result != 0) {
    log("!Err", text301 + std::to_string(result));
  } else {
    for (const agentz4::MessageGroup* g = cur->FirstGroup; g != nullptr; g = g->Next) {
      char t = g->Type;
      int delta = 0;
      if (mode == agentz4::kModeChanges) {
        for (const agentz4::MessageNode* n = g->FirstNode; n != nullptr; n = n->Next) {
          if ((n->Flags & agentz4::kGoneMask) == 0) {
            ++delta;
            // A message already counted is not listed twice.
            MessageTypes.emplace(n->Id, t);
          } else if (const auto it = MessageTypes.find(n->Id); it != MessageTypes.end()) {
            t = it->second;
            MessageTypes.erase(it);
            --delta;
          }
        }
      } else {
        delta = g->Count;
        for (const agentz4::MessageNode* n = g->FirstNode; n != nullptr; n = n->Next) {
          MessageTypes.emplace(n->Id, t);
        }
      }
      if (t == 'F') {
        fax += delta;
      } else if (t == 'H') {
        voice += delta;
      } else {
        sms += delta;
      }
    }
    const std::string number = fieldText(m->Number);
    if (extent()) {
      log("Name:" + fieldText(m->Name), "Tel:" + number + " sms:" + std::to_string(sms) +
                                            ",fax:" + std::to_string(fax) +
                                            ",hlas:" + std::to_string(voice));
    }
    const auto b = [](int v) { return static_cast<std::uint8_t>(v & 0xFF); };
    if (mode == agentz4::kModeAll || whole) {
      data.SetCounters(number, b(sms), b(fax), b(voice), 0);
    } else {
      data.AddCounters(number, b(sms), b(fax), b(voice), 0);
    }
  }
  if (whole) {
    PotvrdPreneseniZmenVeSchrance(&cur);
    block.Mode = mode;
  }
}

}  // namespace norva
