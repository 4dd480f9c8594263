// The whole agent polling a simulated PBX in virtual time.
#include <gtest/gtest.h>

#include <algorithm>

#include "data/accounting.h"
#include "data/tdata.h"
#include "i18n/text_ids.h"
#include "i18n/tnls.h"
#include "platform/timer.h"
#include "support/agent_fixture.h"
#include "support/fake_mail_gateway.h"
#include "support/simulated_pbx.h"

namespace norva {
namespace {

using Bytes = std::vector<std::uint8_t>;

class PollCycle : public ::testing::Test, public test::AgentFixture {
 protected:
  PollCycle() {
    createMailGateway = [this] { return std::make_unique<test::FakeMailGateway>(mail); };
  }
  void startAgent(const std::string& extraIni = "", std::vector<std::string> params = {},
                  bool service = false) {
    writeIni("[Set]\nLang=Eng\nUctFile=calls.txt\n" + extraIni);
    start(std::move(params), service);
  }
  std::string text(int n) { return agent->nls()->GetText(n); }
  int countLines(const std::string& line) {
    const auto l = lines();
    return static_cast<int>(std::count(l.begin(), l.end(), line));
  }
  std::vector<Bytes> requests() const {
    std::vector<Bytes> out;
    for (const auto& e : pbx.received) out.push_back(e.request);
    return out;
  }
  std::size_t countRequests(const Bytes& r) const {
    const auto all = requests();
    return static_cast<std::size_t>(std::count(all.begin(), all.end(), r));
  }

