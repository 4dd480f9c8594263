#pragma once

#include <cstdint>
#include <string>

namespace norva {

// What the decoders hand on beyond the store: the XAPI bridge's feeds and
// the response cache. The agent implements it; every call does nothing by
// default and the bridge counts as inactive. Pointers are valid only during
// the call; the byte counts say how much may be read.
class CodecHooks {
 public:
  virtual ~CodecHooks() = default;

  virtual bool xapiActive() const { return false; }
  // The 7-byte information record, already updated.
  virtual void XAPI_PutInfo(const std::uint8_t* /*info7*/) {}
  // `count` 4-byte directory numbers, zero-padded, no terminator.
  virtual void XAPI_PutLines(int /*count*/, const std::uint8_t* /*lines*/) {}
  // `count` 4-byte line-state records.
  virtual void XAPI_PutStates(int /*count*/, const std::uint8_t* /*records*/) {}
  // The caller number of a line: the answer's text from byte 11, up to its first
  // zero byte.
  virtual void XAPI_PutCLIP(int /*line*/, const std::string& /*number*/) {}
  // The queue data: the answer after its status byte, `length` bytes.
  virtual void XAPI_PutFront(int /*lineOffset*/, const std::uint8_t* /*front*/, int /*length*/) {}

  // Every cached client answer is void.
  virtual void emptyCache() {}
};

}  // namespace norva
