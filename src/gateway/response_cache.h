#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "platform/clock.h"

namespace norva {

// How long an answer may serve clients, by the request's second byte.
int CacheMaxAge(std::uint8_t secondByte);

// The latest answers to requests whose first byte is 0, in a ring allocated
// once. Ages are taken on the monotonic clock, so moving the wall clock
// neither revives nor kills an entry.
class ResponseCache {
 public:
  static constexpr int kFieldSize = 256;  // longer requests or answers are not cached

  struct Entry {
    std::array<std::uint8_t, kFieldSize> Request{};
    int RequestLength = 0;
    std::array<std::uint8_t, kFieldSize> Answer{};
    int AnswerLength = 0;
    DateTime Stored{};
    std::int64_t StoredMono = 0;
    int MaxAge = 0;
  };

  // maxCache 0 (or one that cannot be allocated) turns the cache off.
  ResponseCache(int maxCache, const Clock& clock);

  int MaxCache() const { return maxCache_; }
  int CacheCount() const { return count_; }
  int CacheNext() const { return next_; }
  const Entry& entry(int index) const { return entries_[static_cast<std::size_t>(index)]; }

  // The newest entry whose request begins with the L bytes given (and is no
  // shorter), young enough when checkAge; -1 when none.
  int CacheLookup(const std::uint8_t* request, int L, bool checkAge) const;
  void CacheStore(const std::uint8_t* request, int requestLength, const std::uint8_t* answer,
                  int answerLength);
  // Every entry stops answering; the ring position stays.
  void empty() { count_ = 0; }

 private:
  const Clock& clock_;
  int maxCache_ = 0;
  std::unique_ptr<Entry[]> entries_;
  int count_ = 0;
  int next_ = 0;
};

}  // namespace norva
