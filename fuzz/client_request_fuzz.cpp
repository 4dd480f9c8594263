// Fuzzes what a network client's bytes reach before anything is forwarded:
// the request's trace text and the response cache's store and lookup, with
// requests and answers of every length up to a whole client read.
//
// Input: a sequence of operations. Each takes one control byte (bit 0: store
// or look up; bits 1-7: a time step in ms) and two length bytes, then that
// many request bytes (and for a store, the next bytes again as the answer).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "data/trace_text.h"
#include "gateway/response_cache.h"

namespace {

#define FUZZ_CHECK(cond)       \
  do {                         \
    if (!(cond)) std::abort(); \
  } while (0)

class StepClock : public norva::Clock {
 public:
  norva::DateTime now() const override { return {2026, 1, 1, 12, 0, 0, 0}; }
  std::int64_t monotonicMs() const override { return ms; }
  std::int64_t ms = 1000;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  StepClock clock;
  norva::ResponseCache cache(7, clock);
  const norva::TraceNames names = [](int n) { return "#" + std::to_string(n); };
  std::size_t at = 0;
  while (at + 3 <= size) {
    const std::uint8_t control = data[at];
    const std::size_t want = (static_cast<std::size_t>(data[at + 1]) << 8 | data[at + 2]) % 501;
    at += 3;
    const std::size_t length = std::min(want, size - at);
    const std::uint8_t* request = data + at;
    at += length;
    clock.ms += control >> 1;
    const int L = static_cast<int>(length);
    (void)norva::TraceText(norva::TraceForm::Request, request, L, 0, true, names);
    (void)norva::TraceText(norva::TraceForm::Answer, request, L, L > 0 ? request[0] : 0, true, names);
    if (control & 1) {
      cache.CacheStore(request, L, request, L);
      continue;
    }
    const int i = cache.CacheLookup(request, L, true);
    FUZZ_CHECK(i >= -1 && i < cache.MaxCache());
    if (i >= 0) {
      const auto& e = cache.entry(i);
      FUZZ_CHECK(L <= e.RequestLength && e.RequestLength <= norva::ResponseCache::kFieldSize);
      FUZZ_CHECK(e.AnswerLength >= 0 && e.AnswerLength <= norva::ResponseCache::kFieldSize);
      FUZZ_CHECK(e.MaxAge > clock.ms - e.StoredMono);
    }
    FUZZ_CHECK(cache.CacheCount() <= cache.MaxCache());
  }
  return 0;
}
