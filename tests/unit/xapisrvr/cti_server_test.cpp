// The CTI server with real TCP clients on 127.0.0.1.
#include "cti_server.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <condition_variable>
#include <deque>

#include "support/line_client.h"

namespace xapisrvr {
namespace {

using nlohmann::json;
using norva::test::LineClient;
using namespace std::chrono_literals;

// The agent's end of the posts: collects each lParam, from the server's thread.
class Posts {
 public:
  CtiServer::Post post() {
    return [this](std::intptr_t lParam) {
      std::lock_guard lock(m_);
      posted_.push_back(lParam);
      cv_.notify_all();
    };
  }
  std::optional<std::intptr_t> next(std::chrono::milliseconds timeout = 5s) {
    std::unique_lock lock(m_);
    if (!cv_.wait_for(lock, timeout, [&] { return !posted_.empty(); })) return std::nullopt;
    const std::intptr_t p = posted_.front();
    posted_.pop_front();
    return p;
  }
  std::size_t count() {
    std::lock_guard lock(m_);
    return posted_.size();
  }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  std::deque<std::intptr_t> posted_;
};

class CtiServerTest : public ::testing::Test {
 protected:
  void SetUp() override { startServer(CtiSettings{}); }
  void startServer(CtiSettings s) {
    s.port = 0;
    server = std::make_unique<CtiServer>(s);
    std::string error;
    ASSERT_TRUE(server->start(posts.post(), &error)) << error;
  }
  static json next(LineClient& c) {
    const auto line = c.readLine();
    if (!line) return json();
    return json::parse(*line, nullptr, false);
  }
  // Reads up to the first message of this type.
  static json nextOfType(LineClient& c, const std::string& type) {
    for (int i = 0; i < 50; ++i) {
      const json m = next(c);
      if (m.is_null()) return m;
      if (m.value("type", "") == type) return m;
    }
    return json();
  }
  // A command of ours, with the command record the agent gets for it.
  TStates roundTrip(LineClient& c, const std::string& line) {
    EXPECT_TRUE(c.send(line + "\n"));
    const auto lParam = posts.next();
    TStates r{};
    if (!lParam) {
      ADD_FAILURE() << "nothing posted for " << line;
      return r;
    }
    server->takeCommand(static_cast<int>(*lParam), &r);
    return r;
  }

  Posts posts;
  std::unique_ptr<CtiServer> server;
};

TEST_F(CtiServerTest, AClientThatConnectsLateGetsTheCurrentPictureThenOnlyChanges) {
  const char lines[] = {'2', '1', 0, 0, '2', '2', 0, 0, '3', '0', '0', '1'};
  server->putLines(3, lines);
  const std::uint8_t info[7] = {3, 0x10, 1, 0, 0, 0, 9};
  server->putInfo(info);
  std::uint8_t states[12] = {0, 0, 0, 0, 8, 1, 2, 1, 5, 0, 0, 0};
  server->putStates(3, states);
  server->putClip(1, "0044\xE8");  // Windows-1250 reaches the client as UTF-8
  const std::uint8_t queue[2] = {4, 2};
  server->putFront(1, queue, 2);

  LineClient c(server->port());
  ASSERT_TRUE(c.connected());
  EXPECT_EQ(next(c), (json{{"type", "hello"}, {"server", "XAPISrvr"}, {"protocol", 1}}));
  EXPECT_EQ(next(c), (json{{"type", "info"}, {"version", "3.10"}, {"lineOffset", 1},
                           {"bytes", {3, 16, 1, 0, 0, 0, 9}}}));
  EXPECT_EQ(next(c), json::parse(R"({"type":"lines","lines":[{"line":0,"number":"21"},
      {"line":1,"number":"22"},{"line":2,"number":"3001"}]})"));
  const json full = next(c);
  EXPECT_EQ(full["full"], true);
  ASSERT_EQ(full["lines"].size(), 3u);
  EXPECT_EQ(full["lines"][1], json::parse(R"({"line":1,"state":8,"bytes":[8,1,2,1],"callerFlag":true})"));
  EXPECT_EQ(next(c), (json{{"type", "caller"}, {"line", 1}, {"number", "0044\u010D"}}));
  EXPECT_EQ(next(c), (json{{"type", "queue"}, {"lineOffset", 1}, {"data", {4, 2}}}));

