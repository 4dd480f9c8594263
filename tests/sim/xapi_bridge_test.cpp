// The whole agent with the computer-telephony library (a fake in the test
// process) against a simulated PBX, in virtual time.
#include <gtest/gtest.h>

#include <algorithm>

#include "data/tdata.h"
#include "support/agent_fixture.h"
#include "support/fake_xapi_library.h"
#include "support/queued_poster.h"
#include "support/simulated_pbx.h"
#include "xapi/xapi_bridge.h"

namespace norva {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Station = sim::PbxModel::StationCommand;

const Bytes kLineStates{0, 22, 0}, kQueue{33};

class XapiSim : public ::testing::Test, public test::AgentFixture {
 protected:
  XapiSim() {
    libraries = &library;
    loop = &poster;
  }
  // The agent goes before the library it holds.
  ~XapiSim() override { agent.reset(); }
  void startAgent(const std::string& extraIni = "") {
    writeIni("[Set]\nLang=Eng\nUctFile=calls.txt\nXAPI=1\n" + extraIni);
    start({}, true);
  }
  int countLines(const std::string& line) const {
    const auto l = lines();
    return static_cast<int>(std::count(l.begin(), l.end(), line));
  }
  int countLinesStarting(const std::string& prefix) const {
    const auto l = lines();
    return static_cast<int>(
        std::count_if(l.begin(), l.end(), [&](const std::string& s) { return s.rfind(prefix, 0) == 0; }));
  }
  std::size_t countRequests(const Bytes& r) const {
    return static_cast<std::size_t>(std::count_if(
        pbx.received.begin(), pbx.received.end(), [&](const auto& e) { return e.request == r; }));
  }
  // Runs until the PBX has answered `n` line-state requests in all.
  void runUntilLineStateAnswers(std::size_t n) {
    for (int i = 0; i < 10000 && answeredLineStates() < n; ++i) scheduler.runFor(10);
    ASSERT_EQ(answeredLineStates(), n);
  }
  std::size_t answeredLineStates() const {
    // Answers come 20 ms after the request; count requests at least that old.
    return static_cast<std::size_t>(std::count_if(
        pbx.received.begin(), pbx.received.end(), [&](const auto& e) {
          return e.request == kLineStates && e.at + pbx.answerDelayMs <= scheduler.now();
        }));
  }
  // Posts from the library and lets the agent's loop take them.
  void command(int code, int station, const std::string& text = {}) {
    ASSERT_TRUE(library.post(code, station, text));
    poster.drain();
  }
  std::vector<Station> stationCommands() const {
    return {pbx.model.stationCommands().begin(), pbx.model.stationCommands().end()};
  }
  std::size_t queuedKeys() const {
    const auto& q = agent->requestQueue()->entries();
    return static_cast<std::size_t>(
        std::count_if(q.begin(), q.end(), [](const auto& e) { return e.kind() == '#'; }));
  }