  test::FakeMailGateway::Record mail;
  test::SimulatedPbx pbx{port, scheduler};
};

const Bytes kConfig{13}, kInfo{2}, kLineList{0, 14, 0}, kNextRecord{4}, kLastRecordAgain{5};

TEST_F(PollCycle, StartAsksForConfigurationInformationAndLinesInTurn) {
  startAgent();
  scheduler.runFor(1000);
  ASSERT_GE(pbx.received.size(), 3u);
  EXPECT_EQ(pbx.received[0].request, kConfig);
  EXPECT_EQ(pbx.received[0].sequence, 1);
  EXPECT_EQ(pbx.received[1].request, kInfo);
  EXPECT_EQ(pbx.received[1].sequence, 2);
  EXPECT_EQ(pbx.received[2].request, kLineList);
  EXPECT_EQ(pbx.received[2].sequence, 3);
  EXPECT_EQ(countLines("<COM " + text(txt::kConfigData)), 1);
  EXPECT_EQ(countLines("<COM " + text(txt::kInfoData) + " " + text(txt::kInfoAccepted)), 1);
  EXPECT_EQ(countLines("<COM " + text(txt::kLineListReceived)), 1);
  EXPECT_EQ(agent->data()->LineCount, 8);
  EXPECT_STREQ(agent->data()->LineTable[0].Number, "21");
  EXPECT_EQ(agent->pollState(), 0);
}

TEST_F(PollCycle, TimersStartOnlyAfterTheFirstGoodLineList) {
  pbx.model.failRequests(0, 14, 7);  // the line list is refused at first
  startAgent();
  scheduler.runFor(5000);
  const auto t = agent->periodicTimers();
  EXPECT_FALSE(t.ur->enabled() || t.msg->enabled() || t.sms->enabled() || t.an->enabled() ||
               t.sw->enabled());
  EXPECT_EQ(countLines("<COM " + text(txt::kLineListRefused) + "7"), 1);
  EXPECT_EQ(countRequests(kNextRecord), 0u);

  pbx.model.clearFailures();
  agent->SelectPort('2');  // queues 'C', 'I', 'V' again
  scheduler.runFor(1000);
  EXPECT_TRUE(t.ur->enabled() && t.msg->enabled() && t.sms->enabled());
  EXPECT_FALSE(t.an->enabled() || t.sw->enabled());  // nobody asks for them
  scheduler.runFor(60000);
  EXPECT_EQ(countRequests({0, 22, 0}), 0u);
  EXPECT_EQ(countRequests({14}), 0u);
  EXPECT_GT(countRequests({0, 1, 0}), 0u);  // the message slots are read
}

TEST_F(PollCycle, ASilentPbxIsDeclaredLostOnceThenRetriedAfterThePause) {
  // The accounting timer keeps a request waiting all the time.
  startAgent("[Timer]\nURInterval=100\nURIntervalBezDat=100\n");
  scheduler.runFor(1000);
  pbx.model.setSilent(true);
  const std::size_t first = pbx.received.size();
  // Six requests, each given up after 0.9 s.
  scheduler.runFor(6 * 1000 + 50);
  ASSERT_EQ(pbx.received.size(), first + 6);
  for (std::size_t i = first + 1; i < first + 6; ++i) {
    EXPECT_EQ(pbx.received[i].at - pbx.received[i - 1].at, 1000);  // 0.9 s wait, then the next tick
  }
  EXPECT_EQ(countLines("!Err " + text(txt::kLinkLost)), 1);
  EXPECT_EQ(mail.traps, (std::vector<int>{1}));
  EXPECT_EQ(agent->pollState(), 2);
  // The pause: 60 s without a request, then the start requests, after the
  // accounting request that waited meanwhile.
  scheduler.runFor(59000);
  EXPECT_EQ(pbx.received.size(), first + 6);
  scheduler.runFor(5000);
  const auto after = std::find_if(pbx.received.begin() + static_cast<std::ptrdiff_t>(first + 6),
                                  pbx.received.end(),
                                  [](const auto& e) { return e.request == kConfig; });
  ASSERT_LT(std::distance(after, pbx.received.end()), 100);
  ASSERT_GE(std::distance(after, pbx.received.end()), 2);
  EXPECT_EQ((after + 1)->request, kInfo);
  // Further failed rounds announce nothing.
  scheduler.runFor(3 * 66000);
  EXPECT_EQ(countLines("!Err " + text(txt::kLinkLost)), 1);
  EXPECT_EQ(mail.traps, (std::vector<int>{1}));

  // The PBX speaks again (during the next round): the first packet announces
  // the link once.
  scheduler.runFor(66000 - 2000 - 600);
  pbx.model.setSilent(false);
  scheduler.runFor(3000);
  EXPECT_EQ(countLines("-OK- " + text(txt::kLinkBack)), 1);
  EXPECT_EQ(mail.traps, (std::vector<int>{1, 2}));
  EXPECT_FALSE(agent->linkRestorePending());
  EXPECT_EQ(agent->data()->LineCount, 8);
}

TEST_F(PollCycle, AnyPacketAfterThePauseAnnouncesTheLinkEvenUnmatched) {
  startAgent("[Timer]\nURInterval=100\nURIntervalBezDat=100\n");
  scheduler.runFor(1000);
  pbx.model.setSilent(true);
  scheduler.runFor(6 * 1000 + 60500);  // lost, paused, retrying
  ASSERT_TRUE(agent->linkRestorePending());
  pbx.sendAnswer(200, {0});  // matches nothing
  EXPECT_EQ(countLines("-OK- " + text(txt::kLinkBack)), 1);
  pbx.sendAnswer(201, {0});
  EXPECT_EQ(countLines("-OK- " + text(txt::kLinkBack)), 1);
  EXPECT_EQ(mail.traps, (std::vector<int>{1, 2}));
}

TEST_F(PollCycle, ALateAnswerEndsTheCurrentWait) {
  pbx.model.setSilent(true);
  startAgent();
  scheduler.runFor(1150);  // 'C' timed out at 1000 ms, 'I' went at 1100 ms
  ASSERT_EQ(pbx.received.size(), 2u);
  EXPECT_EQ(agent->pollState(), 1);
  pbx.sendAnswer(pbx.received[0].sequence, {0, 0, 0, 0, 0, 1, 0});  // the late 'C' answer
  EXPECT_EQ(agent->pollState(), 0);
  EXPECT_EQ(agent->errorCount(), 1);  // answers never lower it
  scheduler.runFor(100);
  EXPECT_EQ(pbx.received.size(), 3u);  // the next request went at the next tick
  EXPECT_EQ(pbx.received[2].request, kLineList);
}

TEST_F(PollCycle, TheBusyByteEndsTheWaitAtTheNextTick) {
  pbx.model.setSilent(true);
  startAgent();
  scheduler.runFor(150);
  ASSERT_EQ(pbx.received.size(), 1u);
  pbx.sendRaw({0xE0});
  scheduler.runFor(100);
  EXPECT_EQ(agent->errorCount(), 1);
  EXPECT_EQ(agent->pollState(), 0);
}

TEST_F(PollCycle, AClientRequestTimesOutWithoutCountingAnError) {
  startAgent();
  scheduler.runFor(1000);
  pbx.model.setSilent(true);
  agent->Zastavit1Click();  // hold the timers' requests back
  const Bytes request{0, 60, 2};
  agent->QueueRequest('T', 42, request.data(), 3);
  agent->Zastavit1Click();
  scheduler.runFor(300);
  ASSERT_EQ(pbx.received.back().request, request);
  EXPECT_EQ(agent->pollState(), 20);
  scheduler.runFor(900);
  EXPECT_EQ(agent->errorCount(), 0);
  EXPECT_NE(agent->pollState(), 20);
}

TEST_F(PollCycle, AccountingRecordsReachTheFileAtTheirPace) {
  pbx.model.addAccountingRecord("21 0044123456 00:01:12");
  pbx.model.addAccountingRecord("22 0033987654 00:03:40");
  startAgent();
  scheduler.runFor(12000);
  std::vector<std::int64_t> times;
  for (const auto& e : pbx.received) {
    if (e.request == kNextRecord) times.push_back(e.at);
  }
  ASSERT_GE(times.size(), 4u);
  // A period after each answer, plus the wait for the next tick: 1 s while
  // records come, 3 s after the empty answer.
  EXPECT_EQ(times[1] - times[0], 1100);
  EXPECT_EQ(times[2] - times[1], 1100);
  EXPECT_EQ(times[3] - times[2], 3100);
  EXPECT_EQ(accountingFile.files["calls.txt"],
            "21 0044123456 00:01:12\r\n22 0033987654 00:03:40\r\n");
  EXPECT_EQ(agent->accounting()->AccountingTotal(), 2u);
  EXPECT_EQ(countLines("<COM 21 0044123456 00:01:12"), 1);
  EXPECT_GE(countLines("<COM " + text(txt::kNoAccountingRecord)), 1);
}

TEST_F(PollCycle, AFailedStoreIsRepeatedAndTheRecordLandsOnce) {
  pbx.model.addAccountingRecord("21 0044123456 00:01:12");
  accountingFile.failNext = 1;
  startAgent();
  scheduler.runFor(5000);
  EXPECT_EQ(countRequests(kLastRecordAgain), 1u);  // asked again after the failure
  EXPECT_EQ(accountingFile.files["calls.txt"], "21 0044123456 00:01:12\r\n");
  EXPECT_EQ(agent->accounting()->AccountingTotal(), 1u);
  EXPECT_FALSE(agent->data()->UctStoreFailed);
  EXPECT_EQ(countLines("<COM 21 0044123456 00:01:12"), 1);
}

TEST_F(PollCycle, ALostAccountingAnswerIsReadAgainAndItsRecordLandsOnce) {
  pbx.model.addAccountingRecord("21 0044123456 00:01:12");
  pbx.model.addAccountingRecord("22 0033987654 00:03:40");
  int dropped = 0;
  pbx.onAnswerFrame = [&](std::vector<std::uint8_t>&) {
    // The PBX handed out the first record, but its answer never arrives.
    if (pbx.received.back().request != kNextRecord || dropped > 0) return true;
    ++dropped;
    return false;
  };
  startAgent();
  scheduler.runFor(8000);
  ASSERT_EQ(dropped, 1);
  EXPECT_EQ(accountingFile.files["calls.txt"],
            "21 0044123456 00:01:12\r\n22 0033987654 00:03:40\r\n");
  EXPECT_EQ(countRequests(kLastRecordAgain), 1u);
}

TEST_F(PollCycle, ALostStartAnswerIsAskedForAgain) {
  bool dropped = false;
  pbx.onAnswerFrame = [&](std::vector<std::uint8_t>&) {
    if (dropped || pbx.received.back().request != kLineList) return true;
    dropped = true;
    return false;
  };
  startAgent();
  scheduler.runFor(3000);
  ASSERT_TRUE(dropped);
  EXPECT_EQ(countRequests(kLineList), 2u);
  EXPECT_EQ(agent->data()->LineCount, 8);
  EXPECT_TRUE(agent->periodicTimers().ur->enabled()) << "the timers start after all";
}

TEST_F(PollCycle, CounterRequestsGoOnlyWhenTheMailboxesChanged) {
  startAgent("[Timer]\nMSGInterval=1000\n");
  scheduler.runFor(5000);
  EXPECT_GT(mail.scans, 0);
  EXPECT_TRUE(pbx.model.counterWrites().empty());
  mail.changes = true;
  scheduler.runFor(1100);
  ASSERT_FALSE(pbx.model.counterWrites().empty());
  EXPECT_EQ(pbx.model.counterWrites().back().size(), 8u * 4);
  EXPECT_EQ(countLines("<602 " + text(txt::kMailboxChanges)), 1);
  EXPECT_EQ(countLines("<COM " + text(txt::kMailboxAccepted)), 1);
}

TEST_F(PollCycle, ACompatibilityQuestionStopsPollingUntilAnswered) {
  pbx.model.setConfigByte(5, 2);  // accepted with reservation
  startAgent();
  scheduler.runFor(300);
  EXPECT_FALSE(agent->pollTickOn());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].buttons, MessageButtons::YesNo);
  EXPECT_NE(ui.messages[0].text.find(Agent::versionText()), std::string::npos);
  EXPECT_NE(ui.messages[0].text.find("3.10"), std::string::npos);
  scheduler.runFor(5000);  // the loop goes on while the box waits
  EXPECT_EQ(pbx.received.size(), 2u);
  ui.messages[0].onAnswer(MessageResult::No);
  EXPECT_FALSE(agent->pollTickOn());
  ui.messages[0].onAnswer(MessageResult::Yes);
  EXPECT_TRUE(agent->pollTickOn());
  scheduler.runFor(200);
  EXPECT_EQ(pbx.received[2].request, kLineList);
}

