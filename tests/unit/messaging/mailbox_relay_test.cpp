// The mailbox change relay against a scripted library: what each scan does
// to the message counters of the lines.
#include <gtest/gtest.h>

#include "core/profile_file.h"
#include "data/tdata.h"
#include "messaging/tmail602.h"
#include "support/fake_mail_library.h"
#include "support/recording_mail_host.h"
#include "support/temp_dir.h"

namespace norva {
namespace {

using test::FakeMailLibrary;
using Box = FakeMailLibrary::Box;
using Group = FakeMailLibrary::Group;
using Scan = FakeMailLibrary::Scan;

struct Counts {
  int sms, fax, voice;
  bool operator==(const Counts&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Counts& c) {
  return os << "sms " << c.sms << " fax " << c.fax << " voice " << c.voice;
}

class Relay : public ::testing::Test {
 protected:
  Relay() {
    auto library = std::make_unique<FakeMailLibrary>();
    lib = library.get();
    mail = std::make_unique<TMail602>(std::move(library), "/tmp");
    mail->Attach(host);
    dir.write("NAgent.INI", "");
    mail->ReadSettings(ProfileFile(dir.file("NAgent.INI")));
    mail->Initialize();
    data.setLineNumber(0, "21");
    data.setLineNumber(1, "22");
    data.LineCount = 2;
    host.fileTexts.clear();
  }
  Counts of(const std::string& number) const {
    const TLineEntry& e = data.LineTable[data.FindLine(number)];
    return {e.SmsCount, e.FaxCount, e.VoiceCount};
  }
  // A full read of one mailbox of line 21 with 2 faxes (ids 1, 2), a voice
  // message (3) and three e-mails (4 to 6).
  void fullReadOfLine21() {
    lib->scans.push_back({1, 0,
                          {{"Novak", "21", 0,
                            {{'F', 2, {{1}, {2}}}, {'H', 1, {{3}}}, {'E', 3, {{4}, {5}, {6}}}}}}});
    ASSERT_TRUE(mail->ScanMailboxes(data));
  }

