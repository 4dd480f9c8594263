#include "xapi/xapi_bridge.h"

#include <gtest/gtest.h>

#include "support/fake_xapi_library.h"
#include "support/queued_poster.h"

namespace norva {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(TranslateNumber, FirstMatchingNameInFileOrderWins) {
  const std::vector<std::string> table = {"=1", "nope", "0=9", "00=8", "12=0012", "12=77",
                                          "A=", "*5=#"};
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"0042", "9042"},  // "0" is listed before "00"
      {"1234", "001234"},
      {"12", "0012"},
      {"A12", "12"},     // an empty value takes the prefix away
      {"a12", "a12"},    // case-sensitive
      {"*55", "#5"},
      {"5", "5"},        // neither the nameless entry nor the one without '=' matches
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(TranslateNumber(c.in, table), c.out) << c.in;
}

struct Recorder {
  std::vector<std::pair<std::string, std::string>> log;
  std::vector<std::pair<char, int>> queued;
  XapiAgentSide side() {
    return {[this](const std::string& tag, const std::string& t) { log.emplace_back(tag, t); },
            [this](char kind, int value) { queued.emplace_back(kind, value); }};
  }
};

TEST(XapiBridge, InactiveItIgnoresTheCommandMessageAndPassesNothing) {
  test::FakeXapiLibrary library;
  library.missing = {xapi::kPutAccLineName};  // the last one looked up
  test::QueuedPoster loop;
  Recorder r;
  XapiBridge bridge(r.side(), {}, &loop);
  bridge.Load(library);
  EXPECT_FALSE(bridge.active());
  EXPECT_EQ(r.log, (std::vector<std::pair<std::string, std::string>>{{"XAPI", "Error"}}));
  bridge.WindowMessage(xapi::kCommandMessage, 1);
  const std::uint8_t info[7] = {1, 2, 3, 4, 5, 6, 7};
  bridge.PutInfo(info);
  bridge.PutAccLine("x");
  std::uint8_t answer[11] = {0, 22, 0, 5, 0, 0, 1, 8, 0, 0, 1};
  bridge.LineStateHook(answer, 11, answer, 11);
  EXPECT_TRUE(library.commandsTaken.empty());
  EXPECT_TRUE(library.infos.empty() && library.accLines.empty() && library.states.empty());
  EXPECT_TRUE(r.queued.empty());
  EXPECT_EQ(answer[6], 1);  // not touched while inactive
  bridge.Unload();
  EXPECT_EQ(library.deinits, 0);
}

TEST(XapiBridge, ActiveItTakesOnlyItsOwnMessageNumber) {
  test::FakeXapiLibrary library;
  test::QueuedPoster loop;
  Recorder r;
  XapiBridge bridge(r.side(), {}, &loop);
  bridge.Load(library);
  ASSERT_TRUE(bridge.active());
  library.postOther(xapi::kCommandMessage + 1);
  ASSERT_TRUE(library.post(2, 9));
  EXPECT_EQ(loop.drain(), 2);
  EXPECT_EQ(library.commandsTaken.size(), 1u);
  EXPECT_EQ(r.queued, (std::vector<std::pair<char, int>>{{'#', 242}}));
  EXPECT_EQ(bridge.station(), 9);
}

TEST(XapiBridge, HookNeverReadsPastAShorterAnswer) {
  test::FakeXapiLibrary library;
  Recorder r;
  XapiBridge bridge(r.side(), {}, nullptr);
  bridge.Load(library);
  // Kept: three lines. New: one line and a torn second record.
  const Bytes kept = {0, 22, 0, 1, 0, 0, 0, 8, 0, 0, 0, 8, 0, 0, 0};
  Bytes answer = {0, 22, 0, 8, 0, 0, 1, 8, 0};
  bridge.LineStateHook(answer.data(), static_cast<int>(answer.size()), kept.data(),
                       static_cast<int>(kept.size()));
  EXPECT_EQ(r.queued, (std::vector<std::pair<char, int>>{{'Y', 0}}));
  ASSERT_EQ(library.states.size(), 1u);
  EXPECT_EQ(library.states[0], (Bytes{8, 0, 0, 1}));

  // An error answer, or none at all, passes nothing.
  Bytes refused = {2, 22, 0, 8, 0, 0, 1};
  bridge.LineStateHook(refused.data(), static_cast<int>(refused.size()), kept.data(),
                       static_cast<int>(kept.size()));
  bridge.LineStateHook(nullptr, 0, kept.data(), static_cast<int>(kept.size()));
  EXPECT_EQ(library.states.size(), 1u);
  EXPECT_EQ(r.queued.size(), 1u);
}

}  // namespace
}  // namespace norva
