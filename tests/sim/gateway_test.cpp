// Network clients through the whole agent, on fake connections, against a
// simulated PBX in virtual time.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "data/accounting.h"
#include "data/tdata.h"
#include "gateway/response_cache.h"
#include "i18n/text_ids.h"
#include "i18n/tnls.h"
#include "platform/timer.h"
#include "support/agent_fixture.h"
#include "support/simulated_pbx.h"

namespace norva {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::FakeConnection;

constexpr std::uint8_t kItem = 0x40;  // an item the model keeps for the clients

class Gateway : public ::testing::Test, public test::AgentFixture {
 protected:
  Gateway() {
    for (int i = 0; i < 8; ++i) {
      pbx.model.setItem(kItem, static_cast<std::uint8_t>(i), {static_cast<std::uint8_t>(100 + i)});
    }
  }
  // Starts and lets the start requests (C, I, V) go by. The first of two
  // equal keys counts, so setKeys override the defaults here.
  void startAgent(const std::string& setKeys = "", const std::string& logKeys = "",
                  bool service = false, int runMs = 1000) {
    writeIni("[Set]\n" + setKeys + "Lang=Eng\nReadUct=0\n\n[Log]\n" + logKeys + "TCP/IP_Out=1\n");
    start({}, service);
    scheduler.runFor(runMs);
  }
  static Bytes itemRead(int index) { return {0, kItem, static_cast<std::uint8_t>(index)}; }
  static Bytes itemAnswer(int index) {
    return {0, kItem, static_cast<std::uint8_t>(index), static_cast<std::uint8_t>(100 + index)};
  }
  std::vector<Bytes> requestsFrom(std::size_t first) const {
    std::vector<Bytes> out;
    for (std::size_t i = first; i < pbx.received.size(); ++i) out.push_back(pbx.received[i].request);
    return out;
  }
  bool runUntil(const std::function<bool()>& done, int limitMs = 5000) {
    for (int t = 0; t < limitMs && !done(); ++t) scheduler.runFor(1);
    return done();
  }
  std::string text(int n) { return agent->nls()->GetText(n); }
  int countLines(const std::string& line) {
    const auto l = lines();
    return static_cast<int>(std::count(l.begin(), l.end(), line));
  }
  bool logHasPrefix(const std::string& prefix) {
    const auto l = lines();
    return std::any_of(l.begin(), l.end(), [&](const std::string& s) { return s.rfind(prefix, 0) == 0; });
  }

