// Renders the main window with a few log lines, its menus, every settings
// dialog, the info window and the about box, in each language, to PNG files:
//   norva_screenshots <language folder> <output folder>
#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QStatusBar>
#include <cstdio>
#include <string>

#include "core/agent.h"
#include "core/log_categories.h"
#include "i18n/tnls.h"
#include "ui/dialogs.h"
#include "ui/main_window.h"
#include "ui/nls_widgets.h"

namespace {

int failures = 0;

void save(QWidget* w, const QString& file) {
  w->show();
  QApplication::processEvents();
  if (!w->grab().save(file)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    ++failures;
  }
  w->hide();
}

void render(const std::string& languageDir, const QString& code, const QString& out) {
  QDir().mkpath(out);
  norva::TNLS nls(languageDir);
  nls.SetLanguage(code.toStdString());
  nls.LoadTexts();
  nls.CloseLanguageFile();

  norva::MainWindow window;
  nls.OpenLanguageFile();
  window.translateWindow(nls);
  nls.CloseLanguageFile();
  window.updateBaudMenu(19200);
  const char* lines[] = {
      "14:40:01.1  ---- Start Norva Agent ----",
      "14:40:01.1  -OK- TCP server listening",
      "14:40:01.1  -OK- Serial port opened: COM2:19200,N,8,1",
      "14:40:01.3  <COM PBX configuration",
      "14:40:01.4  <COM PBX information accepted",
      "14:40:02.0  <IP:127.0.0.1:9 Read Line states",
      "14:40:02.1  <COM 21 0044123456 00:01:12 0.40",
      "14:40:07.3  !Err Link to the PBX lost",
  };
  for (const char* l : lines) window.onLineAppended(l);
  window.logList()->setCurrentRow(4);
  window.onStatus(lines[7]);
  window.resize(640, 400);
  save(&window, out + "/main_window.png");
  for (QAction* a : window.menuBar()->actions()) {
    if (QMenu* m = a->menu()) save(m, out + "/menu_" + a->objectName() + ".png");
  }
  save(window.trayMenu(), out + "/menu_tray.png");

  std::string config = "/etc/mail602/m602.ini", work = "/var/spool/norva", user = "agent",
              password = "secret";
  norva::SetM602Dialog m602(&window, &nls, config, work, user, password);
  save(&m602, out + "/mail602.png");
  std::string recipient = "operator@example.invalid", subject = "PBX", off = "PBX link lost",
              on = "PBX link restored";
  char type = 'I';
  norva::SetTrapDialog traps(&window, nls, recipient, type, subject, off, on);
  save(&traps, out + "/traps.png");
  norva::LogCategories log;
  norva::SetPisDialog logDialog(&window, &nls, log);
  save(&logDialog, out + "/log.png");
  int port = 1;
  norva::SetPortDialog portDialog(&window, &nls, port);
  save(&portDialog, out + "/port.png");
  std::string uctFile = "DATA.NEW";
  bool send = false, read = true;
  norva::SetUctDialog uct(&window, &nls, QDir::currentPath(), uctFile, send, read);
  save(&uct, out + "/accounting.png");
  std::string dir = "/tmp";
  norva::SetDirDialog dirDialog(&window, &nls, dir);
  save(&dirDialog, out + "/directory.png");
  norva::SetServDialog services(&window, &nls);
  save(&services, out + "/services.png");
  norva::InfoDialog info(&window, &nls, window.logList()->item(4)->text() + QString(" 4D").repeated(60));
  save(&info, out + "/info.png");
  norva::AboutBox about(&window, &nls, QString::fromStdString(norva::Agent::versionText()));
  save(&about, out + "/about.png");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <language folder> <output folder>\n", argv[0]);
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const std::string languageDir = argv[1];
  const QString out = QString::fromLocal8Bit(argv[2]);
  for (const char* code : {"Cz", "De", "Eng"}) render(languageDir, code, out + "/" + code);
  std::printf("screenshots in %s\n", qPrintable(out));
  return failures == 0 ? 0 : 1;
}
