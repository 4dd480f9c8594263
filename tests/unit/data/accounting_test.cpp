#include "data/accounting.h"

#include <gtest/gtest.h>

#include <vector>

#include "data/accounting_file.h"
#include "data/codecs.h"
#include "data/tdata.h"

namespace norva {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Kind = UctAnswer::Kind;

class FakeAccountingFile : public AccountingFile {
 public:
  bool fails = false;
  std::vector<std::string> attempts;
  std::vector<std::string> lines;  // what reached the "disk"
  std::string lastPath;

  bool appendRecord(const std::string& path, const std::string& bytes) override {
    lastPath = path;
    attempts.push_back(bytes);
    if (fails) return false;
    lines.push_back(bytes);
    return true;
  }
};

AccountingRecords holding(int count) {
  AccountingRecords r;
  for (int i = 0; i < count; ++i) r.append("r" + std::to_string(i));
  return r;
}

TEST(AccountingRecords, EmptyAtStart) {
  AccountingRecords r;
  EXPECT_EQ(r.AccountingDropped(), 0u);
  EXPECT_EQ(r.AccountingTotal(), 0u);
  EXPECT_EQ(r.record(0), nullptr);
  EXPECT_FALSE(r.servedNumber(0).has_value());
}

TEST(AccountingRecords, HoldsAtMost201AndNumbersAbsolutely) {
  AccountingRecords r = holding(201);
  EXPECT_EQ(r.size(), 201u);
  EXPECT_EQ(r.AccountingDropped(), 0u);
  ASSERT_NE(r.record(0), nullptr);
  EXPECT_EQ(*r.record(0), "r0");

  r.append("r201");
  EXPECT_EQ(r.size(), 201u);
  EXPECT_EQ(r.AccountingDropped(), 1u);
  EXPECT_EQ(r.AccountingTotal(), 202u);
  EXPECT_EQ(r.record(0), nullptr);  // lost to slow readers
  EXPECT_EQ(*r.record(1), "r1");
  EXPECT_EQ(*r.record(201), "r201");
  EXPECT_EQ(r.record(202), nullptr);

  for (int i = 202; i < 1000; ++i) r.append("r" + std::to_string(i));
  EXPECT_EQ(r.size(), 201u);
  EXPECT_EQ(r.AccountingDropped(), 799u);
  EXPECT_EQ(*r.record(799), "r799");
  EXPECT_EQ(*r.record(999), "r999");
}

TEST(AccountingRecords, FeedServesTheOldestHeldToSlowReaders) {
  const AccountingRecords r = holding(250);  // holds 49 to 249
  const struct {
    std::uint32_t cursor;
    std::optional<std::uint32_t> served;
  } cases[] = {{0, 49}, {48, 49}, {49, 49}, {100, 100}, {249, 249}, {250, {}}, {4000, {}}};
  for (const auto& c : cases) EXPECT_EQ(r.servedNumber(c.cursor), c.served) << c.cursor;
}

struct ClassifyCase {
  Bytes payload;
  std::string last;
  bool storeFailed;
  Kind kind;
  std::string text;
};

TEST(ClassifyUct, Cases) {
  const ClassifyCase cases[] = {
      {{0}, "", false, Kind::None, ""},
      {{}, "", false, Kind::None, ""},
      {{0, 0, 'A'}, "", false, Kind::None, ""},  // text ends at the zero byte
      {{0, 'A', 'B', 0, 'C'}, "", false, Kind::New, "AB"},
      {{3, 'A', 'B'}, "", false, Kind::New, "AB"},  // the status is not looked at
      {{0, 'A', 'B'}, "AB", false, Kind::Repeat, "AB"},
      {{0, 'A', 'B'}, "AB", true, Kind::StoreAgain, "AB"},
      {{0, 'A', 'C'}, "AB", true, Kind::New, "AC"},
      {{0, 'A'}, "AB", false, Kind::New, "A"},
      {{0, 0xE8, 0x9A}, "", false, Kind::New, "\xE8\x9A"},
  };
  for (const auto& c : cases) {
    const UctAnswer a =
        classifyUct(c.payload.data(), static_cast<int>(c.payload.size()), c.last, c.storeFailed);
    EXPECT_EQ(a.kind, c.kind) << c.text;
    EXPECT_EQ(a.text, c.text) << static_cast<int>(c.kind);
  }
}

TEST(ClassifyUct, ARecordIsCutTo255Bytes) {
  Bytes payload(400, 'x');
  payload[0] = 0;
  const UctAnswer a = classifyUct(payload.data(), 400, "", false);
  EXPECT_EQ(a.text, std::string(255, 'x'));
  // The cut form is what is kept as the last record, so the repeat is recognised.
  EXPECT_EQ(classifyUct(payload.data(), 400, a.text, false).kind, Kind::Repeat);
}

TEST(StoreUct, SetsAndClearsTheFailedFlag) {
  TData data;
  FakeAccountingFile file;
  file.fails = true;
  EXPECT_FALSE(StoreUct(data, file, "DATA.NEW", "rec"));
  EXPECT_TRUE(data.UctStoreFailed);
  file.fails = false;
  EXPECT_TRUE(StoreUct(data, file, "DATA.NEW", "rec"));
  EXPECT_FALSE(data.UctStoreFailed);
  EXPECT_EQ(file.lastPath, "DATA.NEW");
  EXPECT_EQ(file.lines, (std::vector<std::string>{"rec"}));
}

// The agent's accounting steps as it takes them, with a store that fails once.
TEST(StoreUct, ARecordWhoseStoreFailedIsStoredOnItsRepeatAndHeldOnce) {
  TData data;
  FakeAccountingFile file;
  AccountingRecords records;
  std::string last;
  PayloadBuffer out{};
  const auto answer = [&](const Bytes& payload) {
    const UctAnswer a =
        classifyUct(payload.data(), static_cast<int>(payload.size()), last, data.UctStoreFailed);
    if (a.kind == Kind::New) {
      last = a.text;
      StoreUct(data, file, "f", a.text);
      records.append(a.text);
    } else if (a.kind == Kind::StoreAgain) {
      StoreUct(data, file, "f", a.text);
    }
    return a.kind;
  };

  file.fails = true;
  EXPECT_EQ(answer({0, 'c', '1'}), Kind::New);
  ASSERT_EQ(UctMsgBuild(data, out), 1);
  EXPECT_EQ(out[0], 5);                                // read it again
  EXPECT_EQ(answer({0, 'c', '1'}), Kind::StoreAgain);  // still failing
  file.fails = false;
  EXPECT_EQ(answer({0, 'c', '1'}), Kind::StoreAgain);
  UctMsgBuild(data, out);
  EXPECT_EQ(out[0], 4);
  EXPECT_EQ(answer({0, 'c', '1'}), Kind::Repeat);
  EXPECT_EQ(answer({0, 'c', '2'}), Kind::New);

  EXPECT_EQ(file.attempts.size(), 4u);
  EXPECT_EQ(file.lines, (std::vector<std::string>{"c1", "c2"}));
  EXPECT_EQ(records.AccountingTotal(), 2u);
  EXPECT_EQ(*records.record(0), "c1");
}

}  // namespace
}  // namespace norva
