// The service's run and its reports, against a recording manager.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "service/service_entry.h"

namespace norva {
namespace {

struct RecordingChannel : StatusChannel {
  bool available() const override { return present; }
  bool send(const std::string& message) override {
    journal->push_back("notify " + message);
    return sent++ != refuseAt;
  }
  bool present = true;
  int refuseAt = -1;  // the index of the one refused report
  int sent = 0;
  std::vector<std::string>* journal = nullptr;
};

struct RecordingLog : SystemLog {
  void logEvent(Kind kind, const std::string& text) override {
    journal->push_back(std::string(kind == Kind::Error ? "error " : "info ") + text);
  }
  std::vector<std::string>* journal = nullptr;
};

struct RunnerFixture : ::testing::Test {
  RunnerFixture() {
    channel.journal = &journal;
    log.journal = &journal;
  }
  ServiceRunner& make() {
    ServiceRunner::Hooks h;
    h.registerCtrlHandler = [this] {
      journal.push_back("register");
      return registers;
    };
    h.createAgent = [this] { journal.push_back("create"); };
    h.runLoop = [this] {
      journal.push_back("loop");
      if (duringLoop) duringLoop(*runner);
    };
    h.quitLoop = [this] { journal.push_back("quit"); };
    h.tearDown = [this] { journal.push_back("teardown"); };
    h.lastError = [] { return 13; };
    h.tellUser = [this](const std::string& t) { journal.push_back("user " + t); };
    runner = std::make_unique<ServiceRunner>(channel, log, std::move(h));
    return *runner;
  }

  std::vector<std::string> journal;
  RecordingChannel channel;
  RecordingLog log;
  bool registers = true;
  std::function<void(ServiceRunner&)> duringLoop;
  std::unique_ptr<ServiceRunner> runner;
};

TEST_F(RunnerFixture, AFullRunReportsInOrderAndStopsOnlyAfterTheTearDown) {
  duringLoop = [](ServiceRunner& r) {
    r.ServiceCtrlHandler(ServiceRunner::Interrogate);
    r.ServiceCtrlHandler(ServiceRunner::Stop);
  };
  EXPECT_EQ(make().RunAsService(), 0);
  const std::vector<std::string> expected = {
      "register",
      "notify STATUS=Start pending (1)\nEXTEND_TIMEOUT_USEC=3000000",
      "notify STATUS=Start pending (2)\nEXTEND_TIMEOUT_USEC=3000000",
      "create",
      "notify READY=1\nSTATUS=Running",
      "loop",
      "notify READY=1\nSTATUS=Running",  // interrogate: the state again
      "notify STOPPING=1\nSTATUS=Stop pending (3)",
      "quit",
      "teardown",
      "notify STATUS=Stopped",
  };
  EXPECT_EQ(journal, expected);
  EXPECT_EQ(runner->currentState(), ServiceRunner::Stopped);
  EXPECT_EQ(runner->checkpointCounter(), 4);
}

TEST_F(RunnerFixture, WithoutAManagerNothingStartsAndTheDispatcherErrorIsLogged) {
  channel.present = false;
  EXPECT_EQ(make().RunAsService(), 0);
  const std::vector<std::string> expected = {"error StartServiceCtrlDispatcher failed.",
                                             "user StartServiceCtrlDispatcher failed."};
  EXPECT_EQ(journal, expected);
}

TEST_F(RunnerFixture, AFailedRegistrationReportsStoppedWithTheSystemError) {
  registers = false;
  make().RunAsService();
  const std::vector<std::string> expected = {"register", "notify STATUS=Stopped\nERRNO=13"};
  EXPECT_EQ(journal, expected);
}

// Which report the manager refuses decides how far the run gets; a refusal
// is always logged, and an agent once created is always torn down.
TEST_F(RunnerFixture, ARefusedReportEndsTheRunAtItsStep) {
  struct Case {
    int refuseAt;
    bool created;
    bool looped;
  };
  for (const Case c : {Case{0, false, false}, Case{1, false, false}, Case{2, true, false}}) {
    SCOPED_TRACE(c.refuseAt);
    journal.clear();
    channel.sent = 0;
    channel.refuseAt = c.refuseAt;
    make().RunAsService();
    auto has = [&](const std::string& e) {
      return std::find(journal.begin(), journal.end(), e) != journal.end();
    };
    EXPECT_TRUE(has("error SetServiceStatus"));
    EXPECT_EQ(has("create"), c.created);
    EXPECT_EQ(has("teardown"), c.created);
    EXPECT_EQ(has("loop"), c.looped);
    EXPECT_EQ(journal.back().rfind("notify STATUS=Stopped", 0), 0u) << journal.back();
  }
}

TEST_F(RunnerFixture, AnEscapingErrorIsLoggedAndTheAgentStillTornDown) {
  ServiceRunner& r = make();
  duringLoop = [](ServiceRunner&) { throw std::runtime_error("out of memory"); };
  r.RunAsService();
  auto at = [&](const std::string& e) {
    return std::find(journal.begin(), journal.end(), e) - journal.begin();
  };
  EXPECT_LT(at("error out of memory"), at("teardown"));
  EXPECT_LT(at("teardown"), at("notify STATUS=Stopped"));
  EXPECT_LT(at("notify STATUS=Stopped"), static_cast<long>(journal.size()));
}

TEST(ServiceEventText, ErrorsCarryTheNameAndTheSavedErrorOthersTheNameAlone) {
  EXPECT_EQ(formatEventText(SystemLog::Kind::Error, 5, "SetServiceStatus"),
            "NorvaAgent error: 5: SetServiceStatus");
  EXPECT_EQ(formatEventText(SystemLog::Kind::Information, 5, "Start"), "NorvaAgent: Start");
}

}  // namespace
}  // namespace norva