  // The same picture again says nothing; a change says only what changed.
  server->putStates(3, states);
  states[8] = 8;
  server->putStates(3, states);
  const json change = next(c);
  EXPECT_EQ(change["type"], "states");
  EXPECT_EQ(change["full"], false);
  EXPECT_EQ(change["lines"], json::parse(R"([{"line":2,"state":8,"bytes":[8,0,0,0],"callerFlag":false}])"));
  // More lines than before: the full picture again.
  std::uint8_t more[16] = {};
  server->putStates(4, more);
  const json again = next(c);
  EXPECT_EQ(again["full"], true);
  EXPECT_EQ(again["lines"].size(), 4u);
  server->putAccLine("21 0044123456 00:01:12");
  EXPECT_EQ(next(c), (json{{"type", "accounting"}, {"text", "21 0044123456 00:01:12"}}));
}

TEST_F(CtiServerTest, EachCommandIsPostedAndAcknowledgedWithItsIdWhenTheAgentTakesIt) {
  LineClient c(server->port());
  ASSERT_TRUE(c.connected());
  ASSERT_EQ(next(c)["type"], "hello");
  const struct {
    const char* line;
    int code;
    int station;
    std::string text;
  } cases[] = {
      {R"({"id":1,"command":"speaker","station":5})", 0, 5, ""},
      {R"({"id":"m","command":"microphone","station":0})", 1, 0, ""},
      {R"({"id":[3],"command":"volumeUp","station":255})", 2, 255, ""},
      {R"({"command":"volumeDown","station":7})", 3, 7, ""},
      {R"({"id":5,"command":"dial","station":12,"number":"0044123456789012345678901234*#"})", 4,
       12, "0044123456789012345678901234*#"},
      {R"({"id":6,"command":"takeFromQueue","station":3,"queue":4})", 5, 3, "\x04"},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.line);
    const TStates r = roundTrip(c, k.line);
    EXPECT_EQ(r.code, k.code);
    EXPECT_EQ(r.station, k.station);
    EXPECT_EQ(std::string(r.text, strnlen(r.text, sizeof r.text)), k.text);
    const json ack = next(c);
    EXPECT_EQ(ack["type"], "ack");
    EXPECT_EQ(ack["id"], json::parse(k.line).value("id", json()));
  }
  // A number nobody posted: a record the agent ignores.
  TStates stale{};
  stale.code = 4;
  server->takeCommand(999999, &stale);
  EXPECT_EQ(stale.code, 255);
}

TEST_F(CtiServerTest, ABadCommandIsAnsweredWithAnErrorAndNeverPosted) {
  LineClient c(server->port());
  ASSERT_EQ(next(c)["type"], "hello");
  const char* bad[] = {
      "not json",
      R"([1,2])",
      R"({"id":1})",
      R"({"id":2,"command":"reboot","station":1})",
      R"({"id":3,"command":"speaker"})",
      R"({"id":4,"command":"speaker","station":256})",
      R"({"id":5,"command":"speaker","station":-1})",
      R"({"id":6,"command":"speaker","station":"1"})",
      R"({"id":7,"command":"dial","station":1})",
      R"({"id":8,"command":"dial","station":1,"number":""})",
      R"({"id":9,"command":"dial","station":1,"number":"1234567890123456789012345678901"})",
      R"({"id":10,"command":"dial","station":1,"number":"12\n3"})",
      R"({"id":11,"command":"takeFromQueue","station":1})",
  };
  for (const char* line : bad) {
    SCOPED_TRACE(line);
    ASSERT_TRUE(c.send(std::string(line) + "\n"));
    const json e = next(c);
    EXPECT_EQ(e["type"], "error");
    EXPECT_TRUE(e["error"].is_string());
    const json sent = json::parse(line, nullptr, false);
    EXPECT_EQ(e["id"], sent.is_object() ? sent.value("id", json()) : json());
  }
  EXPECT_EQ(posts.count(), 0u);
  // The connection still serves.
  const TStates r = roundTrip(c, R"({"id":12,"command":"speaker","station":2})");
  EXPECT_EQ(r.station, 2);
}

TEST_F(CtiServerTest, TwoClientsBothSeeEverythingAndEachGetsItsOwnAcknowledgements) {
  LineClient a(server->port()), b(server->port());
  ASSERT_EQ(next(a)["type"], "hello");
  ASSERT_EQ(next(b)["type"], "hello");
  server->putClip(4, "777");
  EXPECT_EQ(next(a)["number"], "777");
  EXPECT_EQ(next(b)["number"], "777");
  roundTrip(b, R"({"id":"from-b","command":"volumeDown","station":1})");
  server->putAccLine("after");
  EXPECT_EQ(next(b)["id"], "from-b");
  // a sees no acknowledgement of b's command: its next line is the accounting line.
  EXPECT_EQ(next(a)["type"], "accounting");
  EXPECT_EQ(next(b)["type"], "accounting");
}

// The process's user and system CPU time so far.
std::chrono::microseconds cpuTime() {
  rusage u{};
  ::getrusage(RUSAGE_SELF, &u);
  auto us = [](const timeval& t) { return std::chrono::seconds(t.tv_sec) + std::chrono::microseconds(t.tv_usec); };
  return us(u.ru_utime) + us(u.ru_stime);
}

