#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/agent.h"
#include "support/fake_serial_port.h"
#include "support/fake_tcp_server.h"
#include "support/memory_accounting_file.h"
#include "support/recording_ui.h"
#include "support/shipped_languages.h"
#include "support/temp_dir.h"
#include "support/virtual_time.h"

namespace norva::test {

// The whole agent in a folder of its own, on virtual time, with the shipped
// language files beside a pretend program file.
class AgentFixture {
 public:
  AgentFixture() {
    for (const char* code : {"Eng", "Cz", "De"}) copyShippedLanguage(dir, code);
  }

  void writeIni(const std::string& content) { dir.write("NAgent.INI", content); }

  Agent& start(std::vector<std::string> params = {}, bool serviceMode = false,
               bool serviceElsewhere = false) {
    AgentEnvironment env;
    env.programPath = dir.file("NAgent");
    env.args = {env.programPath};
    env.args.insert(env.args.end(), params.begin(), params.end());
    for (const auto& a : env.args) env.rawCommandLine += (env.rawCommandLine.empty() ? "" : " ") + a;
    env.clock = &clock;
    env.timers = &scheduler;
    env.ui = uiSink != nullptr ? uiSink : &ui;
    env.systemLog = &systemLog;
    env.serialPort = &port;
    env.accountingFile = &accountingFile;
    env.createMailGateway = createMailGateway;
    env.tcpServer = &tcpServer;
    env.libraries = libraries;
    env.loop = loop;
    agent = std::make_unique<Agent>(env);
    agent->ServiceMode = serviceMode;
    agent->ServiceElsewhere = serviceElsewhere;
    agent->FormCreate();
    return *agent;
  }

  // The log lines without their time stamps.
  std::vector<std::string> lines() const {
    std::vector<std::string> out;
    for (const auto& l : agent->log().lines()) out.push_back(l.substr(12));
    return out;
  }

  TempDir dir;
  VirtualClock clock;
  VirtualScheduler scheduler{clock};
  RecordingUi ui;
  UiSink* uiSink = nullptr;  // another desktop in place of `ui`, set before start()
  RecordingSystemLog systemLog;
  FakeSerialPort port;
  MemoryAccountingFile accountingFile;
  FakeTcpServer tcpServer;
  std::function<std::unique_ptr<MailGateway>()> createMailGateway;
  LibraryLoader* libraries = nullptr;
  LoopPoster* loop = nullptr;
  std::unique_ptr<Agent> agent;
};

}  // namespace norva::test
