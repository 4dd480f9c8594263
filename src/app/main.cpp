// Composition root: reads the command line, picks desktop or service mode,
// builds the platform adapters and hands them to the agent.
#include <sys/resource.h>

#include <cerrno>
#include <cstdio>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <thread>
#include <memory>
#include <string>
#include <vector>

#include "app/headless_ui.h"
#include "app/stderr_log_mirror.h"
#include "core/agent.h"
#include "link/port_settings.h"
#include "messaging/tmail602.h"
#include "platform/posix/dl_library_loader.h"
#include "platform/posix/posix_accounting_file.h"
#include "platform/posix/temp_directory.h"
#include "platform/posix/syslog_system_log.h"
#include "platform/linux/notify_socket_channel.h"
#include "platform/linux/systemctl_service_manager.h"
#include "platform/qt/qt_clock.h"
#include "platform/qt/qt_loop_poster.h"
#include "platform/qt/qt_serial_port.h"
#include "platform/qt/qt_tcp_server.h"
#include "platform/qt/qt_timer.h"
#include "platform/qt/stop_signal_notifier.h"
#include "service/service_entry.h"
#include "service/services.h"
#include "i18n/tnls.h"

#ifdef NORVA_GUI
#include <QApplication>

#include "ui/main_window.h"
#include "ui/service_dialog_binding.h"
#endif

namespace {

// A gateway for a thousand clients needs more descriptors than the usual
// soft limit of 1024; take what the hard limit allows.
void raiseDescriptorLimit() {
  rlimit limit{};
  constexpr rlim_t kWanted = 65536;
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < kWanted) {
    limit.rlim_cur = std::min(kWanted, limit.rlim_max);
    setrlimit(RLIMIT_NOFILE, &limit);
  }
}

}  // namespace

int main(int argc, char** argv) {
  raiseDescriptorLimit();
  std::vector<std::string> args(argv, argv + argc);
  std::string raw;
  for (const std::string& a : args) raw += (raw.empty() ? "" : " ") + a;
  const bool serviceMode = norva::isServiceCommandLine(raw);

  std::unique_ptr<QCoreApplication> app;
#ifdef NORVA_GUI
  if (!serviceMode) {
    auto gui = std::make_unique<QApplication>(argc, argv);
    gui->setQuitOnLastWindowClosed(false);  // the tray keeps a hidden agent alive
    app = std::move(gui);
  }
#endif
  if (!app) app = std::make_unique<QCoreApplication>(argc, argv);

  norva::QtClock clock;
  norva::QtTimerFactory timers;
  norva::SyslogSystemLog systemLog;
  norva::QtSerialPort serialPort;
  norva::PosixAccountingFile accountingFile;
  norva::QtTcpServer tcpServer;

  std::unique_ptr<norva::UiSink> ui;
  norva::HeadlessUi* headless = nullptr;
#ifdef NORVA_GUI
  norva::MainWindow* window = nullptr;
  if (!serviceMode) {
    auto w = std::make_unique<norva::MainWindow>();
    window = w.get();
    ui = std::move(w);
  }
#endif
  if (!ui) {
    auto h = std::make_unique<norva::HeadlessUi>([] { QCoreApplication::quit(); });
    headless = h.get();
    ui = std::move(h);
  }

  const std::string programPath = QCoreApplication::applicationFilePath().toStdString();

  // Service control and the autostart entry, for the services dialog and the
  // start-up check.
  norva::Agent* agentPtr = nullptr;
  norva::SystemctlServiceManager serviceManager;
  norva::XdgAutostart autostart(norva::XdgAutostart::defaultFolder());
  norva::Services::Env servicesEnv;
  servicesEnv.manager = &serviceManager;
  servicesEnv.autostart = &autostart;
  servicesEnv.programPath = programPath;
  servicesEnv.text = [&agentPtr](int number) {
    return agentPtr != nullptr && agentPtr->nls() != nullptr ? agentPtr->nls()->GetText(number)
                                                             : std::string();
  };
  servicesEnv.showInfo = [&ui](const std::string& caption, const std::string& text) {
    ui->showMessage(norva::MessageIcon::Information, norva::MessageButtons::Ok, caption, text,
                    nullptr);
  };
  servicesEnv.sleep = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
  norva::Services services(servicesEnv);
  norva::ServicesQuery serviceQuery(services);

  norva::AgentEnvironment env;
  env.programPath = programPath;
  env.args = args;
  env.rawCommandLine = raw;
  env.clock = &clock;
  env.timers = &timers;
  env.ui = ui.get();
  env.systemLog = &systemLog;
  env.serviceQuery = &serviceQuery;
  env.serialPort = &serialPort;
  env.accountingFile = &accountingFile;
  env.tcpServer = &tcpServer;
  norva::DlLibraryLoader libraries(norva::directoryOf(programPath));
  env.createMailGateway = [&libraries] {
    return std::make_unique<norva::TMail602>(libraries.load("libagentz4.so"),
                                             norva::systemTempDirectory());
  };
  norva::QtLoopPoster loop;
  env.libraries = &libraries;
  env.loop = &loop;

  norva::Agent agent(env);
  agentPtr = &agent;
  agent.ServiceMode = serviceMode;
  agent.ServiceElsewhere = !serviceMode && serviceQuery.serviceIsRunning();
  serialPort.setPathResolver([&agent](const std::string& name) {
    return norva::port_settings::devicePathFor(name, agent.config().devices);
  });

  norva::StderrLogMirror mirror;
  if (headless != nullptr) agent.log().addObserver(&mirror);
#ifdef NORVA_GUI
  if (window != nullptr) {
    window->attach(&agent);
    window->setServiceDialogActions(norva::bindServiceDialog(services));
  }
#endif

  if (serviceMode) {
    norva::NotifySocketChannel channel;
    std::unique_ptr<norva::StopSignalNotifier> stop;
    norva::ServiceRunner* runnerPtr = nullptr;
    norva::ServiceRunner::Hooks hooks;
    hooks.registerCtrlHandler = [&] {
      stop = std::make_unique<norva::StopSignalNotifier>(
          [&] { runnerPtr->ServiceCtrlHandler(norva::ServiceRunner::Stop); });
      return stop->ok();
    };
    hooks.createAgent = [&] { agent.FormCreate(); };
    hooks.runLoop = [&] { app->exec(); };
    hooks.quitLoop = [] { QCoreApplication::quit(); };
    hooks.tearDown = [&] { agent.FormDestroy(); };
    hooks.lastError = [] { return errno; };
    hooks.tellUser = [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); };
    norva::ServiceRunner runner(channel, systemLog, std::move(hooks));
    runnerPtr = &runner;
    const int rc = runner.RunAsService();
    agent.log().removeObserver(&mirror);
    return rc;
  }

  // A stop request only ends the loop; the tear-down runs on this thread after it.
  norva::StopSignalNotifier stop([] { QCoreApplication::quit(); });

  agent.FormCreate();
  const int rc = app->exec();
  agent.FormDestroy();
  agent.log().removeObserver(&mirror);
  return rc;
}
