// The real program as a gateway: TCP clients on 127.0.0.1, pbxsim on a
// pseudo-terminal.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "support/installed_copy.h"
#include "support/notify_socket.h"
#include "support/process.h"
#include "support/tcp_client.h"

namespace norva {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

class GatewayE2E : public ::testing::Test {
 protected:
  // `limit`: the agent runs with at most that many descriptors.
  void startBoth(const std::string& setKeys = "", bool waitForLines = true, int limit = 0) {
    pbx = std::make_unique<test::Process>(test::Process::WithStdio{}, copy.dir.file("pbxsim"),
                                          std::vector<std::string>{"--link", link});
    ASSERT_TRUE(pbx->waitForStdout("pty ", 10s)) << pbx->stderrText();
    copy.dir.write("NAgent.INI", "[Set]\n" + setKeys + "Lang=Eng\nIPPort=" + std::to_string(port) +
                                     "\nUctFile=" + copy.dir.file("calls.txt") + "\n[Devices]\nCOM2=" +
                                     link + "\n[Timer]\nURIntervalBezDat=300\n");
    if (limit > 0) {
      const std::string n = std::to_string(limit);
      agent = std::make_unique<test::Process>(
          "/usr/bin/prlimit", std::vector<std::string>{"--nofile=" + n + ":" + n, copy.program(), "/service"},
          test::serviceEnv());
    } else {
      agent = std::make_unique<test::Process>(copy.program(), std::vector<std::string>{"/service"},
                                              test::serviceEnv());
    }
    if (!waitForLines) return;
    // Past the start requests: the line list (00 0E 00) has been answered.
    ASSERT_TRUE(pbx->waitForStdout(" 00 0E 00\n", 10s)) << agent->stderrText();
    ASSERT_TRUE(agent->waitForStderr("Line list", 5s)) << agent->stderrText();
  }
  void TearDown() override {
    if (agent) {
      agent->signal(SIGTERM);
      EXPECT_EQ(agent->wait(10s), std::optional<int>(0));
    }
  }
  std::size_t count(const std::string& haystack, const std::string& needle) {
    std::size_t n = 0;
    for (std::size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++n;
    return n;
  }

  test::InstalledCopy copy;
  const std::string link = copy.dir.file("ttyPBX");
  const int port = test::freeTcpPort();
  std::unique_ptr<test::Process> pbx;
  std::unique_ptr<test::Process> agent;
};

TEST_F(GatewayE2E, ForwardsAReadAndAnswersALineListFromItsCache) {
  startBoth();
  test::TcpClient client(port, 5s);
  ASSERT_TRUE(client.connected());

  // The information record (command 2) goes to the PBX and back.
  ASSERT_TRUE(client.send({2}));
  const Bytes info = client.receive(3s);
  ASSERT_EQ(info.size(), 8u) << agent->stderrText();
  EXPECT_EQ(info[0], 0);
  EXPECT_TRUE(pbx->waitForStdout(" 02\n", 2s));

  // The line list was read by the agent itself at start: a client gets it
  // from the cache, and the PBX sees no second such read.
  pbx->waitForStdout("\n", 300ms);
  const std::size_t reads = count(pbx->stdoutText(), " 00 0E 00\n");
  ASSERT_TRUE(client.send({0, 14, 0}));
  const Bytes lines = client.receive(3s);
  ASSERT_EQ(lines.size(), 3u + 8 * 4);
  EXPECT_EQ((Bytes{lines[0], lines[1], lines[2]}), (Bytes{0, 14, 0}));
  EXPECT_TRUE(agent->waitForStderr("<CCH", 2s)) << agent->stderrText();
  pbx->waitForStdout("never", 500ms);
  EXPECT_EQ(count(pbx->stdoutText(), " 00 0E 00\n"), reads);
}

TEST_F(GatewayE2E, HandsOutAccountingRecordsWithNextAndAgain) {
  startBoth("SendUct=1\n");
  ASSERT_TRUE(pbx->writeStdin("record 21 0044123456 00:01:12\nrecord 22 112 00:00:09\n"));
  ASSERT_TRUE(agent->waitForStderr("<COM 22 112 00:00:09", 10s)) << agent->stderrText();

  test::TcpClient client(port, 5s);
  auto ask = [&](std::uint8_t command) {
    client.send({command});
    const Bytes r = client.receive(3s);
    return std::string(r.begin(), r.end());
  };
  EXPECT_EQ(ask(4), std::string("\0" "21 0044123456 00:01:12", 23));
  EXPECT_EQ(ask(5), std::string("\0" "21 0044123456 00:01:12", 23));
  EXPECT_EQ(ask(4), std::string("\0" "22 112 00:00:09", 16));
  EXPECT_EQ(ask(4), std::string("\0", 1));
}

TEST_F(GatewayE2E, ANewClientOnTheSameSocketNumberGetsNothingMeantForTheOneBefore) {
  startBoth("MaxCache=0\n");
  ASSERT_TRUE(pbx->writeStdin("delay 800\n"));
  auto first = std::make_unique<test::TcpClient>(port, 5s);
  ASSERT_TRUE(first->send({2}));
  ASSERT_TRUE(agent->waitForStderr("<IP:127.0.0.1:", 2s));
  first.reset();  // gone before the PBX answers
  // Time for the agent to close its end, so that the system hands the same
  // descriptor to the next connection.
  std::this_thread::sleep_for(300ms);
  test::TcpClient second(port, 5s);
  EXPECT_EQ(second.receive(2s), Bytes{}) << "the departed client's answer went astray";

  ASSERT_TRUE(second.send({2}));
  EXPECT_EQ(second.receive(3s).size(), 8u);
  // Both were the same socket number to the agent: the case that matters.
  const std::regex tag("<IP:127\\.0\\.0\\.1:(\\d+) ");
  agent->waitForStderr("(collect what it wrote)", 500ms);
  std::vector<std::string> numbers;
  const std::string& log = agent->stderrText();
  for (auto it = std::sregex_iterator(log.begin(), log.end(), tag); it != std::sregex_iterator(); ++it) {
    numbers.push_back((*it)[1]);
  }
  ASSERT_EQ(numbers.size(), 2u) << log;
  EXPECT_EQ(numbers[0], numbers[1]);
}

TEST_F(GatewayE2E, ListensOnceAnotherProgramHasFreedThePort) {
  const int holder = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  ASSERT_EQ(::bind(holder, reinterpret_cast<const sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(::listen(holder, 1), 0);
  startBoth("", false);
  ASSERT_TRUE(agent->waitForStderr("!Err TCP server could not be opened", 10s)) << agent->stderrText();
  ::close(holder);
  ASSERT_TRUE(agent->waitForStderr("-OK- TCP server listening", 10s)) << agent->stderrText();
  test::TcpClient client(port, 5s);
  ASSERT_TRUE(client.send({2}));
  EXPECT_EQ(client.receive(3s).size(), 8u);
}

TEST_F(GatewayE2E, OutOfDescriptorsItNeitherSpinsNorStopsAccepting) {
  startBoth("", true, 32);
  test::TcpClient first(port, 5s);
  ASSERT_TRUE(first.send({2}));
  ASSERT_EQ(first.receive(3s).size(), 8u);
  std::vector<std::unique_ptr<test::TcpClient>> crowd;
  for (int i = 0; i < 40; ++i) crowd.push_back(std::make_unique<test::TcpClient>(port, 2s));

  std::this_thread::sleep_for(500ms);
  const long before = test::cpuTicks(agent->pid());
  std::this_thread::sleep_for(2s);
  const long used = test::cpuTicks(agent->pid()) - before;
  EXPECT_LT(used, sysconf(_SC_CLK_TCK) / 2) << "a failing accept must not be retried at once";
  ASSERT_TRUE(first.send({2}));
  EXPECT_EQ(first.receive(3s).size(), 8u) << "the clients already in are still served";

  crowd.clear();
  test::TcpClient late(port, 5s);
  ASSERT_TRUE(late.send({2}));
  EXPECT_EQ(late.receive(5s).size(), 8u) << "accepting again once descriptors are free";
}

}  // namespace
}  // namespace norva
