#include "gateway/response_cache.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "support/virtual_time.h"

namespace norva {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Lifetime {
  std::uint8_t secondByte;
  int ms;
};

TEST(CacheMaxAge, FollowsTheTableAndTenMillisecondsBeyondIt) {
  const Lifetime cases[] = {{0, 3600000}, {1, 2000},  {2, 60000},  {3, 60000},  {4, 120000},
                            {10, 120000}, {11, 5000}, {12, 60000}, {15, 60000}, {16, 2000},
                            {17, 60000},  {21, 60000}, {22, 300},  {23, 60000}, {46, 60000},
                            {47, 300},    {48, 300},  {49, 10},    {200, 10},   {255, 10}};
  for (const Lifetime& c : cases) EXPECT_EQ(CacheMaxAge(c.secondByte), c.ms) << int(c.secondByte);
}

class Cache : public ::testing::Test {
 protected:
  void store(ResponseCache& cache, const Bytes& request, const Bytes& answer) {
    cache.CacheStore(request.data(), static_cast<int>(request.size()), answer.data(),
                     static_cast<int>(answer.size()));
  }
  // The answer a lookup finds, or nothing.
  std::optional<Bytes> find(const ResponseCache& cache, const Bytes& request, bool checkAge = true) {
    const int i = cache.CacheLookup(request.data(), static_cast<int>(request.size()), checkAge);
    if (i < 0) return std::nullopt;
    const auto& e = cache.entry(i);
    return Bytes(e.Answer.begin(), e.Answer.begin() + e.AnswerLength);
  }
  test::VirtualClock clock;
};

TEST_F(Cache, AnEntryAnswersWhileYoungerThanItsLifetime) {
  ResponseCache cache(110, clock);
  store(cache, {0, 200, 1}, {0, 200, 1, 9});  // 10 ms
  store(cache, {0, 14, 0}, {0, 14, 0, 7});    // 60 s
  clock.advance(9);
  EXPECT_TRUE(find(cache, {0, 200, 1}));
  clock.advance(1);
  EXPECT_FALSE(find(cache, {0, 200, 1})) << "10 ms old is no longer younger than 10 ms";
  EXPECT_TRUE(find(cache, {0, 200, 1}, false)) << "a stale entry is still there to be replaced";
  clock.advance(59989);
  EXPECT_EQ(find(cache, {0, 14, 0}), (Bytes{0, 14, 0, 7}));
  clock.advance(1);
  EXPECT_FALSE(find(cache, {0, 14, 0}));
}

TEST_F(Cache, AgesRunAcrossMidnightAndIgnoreTheWallClockBeingSet) {
  ResponseCache cache(110, clock);
  clock.setTimeOfDay(23, 59, 30, 0);
  store(cache, {0, 14, 0}, {0, 1});
  clock.advance(50000);  // 00:00:20
  EXPECT_TRUE(find(cache, {0, 14, 0}));
  clock.advance(20000);  // 00:00:40
  EXPECT_FALSE(find(cache, {0, 14, 0}));

  store(cache, {0, 14, 0}, {0, 2});
  clock.setTimeOfDay(8, 0, 0, 0);  // set back by hours: nothing lives longer
  clock.advance(60000);
  EXPECT_FALSE(find(cache, {0, 14, 0}));
  store(cache, {0, 14, 0}, {0, 3});
  clock.setTimeOfDay(20, 0, 0, 0);  // set forward: nothing dies early
  clock.advance(59999);
  EXPECT_TRUE(find(cache, {0, 14, 0}));
}

TEST_F(Cache, NewestFirstAndTheAskersBytesArePrefixOfTheStoredRequest) {
  ResponseCache cache(110, clock);
  store(cache, {0, 14, 0}, {1});
  store(cache, {0, 14, 1}, {2});
  EXPECT_EQ(find(cache, {0, 14}), (Bytes{2})) << "the newest entry that starts with 00 0E";
  EXPECT_EQ(find(cache, {0, 14, 0}), (Bytes{1}));
  EXPECT_FALSE(find(cache, {0, 14, 0, 0})) << "a longer request never matches a shorter one";
  EXPECT_FALSE(find(cache, {0, 15}));
}

TEST_F(Cache, ALongerRequestIsNotComparedWithBytesLeftByAnEarlierOccupant) {
  ResponseCache cache(1, clock);
  store(cache, {0, 14, 0, 5, 5}, {1});
  store(cache, {0, 20, 0}, {2});  // overwrites the only entry; its bytes 3 and 4 stay 5 5
  EXPECT_FALSE(find(cache, {0, 20, 0, 5, 5}));
  EXPECT_EQ(find(cache, {0, 20, 0}), (Bytes{2}));
}

TEST_F(Cache, StoringTheSameRequestReplacesItInPlace) {
  ResponseCache cache(110, clock);
  store(cache, {0, 14, 0}, {1});
  store(cache, {0, 20, 0}, {2});
  store(cache, {0, 14, 0}, {3});
  EXPECT_EQ(cache.CacheCount(), 2);
  EXPECT_EQ(cache.CacheNext(), 2);
  EXPECT_EQ(find(cache, {0, 14, 0}), (Bytes{3}));
}

TEST_F(Cache, AFullRingOverwritesItsOldestEntry) {
  ResponseCache cache(3, clock);
  for (std::uint8_t n = 1; n <= 4; ++n) store(cache, {0, 30, n}, {n});
  EXPECT_EQ(cache.CacheCount(), 3);
  EXPECT_EQ(cache.CacheNext(), 1);
  EXPECT_FALSE(find(cache, {0, 30, 1}));
  for (std::uint8_t n = 2; n <= 4; ++n) EXPECT_EQ(find(cache, {0, 30, n}), (Bytes{n}));
}

TEST_F(Cache, WhatIsNeverStored) {
  ResponseCache cache(110, clock);
  store(cache, {2}, {0, 1});                          // first byte not 0
  store(cache, Bytes(257, 0), {0});                   // request too long for an entry
  store(cache, {0, 30, 1}, Bytes(257, 0));            // answer too long
  EXPECT_EQ(cache.CacheCount(), 0);
  store(cache, Bytes(256, 0), Bytes(256, 7));         // the largest that fits
  EXPECT_EQ(cache.CacheCount(), 1);
  EXPECT_EQ(find(cache, Bytes(256, 0))->size(), 256u);
}

TEST_F(Cache, EmptyingKeepsTheRingPositionAndZeroTurnsTheCacheOff) {
  ResponseCache cache(110, clock);
  store(cache, {0, 14, 0}, {1});
  store(cache, {0, 20, 0}, {2});
  cache.empty();
  EXPECT_FALSE(find(cache, {0, 14, 0}, false));
  EXPECT_EQ(cache.CacheNext(), 2);
  store(cache, {0, 14, 0}, {3});
  EXPECT_EQ(cache.CacheNext(), 3) << "after emptying, the same request is a new entry";

  ResponseCache off(0, clock);
  store(off, {0, 14, 0}, {1});
  EXPECT_EQ(off.CacheCount(), 0);
  EXPECT_FALSE(find(off, {0, 14, 0}, false));
}

}  // namespace
}  // namespace norva