  test::FakeXapiLibrary library;
  test::QueuedPoster poster;
  test::SimulatedPbx pbx{port, scheduler};
};

TEST_F(XapiSim, LoadsInitialisesAndFeedsTheLibraryFromTheStartAnswers) {
  pbx.model.setInfoByte(2, 0);
  pbx.model.setQueueData({1, 2, 3});
  startAgent();
  EXPECT_EQ(library.loads, (std::vector<std::string>{"libXAPISrvr.so"}));
  EXPECT_EQ(library.inits, 1);
  EXPECT_EQ(library.message, 33169u);
  const auto l = lines();
  const auto start = std::find(l.begin(), l.end(), "XAPI Start");
  ASSERT_NE(start, l.end());
  ASSERT_NE(start + 1, l.end());
  EXPECT_EQ(*(start + 1), "XAPI Init");

  scheduler.runFor(2000);
  ASSERT_EQ(library.infos.size(), 1u);
  EXPECT_EQ(library.infos[0], Bytes(pbx.model.info().begin(), pbx.model.info().end()));
  ASSERT_EQ(library.lines.size(), 1u);
  EXPECT_EQ(library.lines[0].first, 8);
  EXPECT_EQ(Bytes(library.lines[0].second.begin(), library.lines[0].second.begin() + 8),
            (Bytes{'2', '1', 0, 0, '2', '2', 0, 0}));
  // The line-state timer runs for the bridge alone, with the queue data beside it.
  EXPECT_TRUE(agent->periodicTimers().an->enabled());
  EXPECT_GE(countRequests(kLineStates), 2u);
  ASSERT_FALSE(library.fronts.empty());
  EXPECT_EQ(library.fronts[0], (std::pair<int, Bytes>{0, {1, 2, 3}}));
  // Not switched off for want of network clients.
  scheduler.runFor(30000);
  EXPECT_TRUE(agent->periodicTimers().an->enabled());

  pbx.model.addAccountingRecord("21 0044123456 00:01:12");
  scheduler.runFor(5000);
  EXPECT_EQ(library.accLines, (std::vector<std::string>{"21 0044123456 00:01:12"}));

  agent->FormDestroy();
  EXPECT_EQ(library.deinits, 1);
}

TEST_F(XapiSim, LineStateHookComparesWithTheKeptAnswerAndAsksForNewCallersOnce) {
  pbx.model.setInfoByte(2, 3);  // line offset: line 2 is caller index 255
  pbx.model.setLineState(2, {8, 0, 0, 1});  // ringing with a caller number already
  pbx.model.setLineState(4, {5, 7, 7, 1});  // the flag outside state 8 is cleared
  pbx.model.setCallerNumber(2, "0044123");
  pbx.model.setCallerNumber(6, "777");
  startAgent();

  // The first answer: nothing is compared, passed or asked.
  runUntilLineStateAnswers(1);
  scheduler.runFor(5);
  EXPECT_TRUE(library.states.empty());
  EXPECT_EQ(countRequests({0, 47, 255}), 0u);
  // It is kept as the PBX sent it.
  EXPECT_EQ(agent->data()->LineStateSnapshot[3 + 4 * 4 + 3], 1);

  // From the second on every answer is passed, with byte 3 cleared outside state 8.
  runUntilLineStateAnswers(2);
  scheduler.runFor(5);
  ASSERT_EQ(library.states.size(), 1u);
  ASSERT_EQ(library.states[0].size(), 8u * 4);
  EXPECT_EQ(Bytes(library.states[0].begin() + 16, library.states[0].begin() + 20),
            (Bytes{5, 7, 7, 0}));
  EXPECT_EQ(agent->data()->LineStateSnapshot[3 + 4 * 4 + 3], 0);
  // Line 2's flag was already up in the kept answer: not new.
  EXPECT_EQ(countRequests({0, 47, 255}), 0u);

  // Line 6 starts ringing with a caller number: one caller request, however
  // many answers follow.
  pbx.model.setLineState(6, {8, 0, 0, 1});
  runUntilLineStateAnswers(6);
  EXPECT_EQ(countRequests({0, 47, 3}), 1u);
  EXPECT_EQ(library.clips, (std::vector<std::pair<int, std::string>>{{6, "777"}}));
  EXPECT_GE(library.states.size(), 5u + 1u);  // each answer, and after the caller number

  // The flag goes down and up again: asked once more.
  pbx.model.setLineState(6, {8, 0, 0, 0});
  runUntilLineStateAnswers(8);
  pbx.model.setLineState(6, {8, 0, 0, 1});
  runUntilLineStateAnswers(10);
  EXPECT_EQ(countRequests({0, 47, 3}), 2u);
  // No kept record outside state 8 ever holds a flag.
  for (int i = 0; i < 8; ++i) {
    const std::uint8_t* r = agent->data()->LineStateSnapshot.data() + 3 + 4 * i;
    if (r[0] != 8) {
      EXPECT_EQ(r[3], 0) << "line " << i;
    }
  }
}

TEST_F(XapiSim, KeyCommandsBecomeStationCommandsWithTheirLogLines) {
  startAgent();
  scheduler.runFor(1000);
  const struct {
    int code;
    const char* log;
    Station sent;
  } cases[] = {
      {0, "XAPI Message SPEAKER (ON/OFF)", {18, 7, {0x53}}},
      {1, "XAPI Message MIC (ON/OFF)", {18, 7, {0x54}}},
      {2, "XAPI Message VOLUME UP", {18, 7, {0x5B}}},
      {3, "XAPI Message VOLUME DOWN", {18, 7, {0x5C}}},
      {0x105, "XAPI Message z FRONTy", {34, 7, {4}}},  // only the low byte counts
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.log);
    const std::size_t before = stationCommands().size();
    command(c.code, 0x307, std::string(1, '\x04'));  // the station's low byte
    EXPECT_EQ(countLines(c.log), 1);
    scheduler.runFor(1000);
    ASSERT_EQ(stationCommands().size(), before + 1);
    EXPECT_EQ(stationCommands().back(), c.sent);
  }
}

TEST_F(XapiSim, CommandsThatAreNotOursOrCarryNoNumberDoNothing) {
  startAgent();
  scheduler.runFor(1000);
  command(6, 1, "123");
  command(255, 1, "123");
  command(4, 1, "");
  command(4, 1, std::string("\0" "123", 4));  // empty up to its first NUL
  EXPECT_EQ(library.commandsTaken.size(), 4u);
  EXPECT_EQ(queuedKeys(), 0u);
  EXPECT_EQ(countLinesStarting("XAPI"), 2);  // Start and Init only
  scheduler.runFor(2000);
  EXPECT_TRUE(stationCommands().empty());
}

TEST_F(XapiSim, DialTranslatesWithTheFirstMatchingPrefixAndSendsEightDigitsAPiece) {
  startAgent("[Prefix]\n0=9\n00=8\n=5\n12=0012\n12=77\n");
  scheduler.runFor(1000);
  // "12" is listed twice: the first wins, and eleven digits go in two pieces.
  command(4, 3, "123456789");
  EXPECT_EQ(countLines("XAPI Message VOL 00123456789"), 1);
  scheduler.runFor(1000);
  ASSERT_EQ(stationCommands().size(), 2u);
  EXPECT_EQ(stationCommands()[0], (Station{18, 3, {10, 10, 1, 2, 3, 4, 5, 6}}));
  EXPECT_EQ(stationCommands()[1], (Station{18, 3, {7, 8, 9}}));

  // "0" comes before "00" in the file and wins; an entry without a name never matches.
  command(4, 3, "0042");
  EXPECT_EQ(countLines("XAPI Message VOL 9042"), 1);
  command(4, 3, "42");
  EXPECT_EQ(countLines("XAPI Message VOL 42"), 1);
}

