// The real agent with the real CTI server library and pbxsim: a CTI client
// on the network follows the lines and dials through the agent.
#include <gtest/gtest.h>
#include <signal.h>

#include <nlohmann/json.hpp>
#include <thread>

#include "platform/posix/dl_library_loader.h"
#include "support/installed_copy.h"
#include "support/notify_socket.h"
#include "support/line_client.h"
#include "support/process.h"
#include "support/tcp_client.h"
#include "xapi/txapi.h"

namespace norva {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;

// Reads messages until one satisfies `want`; null when none came in time.
template <typename Want>
json waitFor(test::LineClient& c, Want want, std::chrono::milliseconds timeout = 10s) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    const auto line = c.readLine(std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now()));
    if (!line) break;
    const json m = json::parse(*line, nullptr, false);
    if (m.is_object() && want(m)) return m;
  }
  return json();
}

TEST(XapiE2E, TheShippedLibraryHasEveryEntryPointTheBridgeLooksFor) {
  DlLibraryLoader loader(NORVA_BIN_DIR);
  TXAPI x(loader);
  ASSERT_TRUE(x.module);
  EXPECT_TRUE(x.active);
}

TEST(XapiE2E, ACtiClientSeesLinesAndCallersAndDialsThroughTheAgent) {
  test::InstalledCopy copy;
  const std::string link = copy.dir.file("ttyPBX");
  test::Process pbx(test::Process::WithStdio{}, copy.dir.file("pbxsim"), {"--link", link});
  ASSERT_TRUE(pbx.waitForStdout("pty ", 10s)) << pbx.stderrText();
  const int port = test::freeTcpPort();
  copy.dir.write("XAPISrvr.INI", "[Server]\nPort=" + std::to_string(port) + "\n");
  copy.dir.write("NAgent.INI", "[Set]\nLang=Eng\nXAPI=1\nUctFile=" + copy.dir.file("calls.txt") +
                                   "\n[Prefix]\n9=00\n[Devices]\nCOM2=" + link + "\n");
  test::Process agent(copy.program(), {"/service"}, test::serviceEnv());
  ASSERT_TRUE(agent.waitForStderr("XAPI Init", 10s)) << agent.stderrText();
  ASSERT_TRUE(agent.waitForStderr("XAPISrvr: CTI clients on 127.0.0.1:" + std::to_string(port), 5s))
      << agent.stderrText();

  test::LineClient client(port);
  ASSERT_TRUE(client.connected());
  const json lines = waitFor(client, [](const json& m) { return m["type"] == "lines"; });
  ASSERT_TRUE(lines.is_object()) << agent.stderrText();
  ASSERT_EQ(lines["lines"].size(), 8u);
  EXPECT_EQ(lines["lines"][0]["number"], "21");
  const json full = waitFor(client, [](const json& m) { return m["type"] == "states"; });
  ASSERT_TRUE(full.is_object());
  EXPECT_EQ(full["full"], true);
  EXPECT_EQ(full["lines"][3]["state"], 0);

  // Line 3 rings with a caller number.
  ASSERT_TRUE(pbx.writeStdin("caller 3 0044123\nline 3 8 0 0 1\n"));
  const json ringing = waitFor(client, [](const json& m) {
    return m["type"] == "states" && m["full"] == false && !m["lines"].empty() &&
           m["lines"][0]["line"] == 3;
  });
  ASSERT_TRUE(ringing.is_object()) << agent.stderrText();
  EXPECT_EQ(ringing["lines"][0]["state"], 8);
  EXPECT_EQ(ringing["lines"][0]["callerFlag"], true);
  const json caller = waitFor(client, [](const json& m) { return m["type"] == "caller"; });
  EXPECT_EQ(caller, (json{{"type", "caller"}, {"line", 3}, {"number", "0044123"}}));

  // A dial command reaches the PBX as 0x12, the station and the dial codes,
  // after the agent's prefix table.
  ASSERT_TRUE(client.send(R"({"id":7,"command":"dial","station":5,"number":"9123"})" "\n"));
  const json ack = waitFor(client, [](const json& m) { return m["type"] == "ack"; });
  EXPECT_EQ(ack["id"], 7);
  EXPECT_TRUE(pbx.waitForStdout(" 12 05 0A 0A 01 02 03\n", 5s)) << pbx.stdoutText();
  EXPECT_TRUE(agent.waitForStderr("XAPI Message VOL 00123", 2s)) << agent.stderrText();
  ASSERT_TRUE(client.send(R"({"id":8,"command":"takeFromQueue","station":5,"queue":2})" "\n"));
  EXPECT_EQ(waitFor(client, [](const json& m) { return m["type"] == "ack"; })["id"], 8);
  EXPECT_TRUE(pbx.waitForStdout(" 22 05 02\n", 5s)) << pbx.stdoutText();

  agent.signal(SIGTERM);
  EXPECT_EQ(agent.wait(10s), std::optional<int>(0));
  EXPECT_TRUE(client.closedByPeer(5s));
}

}  // namespace
}  // namespace norva
