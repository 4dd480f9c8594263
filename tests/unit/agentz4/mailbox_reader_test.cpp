// The library's reading side on real Maildir folders: what a full read and
// a change read report, what a confirmation keeps, and a restart between.
#include "mailbox_reader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "support/temp_dir.h"

namespace agentz4 {
namespace {

namespace fs = std::filesystem;

struct NodeView {
  std::int32_t id;
  std::uint32_t flags;
  bool operator==(const NodeView&) const = default;
};
struct GroupView {
  char type;
  int count;
  std::vector<NodeView> nodes;
  bool operator==(const GroupView&) const = default;
};
struct BoxView {
  std::string name, number;
  std::int32_t code;
  std::vector<GroupView> groups;
  bool operator==(const BoxView&) const = default;
};
std::ostream& operator<<(std::ostream& os, const BoxView& b) {
  os << b.name << "/" << b.number << " code " << b.code;
  for (const auto& g : b.groups) {
    os << " [" << g.type << " " << g.count << ":";
    for (const auto& n : g.nodes) os << " " << n.id << "/" << n.flags;
    os << "]";
  }
  return os;
}

std::vector<BoxView> view(const Mailbox* list) {
  std::vector<BoxView> out;
  for (const Mailbox* m = list; m != nullptr; m = m->Next) {
    BoxView b{m->Name, m->Number, m->Code, {}};
    for (const MessageGroup* g = m->FirstGroup; g != nullptr; g = g->Next) {
      GroupView gv{g->Type, g->Count, {}};
      for (const MessageNode* n = g->FirstNode; n != nullptr; n = n->Next) {
        gv.nodes.push_back({n->Id, n->Flags});
      }
      b.groups.push_back(gv);
    }
    out.push_back(b);
  }
  return out;
}

const char* const kFax = "From: fax@gw\nX-Norva-Message-Type: F\nSubject: fax\n\nTIFF\n";
const char* const kVoice = "From: vm@pbx\nContent-Type: audio/wav\n\nRIFF\n";
const char* const kMail = "From: a@b\nSubject: hi\n\nhello\n";

class Maildirs : public ::testing::Test {
 protected:
  Maildirs() {
    for (const char* box : {"novak", "svoboda"}) {
      for (const char* sub : {"new", "cur", "tmp"}) fs::create_directories(dir.file(box) + "/" + sub);
    }
    config = {{"Novak", "21", dir.file("novak")}, {"Svoboda", "22", dir.file("svoboda")}};
  }
  std::unique_ptr<MailboxReader> open() {
    auto r = std::make_unique<MailboxReader>(config, dir.file("state"));
    EXPECT_TRUE(r->start());
    return r;
  }
  void deliver(const std::string& box, const std::string& unique, const std::string& text) {
    std::ofstream(dir.file(box) + "/new/" + unique, std::ios::binary) << text;
  }
  // As a mail reader does it: into cur/ with the info part.
  void moveToCur(const std::string& box, const std::string& unique, const std::string& flags) {
    fs::rename(dir.file(box) + "/new/" + unique, dir.file(box) + "/cur/" + unique + ":2," + flags);
  }
  // Folder times a moment old count as unsettled (they could change again
  // within one tick of the file system's clock); this makes them old.
  void settle() {
    const auto when = fs::file_time_type::clock::now() - std::chrono::seconds(1000 - ++settled_);
    for (const auto& m : config) {
      for (const char* sub : {"/new", "/cur"}) {
        std::error_code ec;
        fs::last_write_time(m.maildir + sub, when, ec);
      }
    }
  }
  static Request request(std::int32_t mode) {
    Request q{};
    q.Mode = mode;
    return q;
  }
  std::vector<BoxView> read(MailboxReader& r, std::int32_t mode, bool confirm = true) {
    settle();
    Request q = request(mode);
    Mailbox* list = nullptr;
    EXPECT_EQ(r.readList(&list, &q), 0);
    auto v = view(list);
    if (confirm) {
      Mailbox* copy = list;
      r.confirmList(&copy);
    }
    return v;
  }
  // The quick test sees a change that a change read then finds nothing in,
  // and is quiet after that read.
  void expectNothingToGiveOnALookAgain(MailboxReader& r) {
    EXPECT_EQ(r.quickTest(), 1);
    EXPECT_TRUE(read(r, kModeChanges).empty());
    EXPECT_EQ(r.quickTest(), 0);
  }