TEST_F(XapiSim, PiecesAndStationAreReadFromTheCommandRecordWhenSent) {
  startAgent();
  scheduler.runFor(1000);
  agent->Zastavit1Click();  // hold the poll tick so both commands wait
  command(4, 1, "123456789");
  command(4, 2, "55");
  EXPECT_EQ(queuedKeys(), 3u);  // 1, 9 and 1 again: never merged
  agent->Zastavit1Click();
  scheduler.runFor(2000);
  // All three read the second command: station 2, "55" from position 0 and nothing from 8.
  ASSERT_EQ(stationCommands().size(), 3u);
  EXPECT_EQ(stationCommands()[0], (Station{18, 2, {5, 5}}));
  EXPECT_EQ(stationCommands()[1], (Station{18, 2, {}}));
  EXPECT_EQ(stationCommands()[2], (Station{18, 2, {5, 5}}));
}

TEST_F(XapiSim, ANumberLongerThanTheRecordIsDialledOnlyAsFarAsTheRecordHolds) {
  // 30 digits become 34 through the prefix; the record holds 30.
  startAgent("[Prefix]\n1=12345\n");
  scheduler.runFor(1000);
  const std::string given = "1" + std::string(29, '7');
  command(4, 1, given);
  EXPECT_EQ(countLines("XAPI Message VOL 12345" + std::string(29, '7')), 1);
  EXPECT_EQ(std::string(agent->xapiBridge()->commandRecord().text),
            "12345" + std::string(25, '7'));
  EXPECT_EQ(queuedKeys(), 4u);  // 1, 9, 17, 25; no piece from position 33
  scheduler.runFor(3000);
  ASSERT_EQ(stationCommands().size(), 4u);
  EXPECT_EQ(stationCommands()[3], (Station{18, 1, Bytes(6, 7)}));
}

TEST_F(XapiSim, ALibraryWithoutOneEntryPointIsNeverCalled) {
  for (const char* name : xapi::kEntryNames) {
    SCOPED_TRACE(name);
    test::FakeXapiLibrary partial;
    partial.missing = {name};
    test::AgentFixture f;
    f.libraries = &partial;
    f.loop = &poster;
    f.writeIni("[Set]\nLang=Eng\nXAPI=1\n");
    test::SimulatedPbx sim{f.port, f.scheduler};
    f.start({}, true);
    f.scheduler.runFor(5000);
    const auto l = f.lines();
    EXPECT_EQ(std::count(l.begin(), l.end(), "XAPI Error"), 1);
    EXPECT_EQ(std::count(l.begin(), l.end(), "XAPI Start"), 0);
    EXPECT_EQ(partial.inits, 0);
    EXPECT_TRUE(partial.infos.empty() && partial.lines.empty() && partial.states.empty());
    EXPECT_FALSE(f.agent->periodicTimers().an->enabled());
    f.agent->FormDestroy();
    EXPECT_EQ(partial.deinits, 0);
  }
}

TEST_F(XapiSim, ARefusedLineListStillStartsTheLineStatePollingButFeedsNoLines) {
  pbx.model.failRequests(0, 14, 7);
  startAgent();
  scheduler.runFor(3000);
  EXPECT_TRUE(agent->periodicTimers().an->enabled());
  EXPECT_GT(countRequests(kQueue), 0u);
  EXPECT_TRUE(library.lines.empty());
}

TEST_F(XapiSim, WithoutTheLibraryNoQueueDataIsEverAskedFor) {
  library.loadable = false;
  startAgent();
  scheduler.runFor(20000);
  EXPECT_EQ(countLines("XAPI Error"), 1);
  EXPECT_EQ(countRequests(kQueue), 0u);
  EXPECT_EQ(countRequests(kLineStates), 0u);
}

TEST_F(XapiSim, TheKeyOffLoadsNothing) {
  writeIni("[Set]\nLang=Eng\n");
  start({}, true);
  scheduler.runFor(3000);
  EXPECT_TRUE(library.loads.empty());
  EXPECT_EQ(countLinesStarting("XAPI"), 0);
  EXPECT_EQ(agent->xapiBridge(), nullptr);
}

TEST_F(XapiSim, APostStillWaitingAtTearDownIsDroppedUnhandled) {
  startAgent();
  scheduler.runFor(1000);
  ASSERT_TRUE(library.post(0, 1));
  library.postOther(33170);
  agent->FormDestroy();
  EXPECT_EQ(poster.drain(), 2);
  EXPECT_TRUE(library.commandsTaken.empty());
}

}  // namespace
}  // namespace norva
