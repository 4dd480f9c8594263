#include "gateway/response_cache.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace norva {

int CacheMaxAge(std::uint8_t secondByte) {
  static constexpr std::array<int, 49> kMaxAge = [] {
    std::array<int, 49> t{};
    t.fill(60000);
    t[0] = 3600000;
    t[1] = 2000;
    for (int i = 4; i <= 10; ++i) t[static_cast<std::size_t>(i)] = 120000;
    t[11] = 5000;
    t[16] = 2000;
    t[22] = 300;
    t[47] = 300;
    t[48] = 300;
    return t;
  }();
  return secondByte < kMaxAge.size() ? kMaxAge[secondByte] : 10;
}

ResponseCache::ResponseCache(int maxCache, const Clock& clock) : clock_(clock) {
  if (maxCache <= 0) return;
  entries_.reset(new (std::nothrow) Entry[static_cast<std::size_t>(maxCache)]);
  if (entries_) maxCache_ = maxCache;
}

int ResponseCache::CacheLookup(const std::uint8_t* request, int L, bool checkAge) const {
  if (count_ == 0 || L <= 0) return -1;
  const std::int64_t now = clock_.monotonicMs();
  int i = next_;
  for (int n = 0; n < count_; ++n) {
    i = (i + maxCache_ - 1) % maxCache_;
    const Entry& e = entries_[static_cast<std::size_t>(i)];
    if (checkAge && !(e.MaxAge > now - e.StoredMono)) continue;
    if (L <= e.RequestLength && std::memcmp(e.Request.data(), request, static_cast<std::size_t>(L)) == 0) {
      return i;
    }
  }
  return -1;
}

void ResponseCache::CacheStore(const std::uint8_t* request, int requestLength,
                               const std::uint8_t* answer, int answerLength) {
  if (maxCache_ == 0 || requestLength < 1 || request[0] != 0) return;
  if (requestLength > kFieldSize || answerLength < 0 || answerLength > kFieldSize) return;
  int i = CacheLookup(request, requestLength, false);
  const bool isNew = i < 0;
  if (isNew) i = next_;
  Entry& e = entries_[static_cast<std::size_t>(i)];
  std::copy_n(request, requestLength, e.Request.begin());
  e.RequestLength = requestLength;
  std::copy_n(answer, answerLength, e.Answer.begin());
  e.AnswerLength = answerLength;
  e.MaxAge = CacheMaxAge(requestLength > 1 ? request[1] : 0);
  e.Stored = clock_.now();
  e.StoredMono = clock_.monotonicMs();
  if (isNew) {
    next_ = (next_ + 1) % maxCache_;
    if (count_ < maxCache_) ++count_;
  }
}

}  // namespace norva
