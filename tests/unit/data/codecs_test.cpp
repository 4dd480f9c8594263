#include "data/codecs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/codec_hooks.h"
#include "data/tdata.h"
#include "support/virtual_time.h"

namespace norva {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Writes down what the decoders hand on.
class RecordingHooks : public CodecHooks {
 public:
  bool active = true;
  int cacheEmptied = 0;
  std::vector<std::string> calls;
  Bytes info, lines, states, front;
  int lineCount = -1, stateCount = -1, clipLine = -1, frontOffset = -1;
  std::string clipNumber;

  bool xapiActive() const override { return active; }
  void XAPI_PutInfo(const std::uint8_t* info7) override {
    calls.push_back("info");
    info.assign(info7, info7 + 7);
  }
  void XAPI_PutLines(int count, const std::uint8_t* l) override {
    calls.push_back("lines");
    lineCount = count;
    lines.assign(l, l + 4 * count);
  }
  void XAPI_PutStates(int count, const std::uint8_t* records) override {
    calls.push_back("states");
    stateCount = count;
    states.assign(records, records + 4 * count);
  }
  void XAPI_PutCLIP(int line, const std::string& number) override {
    calls.push_back("clip");
    clipLine = line;
    clipNumber = number;
  }
  void XAPI_PutFront(int offset, const std::uint8_t* f, int length) override {
    calls.push_back("front");
    frontOffset = offset;
    front.assign(f, f + length);
  }
  void emptyCache() override { ++cacheEmptied; }
};

class Codecs : public ::testing::Test {
 protected:
  Bytes built(int length) const { return Bytes(out.begin(), out.begin() + length); }
  Bytes build(char kind, int value = 0, std::uint8_t station = 0, std::string_view text = {}) {
    return built(BuildRequest(kind, value, data, out, station, text));
  }
  static int len(const Bytes& b) { return static_cast<int>(b.size()); }

  TData data;
  RecordingHooks hooks;
  test::VirtualClock clock;
  PayloadBuffer out{};
};

// ---- builders

TEST_F(Codecs, FixedBuilds) {
  const struct {
    char kind;
    Bytes payload;
  } cases[] = {
      {'A', {0, 22, 0}}, {'C', {13}}, {'F', {33}},       {'I', {2}}, {'U', {4}},
      {'V', {0, 14, 0}}, {'X', {14}}, {'M', {1, 17, 0}}, {'T', {}},  {'?', {}},
  };
  for (const auto& c : cases) EXPECT_EQ(build(c.kind), c.payload) << c.kind;
}

TEST_F(Codecs, UctMsgAsksForTheLastRecordAgainAfterAFailedStore) {
  data.UctStoreFailed = true;
  EXPECT_EQ(build('U'), (Bytes{5}));
  data.UctStoreFailed = false;
  EXPECT_EQ(build('U'), (Bytes{4}));
}

TEST_F(Codecs, SlotMsgReadsTheSlotsInTurn) {
  std::vector<int> slots;
  for (int i = 0; i < 6; ++i) {
    const Bytes p = build('S');
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[0], 0);
    EXPECT_EQ(p[1], 1);
    slots.push_back(p[2]);
  }
  EXPECT_EQ(slots, (std::vector<int>{0, 1, 2, 3, 0, 1}));
}

TEST_F(Codecs, CounterMsgSendsFourCountersPerValidLine) {
  data.LineCount = 2;
  data.LineTable[0] = TLineEntry{"10", 1, 2, 3, 4};
  data.LineTable[1] = TLineEntry{"11", 5, 6, 7, 0};
  data.LineTable[2] = TLineEntry{"12", 9, 9, 9, 9};  // beyond LineCount
  // sms, voice, fax, spare per line
  EXPECT_EQ(build('M'), (Bytes{1, 17, 0, 1, 2, 3, 4, 5, 6, 7, 0}));
  data.LineCount = TData::kMaxLines;
  EXPECT_EQ(build('M').size(), 3u + 4 * 56);
}