TEST_F(PollCycle, AServiceCannotAskAndDecidesForItself) {
  pbx.model.setConfigByte(5, 2);
  startAgent("", {"/service"}, true);
  scheduler.runFor(1000);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(agent->pollTickOn());  // accepted with reservation: polling goes on
  EXPECT_EQ(agent->data()->LineCount, 8);

  pbx.model.setConfigByte(4, 0);  // not accepted at all
  agent->SelectPort('2');
  scheduler.runFor(1000);
  EXPECT_FALSE(agent->pollTickOn());
  EXPECT_EQ(countLines("<COM " + text(txt::kInfoData) + text(142)), 1);
}

TEST_F(PollCycle, TearDownTellsThePbxNoMessagesWait) {
  startAgent();
  scheduler.runFor(1000);
  const std::size_t before = pbx.received.size();
  agent->FormDestroy();
  ASSERT_EQ(pbx.received.size(), before + 1);
  Bytes expected{1, 17, 0};
  expected.resize(3 + 8 * 4, 0);
  EXPECT_EQ(pbx.received.back().request, expected);
  EXPECT_EQ(mail.deinitialized, 1);
  EXPECT_FALSE(port.isOpen());
}

TEST_F(PollCycle, SequenceNumbersWrapAfter255) {
  startAgent("[Timer]\nURInterval=100\nURIntervalBezDat=100\n");
  scheduler.runFor(40000);
  ASSERT_GT(pbx.received.size(), 300u);
  for (std::size_t i = 1; i < pbx.received.size(); ++i) {
    EXPECT_EQ(pbx.received[i].sequence, static_cast<std::uint8_t>(pbx.received[i - 1].sequence + 1));
  }
  EXPECT_EQ(pbx.received[254].sequence, 255);
  EXPECT_EQ(pbx.received[255].sequence, 0);
}

}  // namespace
}  // namespace norva
