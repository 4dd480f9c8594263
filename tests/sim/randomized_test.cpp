// The whole agent under random faults and random clients, checked after
// every step. Each seed replays exactly; a failure names its seed.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <map>
#include <sstream>

#include "data/accounting.h"
#include "data/tdata.h"
#include "platform/timer.h"
#include "support/agent_fixture.h"
#include "support/simulated_pbx.h"

namespace norva {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::FakeConnection;

// Chances per 10 ms step, unless said otherwise.
struct FaultOptions {
  double noise = 0.01;           // a burst of random bytes on the line
  double dropAnswer = 0.03;      // per answer frame
  double corruptAnswer = 0.03;   // per answer frame: one byte changed
  double stall = 0.002;          // the PBX starts answering late for a while
  double silence = 0.001;        // the PBX stops answering for a while
  double connect = 0.03;
  double send = 0.05;            // per idle client
  double leave = 0.004;          // per client
  double record = 0.01;          // a new call-accounting record in the PBX
  double storeFailure = 0.02;    // per record: the file refuses one store
  int steps = 3000;
  int healSteps = 12000;         // faults off at the end, past a link-down pause
  std::size_t maxClients = 150;
};

enum class Asked { Nothing, Item, LineStates, Accounting };

struct SimClient {
  FakeConnection* connection;
  int key;  // the item this client reads: its answer names the client
  Asked asked = Asked::Nothing;
  std::int64_t askedAt = 0;
  std::size_t repliesSeen = 0;
  long lastRecord = -1;
};

class RandomizedSimulation : public test::AgentFixture {
 public:
  RandomizedSimulation(unsigned seed, FaultOptions options) : rng_(seed), o_(options) {
    for (int key = 0; key < 1024; ++key) {
      pbx_.model.setItem(static_cast<std::uint8_t>(0x40 + key / 256), static_cast<std::uint8_t>(key % 256),
                         {static_cast<std::uint8_t>(key >> 8), static_cast<std::uint8_t>(key)});
    }
    pbx_.onAnswerFrame = [this](Bytes& frame) {
      if (!faults_) return true;
      if (chance(o_.dropAnswer)) return false;
      if (chance(o_.corruptAnswer) && !frame.empty()) {
        frame[pick(frame.size())] ^= static_cast<std::uint8_t>(1 + pick(255));
      }
      return true;
    };
  }

  // Empty when every invariant held; otherwise what broke, first.
  std::string run() {
    writeIni("[Set]\nLang=Eng\nReadUct=1\nSendUct=1\nUctFile=calls.txt\nMaxCache=20\n");
    start();
    for (int step = 0; step < o_.steps + o_.healSteps && failure_.empty(); ++step) {
      faults_ = step < o_.steps;
      if (!faults_) {
        pbx_.answerDelayMs = 20;
        pbx_.model.setSilent(false);
      }
      act();
      scheduler.runFor(10);
      check();
    }
    if (failure_.empty()) checkRecordsSettled();
    return failure_;
  }

