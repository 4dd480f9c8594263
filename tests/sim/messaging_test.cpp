// The agent with its real mail wrapper over a scripted library, polling a
// simulated PBX in virtual time: slot messages, traps and mailbox counters.
#include <gtest/gtest.h>

#include <algorithm>

#include "i18n/text_ids.h"
#include "i18n/tnls.h"
#include "messaging/tmail602.h"
#include "support/agent_fixture.h"
#include "support/fake_mail_library.h"
#include "support/simulated_pbx.h"

namespace norva {
namespace {

using test::FakeMailLibrary;
using Bytes = std::vector<std::uint8_t>;

class Messaging : public ::testing::Test, public test::AgentFixture {
 protected:
  Messaging() {
    createMailGateway = [this] {
      auto library = std::make_unique<FakeMailLibrary>();
      lib = library.get();
      lib->initResult = initResult;
      return std::make_unique<TMail602>(std::move(library), "/tmp");
    };
  }
  void startAgent(const std::string& extra = "") {
    writeIni("[Set]\nLang=Eng\nReadUct=0\n[Trapy]\nAdresaPrijemce=ops@example.com\n"
             "TypAdresyPrijemce=Internet\nSubject=PBX\n" + extra);
    start({}, true);
  }
  int countLines(const std::string& line) {
    const auto l = lines();
    return static_cast<int>(std::count(l.begin(), l.end(), line));
  }
  std::string text(int n) { return agent->nls()->GetText(n); }
  std::size_t slotClears(std::uint8_t slot) {
    const auto& w = pbx.model.slotWrites();
    return static_cast<std::size_t>(std::count(w.begin(), w.end(), sim::PbxModel::SlotWrite{slot, 254}));
  }

  FakeMailLibrary* lib = nullptr;
  std::int32_t initResult = 0;
  test::SimulatedPbx pbx{port, scheduler};
};

TEST_F(Messaging, AMessageInASlotIsHandedOnAndTheSlotCleared) {
  startAgent();
  EXPECT_EQ(countLines("-OK- " + text(txt::kMailStarted)), 1);
  pbx.model.putMessage(1, 'I', "jan@example.com", "Hello", "Call me back");
  scheduler.runFor(1000 + 2 * 5000 + 500);  // slots 0 and 1 read
  ASSERT_EQ(lib->sent.size(), 1u);
  EXPECT_EQ(lib->sent[0].recipient, "jan@example.com");
  EXPECT_EQ(lib->sent[0].subject, "Hello");
  EXPECT_EQ(lib->sent[0].text, "Call me back");
  EXPECT_EQ(lib->sent[0].flag, 49);
  EXPECT_EQ(slotClears(1), 1u);
  EXPECT_EQ(pbx.model.slot(1).type, 0);
  EXPECT_EQ(countLines(">602 Mail: Hello to jan@example.com"), 1);
  // The clear is not filed: polling goes straight on.
  scheduler.runFor(4 * 5000);
  EXPECT_EQ(lib->sent.size(), 1u);
}

TEST_F(Messaging, AMessageTheLibraryRefusesIsOfferedAgainAtTheSlotsNextRead) {
  startAgent();
  scheduler.runFor(1000);
  lib->sendResult = 3;
  pbx.model.putMessage(0, 'Q', "777111222", "S", "B");
  scheduler.runFor(5000 + 500);
  ASSERT_EQ(lib->sent.size(), 1u);
  EXPECT_EQ(slotClears(0), 0u);
  EXPECT_EQ(pbx.model.slot(0).type, 'Q');
  lib->sendResult = 0;
  scheduler.runFor(4 * 5000);
  EXPECT_EQ(lib->sent.size(), 2u);
  EXPECT_EQ(slotClears(0), 1u);
  EXPECT_EQ(pbx.model.slot(0).type, 0);
}

TEST_F(Messaging, LinkLossAndReturnSendTheirTraps) {
  // Slot reads every 0.5 s keep a request waiting to time out.
  startAgent("ZpravaComOn=link back\nZpravaComOff=link lost\n[Timer]\nTrapInterval=500\n");
  scheduler.runFor(1000);
  pbx.model.setSilent(true);
  scheduler.runFor(8000);
  ASSERT_EQ(lib->sent.size(), 1u);
  EXPECT_EQ(lib->sent[0].text, "link lost");
  EXPECT_EQ(lib->sent[0].type, 'I');
  EXPECT_EQ(lib->sent[0].flag, 1);
  EXPECT_EQ(countLines("Mail ops@example.com > link lost"), 1);
  pbx.model.setSilent(false);
  scheduler.runFor(62000);
  ASSERT_EQ(lib->sent.size(), 2u);
  EXPECT_EQ(lib->sent[1].text, "link back");
  EXPECT_EQ(countLines("Mail ops@example.com > link back"), 1);
}

TEST_F(Messaging, MailboxCountersReachThePbxWhenTheMailboxesChange) {
  startAgent();
  lib->scans.push_back({1, 0, {{"Novak", "22", 0, {{'F', 2, {{1}, {2}}}, {'H', 1, {{3}}}}}}});
  scheduler.runFor(1000 + 11000 + 500);
  ASSERT_EQ(pbx.model.counterWrites().size(), 1u);
  // Four bytes a line: sms, voice, fax, spare; line 22 is the second.
  const Bytes& c = pbx.model.counterWrites()[0];
  ASSERT_GE(c.size(), 8u);
  EXPECT_EQ(Bytes(c.begin() + 4, c.begin() + 8), (Bytes{0, 1, 2, 0}));
  // No changes: no request.
  scheduler.runFor(11000);
  EXPECT_EQ(pbx.model.counterWrites().size(), 1u);
  lib->scans.push_back({1, 0, {{"Novak", "22", 0, {{'F', 0, {{2, true}}}}}}});
  scheduler.runFor(11000);
  ASSERT_EQ(pbx.model.counterWrites().size(), 2u);
  EXPECT_EQ(pbx.model.counterWrites()[1][6], 1);
}

TEST_F(Messaging, AFailedStartLeavesMessagingOff) {
  initResult = 9;
  startAgent("ZpravaComOff=link lost\n");
  EXPECT_EQ(countLines("!Err " + text(txt::kMailFailed)), 1);
  pbx.model.putMessage(0, 'I', "a@b", "s", "b");
  scheduler.runFor(30000);
  EXPECT_EQ(std::count(lib->calls.begin(), lib->calls.end(), "RychlyTestZmenVeSchrankach"), 0);
  EXPECT_TRUE(lib->sent.empty());
  EXPECT_EQ(pbx.model.slot(0).type, 'I');
  pbx.model.setSilent(true);
  scheduler.runFor(10000);
  EXPECT_TRUE(lib->sent.empty());
  EXPECT_EQ(systemLog.entries.back(), "E:" + text(txt::kMailFailed));
}

}  // namespace
}  // namespace norva