TEST_F(CtiServerTest, OutOfDescriptorsTheServerWaitsInsteadOfSpinning) {
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit tight = saved;
  tight.rlim_cur = 256;
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
  // Every descriptor taken, then one given back for the client's own socket:
  // the server has none left to accept it with.
  std::vector<int> fillers;
  for (int fd; (fd = ::dup(0)) >= 0;) fillers.push_back(fd);
  ASSERT_FALSE(fillers.empty());
  ::close(fillers.back());
  fillers.pop_back();
  LineClient waiting(server->port());

  const auto before = cpuTime();
  std::this_thread::sleep_for(1s);
  const auto used = cpuTime() - before;
  for (const int fd : fillers) ::close(fd);
  ::setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_LT(used, 300ms) << "a failing accept retried at once";
  EXPECT_TRUE(next(waiting).is_object()) << "accepted once a descriptor is free";
}

TEST_F(CtiServerTest, AClientThatNeverReadsIsDroppedWithoutHoldingUpTheOthers) {
  CtiSettings s;
  s.maxQueueBytes = 64 * 1024;
  startServer(s);
  LineClient stuck(server->port(), 4096);
  LineClient reader(server->port());
  ASSERT_EQ(next(reader)["type"], "hello");
  const std::string text(200, 'x');
  // Far more than the stuck client's socket buffers and its queue together.
  const auto before = std::chrono::steady_clock::now();
  for (int i = 0; i < 20000; ++i) {
    server->putAccLine(text.c_str());
    if (i % 100 == 0) {
      // The reader keeps up; what it was sent arrives in order.
      for (int k = 0; k < 100 && i > 0; ++k) ASSERT_EQ(next(reader)["type"], "accounting");
    }
  }
  // 20000 feeds, none of them waiting for a socket.
  EXPECT_LT(std::chrono::steady_clock::now() - before, 20s);
  EXPECT_TRUE(stuck.closedByPeer(5s));
  server->putAccLine("last");
  json m;
  int read = 0;
  for (; read < 300; ++read) {
    m = next(reader);
    if (!m.is_object() || m.value("text", "") == "last") break;
  }
  ASSERT_TRUE(m.is_object()) << "after " << read;
  EXPECT_EQ(m.value("text", ""), "last");
}

TEST_F(CtiServerTest, OnlyAllowedAddressesAndNoMoreThanTheLimitAreLetIn) {
  CtiSettings s;
  s.allow = {{0x0A000000u, 8}};  // 10.0.0.0/8: not loopback
  startServer(s);
  LineClient outsider(server->port());
  EXPECT_TRUE(outsider.closedByPeer(5s));

  CtiSettings two;
  two.maxClients = 1;
  startServer(two);
  LineClient first(server->port());
  ASSERT_EQ(next(first)["type"], "hello");
  LineClient second(server->port());
  EXPECT_TRUE(second.closedByPeer(5s));
}

TEST_F(CtiServerTest, StopClosesTheClientsAndAnOverlongLineEndsAConnection) {
  LineClient talker(server->port());
  ASSERT_EQ(next(talker)["type"], "hello");
  ASSERT_TRUE(talker.send(std::string(CtiServer::kMaxLine + 10, 'a')));
  EXPECT_TRUE(talker.closedByPeer(5s));
  LineClient c(server->port());
  ASSERT_EQ(next(c)["type"], "hello");
  server->stop();
  EXPECT_TRUE(c.closedByPeer(5s));
}

TEST(CtiSettings, ReadsTheServerSectionAndKeepsDefaultsForBadValues) {
  std::vector<std::string> problems;
  const CtiSettings s = parseCtiSettings(
      "; comment\n[Other]\nPort=1\n[server]\nlisten = 0.0.0.0\nPort=4321\n"
      "Allow=127.0.0.1, 192.168.0.0/16\nMaxClients=0\nMaxQueueKB=8\n",
      &problems);
  EXPECT_EQ(s.listen, "0.0.0.0");
  EXPECT_EQ(s.port, 4321);
  EXPECT_TRUE(s.allows(0x7F000001u));
  EXPECT_TRUE(s.allows(0xC0A80105u));
  EXPECT_FALSE(s.allows(0xC0A90105u));
  EXPECT_EQ(s.maxClients, CtiSettings{}.maxClients);
  EXPECT_EQ(s.maxQueueBytes, 8u * 1024);
  EXPECT_EQ(problems, (std::vector<std::string>{"MaxClients"}));

  problems.clear();
  const CtiSettings bad =
      parseCtiSettings("[Server]\nListen=localhost\nPort=70000\nAllow=10.0.0.0/33\n", &problems);
  EXPECT_EQ(bad.listen, "127.0.0.1");
  EXPECT_EQ(bad.port, 1240);
  EXPECT_TRUE(bad.allows(0x7F000001u));
  EXPECT_FALSE(bad.allows(0x0A000001u));
  EXPECT_EQ(problems, (std::vector<std::string>{"Listen", "Port", "Allow"}));
}

}  // namespace
}  // namespace xapisrvr
