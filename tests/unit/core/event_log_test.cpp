#include "core/event_log.h"

#include <gtest/gtest.h>

#include "support/virtual_time.h"

namespace norva {
namespace {

class EventLogTest : public ::testing::Test {
 protected:
  void fill(int n) {
    for (int i = 0; i < n; ++i) log.writeLog("<LOC", "line " + std::to_string(i));
  }
  test::VirtualClock clock;
  EventLog log{clock};
};

TEST_F(EventLogTest, LineFormatAndTenths) {
  const struct {
    int h, m, s, ms;
    const char* stamp;
  } cases[] = {
      {9, 5, 3, 999, "09:05:03.9"},
      {9, 5, 4, 50, "09:05:04.0"},
      {14, 3, 27, 480, "14:03:27.4"},
      {23, 59, 59, 100, "23:59:59.1"},
  };
  for (const auto& c : cases) {
    clock.setTimeOfDay(c.h, c.m, c.s, c.ms);
    log.writeLog("<LOC", "T");
    EXPECT_EQ(log.lines().back(), std::string(c.stamp) + "  <LOC T");
  }
  EXPECT_EQ(log.status(), "<LOC     T");
}

TEST_F(EventLogTest, ShowStatusLeavesTheList) {
  log.showStatus("!Err", "oops");
  EXPECT_EQ(log.status(), "!Err     oops");
  EXPECT_TRUE(log.lines().empty());
}

TEST_F(EventLogTest, AnEmptyTextLeavesTheTagAlone) {
  clock.setTimeOfDay(1, 2, 3, 0);
  log.writeLog("-OK-", "");
  EXPECT_EQ(log.lines().back(), "01:02:03.0  -OK- ");
}

TEST_F(EventLogTest, FollowsTheEndAndCapsAt500) {
  fill(501);
  ASSERT_EQ(log.lines().size(), 500u);
  EXPECT_EQ(log.lines().front().substr(12), "<LOC line 1");
  EXPECT_EQ(log.selected(), 499);
  EXPECT_EQ(log.lines()[static_cast<std::size_t>(log.selected())].substr(12), "<LOC line 500");
}

TEST_F(EventLogTest, SelectionInTheMiddleStaysOnItsLineUntilRemoved) {
  fill(10);
  log.select(4);
  fill(5);
  EXPECT_EQ(log.selected(), 4);  // not following: appending does not move it
  fill(485);                     // exactly full
  ASSERT_EQ(log.lines().size(), 500u);
  EXPECT_EQ(log.selected(), 4);
  fill(3);
  EXPECT_EQ(log.selected(), 1);
  EXPECT_EQ(log.lines()[1].substr(12), "<LOC line 4");
  fill(2);
  EXPECT_EQ(log.selected(), -1);  // its line went out of the list
  fill(1);
  EXPECT_EQ(log.selected(), -1);
}

TEST_F(EventLogTest, SelectingTheLastLineResumesFollowing) {
  fill(3);
  log.select(0);
  fill(1);
  EXPECT_EQ(log.selected(), 0);
  log.select(3);
  fill(1);
  EXPECT_EQ(log.selected(), 4);
}

TEST_F(EventLogTest, ObserversSeeEveryChange) {
  struct Recorder : LogObserver {
    std::vector<std::string> seen;
    void onStatus(const std::string& t) override { seen.push_back("status:" + t); }
    void onLineAppended(const std::string& l) override { seen.push_back("add:" + l.substr(12)); }
    void onFirstLineRemoved() override { seen.push_back("drop"); }
    void onSelectionChanged(int i) override { seen.push_back("sel:" + std::to_string(i)); }
    void onCleared() override { seen.push_back("clear"); }
  } r;
  log.addObserver(&r);
  log.writeLog("----", "a");
  log.clear();
  log.removeObserver(&r);
  log.writeLog("----", "b");
  EXPECT_EQ(r.seen, (std::vector<std::string>{"status:----     a", "add:---- a", "sel:0", "clear"}));
}

}  // namespace
}  // namespace norva