  test::TempDir dir;
  test::RecordingMailHost host;
  FakeMailLibrary* lib;
  std::unique_ptr<TMail602> mail;
  TData data;
};

TEST_F(Relay, TheFirstScanReadsEverythingAndSetsTheCounters) {
  data.SetCounters("22", 9, 9, 9, 0);  // left from before: a full read starts from zero
  fullReadOfLine21();
  EXPECT_EQ(of("21"), (Counts{3, 2, 1}));
  EXPECT_EQ(of("22"), (Counts{0, 0, 0}));
  // No quick test before a full read; the list is confirmed as delivered.
  EXPECT_EQ(lib->calls, (std::vector<std::string>{"SetDebugLevel", "InicializaceZ4Komunikace",
                                                  "NactiZmenyVeSchrankach",
                                                  "PotvrdPreneseniZmenVeSchrankach"}));
  EXPECT_EQ(lib->modes, (std::vector<std::int32_t>{1}));
  EXPECT_EQ(lib->outstandingLists, 0);
  EXPECT_FALSE(mail->FullReadPending);
  EXPECT_EQ(host.fileTexts, (std::vector<int>{300, 301, 399}));
  EXPECT_TRUE(host.lines.empty());
}

TEST_F(Relay, ChangeScansAddNewMessagesAndSubtractGoneOnesByTheirCountedType) {
  fullReadOfLine21();
  struct Step {
    const char* what;
    std::vector<Group> groups;
    Counts after;
  };
  const Step steps[] = {
      // A new fax and a gone one that was counted as a fax: no change.
      {"one new fax, one gone fax", {{'F', 1, {{10}, {1, true}}}}, {3, 2, 1}},
      // The library files a gone message under another letter: the counted one wins.
      {"gone voice reported as e-mail", {{'E', 0, {{3, true}}}}, {3, 2, 0}},
      {"never counted, gone", {{'F', 0, {{77, true}}}}, {3, 2, 0}},
      {"already subtracted, gone again", {{'H', 0, {{3, true}}}}, {3, 2, 0}},
      {"two new voice", {{'H', 2, {{11}, {12}}}}, {3, 2, 2}},
      {"other letters count as sms", {{'Q', 1, {{13}}}, {'X', 1, {{14}}}}, {5, 2, 2}},
  };
  for (const Step& s : steps) {
    lib->scans.push_back({1, 0, {{"Novak", "21", 0, s.groups}}});
    ASSERT_TRUE(mail->ScanMailboxes(data)) << s.what;
    EXPECT_EQ(of("21"), s.after) << s.what;
    EXPECT_EQ(lib->modes.back(), 3) << s.what;
  }
  // Below zero the counter wraps as a byte, as the PBX is sent it.
  lib->scans.push_back({1, 0, {{"Novak", "22", 0, {{'F', 0, {{1, true}}}}}}});
  // (id 1 was subtracted above already, so line 22 stays)
  ASSERT_TRUE(mail->ScanMailboxes(data));
  EXPECT_EQ(of("22"), (Counts{0, 0, 0}));
  lib->scans.push_back({1, 0, {{"Novak", "22", 0, {{'F', 0, {{2, true}}}}}}});
  ASSERT_TRUE(mail->ScanMailboxes(data));
  EXPECT_EQ(of("22"), (Counts{0, 255, 0}));
}

TEST_F(Relay, NothingIsScannedWhenTheQuickTestSeesNoChange) {
  fullReadOfLine21();
  lib->calls.clear();
  EXPECT_FALSE(mail->ScanMailboxes(data));  // no scan scripted: the quick test says 0
  EXPECT_EQ(lib->calls, (std::vector<std::string>{"RychlyTestZmenVeSchrankach"}));
  EXPECT_EQ(of("21"), (Counts{3, 2, 1}));
}

TEST_F(Relay, TwoMailboxesOfOneNumberInAFullReadLeaveTheSecondsCounts) {
  lib->scans.push_back({1, 0,
                        {{"first", "21", 0, {{'F', 4, {}}}},
                         {"second", "21", 0, {{'H', 1, {}}}},
                         {"nobody's", "99", 0, {{'E', 5, {}}}}}});
  ASSERT_TRUE(mail->ScanMailboxes(data));
  EXPECT_EQ(of("21"), (Counts{0, 0, 1}));
  EXPECT_EQ(of("22"), (Counts{0, 0, 0}));
}

TEST_F(Relay, AMailboxThatMustBeReadWholeIsReadAloneAndItsCountsSet) {
  fullReadOfLine21();
  host.switches.extent = true;
  lib->calls.clear();
  lib->modes.clear();
  Box whole{"Novak", "21", agentz4::kCodeReadWhole, {}, {{'F', 1, {{1}}}, {'E', 2, {{4}, {5}}}}};
  Box changed{"Svoboda", "22", 0, {{'H', 1, {{20}}}}};
  lib->scans.push_back({1, 0, {whole, changed}});
  ASSERT_TRUE(mail->ScanMailboxes(data));
  EXPECT_EQ(of("21"), (Counts{2, 1, 0}));  // set, not added
  EXPECT_EQ(of("22"), (Counts{0, 0, 1}));  // the block's mode is back to changes
  EXPECT_EQ(lib->modes, (std::vector<std::int32_t>{3, 1}));
  EXPECT_EQ(lib->calls, (std::vector<std::string>{
                            "RychlyTestZmenVeSchrankach", "NactiZmenyVeSchrankach",
                            "NactiZmenyVeSchrance", "PotvrdPreneseniZmenVeSchrance",
                            "PotvrdPreneseniZmenVeSchrankach"}));
  EXPECT_EQ(lib->outstandingWhole, 0);
  EXPECT_EQ(host.lines, (std::vector<std::string>{"!Err [300]", "Name:Novak Tel:21 sms:2,fax:1,hlas:0",
                                                  "Name:Svoboda Tel:22 sms:0,fax:0,hlas:1"}));
}

TEST_F(Relay, AMailboxThatCannotBeReadIsLoggedAndSkipped) {
  fullReadOfLine21();
  Box broken{"Novak", "21", agentz4::kCodeReadWhole, {}, {}};
  broken.wholeResult = 42;
  Box changed{"Svoboda", "22", 0, {{'F', 1, {{30}}}}};
  lib->scans.push_back({1, 0, {broken, changed}});
  ASSERT_TRUE(mail->ScanMailboxes(data));
  EXPECT_EQ(host.lines, (std::vector<std::string>{"!Err [301]42"}));
  EXPECT_EQ(of("21"), (Counts{3, 2, 1}));
  EXPECT_EQ(of("22"), (Counts{0, 1, 0}));
  EXPECT_FALSE(mail->FullReadPending);
}

TEST_F(Relay, AFailedListReadIsLoggedAndForcesAFullReadNextTime) {
  fullReadOfLine21();
  lib->scans.push_back({1, 2003, {}});
  EXPECT_TRUE(mail->ScanMailboxes(data));  // the request still goes, counters as they stand
  EXPECT_EQ(host.lines, (std::vector<std::string>{"!Err [399]2003"}));
  EXPECT_TRUE(mail->FullReadPending);
  EXPECT_EQ(of("21"), (Counts{3, 2, 1}));
  EXPECT_EQ(lib->calls.back(), "NactiZmenyVeSchrankach");  // nothing to confirm

  // The full read comes without asking the quick test, and counts afresh.
  lib->calls.clear();
  lib->scans.push_back({0, 0, {{"Novak", "21", 0, {{'F', 1, {{1}}}}}}});
  EXPECT_TRUE(mail->ScanMailboxes(data));
  EXPECT_EQ(lib->calls.front(), "NactiZmenyVeSchrankach");
  EXPECT_EQ(lib->modes.back(), 1);
  EXPECT_EQ(of("21"), (Counts{0, 1, 0}));
}

TEST_F(Relay, RepeatedFullReadsDoNotGrowTheListOfCountedMessages) {
  for (int i = 0; i < 5; ++i) {
    lib->scans.push_back({1, 2003, {}});
    mail->ScanMailboxes(data);
    fullReadOfLine21();
  }
  EXPECT_EQ(mail->messageTypes().size(), 6u);
  EXPECT_EQ(mail->messageTypes().at(3), 'H');
}

TEST_F(Relay, NothingHappensWhileMessagingIsOff) {
  TMail602 off(std::make_unique<FakeMailLibrary>(), "/tmp");
  FakeMailLibrary::current->initResult = 1;
  off.Initialize();
  FakeMailLibrary::current->calls.clear();
  EXPECT_FALSE(off.ScanMailboxes(data));
  EXPECT_TRUE(FakeMailLibrary::current->calls.empty());
}

}  // namespace
}  // namespace norva