  norva::test::TempDir dir;
  std::vector<MailboxConfig> config;
  int settled_ = 0;
};

TEST_F(Maildirs, AFullReadGivesEveryWaitingMessageByType) {
  deliver("novak", "1.a", kFax);
  deliver("novak", "2.a", kFax);
  deliver("novak", "3.a", kVoice);
  deliver("novak", "4.a", kMail);
  deliver("novak", "5.a", kMail);
  moveToCur("novak", "5.a", "S");  // seen: not waiting
  deliver("svoboda", "6.a", kMail);
  moveToCur("svoboda", "6.a", "");  // in cur/ but not seen: still waiting
  auto r = open();
  EXPECT_EQ(r->quickTest(), 1);  // nothing confirmed yet
  const auto boxes = read(*r, kModeAll);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].name, "Novak");
  EXPECT_EQ(boxes[0].number, "21");
  EXPECT_EQ(boxes[0].code, 0);
  std::map<char, int> counts;
  std::set<std::int32_t> ids;
  for (const auto& g : boxes[0].groups) {
    counts[g.type] += g.count;
    for (const auto& n : g.nodes) {
      EXPECT_EQ(n.flags, 0u);
      ids.insert(n.id);
    }
  }
  EXPECT_EQ(counts, (std::map<char, int>{{'F', 2}, {'H', 1}, {'E', 1}}));
  EXPECT_EQ(ids.size(), 4u);
  ASSERT_EQ(boxes[1].groups.size(), 1u);
  EXPECT_EQ(boxes[1].groups[0].count, 1);
  EXPECT_EQ(r->quickTest(), 0);
}

TEST_F(Maildirs, AChangeReadGivesNewAndGoneMessagesSinceTheConfirmedRead) {
  deliver("novak", "1.a", kFax);
  deliver("novak", "2.a", kMail);
  deliver("novak", "3.a", kMail);
  auto r = open();
  read(*r, kModeAll);
  const auto& known = r->state().mailboxes.at(dir.file("novak")).waiting;
  const std::int32_t fax = known.at("1.a").id, mail2 = known.at("2.a").id, mail3 = known.at("3.a").id;

  deliver("novak", "4.a", kVoice);
  moveToCur("novak", "1.a", "S");            // seen
  fs::remove(dir.file("novak") + "/new/2.a");  // deleted
  moveToCur("novak", "3.a", "ST");           // seen and trashed: deleted
  ASSERT_EQ(r->quickTest(), 1);
  const auto boxes = read(*r, kModeChanges);
  ASSERT_EQ(boxes.size(), 1u) << "an unchanged mailbox is left out";
  const std::int32_t voice = r->state().mailboxes.at(dir.file("novak")).waiting.at("4.a").id;
  EXPECT_EQ(boxes[0], (BoxView{"Novak", "21", 0,
                               {{'H', 1, {{voice, 0}}},
                                {'F', 0, {{fax, 2}}},
                                {'E', 0, {{mail2, 4}, {mail3, 4}}}}}));
  EXPECT_EQ(r->quickTest(), 0);
  // A message read but not marked seen changes folders and nothing else.
  moveToCur("novak", "4.a", "");
  expectNothingToGiveOnALookAgain(*r);
}

TEST_F(Maildirs, AFolderChangedAMomentAgoIsLookedAtOnceMore) {
  auto r = open();
  read(*r, kModeAll);
  deliver("novak", "1.a", kFax);  // its folder time is now
  Request q = request(kModeChanges);
  Mailbox* list = nullptr;
  ASSERT_EQ(r->readList(&list, &q), 0);
  EXPECT_EQ(view(list).size(), 1u);
  r->confirmList(&list);
  // A second message in the same clock tick would leave the time as it is.
  expectNothingToGiveOnALookAgain(*r);
}

