#pragma once
// What the agent and the computer-telephony library share: the records they
// exchange, the "window" the library posts its commands through, and the
// library's entry points by their C++ names on this platform.
//
// The records live in the global namespace on purpose: the entry points are
// looked up by their mangled names, which spell the records' names.

#include <cstddef>
#include <cstdint>

// One command from the library (filled by XAPI_GetCommand). The agent reads
// the low byte of `code` and of `station`; `text` holds the number to dial
// (NUL-terminated, at most 30 characters used) or, first byte, a queue number.
struct TStates {
  std::int32_t code;
  std::int32_t station;
  char text[32];
};
static_assert(sizeof(TStates) == 40);

// The PBX information record: bytes 0 and 1 the software version, byte 2 the
// line offset, bytes 3 to 6 as the PBX sends them.
struct TInfo {
  std::uint8_t bytes[7];
};
static_assert(sizeof(TInfo) == 7);

// One line-state record as the PBX sends it: byte 0 the state code, bit 0 of
// byte 3 the caller-number flag. XAPI_PutStates receives an array of them.
struct TStavLinek {
  std::uint8_t bytes[4];
};
static_assert(sizeof(TStavLinek) == 4);

// The queue data: the PBX's answer after its status byte. A pointer alone
// cannot say how long the answer was, so the record carries its length.
struct TFront {
  std::int32_t length;  // valid bytes in `data`, 0 to 511
  std::uint8_t data[511];
};

extern "C" {
// Stands for the window handle given to XAPI_Init. The library calls
// `post(context, message, lParam)` from any thread; the call returns at once
// and the message is handled later on the agent's own thread, where the
// agent calls XAPI_GetCommand(lParam, ...).
struct XapiWindow {
  void (*post)(void* context, unsigned int message, std::intptr_t lParam);
  void* context;
};
}

namespace norva::xapi {

constexpr unsigned int kCommandMessage = 33169;  // 0x8191
constexpr const char* kLibraryFile = "libXAPISrvr.so";

// The nine entry points in the order they are looked up.
constexpr const char* kInitName = "_Z9XAPI_InitPvj";                         // (void*, unsigned)
constexpr const char* kDeInitName = "_Z11XAPI_DeInitv";                      // ()
constexpr const char* kPutLinesName = "_Z13XAPI_PutLinesiPc";                // (int, char*)
constexpr const char* kPutInfoName = "_Z12XAPI_PutInfoP5TInfo";              // (TInfo*)
constexpr const char* kPutStatesName = "_Z14XAPI_PutStatesiP10TStavLinek";   // (int, TStavLinek*)
constexpr const char* kPutClipName = "_Z12XAPI_PutCLIPiPc";                  // (int, char*)
constexpr const char* kPutFrontName = "_Z13XAPI_PutFrontiP6TFront";          // (int, TFront*)
constexpr const char* kGetCommandName = "_Z15XAPI_GetCommandiP7TStates";     // (int, TStates*)
constexpr const char* kPutAccLineName = "_Z15XAPI_PutAccLinePc";             // (char*)

constexpr const char* kEntryNames[] = {kInitName,     kDeInitName,  kPutLinesName,
                                       kPutInfoName,  kPutStatesName, kPutClipName,
                                       kPutFrontName, kGetCommandName, kPutAccLineName};

using InitFn = void (*)(void*, unsigned int);
using DeInitFn = void (*)();
using PutLinesFn = void (*)(int, char*);
using PutInfoFn = void (*)(TInfo*);
using PutStatesFn = void (*)(int, TStavLinek*);
using PutClipFn = void (*)(int, char*);
using PutFrontFn = void (*)(int, TFront*);
using GetCommandFn = void (*)(int, TStates*);
using PutAccLineFn = void (*)(char*);

}  // namespace norva::xapi

// The library's exports, declared here so that the library's definitions get
// exactly these signatures (and so these names).
void XAPI_Init(void* window, unsigned int message);
void XAPI_DeInit();
void XAPI_PutLines(int count, char* lines);
void XAPI_PutInfo(TInfo* info);
void XAPI_PutStates(int count, TStavLinek* states);
void XAPI_PutCLIP(int line, char* number);
void XAPI_PutFront(int lineOffset, TFront* front);
void XAPI_GetCommand(int lParam, TStates* command);
void XAPI_PutAccLine(char* text);