TEST_F(Codecs, ClipMsgSubtractsTheLineOffsetModulo256) {
  data.PbxInfo[2] = 5;
  EXPECT_EQ(build('Y', 3), (Bytes{0, 47, 254}));
  EXPECT_EQ(build('Y', 12), (Bytes{0, 47, 7}));
  data.PbxInfo[2] = 0;
  EXPECT_EQ(build('Y', 40), (Bytes{0, 47, 40}));
}

TEST_F(Codecs, KeyMsgSingleCommands) {
  const struct {
    int value;
    std::string text;
    Bytes payload;
  } cases[] = {
      {kKeySpeaker, "", {18, 7, 'S'}},           {kKeyMic, "", {18, 7, 'T'}},
      {kKeyVolumeUp, "", {18, 7, '['}},          {kKeyVolumeDown, "", {18, 7, '\\'}},
      {kKeyTakeFromQueue, "3abc", {34, 7, '3'}}, {kKeyTakeFromQueue, "", {34, 7, 0}},
  };
  for (const auto& c : cases) EXPECT_EQ(build('#', c.value, 7, c.text), c.payload) << c.value;
}

TEST_F(Codecs, KeyMsgDialsTheTextInChunksOfEight) {
  const std::string ten = "1234567890";
  EXPECT_EQ(build('#', 1, 9, ten), (Bytes{18, 9, 1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(build('#', 9, 9, ten), (Bytes{18, 9, 9, 10}));
  EXPECT_EQ(build('#', 17, 9, ten), (Bytes{18, 9}));  // nothing left to dial
  EXPECT_EQ(build('#', 1, 9, "12P,"), (Bytes{18, 9, 1, 2, 32, 14}));
  // The command record's text field: the number ends at its first zero byte.
  const char field[32] =
      "123\0"
      "456";
  EXPECT_EQ(build('#', 1, 9, std::string_view(field, sizeof field)), (Bytes{18, 9, 1, 2, 3}));
  EXPECT_EQ(build('#', 5, 9, std::string_view(field, sizeof field)), (Bytes{18, 9}));
}

TEST_F(Codecs, KeyMsgNeverDialsPastTheThirtiethCharacter) {
  const std::string forty(40, '5');
  EXPECT_EQ(build('#', 17, 1, forty).size(), 10u);
  EXPECT_EQ(build('#', 25, 1, forty), (Bytes{18, 1, 5, 5, 5, 5, 5, 5}));  // characters 25-30
  EXPECT_EQ(build('#', 33, 1, forty), (Bytes{18, 1}));
  EXPECT_EQ(build('#', 0, 1, forty), (Bytes{18, 1}));
}

// ---- decoders

TEST_F(Codecs, KeyMsgDecodeGivesTheStatus) {
  const Bytes ok{0}, err{9, 1};
  EXPECT_EQ(KeyMsgDecode(ok.data(), 1), 0);
  EXPECT_EQ(KeyMsgDecode(err.data(), 2), 9);
}

TEST_F(Codecs, SnapshotDecodersKeepTheWholeAnswerWhateverItsStatus) {
  clock.setTimeOfDay(8, 0, 0, 0);
  const Bytes states{3, 22, 0, 8, 1, 2, 1};
  EXPECT_EQ(LineStateMsgDecode(data, states.data(), len(states), clock), 0);
  EXPECT_EQ(data.LineStateLength, 7);
  EXPECT_EQ(Bytes(data.LineStateSnapshot.begin(), data.LineStateSnapshot.begin() + 7), states);
  EXPECT_EQ(data.LineStateMono, clock.monotonicMs());
  EXPECT_EQ(data.LineStateTime.hour, 8);

  Bytes sw(40, 6);
  sw[0] = 0;
  clock.advance(10);
  EXPECT_EQ(SwMsgDecode(data, sw.data(), len(sw), clock), 0);
  EXPECT_EQ(data.SwLength, 12);  // a longer answer is cut to the buffer
  EXPECT_EQ(data.SwSnapshot[11], 6);
  EXPECT_EQ(data.SwMono, clock.monotonicMs());

  // An empty answer has nothing to keep.
  EXPECT_EQ(SwMsgDecode(data, sw.data(), 0, clock), 0);
  EXPECT_EQ(data.SwLength, 12);
}

TEST_F(Codecs, ConfigMsgEmptiesTheCacheOnlyWhenTheBlockChanges) {
  Bytes answer(17, 0);
  for (int i = 1; i <= 16; ++i) answer[i] = static_cast<std::uint8_t>(i);
  EXPECT_EQ(ConfigMsgDecode(data, answer.data(), 17, hooks), kResultAccepted);
  EXPECT_EQ(hooks.cacheEmptied, 1);
  EXPECT_EQ(data.PbxConfig[15], 16);

  EXPECT_EQ(ConfigMsgDecode(data, answer.data(), 17, hooks), kResultAccepted);
  EXPECT_EQ(hooks.cacheEmptied, 1);  // the same block again

  answer[16] = 99;
  EXPECT_EQ(ConfigMsgDecode(data, answer.data(), 17, hooks), kResultAccepted);
  EXPECT_EQ(hooks.cacheEmptied, 2);
  EXPECT_EQ(data.PbxConfig[15], 99);
}

TEST_F(Codecs, ConfigMsgCopiesOnlyWhatTheAnswerCarries) {
  data.PbxConfig.fill(0xEE);
  Bytes shortAnswer(11, 1);
  shortAnswer[0] = 0;
  EXPECT_EQ(ConfigMsgDecode(data, shortAnswer.data(), 11, hooks), kResultAccepted);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(data.PbxConfig[i], 1) << i;
  for (int i = 10; i < 16; ++i) EXPECT_EQ(data.PbxConfig[i], 0xEE) << i;

  Bytes longAnswer(30, 2);
  longAnswer[0] = 0;
  EXPECT_EQ(ConfigMsgDecode(data, longAnswer.data(), 30, hooks), kResultAccepted);
  for (auto b : data.PbxConfig) EXPECT_EQ(b, 2);

  const Bytes statusOnly{0};
  hooks.cacheEmptied = 0;
  EXPECT_EQ(ConfigMsgDecode(data, statusOnly.data(), 1, hooks), kResultAccepted);
  EXPECT_EQ(hooks.cacheEmptied, 0);
}

TEST_F(Codecs, ErrorStatusLeavesTheStoreAndTheHooksAlone) {
  data.PbxConfig.fill(4);
  data.PbxInfo.fill(4);
  data.LineCount = 1;
  data.setLineNumber(0, "10");
  const Bytes error{7, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  const int n = len(error);
  EXPECT_EQ(ConfigMsgDecode(data, error.data(), n, hooks), 7);
  EXPECT_EQ(InfoMsgDecode(data, error.data(), n, hooks), 7);
  EXPECT_EQ(QueueMsgDecode(data, error.data(), n, hooks), 7);
  EXPECT_EQ(ClipMsgDecode(data, error.data(), n, hooks), 7);
  EXPECT_EQ(LineListMsgDecode(data, error.data(), n, hooks), 0);
  for (auto b : data.PbxConfig) EXPECT_EQ(b, 4);
  for (auto b : data.PbxInfo) EXPECT_EQ(b, 4);
  EXPECT_EQ(data.LineCount, 1);
  EXPECT_STREQ(data.LineTable[0].Number, "10");
  EXPECT_TRUE(hooks.calls.empty());
  EXPECT_EQ(hooks.cacheEmptied, 0);
}

TEST_F(Codecs, InfoMsgCompatibilityCheck) {
  const struct {
    std::uint8_t byte4, byte5;
    int result;
  } cases[] = {
      {0, 0, kResultNotAccepted},  // no configuration stored yet
      {1, 0, kResultAccepted},    {1, 2, kResultWithReservation},
      {2, 0, kResultNotAccepted}, {0, 2, kResultNotAccepted},
  };
  const Bytes answer{0, 0x12, 0x05, 3, 4, 5, 6, 7};
  for (const auto& c : cases) {
    data.PbxConfig[4] = c.byte4;
    data.PbxConfig[5] = c.byte5;
    EXPECT_EQ(InfoMsgDecode(data, answer.data(), len(answer), hooks), c.result)
        << int(c.byte4) << "," << int(c.byte5);
  }
}

TEST_F(Codecs, InfoMsgKeepsTheRecordAndFeedsTheBridge) {
  const Bytes answer{0, 0x12, 0x05, 3, 4, 5, 6, 7, 8, 9};
  InfoMsgDecode(data, answer.data(), len(answer), hooks);
  EXPECT_EQ(Bytes(data.PbxInfo.begin(), data.PbxInfo.end()), (Bytes{0x12, 0x05, 3, 4, 5, 6, 7}));
  EXPECT_EQ(hooks.info, (Bytes{0x12, 0x05, 3, 4, 5, 6, 7}));
  EXPECT_EQ(hooks.cacheEmptied, 1);
  InfoMsgDecode(data, answer.data(), len(answer), hooks);
  EXPECT_EQ(hooks.cacheEmptied, 1);

  const Bytes shorter{0, 0x13};
  InfoMsgDecode(data, shorter.data(), 2, hooks);
  EXPECT_EQ(Bytes(data.PbxInfo.begin(), data.PbxInfo.end()), (Bytes{0x13, 0x05, 3, 4, 5, 6, 7}));
  EXPECT_EQ(hooks.cacheEmptied, 2);

  hooks.active = false;
  hooks.calls.clear();
  InfoMsgDecode(data, answer.data(), len(answer), hooks);
  EXPECT_TRUE(hooks.calls.empty());
}

TEST_F(Codecs, QueueMsgHandsTheDataToAnActiveBridge) {
  data.PbxInfo[2] = 4;
  const Bytes answer{0, 9, 8, 7};
  EXPECT_EQ(QueueMsgDecode(data, answer.data(), 4, hooks), 0);
  EXPECT_EQ(hooks.frontOffset, 4);
  EXPECT_EQ(hooks.front, (Bytes{9, 8, 7}));
  hooks.active = false;
  hooks.calls.clear();
  EXPECT_EQ(QueueMsgDecode(data, answer.data(), 4, hooks), 0);
  EXPECT_TRUE(hooks.calls.empty());
}

// A line-list answer: status 0, item 14, index 0, then 4 codes per line.
Bytes lineList(const std::vector<Bytes>& lines) {
  Bytes p{0, 14, 0};
  for (const auto& l : lines) p.insert(p.end(), l.begin(), l.end());
  return p;
}

TEST_F(Codecs, LineListMsgCountsWholeEntries) {
  const struct {
    int length;
    int count;
  } cases[] = {{3, 0}, {6, 0}, {7, 1}, {10, 1}, {11, 2}};
  const Bytes answer = lineList({{1, 0, 0, 0}, {2, 0, 0, 0}});
  for (const auto& c : cases) {
    data.LineCount = 9;
    EXPECT_EQ(LineListMsgDecode(data, answer.data(), c.length, hooks), 0);
    EXPECT_EQ(data.LineCount, c.count) << c.length;
    EXPECT_EQ(hooks.lineCount, c.count) << c.length;
  }
}

TEST_F(Codecs, LineListMsgReplacesNumbersButNotCounters) {
  data.LineCount = 5;
  data.LineTable[0] = TLineEntry{"99", 1, 2, 3, 0};
  data.LineTable[4] = TLineEntry{"44", 4, 4, 4, 0};
  const Bytes answer = lineList({{2, 10, 11, 0}, {1, 2, 3, 4}, {12, 0, 0, 0}});
  EXPECT_EQ(LineListMsgDecode(data, answer.data(), len(answer), hooks), 0);
  EXPECT_EQ(data.LineCount, 3);
  EXPECT_STREQ(data.LineTable[0].Number, "20*");
  EXPECT_STREQ(data.LineTable[1].Number, "1234");
  EXPECT_STREQ(data.LineTable[2].Number, "#");
  EXPECT_EQ(data.LineTable[0].SmsCount, 1);  // the counters stay with the position
  EXPECT_EQ(data.LineTable[0].FaxCount, 3);
  EXPECT_STREQ(data.LineTable[4].Number, "44");  // kept but no longer valid
  EXPECT_EQ(data.FindLine("44"), TData::kNotFound);
  EXPECT_EQ(hooks.lines, (Bytes{'2', '0', '*', 0, '1', '2', '3', '4', '#', 0, 0, 0}));
}

TEST_F(Codecs, LineListMsgKeepsOnly56Lines) {
  std::vector<Bytes> lines;
  for (int i = 0; i < 60; ++i) lines.push_back({static_cast<std::uint8_t>(1 + i % 9), 10, 0, 0});
  const Bytes answer = lineList(lines);
  EXPECT_EQ(LineListMsgDecode(data, answer.data(), len(answer), hooks), 0);
  EXPECT_EQ(data.LineCount, 56);
  EXPECT_EQ(hooks.lineCount, 56);
  EXPECT_STREQ(data.LineTable[55].Number, "20");  // 55 % 9 + 1 = 2
  EXPECT_EQ(build('M').size(), 3u + 4 * 56);
}

TEST_F(Codecs, ClipMsgFeedsTheCallerNumberAndTheKeptLineStates) {
  data.PbxInfo[2] = 10;
  const Bytes states{0, 22, 0, 8, 0, 0, 1, 3, 0, 0, 0, 9};  // two records and a stray byte
  LineStateMsgDecode(data, states.data(), len(states), clock);
  Bytes answer{0, 47, 250, 0, 0, 0, 0, 0, 0, 0, 0, '6', '0', '2', 0, 'x'};
  EXPECT_EQ(ClipMsgDecode(data, answer.data(), len(answer), hooks), 0);
  EXPECT_EQ(hooks.calls, (std::vector<std::string>{"clip", "states"}));
  EXPECT_EQ(hooks.clipLine, 260);  // not reduced modulo 256
  EXPECT_EQ(hooks.clipNumber, "602");
  EXPECT_EQ(hooks.stateCount, 2);
  EXPECT_EQ(hooks.states, (Bytes{8, 0, 0, 1, 3, 0, 0, 0}));

  // An answer that ends before byte 11 gives an empty number; nothing kept gives no records.
  data.LineStateLength = 0;
  answer.resize(5);
  EXPECT_EQ(ClipMsgDecode(data, answer.data(), len(answer), hooks), 0);
  EXPECT_EQ(hooks.clipNumber, "");
  EXPECT_EQ(hooks.stateCount, 0);

  hooks.active = false;
  hooks.calls.clear();
  EXPECT_EQ(ClipMsgDecode(data, answer.data(), len(answer), hooks), 0);
  EXPECT_TRUE(hooks.calls.empty());
}

TEST_F(Codecs, EmptyAnswersChangeNothing) {
  const std::uint8_t none = 0;
  data.PbxConfig[4] = 1;
  EXPECT_EQ(ConfigMsgDecode(data, &none, 0, hooks), 0);
  EXPECT_EQ(InfoMsgDecode(data, &none, 0, hooks), 0);
  EXPECT_EQ(QueueMsgDecode(data, &none, 0, hooks), 0);
  EXPECT_EQ(ClipMsgDecode(data, &none, 0, hooks), 0);
  data.LineCount = 2;
  EXPECT_EQ(LineListMsgDecode(data, &none, 0, hooks), 0);
  EXPECT_EQ(data.LineCount, 2);
  EXPECT_EQ(LineStateMsgDecode(data, &none, 0, clock), 0);
  EXPECT_EQ(data.LineStateMono, 0);
  EXPECT_TRUE(hooks.calls.empty());
  EXPECT_EQ(hooks.cacheEmptied, 0);
}

}  // namespace
}  // namespace norva