 private:
  bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng_) < p; }
  std::size_t pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_); }

  void act() {
    if (faults_) {
      if (chance(o_.noise)) {
        Bytes noise(1 + pick(12));
        for (auto& b : noise) b = static_cast<std::uint8_t>(pick(256));
        pbx_.sendRaw(noise);
      }
      if (chance(o_.stall)) pbx_.answerDelayMs = pbx_.answerDelayMs == 20 ? 1500 : 20;
      if (chance(o_.silence)) pbx_.model.setSilent(!pbx_.model.silent());
      if (chance(o_.record)) addRecord();
    }
    if (clients_.size() < o_.maxClients && chance(o_.connect)) {
      clients_.push_back({&tcpServer.connect(), nextKey_++ % 1024});
    }
    for (auto it = clients_.begin(); it != clients_.end();) {
      SimClient& c = *it;
      // A client leaves at random, or when its answer is long overdue.
      const bool overdue = c.asked != Asked::Nothing && scheduler.now() - c.askedAt > 5000;
      if (!c.connection->open() || chance(o_.leave) || overdue) {
        checkReplies(c);
        c.connection->disconnect();
        departed_.emplace_back(c.connection, c.connection->replies.size());
        it = clients_.erase(it);
        continue;
      }
      // Once the faults are over the clients fall quiet, so the accounting
      // polls are not starved behind them and every record can settle.
      if (faults_ && c.asked == Asked::Nothing && chance(o_.send)) ask(c);
      ++it;
    }
  }

  void ask(SimClient& c) {
    c.askedAt = scheduler.now();
    const std::size_t what = pick(10);
    if (what < 6) {
      c.asked = Asked::Item;
      c.connection->write({0, static_cast<std::uint8_t>(0x40 + c.key / 256), static_cast<std::uint8_t>(c.key % 256)});
    } else if (what < 8) {
      c.asked = Asked::LineStates;
      c.connection->write({0, 22, 0});
    } else {
      c.asked = Asked::Accounting;
      c.connection->write({4});
    }
  }

  void addRecord() {
    const std::string text = "R" + std::to_string(records_++);
    pbx_.model.addAccountingRecord(text);
    if (chance(o_.storeFailure)) accountingFile.failNext = 1;
  }

  std::string debugState() {
    std::string out = "\n  UR " + std::to_string(agent->periodicTimers().ur->enabled()) + " " +
                      std::to_string(agent->periodicTimers().ur->interval()) + " failed " +
                      std::to_string(agent->data()->UctStoreFailed) + " pending " +
                      std::to_string(agent->data()->UctAnswerPending) + " port " + std::to_string(port.isOpen());
    const auto& r = pbx_.received;
    for (std::size_t i = r.size() > 6 ? r.size() - 6 : 0; i < r.size(); ++i) {
      out += "\n  rx " + std::to_string(r[i].at) + " seq " + std::to_string(r[i].sequence) + " cmd " +
             std::to_string(r[i].request.empty() ? -1 : r[i].request[0]);
    }
    return out;
  }

  void fail(const std::string& what) {
    if (failure_.empty()) failure_ = "at " + std::to_string(scheduler.now()) + " ms: " + what;
  }

  void check() {
    for (SimClient& c : clients_) checkReplies(c);
    for (const auto& [gone, replies] : departed_) {
      if (gone->replies.size() != replies) fail("an answer reached a departed client");
    }
    if (agent->requestQueue()->size() > RequestQueue::kMaxEntries) fail("the queue outgrew 100");
    if (agent->outstanding()->size() > 256) fail("more outstanding requests than sequence numbers");
    checkFile();
  }

  void checkReplies(SimClient& c) {
    const auto& replies = c.connection->replies;
    for (; c.repliesSeen < replies.size(); ++c.repliesSeen) {
      const Bytes& r = replies[c.repliesSeen];
      const Bytes ownItem{0, static_cast<std::uint8_t>(0x40 + c.key / 256),
                          static_cast<std::uint8_t>(c.key % 256), static_cast<std::uint8_t>(c.key >> 8),
                          static_cast<std::uint8_t>(c.key)};
      switch (c.asked) {
        case Asked::Nothing:
          fail("an answer to a client that did not ask");
          break;
        case Asked::Item:
          if (r != ownItem) fail("client " + std::to_string(c.key) + " got an answer meant for another");
          break;
        case Asked::LineStates:
          if (r.size() < 3 || r[1] != 22 || r[2] != 0) fail("a line-state request got something else");
          break;
        case Asked::Accounting:
          checkRecordReply(c, r);
          break;
      }
      c.asked = Asked::Nothing;
    }
  }

  void checkRecordReply(SimClient& c, const Bytes& r) {
    if (r.empty() || r[0] != 0) return fail("an accounting answer without status 0");
    if (r.size() == 1) return;  // nothing new
    const std::string text(r.begin() + 1, r.end());
    const long n = text.size() > 1 && text[0] == 'R' ? std::stol(text.substr(1)) : -1;
    if (n <= c.lastRecord) fail("a client got record " + text + " after R" + std::to_string(c.lastRecord));
    c.lastRecord = n;
  }

  // The file holds distinct records, in the order the PBX gave them out.
  void checkFile() {
    const std::string& file = accountingFile.files["calls.txt"];
    if (file.size() == checkedFileSize_) return;
    checkedFileSize_ = file.size();
    std::istringstream in(file);
    long count = 0;
    for (std::string line; std::getline(in, line); ++count) {
      if (line != "R" + std::to_string(count) + "\r") {
        return fail("line " + std::to_string(count) + " of the file is " + line);
      }
    }
    fileRecords_ = count;
  }

  // Once the faults are over, every record the PBX gave out is in the file.
  void checkRecordsSettled() {
    if (pbx_.model.pendingAccountingRecords() != 0) {
      std::string tail;
      const auto& l = agent->log().lines();
      for (std::size_t i = l.size() > 8 ? l.size() - 8 : 0; i < l.size(); ++i) tail += "\n  " + l[i];
      return fail(std::to_string(pbx_.model.pendingAccountingRecords()) +
                  " records left in the PBX after healing; poll state " +
                  std::to_string(agent->pollState()) + ", queue " +
                  std::to_string(agent->requestQueue()->size()) + tail +
                  (ui.messages.empty() ? "" : "\n  box: " + ui.messages.back().text) +
                  debugState());
    }
    if (fileRecords_ != records_) {
      fail("the file holds " + std::to_string(fileRecords_) + " of " + std::to_string(records_) +
           " records");
    }
  }

  std::mt19937 rng_;
  FaultOptions o_;
  test::SimulatedPbx pbx_{port, scheduler};
  std::vector<SimClient> clients_;
  std::vector<std::pair<FakeConnection*, std::size_t>> departed_;  // with its replies then
  int nextKey_ = 0;
  long records_ = 0;
  long fileRecords_ = 0;
  std::size_t checkedFileSize_ = 0;
  bool faults_ = true;
  std::string failure_;
};

TEST(RandomizedSimulation, InvariantsHoldForEverySeed) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    RandomizedSimulation sim(seed, FaultOptions{});
    const std::string failure = sim.run();
    EXPECT_EQ(failure, "") << "seed " << seed;
  }
}

}  // namespace
}  // namespace norva