TEST_F(Maildirs, AnUnconfirmedReadIsGivenAgain) {
  auto r = open();
  read(*r, kModeAll);
  deliver("svoboda", "1.a", kFax);
  const auto first = read(*r, kModeChanges, false);
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(r->quickTest(), 1);
  const auto again = read(*r, kModeChanges);
  ASSERT_EQ(again.size(), 1u);
  EXPECT_EQ(again[0].groups.size(), 1u);
  EXPECT_EQ(again[0].groups[0].type, 'F');
}

TEST_F(Maildirs, ARestartNeitherRecountsNorMisses) {
  deliver("novak", "1.a", kFax);
  deliver("novak", "2.a", kMail);
  std::int32_t faxId;
  {
    auto r = open();
    read(*r, kModeAll);
    faxId = r->state().mailboxes.at(dir.file("novak")).waiting.at("1.a").id;
  }
  {
    auto r = open();
    EXPECT_EQ(r->quickTest(), 0);
    EXPECT_TRUE(read(*r, kModeChanges).empty());
  }
  // While the agent is down: one message arrives, one is read.
  deliver("novak", "3.a", kVoice);
  moveToCur("novak", "1.a", "S");
  auto r = open();
  EXPECT_EQ(r->quickTest(), 1);
  const auto boxes = read(*r, kModeChanges);
  ASSERT_EQ(boxes.size(), 1u);
  ASSERT_EQ(boxes[0].groups.size(), 2u);
  EXPECT_EQ(boxes[0].groups[0].type, 'H');
  ASSERT_EQ(boxes[0].groups[0].nodes.size(), 1u);
  EXPECT_NE(boxes[0].groups[0].nodes[0].id, faxId);  // ids are not reused
  EXPECT_EQ(boxes[0].groups[1], (GroupView{'F', 0, {{faxId, 2}}}));
}

TEST_F(Maildirs, AMailboxWithoutConfirmedStateIsToBeReadWhole) {
  deliver("novak", "1.a", kFax);
  {
    auto r = open();
    read(*r, kModeAll);
  }
  fs::create_directories(dir.file("dvorak") + "/new");
  fs::create_directories(dir.file("dvorak") + "/cur");
  deliver("dvorak", "9.a", kVoice);
  deliver("dvorak", "8.a", kVoice);
  config.push_back({"Dvorak", "23", dir.file("dvorak")});
  auto r = open();
  EXPECT_EQ(r->quickTest(), 1);
  settle();
  Request q = request(kModeChanges);
  Mailbox* list = nullptr;
  ASSERT_EQ(r->readList(&list, &q), 0);
  const auto boxes = view(list);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].name, "Dvorak");
  EXPECT_EQ(boxes[0].code, kCodeReadWhole);
  EXPECT_TRUE(boxes[0].groups.empty());

  Mailbox* cur = list;
  q.Mode = kModeAll;
  ASSERT_EQ(r->readWhole(&cur, &q, list), 0);
  ASSERT_NE(cur, list);
  const auto whole = view(cur);
  ASSERT_EQ(whole.size(), 1u);
  ASSERT_EQ(whole[0].groups.size(), 1u);
  EXPECT_EQ(whole[0].groups[0].type, 'H');
  EXPECT_EQ(whole[0].groups[0].count, 2);
  EXPECT_EQ(r->confirmWhole(&cur), 0);
  EXPECT_EQ(cur, nullptr);
  Mailbox* copy = list;
  r->confirmList(&copy);
  EXPECT_EQ(r->quickTest(), 0);
  EXPECT_EQ(r->state().mailboxes.at(dir.file("dvorak")).waiting.size(), 2u);
}

TEST_F(Maildirs, AnUnreadableMailboxFailsItsWholeReadAndKeepsWhatWasKnown) {
  deliver("novak", "1.a", kFax);
  auto r = open();
  read(*r, kModeAll);
  fs::rename(dir.file("novak"), dir.file("novak.away"));
  EXPECT_EQ(r->quickTest(), 1);
  settle();
  Request q = request(kModeChanges);
  Mailbox* list = nullptr;
  ASSERT_EQ(r->readList(&list, &q), 0);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(std::int32_t{list->Code}, kCodeReadWhole);  // a copy: the field is unaligned
  Mailbox* cur = list;
  EXPECT_EQ(r->readWhole(&cur, &q, list), kErrUnreadable);
  EXPECT_EQ(cur, nullptr);
  Mailbox* copy = list;
  r->confirmList(&copy);
  EXPECT_EQ(r->quickTest(), 0);  // quiet while it stays away
  // Back, with one more message: only that one is new.
  fs::rename(dir.file("novak.away"), dir.file("novak"));
  deliver("novak", "2.a", kMail);
  const auto boxes = read(*r, kModeChanges);
  ASSERT_EQ(boxes.size(), 1u);
  ASSERT_EQ(boxes[0].groups.size(), 1u);
  EXPECT_EQ(boxes[0].groups[0].type, 'E');
}

