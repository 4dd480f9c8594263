// The wrapper over the mail-gateway library: which library it uses, its
// settings, and what reaches the library.
#include "messaging/tmail602.h"

#include <gtest/gtest.h>

#include "core/profile_file.h"
#include "support/fake_mail_library.h"
#include "support/recording_mail_host.h"
#include "support/temp_dir.h"

namespace norva {
namespace {

using test::FakeMailLibrary;

const char* const kNames[] = {
    "RychlyTestZmenVeSchrankach", "NactiZmenyVeSchrance", "PotvrdPreneseniZmenVeSchrance",
    "NactiZmenyVeSchrankach", "PotvrdPreneseniZmenVeSchrankach", "PosliStavovouZpravu",
    "InicializaceZ4Komunikace", "DeInicializaceZ4Komunikace", "SetDebugLevel", "ZastavAkci"};

struct Wrapper {
  explicit Wrapper(const std::string& ini = "", std::set<std::string> missing = {}) {
    auto library = std::make_unique<FakeMailLibrary>();
    lib = library.get();
    lib->missing = std::move(missing);
    mail = std::make_unique<TMail602>(std::move(library), "/var/tmp");
    mail->Attach(host);
    dir.write("NAgent.INI", ini);
    mail->ReadSettings(ProfileFile(dir.file("NAgent.INI")));
  }
  test::TempDir dir;
  test::RecordingMailHost host;
  FakeMailLibrary* lib;
  std::unique_ptr<TMail602> mail;
};

TEST(TMail602, ALibraryLackingAnyOneNameIsNotUsedAtAll) {
  for (const char* name : kNames) {
    Wrapper w("", {name});
    EXPECT_FALSE(w.mail->Usable()) << name;
    w.mail->Initialize();
    w.mail->SendTrap(1);
    EXPECT_EQ(w.mail->SendMessage("a", 'I', "s", "t", 49), -1);
    w.mail->StopAction();
    w.mail->Deinitialize();
    EXPECT_TRUE(w.lib->calls.empty()) << name;
  }
  TMail602 none(nullptr, "/tmp");
  EXPECT_FALSE(none.Usable());
  none.Initialize();
  EXPECT_FALSE(none.Usable());
}

TEST(TMail602, WithoutItsSectionsTheLibraryStartsWithEmptyValuesAndTheTemporaryFolder) {
  Wrapper w("[Set]\nLang=Eng\n");
  ASSERT_TRUE(w.mail->Usable());
  EXPECT_TRUE(w.mail->FullReadPending);
  w.mail->Initialize();
  EXPECT_TRUE(w.mail->Usable());
  EXPECT_EQ(w.lib->calls, (std::vector<std::string>{"SetDebugLevel", "InicializaceZ4Komunikace"}));
  EXPECT_EQ(w.lib->debugLevel, 0);
  EXPECT_EQ(w.lib->initArgs, (std::vector<std::string>{"", "", "/var/tmp", ""}));
  // The trap texts' defaults, fetched so that the language file opens and closes.
  EXPECT_EQ(w.host.fileTexts, (std::vector<int>{200, 299}));
  EXPECT_EQ(w.mail->TrapTextOn, "[200]");
  EXPECT_EQ(w.mail->TrapTextOff, "[299]");
  EXPECT_EQ(w.mail->TrapAddressType, 0);
}

TEST(TMail602, ReadsItsKeys) {
  const std::string long120(120, 'x');
  Wrapper w("[M602]\nCestaKeKonfiguraciMail602=/etc/agentz4.ini\nUzivatel=agent\n"
            "CestaKPracovnimuAdresari=/var/lib/norva\nDebug=10\n"
            "[Trapy]\nAdresaPrijemce=ops@example.com\nTypAdresyPrijemce=Internet\n"
            "Subject=" + long120 + "\nZpravaComOn=\nZpravaComOff=down\n");
  EXPECT_EQ(w.mail->ConfigPath, "/etc/agentz4.ini");
  EXPECT_EQ(w.mail->UserName, "agent");
  EXPECT_EQ(w.mail->WorkDir, "/var/lib/norva");
  EXPECT_EQ(w.mail->DebugLevel, 16);
  EXPECT_EQ(w.mail->TrapRecipient, "ops@example.com");
  EXPECT_EQ(w.mail->TrapAddressType, 'I');
  EXPECT_EQ(w.mail->TrapSubject, std::string(100, 'x'));  // cut to its member
  EXPECT_EQ(w.mail->TrapTextOn, "");  // present and empty: no default
  EXPECT_EQ(w.mail->TrapTextOff, "down");
}

TEST(TMail602, DebugLevelIsHexadecimalAndAnythingElseIsZero) {
  const std::pair<const char*, std::int32_t> cases[] = {
      {"10", 16}, {"ff", 255}, {"7FFFFFFF", 0x7FFFFFFF}, {"0", 0}, {"", 0}, {"1g", 0}, {"-1", 0},
      {"123456789", 0}};
  for (const auto& [text, level] : cases) EXPECT_EQ(parseDebugLevel(text), level) << text;
}

TEST(TMail602, WrittenSettingsReadBackTheSameAndDebugIsNeverWritten) {
  Wrapper w("[M602]\nDebug=1F\n");
  w.mail->ConfigPath = "/etc/z4.ini";
  w.mail->WorkDir = "/srv/work";
  w.mail->UserName = "us\xE8r";
  w.mail->Password = "P\xE1ss w=rd;#9";
  w.mail->TrapRecipient = "+420777111222";
  w.mail->TrapAddressType = 'Q';
  w.mail->TrapSubject = "PBX";
  w.mail->TrapTextOn = "up";
  w.mail->TrapTextOff = "down";
  ProfileFile file(w.dir.file("NAgent.INI"));
  ASSERT_TRUE(w.mail->WriteMailSettings(file));
  ASSERT_TRUE(w.mail->WriteTrapSettings(file));
  const std::string written = w.dir.read("NAgent.INI");
  EXPECT_EQ(written.find("P\xE1ss"), std::string::npos) << "the password is not stored in clear";

  Wrapper again(written);
  EXPECT_EQ(again.mail->Password, "P\xE1ss w=rd;#9");
  EXPECT_EQ(again.mail->UserName, "us\xE8r");
  EXPECT_EQ(again.mail->ConfigPath, "/etc/z4.ini");
  EXPECT_EQ(again.mail->WorkDir, "/srv/work");
  EXPECT_EQ(again.mail->TrapAddressType, 'Q');
  EXPECT_EQ(again.mail->TrapTextOn, "up");
  EXPECT_EQ(again.mail->TrapTextOff, "down");
  EXPECT_EQ(again.mail->DebugLevel, 0x1F);  // still the hand-written line

  w.mail->TrapAddressType = 0;
  ASSERT_TRUE(w.mail->WriteTrapSettings(file));
  Wrapper none(w.dir.read("NAgent.INI"));
  EXPECT_EQ(none.mail->TrapAddressType, 0);
}

TEST(TMail602, AFailedInitialisationTurnsMessagingOff) {
  Wrapper w;
  w.lib->initResult = 7;
  w.mail->Initialize();
  EXPECT_FALSE(w.mail->Usable());
  w.lib->calls.clear();
  w.mail->SendTrap(1);
  w.mail->StopAction();
  w.mail->Deinitialize();
  EXPECT_TRUE(w.lib->calls.empty());
}

TEST(TMail602, TrapsGoToTheirRecipientWithFlagOneAndOnlyAcceptedOnesAreLogged) {
  Wrapper w("[Trapy]\nAdresaPrijemce=ops@example.com\nTypAdresyPrijemce=I\nSubject=PBX\n"
            "ZpravaComOn=\nZpravaComOff=link down\n");
  w.mail->Initialize();
  w.mail->SendTrap(1);
  w.mail->SendTrap(2);  // no restore text: skipped
  w.mail->SendTrap(3);  // no such kind
  ASSERT_EQ(w.lib->sent.size(), 1u);
  EXPECT_EQ(w.lib->sent[0].recipient, "ops@example.com");
  EXPECT_EQ(w.lib->sent[0].type, 'I');
  EXPECT_EQ(w.lib->sent[0].subject, "PBX");
  EXPECT_EQ(w.lib->sent[0].text, "link down");
  EXPECT_EQ(w.lib->sent[0].flag, 1);
  EXPECT_EQ(w.host.lines, (std::vector<std::string>{"Mail ops@example.com > link down"}));

  w.lib->sendResult = 1;  // refused
  w.mail->SendTrap(1);
  EXPECT_EQ(w.lib->sent.size(), 2u);
  EXPECT_EQ(w.host.lines.size(), 1u);
}

TEST(TMail602, StopAndDeinitialiseReachTheLibrary) {
  Wrapper w;
  w.mail->Initialize();
  w.mail->StopAction();
  w.mail->Deinitialize();
  EXPECT_EQ(w.lib->calls.back(), "DeInicializaceZ4Komunikace");
  EXPECT_EQ(w.lib->calls[w.lib->calls.size() - 2], "ZastavAkci");
}

}  // namespace
}  // namespace norva