  test::SimulatedPbx pbx{port, scheduler};
};

// --- the snapshots ---

struct SnapshotCase {
  const char* name;
  Bytes request;
  int logText;
  std::function<const Timer*(const Agent&)> timer;
  std::function<std::int64_t(const TData&)> stored;
  std::function<Bytes(const TData&)> snapshot;
};

class Snapshot : public Gateway, public ::testing::WithParamInterface<SnapshotCase> {};

TEST_P(Snapshot, IsServedWhileAtMost300MsOldAndOtherwiseTheRequestGoesOn) {
  const SnapshotCase& c = GetParam();
  startAgent();
  FakeConnection& client = tcpServer.connect();
  client.write(c.request);  // nothing stored yet: forwarded, and the timer starts
  EXPECT_TRUE(c.timer(*agent)->enabled());
  ASSERT_TRUE(runUntil([&] { return client.replies.size() == 1; }));

  // Wait for the timer's own poll to refresh the snapshot.
  const std::int64_t before = c.stored(*agent->data());
  ASSERT_TRUE(runUntil([&] { return c.stored(*agent->data()) != before; }));
  const std::size_t sent = pbx.received.size();
  clock.setTimeOfDay(3, 0, 0, 0);  // the wall clock set back by hours changes no age
  scheduler.runFor(200);
  const int shown = countLines(">IP:127.0.0.1:10 " + text(c.logText));
  client.write(c.request);
  ASSERT_EQ(client.replies.size(), 2u);
  EXPECT_EQ(client.replies[1], c.snapshot(*agent->data()));
  EXPECT_EQ(requestsFrom(sent), std::vector<Bytes>{}) << "answered without the PBX";
  EXPECT_EQ(countLines("<CCH " + text(c.logText)), 1);
  EXPECT_EQ(countLines(">IP:127.0.0.1:10 " + text(c.logText)), shown + 1);

  scheduler.runFor(200);  // 400 ms old now, the next own poll not yet due
  ASSERT_EQ(c.stored(*agent->data()), scheduler.now() - 400);
  client.write(c.request);
  ASSERT_TRUE(runUntil([&] { return client.replies.size() == 3; }));
  EXPECT_EQ(requestsFrom(sent).back(), c.request) << "a stale snapshot sends the request on";
}

INSTANTIATE_TEST_SUITE_P(
    Gateway, Snapshot,
    ::testing::Values(
        SnapshotCase{"LineStates", {0, 22, 0}, txt::kLineStateData,
                     [](const Agent& a) { return a.periodicTimers().an; },
                     [](const TData& d) { return d.LineStateMono; },
                     [](const TData& d) {
                       return Bytes(d.LineStateSnapshot.begin(),
                                    d.LineStateSnapshot.begin() + d.LineStateLength);
                     }},
        SnapshotCase{"Command14", {14}, txt::kSwData,
                     [](const Agent& a) { return a.periodicTimers().sw; },
                     [](const TData& d) { return d.SwMono; },
                     [](const TData& d) {
                       return Bytes(d.SwSnapshot.begin(), d.SwSnapshot.begin() + d.SwLength);
                     }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Gateway, ClientsAskingForLineStatesWhileAReadIsOnItsWayShareItsAnswer) {
  startAgent();
  FakeConnection& first = tcpServer.connect();
  FakeConnection& second = tcpServer.connect();
  FakeConnection& gone = tcpServer.connect();
  const std::size_t sent = pbx.received.size();
  first.write({0, 22, 0});  // nothing stored yet: goes to the PBX
  second.write({0, 22, 0});
  gone.write({0, 22, 0});
  gone.disconnect();
  ASSERT_TRUE(runUntil([&] { return first.replies.size() == 1; }));
  EXPECT_EQ(requestsFrom(sent), std::vector<Bytes>{Bytes({0, 22, 0})}) << "one read for all three";
  EXPECT_EQ(second.replies, first.replies);
  EXPECT_EQ(gone.replies.size(), 0u);

  // The agent's own poll of line states is queued or on its way: a client
  // with a stale snapshot waits for it rather than adding a request.
  pbx.answerDelayMs = 500;
  ASSERT_TRUE(runUntil([&] {
    return agent->pollState() == 1 && pbx.received.back().request == Bytes({0, 22, 0});
  }));
  const std::size_t before = pbx.received.size();
  scheduler.runFor(400);  // the snapshot is stale and the poll's answer not yet here
  second.write({0, 22, 1});
  ASSERT_EQ(second.replies.size(), 1u);
  ASSERT_TRUE(runUntil([&] { return second.replies.size() == 2; }, 1000));
  EXPECT_EQ(second.replies[1][1], 22);
  for (std::size_t i = before; i < pbx.received.size(); ++i) {
    EXPECT_NE(pbx.received[i].request, (Bytes{0, 22, 1})) << "no client read of its own";
  }
}

TEST_F(Gateway, TooShortRequestsAreNotTakenForLineStateRequests) {
  startAgent();
  FakeConnection& client = tcpServer.connect();
  client.write({5, 22});  // leaves 22 in the receive buffer's second byte
  client.write({0});
  EXPECT_FALSE(agent->periodicTimers().an->enabled());
  client.write({}, false);  // a read event with nothing to read
  EXPECT_EQ(client.replies.size(), 2u) << "00 for the accounting request, the cached 00 0E 00";
}

// --- accounting records ---

class Accounting : public Gateway {
 protected:
  void startWithRecords(int count, const std::string& setKeys = "SendUct=1\nReadUct=1\n") {
    for (int i = 0; i < count; ++i) pbx.model.addAccountingRecord("R" + std::to_string(i));
    startAgent(setKeys);
    ASSERT_TRUE(runUntil(
        [&] { return agent->accounting()->AccountingTotal() == static_cast<unsigned>(count); },
        count * 1200 + 2000));
  }
  std::vector<std::string> ask(FakeConnection& c, const std::vector<std::uint8_t>& commands) {
    std::vector<std::string> out;
    for (std::uint8_t command : commands) {
      const std::size_t before = c.replies.size();
      c.write({command});
      EXPECT_EQ(c.replies.size(), before + 1) << "answered at once";
      const Bytes& r = c.replies.back();
      EXPECT_EQ(r.at(0), 0);
      out.emplace_back(r.begin() + 1, r.end());
    }
    return out;
  }
};

TEST_F(Accounting, EachClientReadsAtItsOwnPaceWithNextAndAgain) {
  startWithRecords(5);
  FakeConnection& a = tcpServer.connect();
  EXPECT_EQ(ask(a, {4, 5, 4, 4, 4, 4, 4, 5}),
            (std::vector<std::string>{"R0", "R0", "R1", "R2", "R3", "R4", "", "R4"}));
  FakeConnection& b = tcpServer.connect();
  EXPECT_EQ(ask(b, {5, 4}), (std::vector<std::string>{"R0", "R1"}))
      << "a new client starts at the oldest record, even with 'again'";
  EXPECT_TRUE(logHasPrefix(">IP:127.0.0.1:11 R1"));
}

TEST_F(Accounting, AClientThatFellBehindSkipsToTheOldestRecordHeld) {
  startWithRecords(1);
  FakeConnection& a = tcpServer.connect();
  EXPECT_EQ(ask(a, {4}), std::vector<std::string>{"R0"});
  for (int i = 1; i <= 210; ++i) pbx.model.addAccountingRecord("R" + std::to_string(i));
  ASSERT_TRUE(runUntil([&] { return agent->accounting()->AccountingTotal() == 211u; }, 260000));
  ASSERT_EQ(agent->accounting()->AccountingDropped(), 10u);
  EXPECT_EQ(ask(a, {4, 4}), (std::vector<std::string>{"R10", "R11"}));
}

TEST_F(Accounting, SendUctOffAnswersNothingAndReadUctOffForwards) {
  startWithRecords(2, "SendUct=0\nReadUct=1\n");
  FakeConnection& a = tcpServer.connect();
  EXPECT_EQ(ask(a, {4, 5}), (std::vector<std::string>{"", ""}));
  tcpServer.close();
  agent.reset();

  for (int i = 0; i < 2; ++i) pbx.model.addAccountingRecord("P" + std::to_string(i));
  startAgent("SendUct=1\nReadUct=0\n");
  FakeConnection& b = tcpServer.connect();
  const std::size_t sent = pbx.received.size();
  b.write({4});
  ASSERT_TRUE(runUntil([&] { return b.replies.size() == 1; }));
  EXPECT_EQ(requestsFrom(sent), std::vector<Bytes>{Bytes{4}});
  EXPECT_EQ(b.replies[0], (Bytes{0, 'P', '0'})) << "the PBX's own answer";
}

// --- forwarding and the way back ---

TEST_F(Gateway, TwoClientsAtOnceEachGetTheirOwnAnswer) {
  startAgent();
  FakeConnection& a = tcpServer.connect();
  FakeConnection& b = tcpServer.connect();
  const std::size_t sent = pbx.received.size();
  a.write(itemRead(1));  // the cycle is idle: sent at once
  EXPECT_EQ(agent->pollState(), 20);
  b.write(itemRead(2));  // busy: queued
  EXPECT_EQ(agent->requestQueue()->size(), 1u);
  ASSERT_TRUE(runUntil([&] { return a.replies.size() == 1 && b.replies.size() == 1; }));
  EXPECT_EQ(a.replies[0], itemAnswer(1));
  EXPECT_EQ(b.replies[0], itemAnswer(2));
  EXPECT_EQ(requestsFrom(sent), (std::vector<Bytes>{itemRead(1), itemRead(2)}));
  EXPECT_TRUE(logHasPrefix("<IP:127.0.0.1:10 "));
  EXPECT_TRUE(logHasPrefix(">IP:127.0.0.1:11 "));
}

TEST_F(Gateway, OnlyTheNewestOfTwoQueuedRequestsOfOneClientIsSent) {
  startAgent();
  FakeConnection& a = tcpServer.connect();
  FakeConnection& b = tcpServer.connect();
  const std::size_t sent = pbx.received.size();
  a.write(itemRead(1));
  b.write(itemRead(2));
  b.write(itemRead(3));
  ASSERT_TRUE(runUntil([&] { return b.replies.size() == 1; }));
  scheduler.runFor(1000);
  EXPECT_EQ(requestsFrom(sent), (std::vector<Bytes>{itemRead(1), itemRead(3)}));
  EXPECT_EQ(b.replies, std::vector<Bytes>{itemAnswer(3)});
}

TEST_F(Gateway, AnAnswerForADepartedClientIsDroppedButStillCached) {
  startAgent();
  FakeConnection& a = tcpServer.connect();
  a.write(itemRead(1));
  a.disconnect();
  const std::size_t logged = lines().size();
  ASSERT_TRUE(runUntil([&] { return agent->pollState() == 0; }));
  EXPECT_EQ(a.replies.size(), 0u);
  EXPECT_EQ(lines().size(), logged) << "nothing logged for the dropped answer";

  FakeConnection& b = tcpServer.connect();
  const std::size_t sent = pbx.received.size();
  b.write(itemRead(1));
  EXPECT_EQ(b.replies, std::vector<Bytes>{itemAnswer(1)});
  EXPECT_EQ(requestsFrom(sent), std::vector<Bytes>{}) << "the departed client's answer serves";
}

TEST_F(Gateway, AClientThatGetsADepartedClientsSocketNumberReceivesNoneOfItsAnswers) {
  startAgent("MaxCache=0\n");
  FakeConnection& a = tcpServer.connect();
  FakeConnection& busy = tcpServer.connect();
  busy.write(itemRead(5));  // keeps the cycle busy so that a's request waits
  a.write(itemRead(1));
  a.disconnect();
  FakeConnection& b = tcpServer.connect();
  ASSERT_EQ(b.socketNumber(), a.socketNumber()) << "the system hands out the lowest number";
  scheduler.runFor(2000);
  EXPECT_EQ(b.replies.size(), 0u);
  b.write(itemRead(2));
  ASSERT_TRUE(runUntil([&] { return b.replies.size() == 1; }));
  EXPECT_EQ(b.replies[0], itemAnswer(2));
}

TEST_F(Gateway, TheAgentsOwnLineListPollAnswersAClientFromTheCache) {
  startAgent("", "Com_In=1\n");
  FakeConnection& client = tcpServer.connect();
  const std::size_t sent = pbx.received.size();
  client.write({0, 14, 0});
  client.write({0, 14});  // only the asker's bytes are compared
  ASSERT_EQ(client.replies.size(), 2u);
  EXPECT_EQ(client.replies[0], client.replies[1]);
  EXPECT_EQ(client.replies[0].size(), 3u + 8 * 4) << "eight lines";
  EXPECT_EQ(requestsFrom(sent), std::vector<Bytes>{});
  EXPECT_TRUE(logHasPrefix("<CCH "));
}

TEST_F(Gateway, AForwardedWriteEmptiesTheCache) {
  startAgent();
  FakeConnection& client = tcpServer.connect();
  client.write({1, kItem, 7, 42});
  ASSERT_TRUE(runUntil([&] { return client.replies.size() == 1; }));
  EXPECT_EQ(agent->responseCache()->CacheCount(), 0);
  const std::size_t sent = pbx.received.size();
  client.write({0, 14, 0});
  ASSERT_TRUE(runUntil([&] { return client.replies.size() == 2; }));
  EXPECT_EQ(requestsFrom(sent), std::vector<Bytes>{Bytes({0, 14, 0})});
}

TEST_F(Gateway, BytesBeyondFiveHundredAreTheNextRequestAtOnce) {
  startAgent();
  FakeConnection& client = tcpServer.connect();
  Bytes big(500, 0x30);
  big.resize(600, 0x31);
  client.write(big);  // one read event for all of it
  ASSERT_TRUE(runUntil([&] { return client.replies.size() == 2; }));
  const auto& r = pbx.received;
  ASSERT_GE(r.size(), 2u);
  EXPECT_EQ(r[r.size() - 2].request, Bytes(500, 0x30));
  EXPECT_EQ(r.back().request, Bytes(100, 0x31));
}

// --- the server ---

TEST_F(Gateway, SocketEventsShowInTheStatusBar) {
  startAgent();
  FakeConnection& c = tcpServer.connect("10.1.2.3");
  EXPECT_EQ(agent->log().status(), "OnClientConnect 10.1.2.3");
  c.disconnect();
  EXPECT_EQ(agent->log().status(), "OnClientDisconnect 10.1.2.3");
  EXPECT_EQ(tcpServer.port(), 1234);
}

TEST_F(Gateway, ABusyPortIsTriedAgainUntilTheServerListens) {
  tcpServer.refuseListen = true;
  startAgent("IPPort=4321\n", "", true, 0);
  EXPECT_EQ(tcpServer.port(), 4321);
  EXPECT_EQ(countLines("!Err " + text(txt::kTcpFailed)), 1);
  // The status bar's text goes to the system log; later steps overwrite the bar.
  const std::string status = text(txt::kTcpFailedStatus) + "Address already in use";
  EXPECT_EQ(std::count(systemLog.entries.begin(), systemLog.entries.end(), "E:" + status), 1);
  EXPECT_EQ(countLines("-OK- " + text(txt::kTcpListening)), 0);
  EXPECT_TRUE(agent->listenRetrying());

  scheduler.runFor(20000);
  EXPECT_EQ(countLines("!Err " + text(txt::kTcpFailed)), 1) << "one line, however many tries";
  const int tries = tcpServer.openCalls;
  EXPECT_GE(tries, 4);
  tcpServer.refuseListen = false;
  scheduler.runFor(Agent::kListenRetryMs);
  EXPECT_TRUE(tcpServer.active());
  EXPECT_FALSE(agent->listenRetrying());
  EXPECT_EQ(countLines("-OK- " + text(txt::kTcpListening)), 1);
  scheduler.runFor(20000);
  EXPECT_EQ(tcpServer.openCalls, tries + 1);
}

TEST_F(Gateway, AFailedAcceptPausesAcceptingBriefly) {
  startAgent();
  tcpServer.failAccept("Too many open files");
  EXPECT_EQ(agent->log().status(), "OnAcceptError Too many open files");
  scheduler.runFor(Agent::kAcceptPauseMs - 1);
  EXPECT_TRUE(tcpServer.acceptPaused);
  scheduler.runFor(1);
  EXPECT_FALSE(tcpServer.acceptPaused);
  tcpServer.connect().write(itemRead(1));
  ASSERT_TRUE(runUntil([&] { return tcpServer.connectionCount() == 1 && agent->pollState() == 0; }));
}

TEST_F(Gateway, AClientThatStopsReadingIsDroppedOnceItsBacklogIsFull) {
  startAgent();
  FakeConnection& slow = tcpServer.connect();
  FakeConnection& other = tcpServer.connect();
  slow.reading = false;
  int asked = 0;
  while (slow.open() && asked < 10000) {
    slow.write({0, 14, 0});  // answered from the cache, 35 bytes each
    ++asked;
  }
  EXPECT_FALSE(slow.open());
  EXPECT_EQ(asked, static_cast<int>(Agent::kMaxClientBacklog / 35 + 1));
  EXPECT_EQ(agent->log().status(), "OnClientOverflow 127.0.0.1");
  EXPECT_TRUE(other.open());
  other.write({0, 14, 0});
  EXPECT_EQ(other.replies.size(), 1u);
}

}  // namespace
}  // namespace norva