TEST_F(Maildirs, AMailboxThatIsNotThereYetIsReportedOnceAndCountedWhenItComes) {
  fs::remove_all(dir.file("svoboda"));
  auto r = open();
  const auto full = read(*r, kModeAll);
  ASSERT_EQ(full.size(), 2u);
  EXPECT_EQ(full[1].code, kCodeReadWhole);  // its whole read fails: the error is shown
  EXPECT_EQ(r->quickTest(), 0);             // and not again while nothing changes
  for (const char* sub : {"/new", "/cur"}) fs::create_directories(dir.file("svoboda") + sub);
  deliver("svoboda", "1.a", kFax);
  EXPECT_EQ(r->quickTest(), 1);
  const auto boxes = read(*r, kModeChanges);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].name, "Svoboda");
  ASSERT_EQ(boxes[0].groups.size(), 1u);
  EXPECT_EQ(boxes[0].groups[0].type, 'F');
  EXPECT_EQ(boxes[0].groups[0].nodes.size(), 1u);
}

TEST_F(Maildirs, ADamagedStateFileMeansEveryMailboxIsReadWhole) {
  {
    auto r = open();
    read(*r, kModeAll);
  }
  std::ofstream(dir.file("state"), std::ios::binary) << "agentz4-state 1\nnext-id 5\nmailbox /x\n";
  MailboxReader r(config, dir.file("state"));
  EXPECT_FALSE(r.start());
  const auto boxes = read(r, kModeChanges);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].code, kCodeReadWhole);
  EXPECT_EQ(boxes[1].code, kCodeReadWhole);
}

TEST_F(Maildirs, BadRequestsAreRefused) {
  auto r = open();
  Request q = request(2);
  Mailbox* list = nullptr;
  EXPECT_EQ(r->readList(&list, &q), kErrBadRequest);
  EXPECT_EQ(r->readList(nullptr, &q), kErrBadRequest);
  Mailbox stranger{};
  Mailbox* cur = &stranger;
  q.Mode = kModeAll;
  EXPECT_EQ(r->readWhole(&cur, &q, &stranger), kErrBadRequest);
  EXPECT_EQ(r->confirmWhole(&cur), kErrBadRequest);
  r->confirmList(nullptr);  // nothing pending: nothing happens
}

TEST(MessageType, OurHeaderThenTheContentDecide) {
  const std::pair<const char*, char> cases[] = {
      {"X-Norva-Message-Type: F\n\n", 'F'},
      {"x-norva-message-type:   q\nContent-Type: audio/wav\n\n", 'Q'},
      {"Content-Type: audio/mpeg\n\n", 'H'},
      {"Content-Type: AUDIO/x-wav; name=a\n\n", 'H'},
      {"Content-Type: image/tiff\n\n", 'F'},
      {"Content-Type: multipart/mixed;\n boundary=x\n\n--x\nContent-Type: text/plain\n\nhi\n"
       "--x\nContent-Type: audio/wav\n\nRIFF\n--x--\n", 'H'},
      {"Content-Type: multipart/mixed; boundary=x\n\n--x\nContent-Type: image/tiff\n\n--x--\n", 'F'},
      {"Content-Type: text/plain\n\nContent-Type: audio/wav\n", 'E'},  // in a plain body: text
      {"Subject: hello\r\n\r\n", 'E'},
      {"", 'E'},
  };
  for (const auto& [text, type] : cases) EXPECT_EQ(messageTypeOf(text), type) << text;
}

}  // namespace
}  // namespace agentz4
