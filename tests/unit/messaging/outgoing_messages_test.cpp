// Messages from the PBX's slots: how a slot's text is split, what reaches
// the mail gateway and when the slot is cleared.
#include "messaging/outgoing_messages.h"

#include <gtest/gtest.h>

#include "messaging/mail_gateway.h"
#include "support/recording_mail_host.h"

namespace norva {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Sent {
  std::string recipient;
  char type;
  std::string subject, text;
  std::uint8_t flag;
  bool operator==(const Sent&) const = default;
};

class RecordingGateway : public MailGateway {
 public:
  bool Usable() const override { return true; }
  int SendMessage(const std::string& recipient, char type, const std::string& subject,
                  const std::string& text, std::uint8_t flag) override {
    sent.push_back({recipient, type, subject, text, flag});
    return result;
  }
  std::vector<Sent> sent;
  int result = 0;
};

Bytes slotAnswer(std::uint8_t slot, char type, const std::string& text, std::uint8_t status = 0) {
  Bytes b{status, 1, slot, static_cast<std::uint8_t>(type)};
  b.insert(b.end(), text.begin(), text.end());
  return b;
}

Bytes clearOf(std::uint8_t slot) {
  Bytes b(254, 0);
  b[0] = 1;
  b[1] = 1;
  b[2] = slot;
  return b;
}

struct Slot : ::testing::Test {
  void answer(const Bytes& b) { OnSlotAnswer(mail, host, b.data(), static_cast<int>(b.size())); }
  RecordingGateway mail;
  test::RecordingMailHost host;
};

TEST(SlotClear, IsAWriteOfItemOneWithTheSlotAnd251Zeros) {
  PayloadBuffer out;
  out.fill(0xAA);
  ASSERT_EQ(BuildSlotClear(3, out), 254);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 254), clearOf(3));
}

TEST_F(Slot, AMessageIsSplitHandedOnWithFlag49AndItsSlotCleared) {
  host.switches.comIn = true;
  answer(slotAnswer(2, 'I', "jan@example.com\nHello\nCall me back"));
  EXPECT_EQ(mail.sent, (std::vector<Sent>{{"jan@example.com", 'I', "Hello", "Call me back", 49}}));
  EXPECT_EQ(host.lines, (std::vector<std::string>{"<COM TRAP: Internet to jan@example.com",
                                                  ">602 Mail: Hello to jan@example.com",
                                                  ">COM <111>"}));
  EXPECT_EQ(host.unfiled, (std::vector<Bytes>{clearOf(2)}));
}

TEST_F(Slot, TextRules) {
  const std::string body150(150, 'b');
  const std::string r39(39, 'r'), r40(40, 'r');
  struct Case {
    const char* what;
    std::string text;
    std::string recipient, subject, body;
  } cases[] = {
      {"no line feed within 40 bytes", r40 + "\nsubject\nbody", "", "", ""},
      {"a 39-character recipient", r39 + "\ns\nb", r39, "s", "b"},
      {"body cut to 100", "a@b\ns\n" + body150, "a@b", "s", std::string(100, 'b')},
      {"no second line feed", "a@b\nsubject only", "a@b", "", ""},
      {"second line feed too far", "a@b\n" + r40 + "\nbody", "a@b", "", ""},
      {"the text ends at a zero byte", std::string("a@b\ns\nbo\0dy", 11), "a@b", "s", "bo"},
      {"empty body", "a@b\ns\n", "a@b", "s", ""},
  };
  for (const Case& c : cases) {
    mail.sent.clear();
    host.unfiled.clear();
    answer(slotAnswer(1, 'Q', c.text));
    ASSERT_EQ(mail.sent.size(), 1u) << c.what;
    EXPECT_EQ(mail.sent[0], (Sent{c.recipient, 'Q', c.subject, c.body, 49})) << c.what;
    EXPECT_EQ(host.unfiled, (std::vector<Bytes>{clearOf(1)})) << c.what;
  }
}

TEST_F(Slot, TheLogShowsEachAddressTypesName) {
  host.switches.comIn = true;
  const std::pair<char, const char*> names[] = {{'F', "FAX"}, {'I', "Internet"}, {'L', "<129>"},
                                                {'Q', "SMS"}, {'V', "<130>"}, {'Z', "ZModem"}};
  for (const auto& [type, name] : names) {
    host.lines.clear();
    answer(slotAnswer(0, type, "x\ny\nz"));
    ASSERT_FALSE(host.lines.empty());
    EXPECT_EQ(host.lines[0], std::string("<COM TRAP: ") + name + " to x");
  }
  EXPECT_EQ(mail.sent.size(), 6u);
}

TEST_F(Slot, AnUnknownTypeIsClearedWithoutSending) {
  answer(slotAnswer(3, 'X', "a@b\ns\nb"));
  EXPECT_TRUE(mail.sent.empty());
  EXPECT_EQ(host.lines, (std::vector<std::string>{">COM <111>"}));
  EXPECT_EQ(host.unfiled, (std::vector<Bytes>{clearOf(3)}));
}

TEST_F(Slot, AnEmptySlotOrAnErrorStatusLeavesTheSlotAlone) {
  host.switches.comPureIn = false;
  answer(slotAnswer(1, 0, ""));
  EXPECT_EQ(host.status, "<COM <110>");
  EXPECT_TRUE(host.lines.empty());
  host.switches.comPureIn = true;
  answer(slotAnswer(1, 0, ""));
  EXPECT_EQ(host.lines, (std::vector<std::string>{"<COM <110>"}));

  host.lines.clear();
  answer(slotAnswer(1, 'I', "a@b\ns\nb", 4));
  EXPECT_EQ(host.lines, (std::vector<std::string>{"<COM <112>4"}));
  answer(Bytes{0, 1});  // too short to carry a type
  EXPECT_TRUE(mail.sent.empty());
  EXPECT_TRUE(host.unfiled.empty());
}

TEST_F(Slot, AMessageTheGatewayCannotTakeStaysInItsSlot) {
  mail.result = 5;
  answer(slotAnswer(0, 'I', "a@b\nHi\nbody"));
  EXPECT_EQ(mail.sent.size(), 1u);
  EXPECT_TRUE(host.unfiled.empty());
  ASSERT_FALSE(host.lines.empty());
  EXPECT_EQ(host.lines.back(), "!Err Mail: Hi to a@b <138>5");
}

}  // namespace
}  // namespace norva
