#include "data/tdata.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/virtual_time.h"

namespace norva {
namespace {

// A store whose first entries carry these numbers.
TData withLines(std::vector<std::string> numbers) {
  TData d;
  for (std::size_t i = 0; i < numbers.size(); ++i) d.setLineNumber(static_cast<int>(i), numbers[i]);
  d.LineCount = static_cast<std::uint8_t>(numbers.size());
  return d;
}

std::vector<int> counters(const TLineEntry& e) {
  return {e.SmsCount, e.VoiceCount, e.FaxCount, e.SpareCount};
}

TEST(TData, StartsEmpty) {
  TData d;
  EXPECT_EQ(d.LineStateLength, 0);
  EXPECT_EQ(d.SwLength, 0);
  EXPECT_EQ(d.LineCount, 0);
  EXPECT_FALSE(d.UctStoreFailed);
  for (auto b : d.PbxInfo) EXPECT_EQ(b, 0);
  for (auto b : d.PbxConfig) EXPECT_EQ(b, 0);
  EXPECT_EQ(d.FindLine(""), TData::kNotFound);
  EXPECT_EQ(d.FindLine("10"), TData::kNotFound);
  EXPECT_EQ(d.SetCounters("", 1, 1, 1, 1), TData::kNotFound);
}

TEST(TData, FindLineMatchesWholeNumbersAmongValidEntriesOnly) {
  TData d = withLines({"10", "101", "10A", "101", "22"});
  EXPECT_EQ(d.FindLine("10"), 0);
  EXPECT_EQ(d.FindLine("101"), 1);                 // the first of two equal numbers
  EXPECT_EQ(d.FindLine("10a"), TData::kNotFound);  // case-sensitive
  EXPECT_EQ(d.FindLine("1"), TData::kNotFound);    // no prefix match
  EXPECT_EQ(d.FindLine("1010"), TData::kNotFound);
  EXPECT_EQ(d.FindLine("22"), 4);
  d.LineCount = 3;  // a shorter list: entries 3 and 4 keep their bytes but are not read
  EXPECT_EQ(d.FindLine("22"), TData::kNotFound);
  EXPECT_STREQ(d.LineTable[4].Number, "22");
}

TEST(TData, SetCountersPutsEachArgumentInItsField) {
  TData d = withLines({"10", "11", "11"});
  // Argument order is sms, fax, voice, spare; the fields are sms, voice, fax, spare.
  EXPECT_EQ(d.SetCounters("11", 1, 2, 3, 4), 1);
  EXPECT_EQ(counters(d.LineTable[1]), (std::vector<int>{1, 3, 2, 4}));
  EXPECT_EQ(counters(d.LineTable[0]), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(counters(d.LineTable[2]), (std::vector<int>{0, 0, 0, 0}));  // only the first "11"
  EXPECT_EQ(d.SetCounters("99", 9, 9, 9, 9), TData::kNotFound);
  EXPECT_EQ(counters(d.LineTable[1]), (std::vector<int>{1, 3, 2, 4}));
}

TEST(TData, AddCountersWrapsModulo256) {
  TData d = withLines({"10"});
  d.SetCounters("10", 0, 255, 7, 0);
  EXPECT_EQ(d.AddCounters("10", 255, 1, 2, 0), 0);  // -1 on 0, +1 on 255
  EXPECT_EQ(counters(d.LineTable[0]), (std::vector<int>{255, 9, 0, 0}));
  EXPECT_EQ(d.AddCounters("11", 1, 1, 1, 1), TData::kNotFound);
  EXPECT_EQ(counters(d.LineTable[0]), (std::vector<int>{255, 9, 0, 0}));
}

TEST(TData, ClearCountersClearsValidEntriesOnly) {
  TData d = withLines({"10", "11", "12"});
  for (auto& e : d.LineTable) e.SmsCount = e.VoiceCount = e.FaxCount = e.SpareCount = 5;
  d.LineCount = 2;
  d.ClearCounters();
  EXPECT_EQ(counters(d.LineTable[0]), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(counters(d.LineTable[1]), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(counters(d.LineTable[2]), (std::vector<int>{5, 5, 5, 5}));
  EXPECT_STREQ(d.LineTable[0].Number, "10");
}

TEST(TData, SetLineNumberKeepsFourCharactersAndTheCounters) {
  TData d = withLines({"1234"});
  d.LineTable[0].FaxCount = 3;
  d.setLineNumber(0, "98765");
  EXPECT_STREQ(d.LineTable[0].Number, "9876");
  d.setLineNumber(0, "5");
  EXPECT_STREQ(d.LineTable[0].Number, "5");
  EXPECT_EQ(d.LineTable[0].Number[2], 0);  // no tail of the longer number left
  EXPECT_EQ(d.LineTable[0].FaxCount, 3);
}

TEST(TData, SnapshotsAreCutToTheirBuffersAndStampedOnBothClocks) {
  test::VirtualClock clock;
  clock.setTimeOfDay(10, 20, 30, 400);
  std::vector<std::uint8_t> big(300);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i);
  TData d;
  d.storeLineStates(big.data(), 300, clock);
  EXPECT_EQ(d.LineStateLength, 256);
  EXPECT_EQ(d.LineStateSnapshot[255], 255);
  EXPECT_EQ(d.LineStateTime.hour, 10);
  EXPECT_EQ(d.LineStateTime.millisecond, 400);
  EXPECT_EQ(d.LineStateMono, clock.monotonicMs());

  clock.advance(1500);
  clock.setTimeOfDay(1, 0, 0, 0);  // the wall clock set back: the monotonic stamp still grows
  d.storeSw(big.data() + 1, 20, clock);
  EXPECT_EQ(d.SwLength, 12);
  EXPECT_EQ(d.SwSnapshot[0], 1);
  EXPECT_EQ(d.SwSnapshot[11], 12);
  EXPECT_EQ(d.SwMono - d.LineStateMono, 1500);
  EXPECT_EQ(d.SwTime.hour, 1);

  d.storeSw(big.data(), 5, clock);
  EXPECT_EQ(d.SwLength, 5);
}

}  // namespace
}  // namespace norva
