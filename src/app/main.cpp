// Composition root: reads the command line, picks desktop or service mode,
// builds the platform adapters and hands them to the agent.
#include <QCoreApplication>
#include <memory>
#include <string>
#include <vector>

#include "app/headless_ui.h"
#include "app/stderr_log_mirror.h"
#include "core/agent.h"
#include "link/port_settings.h"
#include "platform/posix/dl_library_loader.h"
#include "platform/posix/no_service_query.h"
#include "platform/posix/posix_accounting_file.h"
#include "platform/posix/syslog_system_log.h"
#include "platform/qt/qt_clock.h"
#include "platform/qt/qt_loop_poster.h"
#include "platform/qt/qt_serial_port.h"
#include "platform/qt/qt_timer.h"
#include "platform/qt/stop_signal_notifier.h"

#ifdef NORVA_GUI
#include <QApplication>

#include "ui/main_window.h"
#endif

int main(int argc, char** argv) {
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
  norva::NoServiceQuery serviceQuery;
  norva::QtSerialPort serialPort;
  norva::PosixAccountingFile accountingFile;

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

  norva::AgentEnvironment env;
  env.programPath = QCoreApplication::applicationFilePath().toStdString();
  env.args = args;
  env.rawCommandLine = raw;
  env.clock = &clock;
  env.timers = &timers;
  env.ui = ui.get();
  env.systemLog = &systemLog;
  env.serviceQuery = &serviceQuery;
  env.serialPort = &serialPort;
  env.accountingFile = &accountingFile;
  norva::DlLibraryLoader libraries(norva::directoryOf(env.programPath));
  norva::QtLoopPoster loop;
  env.libraries = &libraries;
  env.loop = &loop;

  norva::Agent agent(env);
  agent.ServiceMode = serviceMode;
  agent.ServiceElsewhere = !serviceMode && serviceQuery.serviceIsRunning();
  serialPort.setPathResolver([&agent](const std::string& name) {
    return norva::port_settings::devicePathFor(name, agent.config().devices);
  });

  norva::StderrLogMirror mirror;
  if (headless != nullptr) agent.log().addObserver(&mirror);
#ifdef NORVA_GUI
  if (window != nullptr) window->attach(&agent);
#endif

  // A stop request only ends the loop; the tear-down runs on this thread after it.
  norva::StopSignalNotifier stop([] { QCoreApplication::quit(); });

  agent.FormCreate();
  const int rc = app->exec();
  agent.FormDestroy();
  agent.log().removeObserver(&mirror);
  return rc;
}
