#pragma once
// The mail gateway library's calls and the records it hands the agent. The
// agent and the library (plugins/agentz4) both build against this header, so
// the layout below is the one contract between them.
//
// The records are packed: their fields sit at fixed byte offsets that the
// relay has always read. A pointer is 8 bytes here, so the message group's
// "next" field had to move behind its "first node" field; every other field
// keeps its offset. Bytes not named belong to the library.

#include <cstddef>
#include <cstdint>

namespace agentz4 {

#pragma pack(push, 1)

struct MessageNode {
  std::uint8_t reserved0[4];
  std::uint32_t Flags;  // kGoneMask set: the message has gone; else it is new
  std::int32_t Id;
  std::uint8_t reserved12[42];
  MessageNode* Next;
};

struct MessageGroup {
  char Type;              // 'F' fax, 'H' voice, anything else counts as sms
  std::uint16_t Count;    // messages of the group, used by a full read
  MessageNode* FirstNode;
  MessageGroup* Next;
};

struct Mailbox {
  std::uint8_t reserved0[9];
  char Name[60];    // offsets 9 to 68
  char Number[40];  // offsets 69 to 108: the owner's directory number
  std::int32_t Code;
  MessageGroup* FirstGroup;
  std::uint8_t reserved121[200];
  Mailbox* Next;
};

struct Request {
  std::int32_t Mode;  // kModeAll or kModeChanges
  std::uint8_t reserved4[24];
};

#pragma pack(pop)

static_assert(offsetof(MessageNode, Flags) == 4);
static_assert(offsetof(MessageNode, Id) == 8);
static_assert(offsetof(MessageNode, Next) == 54);
static_assert(offsetof(MessageGroup, Type) == 0);
static_assert(offsetof(MessageGroup, Count) == 1);
static_assert(offsetof(MessageGroup, FirstNode) == 3);
static_assert(offsetof(MessageGroup, Next) == 3 + sizeof(void*));
static_assert(offsetof(Mailbox, Name) == 9);
static_assert(offsetof(Mailbox, Number) == 69);
static_assert(offsetof(Mailbox, Code) == 109);
static_assert(offsetof(Mailbox, FirstGroup) == 113);
static_assert(offsetof(Mailbox, Next) == 321);
static_assert(sizeof(Request) == 28);
static_assert(offsetof(Request, Mode) == 0);

constexpr std::uint32_t kGoneMask = 6;
constexpr std::int32_t kModeAll = 1;
constexpr std::int32_t kModeChanges = 3;
// The mailbox's changes cannot be given: read it whole.
constexpr std::int32_t kCodeReadWhole = 2005;

// Flag of PosliStavovouZpravu.
constexpr std::uint8_t kFlagTrap = 1;
constexpr std::uint8_t kFlagFromPbx = 49;

// The ten calls, all with C linkage. Texts are zero-terminated Windows-1250.
using SetDebugLevelFn = void (*)(std::int32_t level);
using InicializaceZ4KomunikaceFn = std::int32_t (*)(const char* configPath, const char* userName,
                                                    const char* workDir, const char* password);
using RychlyTestZmenVeSchrankachFn = std::int32_t (*)();
using NactiZmenyVeSchrankachFn = std::int32_t (*)(Mailbox** list, Request* request);
using NactiZmenyVeSchranceFn = std::int32_t (*)(Mailbox** mailbox, Request* request,
                                                Mailbox* record);
using PotvrdPreneseniZmenVeSchranceFn = std::int32_t (*)(Mailbox** mailbox);
using PotvrdPreneseniZmenVeSchrankachFn = void (*)(Mailbox** list);
using PosliStavovouZpravuFn = std::int32_t (*)(const char* recipient, char addressType,
                                               const char* subject, const char* text,
                                               std::uint8_t flag);
using ZastavAkciFn = void (*)();
using DeInicializaceZ4KomunikaceFn = void (*)();

}  // namespace agentz4
