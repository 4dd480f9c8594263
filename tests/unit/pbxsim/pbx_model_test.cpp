#include "pbxsim/pbx_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace norva::sim {
namespace {

using Bytes = PbxModel::Bytes;

Bytes bytes(std::initializer_list<int> list) {
  Bytes out;
  for (int b : list) out.push_back(static_cast<std::uint8_t>(b));
  return out;
}

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }
Bytes zeros(std::size_t n) { return Bytes(n, 0); }

Bytes ask(PbxModel& pbx, const Bytes& request) {
  auto a = pbx.answer(request);
  EXPECT_TRUE(a.has_value());
  return a.value_or(Bytes{});
}

TEST(PbxModel, DefaultAnswersToEachCommand) {
  struct Case {
    const char* what;
    Bytes request;
    Bytes expected;
  };
  const Bytes config = bytes({0, 0, 0, 0, 1}) + zeros(11);
  const Bytes lineList = bytes({2, 1, 0, 0, 2, 2, 0, 0, 2, 3, 0, 0, 2, 4, 0, 0,
                                2, 5, 0, 0, 2, 6, 0, 0, 2, 7, 0, 0, 2, 8, 0, 0});
  const Case cases[] = {
      {"info", bytes({2}), bytes({0, 0x03, 0x10, 0, 0, 0, 0, 0})},
      {"configuration", bytes({13}), bytes({0}) + config},
      {"command 14: 12 bytes with the status", bytes({14}), zeros(12)},
      {"line list 21..28", bytes({0, 14, 0}), bytes({0, 14, 0}) + lineList},
      {"line states, 8 idle lines", bytes({0, 22, 0}), bytes({0, 22, 0}) + zeros(32)},
      {"queue data", bytes({33}), bytes({0})},
      {"no accounting record", bytes({4}), bytes({0})},
      {"no last record", bytes({5}), bytes({0})},
      {"key command", bytes({18, 5, 0x53}), bytes({0})},
      {"dial without codes", bytes({18, 5}), bytes({0})},
      {"take a call", bytes({34, 5, 1}), bytes({0})},
      {"counter write", bytes({1, 17, 0, 1, 2, 3, 0}), bytes({0, 17, 0})},
      {"caller data of line 0", bytes({0, 47, 0}), bytes({0, 47, 0}) + zeros(8) + bytes({0})},
      {"caller data past the lines", bytes({0, 47, 8}), bytes({2, 47, 8})},
      {"slot 4 does not exist", bytes({0, 1, 4}), bytes({2, 1, 4})},
      {"nothing stored at the item", bytes({0, 99, 0}), bytes({2, 99, 0})},
      {"line list is read-only", bytes({1, 14, 0, 1}), bytes({4, 14, 0})},
      {"line states are read-only", bytes({1, 22, 0}), bytes({4, 22, 0})},
      {"unknown command", bytes({7}), bytes({1})},
      {"empty request", bytes({}), bytes({3})},
      {"read without index", bytes({0, 14}), bytes({3})},
      {"bare read", bytes({0}), bytes({3})},
      {"write without index", bytes({1, 17}), bytes({3})},
      {"key command without station", bytes({18}), bytes({3})},
      {"take a call without queue", bytes({34, 5}), bytes({3})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PbxModel pbx;
    EXPECT_EQ(ask(pbx, c.request), c.expected);
  }
}

TEST(PbxModel, SteeredBlocksAreAnswered) {
  PbxModel pbx;
  pbx.setConfigByte(5, 2);
  EXPECT_FALSE(pbx.setConfigByte(16, 1));
  pbx.setInfo({0x04, 0x02, 5, 9, 8, 7, 6});
  pbx.setSwBlock({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
  pbx.setQueueData(bytes({1, 2, 3}));
  EXPECT_EQ(ask(pbx, bytes({13})), bytes({0, 0, 0, 0, 0, 1, 2}) + zeros(10));
  EXPECT_EQ(ask(pbx, bytes({2})), bytes({0, 4, 2, 5, 9, 8, 7, 6}));
  EXPECT_EQ(ask(pbx, bytes({14})), bytes({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
  EXPECT_EQ(ask(pbx, bytes({33})), bytes({0, 1, 2, 3}));
}

TEST(PbxModel, LineListUsesTheNumberCodes) {
  PbxModel pbx;
  ASSERT_TRUE(pbx.setLines({"20*", "1234", "#F", "PSAB", "CD0", ""}));
  EXPECT_EQ(ask(pbx, bytes({0, 14, 0})),
            bytes({0, 14, 0, 2, 10, 11, 0, 1, 2, 3, 4, 12, 13, 0, 0, 14, 15, 16, 17, 18, 19, 10, 0,
                   0, 0, 0, 0}));
  // Bad numbers leave the list as it was.
  for (const char* bad : {"12345", "12x", "1.2", "a"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(pbx.setLines({"21", bad}));
    EXPECT_EQ(pbx.lines().size(), 6u);
  }
  EXPECT_FALSE(pbx.setLines(std::vector<std::string>(PbxModel::kMaxLines + 1, "1")));
  EXPECT_TRUE(pbx.setLines(std::vector<std::string>(PbxModel::kMaxLines, "1")));
  EXPECT_LE(ask(pbx, bytes({0, 22, 0})).size(), PbxModel::kMaxPayload);
}

TEST(PbxModel, LineStatesFollowTheLineList) {
  PbxModel pbx;
  ASSERT_TRUE(pbx.setLineState(1, {8, 2, 3, 1}));
  EXPECT_FALSE(pbx.setLineState(8, {1, 1, 1, 1}));
  EXPECT_EQ(ask(pbx, bytes({0, 22, 0})), bytes({0, 22, 0}) + zeros(4) + bytes({8, 2, 3, 1}) + zeros(24));
  ASSERT_TRUE(pbx.setLines({"21", "22", "23"}));
  EXPECT_EQ(ask(pbx, bytes({0, 22, 0})), bytes({0, 22, 0}) + zeros(4) + bytes({8, 2, 3, 1}) + zeros(4));
}

TEST(PbxModel, CallerDataIsAddressedWithTheLineOffset) {
  PbxModel pbx;
  pbx.setInfoByte(2, 5);
  ASSERT_TRUE(pbx.setCallerNumber(3, "602123"));
  EXPECT_FALSE(pbx.setCallerNumber(8, "1"));
  // Line 3 minus offset 5 is address 254.
  EXPECT_EQ(ask(pbx, bytes({0, 47, 254})),
            bytes({0, 47, 254}) + zeros(8) + text("602123") + bytes({0}));
  EXPECT_EQ(ask(pbx, bytes({0, 47, 3})), bytes({2, 47, 3}));  // line 8 does not exist
  EXPECT_EQ(ask(pbx, bytes({0, 47, 251})), bytes({0, 47, 251}) + zeros(9));  // line 0, no caller
}

TEST(PbxModel, AccountingNextAgainAndNone) {
  PbxModel pbx;
  ASSERT_TRUE(pbx.addAccountingRecord("21 0602123456 00:01:05"));
  ASSERT_TRUE(pbx.addAccountingRecord("22 112"));
  EXPECT_EQ(ask(pbx, bytes({5})), bytes({0}));  // nothing fetched yet
  EXPECT_EQ(ask(pbx, bytes({4})), bytes({0}) + text("21 0602123456 00:01:05"));
  EXPECT_EQ(ask(pbx, bytes({5})), bytes({0}) + text("21 0602123456 00:01:05"));
  EXPECT_EQ(pbx.pendingAccountingRecords(), 1u);
  EXPECT_EQ(ask(pbx, bytes({4})), bytes({0}) + text("22 112"));
  EXPECT_EQ(ask(pbx, bytes({4})), bytes({0}));  // no record: the status alone
  EXPECT_EQ(ask(pbx, bytes({5})), bytes({0}) + text("22 112"));  // the last one stays
  EXPECT_EQ(pbx.lastAccountingRecord(), "22 112");
}

TEST(PbxModel, AccountingIsBounded) {
  PbxModel pbx;
  for (std::size_t i = 0; i < PbxModel::kMaxPendingRecords; ++i) {
    ASSERT_TRUE(pbx.addAccountingRecord(std::to_string(i)));
  }
  EXPECT_FALSE(pbx.addAccountingRecord("one too many"));
  EXPECT_EQ(pbx.pendingAccountingRecords(), PbxModel::kMaxPendingRecords);

  PbxModel longOne;
  longOne.addAccountingRecord(std::string(600, 'x'));
  EXPECT_EQ(ask(longOne, bytes({4})).size(), PbxModel::kMaxPayload);
}

TEST(PbxModel, MessageSlotsReadAndClear) {
  PbxModel pbx;
  const Bytes empty = bytes({0, 1, 2}) + zeros(PbxModel::kSlotDataSize);
  EXPECT_EQ(ask(pbx, bytes({0, 1, 2})), empty);

  ASSERT_TRUE(pbx.putMessage(2, 'I', "bob@example.com", "Missed call", "From 602123"));
  EXPECT_FALSE(pbx.putMessage(4, 'I', "x", "y", "z"));
  const Bytes a = ask(pbx, bytes({0, 1, 2}));
  ASSERT_EQ(a.size(), 3 + PbxModel::kSlotDataSize);
  const Bytes content = bytes({'I'}) + text("bob@example.com\nMissed call\nFrom 602123");
  EXPECT_EQ(Bytes(a.begin(), a.begin() + 3 + static_cast<long>(content.size())), bytes({0, 1, 2}) + content);
  EXPECT_EQ(Bytes(a.begin() + 3 + static_cast<long>(content.size()), a.end()),
            zeros(PbxModel::kSlotDataSize - content.size()));
  EXPECT_EQ(ask(pbx, bytes({0, 1, 1})), bytes({0, 1, 1}) + zeros(PbxModel::kSlotDataSize));

  // A read leaves the message; the agent's clear write empties the slot.
  EXPECT_EQ(ask(pbx, bytes({0, 1, 2})), a);
  EXPECT_EQ(ask(pbx, bytes({1, 1, 2}) + zeros(251)), bytes({0, 1, 2}));
  EXPECT_EQ(ask(pbx, bytes({0, 1, 2})), empty);
  EXPECT_EQ(pbx.slot(2).type, 0);
  EXPECT_EQ(ask(pbx, bytes({1, 1, 7})), bytes({2, 1, 7}));
  EXPECT_EQ(pbx.slotWrites(),
            (std::deque<PbxModel::SlotWrite>{{2, 254}, {7, 3}}));

  // A text longer than the item is cut so the answer keeps its size.
  ASSERT_TRUE(pbx.putRawMessage(0, 'Q', std::string(400, 'b')));
  EXPECT_EQ(ask(pbx, bytes({0, 1, 0})).size(), 3 + PbxModel::kSlotDataSize);
}

TEST(PbxModel, WritesAreKeptForTests) {
  PbxModel pbx;
  EXPECT_EQ(ask(pbx, bytes({1, 17, 0, 1, 0, 2, 0, 0, 0, 0, 0})), bytes({0, 17, 0}));
  EXPECT_EQ(ask(pbx, bytes({1, 17, 0})), bytes({0, 17, 0}));
  EXPECT_EQ(pbx.counterWrites(), (std::deque<Bytes>{bytes({1, 0, 2, 0, 0, 0, 0, 0}), bytes({})}));
  EXPECT_EQ(ask(pbx, bytes({18, 3}) + bytes({1, 2, 32})), bytes({0}));
  EXPECT_EQ(ask(pbx, bytes({34, 4, 7, 9})), bytes({0}));
  EXPECT_EQ(pbx.stationCommands(),
            (std::deque<PbxModel::StationCommand>{{18, 3, bytes({1, 2, 32})}, {34, 4, bytes({7, 9})}}));
}

TEST(PbxModel, ItemStoreReadsWhatWasWritten) {
  PbxModel pbx;
  EXPECT_EQ(ask(pbx, bytes({1, 99, 2, 0xAA, 0xBB})), bytes({0, 99, 2}));
  EXPECT_EQ(ask(pbx, bytes({0, 99, 2})), bytes({0, 99, 2, 0xAA, 0xBB}));
  EXPECT_EQ(ask(pbx, bytes({0, 99, 3})), bytes({2, 99, 3}));
  EXPECT_EQ(ask(pbx, bytes({1, 17, 0, 5})), bytes({0, 17, 0}));
  EXPECT_EQ(ask(pbx, bytes({0, 17, 0})), bytes({0, 17, 0, 5}));
  pbx.setItem(99, 3, bytes({7}));
  EXPECT_EQ(ask(pbx, bytes({0, 99, 3})), bytes({0, 99, 3, 7}));
  pbx.eraseItem(99, 3);
  pbx.setMissingItemStatus(9);
  EXPECT_EQ(ask(pbx, bytes({0, 99, 3})), bytes({9, 99, 3}));
}

TEST(PbxModel, InjectedFailures) {
  PbxModel pbx;
  pbx.failRequests(0, 14, 5);
  pbx.failRequests(2, std::nullopt, 6);
  EXPECT_EQ(ask(pbx, bytes({0, 14, 0})), bytes({5, 14, 0}));
  EXPECT_EQ(ask(pbx, bytes({0, 22, 0})).at(0), 0);
  EXPECT_EQ(ask(pbx, bytes({2})), bytes({6}));
  pbx.failRequests(2, std::nullopt, 7);  // replaces, does not stack
  EXPECT_EQ(ask(pbx, bytes({2})), bytes({7}));
  pbx.failRequests(1, std::nullopt, 8);
  EXPECT_EQ(ask(pbx, bytes({1, 1, 0}) + zeros(251)), bytes({8, 1, 0}));
  EXPECT_TRUE(pbx.slotWrites().empty());  // a failed write does nothing
  pbx.clearFailures();
  EXPECT_EQ(ask(pbx, bytes({2})).at(0), 0);
}

TEST(PbxModel, SilentModeAnswersNothingAndChangesNothing) {
  PbxModel pbx;
  pbx.addAccountingRecord("r1");
  pbx.setSilent(true);
  EXPECT_EQ(pbx.answer(bytes({4})), std::nullopt);
  EXPECT_EQ(pbx.answer(bytes({1, 1, 0})), std::nullopt);
  EXPECT_EQ(pbx.answer(bytes({})), std::nullopt);
  EXPECT_EQ(pbx.pendingAccountingRecords(), 1u);
  EXPECT_TRUE(pbx.slotWrites().empty());
  pbx.setSilent(false);
  EXPECT_EQ(ask(pbx, bytes({4})), bytes({0}) + text("r1"));
  EXPECT_EQ(pbx.requestLog(), (std::deque<Bytes>{bytes({4}), bytes({1, 1, 0}), bytes({}), bytes({4})}));
}

TEST(PbxModel, RequestLogKeepsTheNewest) {
  PbxModel pbx;
  const std::size_t total = PbxModel::kMaxLogEntries + 5;
  for (std::size_t i = 0; i < total; ++i) {
    pbx.answer(bytes({18, static_cast<int>(i & 0xFF)}));
  }
  EXPECT_EQ(pbx.requestCount(), total);
  EXPECT_EQ(pbx.requestLog().size(), PbxModel::kMaxLogEntries);
  EXPECT_EQ(pbx.requestLog().front(), bytes({18, 5}));
  EXPECT_EQ(pbx.stationCommands().size(), PbxModel::kMaxLogEntries);
}

}  // namespace
}  // namespace norva::sim
