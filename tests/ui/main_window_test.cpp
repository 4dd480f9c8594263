#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <filesystem>

#include "core/profile_file.h"
#include "i18n/tnls.h"
#include "platform/timer.h"
#include "ui/dialogs.h"
#include "ui/help.h"
#include "ui/nls_widgets.h"
#include "window_fixture.h"

namespace norva::test {
namespace {

struct MenuRow {
  int depth;
  const char* name;
  const char* caption;  // "-" for a separator
  int tag;
  const char* shortcut;
};

// The menus as designed, before any translation.
const MenuRow kMainMenu[] = {
    {0, "Agent1", "&Agent", 100, ""},
    {1, "ShowOnTrayClick", "&Skrýt", 101, ""},
    {1, "N1", "-", 0, ""},
    {1, "Ukonit1", "&Ukončit", 102, ""},
    {1, "Zastavit1", "Zastavit", 103, ""},
    {0, "Nastaven1", "Na&stavení", 200, ""},
    {1, "Mail6021", "Mail&602", 201, ""},
    {1, "LoklnTrapy1", "&Lokální Trapy", 202, ""},
    {1, "VpisuLogu1", "Výpisu Lo&gu", 204, ""},
    {1, "tovn1", "Účtování", 205, ""},
    {1, "StartItem", "Služby", 212, ""},
    {1, "Volbasriovhoportu1", "&Volba sériového portu", 203, ""},
    {1, "x1", "Baudová rychlost COM", 210, ""},
    {2, "N57600", "57600", 0, ""},
    {2, "N38400", "38400", 0, ""},
    {2, "N19200", "19200", 0, ""},
    {2, "N9600", "9600", 0, ""},
    {2, "N3", "-", 0, ""},
    {2, "Ulo6itdosouboru1", "Uložit do souboru", 211, ""},
    {1, "Volbajazyka1", "Volba jazyka", 206, ""},
    {2, "Cz1", "Cz", 0, ""},
    {2, "De1", "De", 0, ""},
    {2, "Eng1", "Eng", 0, ""},
    {0, "Npovda1", "&Nápověda", 300, ""},
    {1, "Obsah1", "Obsah", 301, "Shift+F1"},
    {1, "Kontextovnpovda1", "Kontextová nápověda", 302, "F1"},
    {1, "Jakpouvatnpovdu1", "Používání nápovědu ", 303, ""},
    {1, "N2", "-", 0, ""},
    {1, "Oaplikaci1", "&O aplikaci...", 304, ""},
};

const MenuRow kTrayMenu[] = {
    {0, "Zobrazit1", "&Zobrazit", 400, ""},
    {0, "Ukonit2", "&Ukončit", 401, ""},
};

std::string describe(const MenuRow& r) {
  return std::string(r.depth * 2, ' ') + r.name + " \"" + r.caption + "\" " +
         std::to_string(r.tag) + (*r.shortcut ? std::string(" ") + r.shortcut : "");
}

void walk(const QList<QAction*>& actions, int depth, std::vector<std::string>& out) {
  for (QAction* a : actions) {
    const std::string name = a->objectName().toStdString();
    const std::string caption = a->isSeparator() ? "-" : a->text().toStdString();
    const std::string shortcut = a->shortcut().toString().toStdString();
    MenuRow row{depth, name.c_str(), caption.c_str(), nlsTag(a), shortcut.c_str()};
    out.push_back(describe(row));
    if (a->menu() != nullptr) walk(a->menu()->actions(), depth + 1, out);
  }
}

template <std::size_t N>
std::vector<std::string> expected(const MenuRow (&rows)[N]) {
  std::vector<std::string> out;
  for (const MenuRow& r : rows) out.push_back(describe(r));
  return out;
}

TEST(MainWindowMenus, TreeCaptionsTagsAndShortcutsAsDesigned) {
  MainWindow w;
  std::vector<std::string> main;
  walk(w.menuBar()->actions(), 0, main);
  EXPECT_EQ(main, expected(kMainMenu));
  std::vector<std::string> tray;
  walk(w.trayMenu()->actions(), 0, tray);
  EXPECT_EQ(tray, expected(kTrayMenu));
  EXPECT_EQ(w.trayMenu()->defaultAction(), w.menuItem("Zobrazit1"));

  QAction* hide = w.menuItem("ShowOnTrayClick");
  EXPECT_EQ(hide->toolTip(), QString::fromUtf8("Do lišty"));
  EXPECT_EQ(hide->statusTip(), QString::fromUtf8("Skrýt okno do systémové lišty"));
  EXPECT_EQ(w.menuItem("Ukonit1")->statusTip(), QString::fromUtf8("Ukončit program"));
  EXPECT_EQ(w.menuItem("Mail6021")->property("helpContext").toInt(), 101);
  EXPECT_EQ(w.menuItem("Volbasriovhoportu1")->property("helpContext").toInt(), 103);
  EXPECT_EQ(nlsTag(&w), 1001);
  EXPECT_EQ(w.hideButton()->text(), QString::fromUtf8("Skrýt"));
  EXPECT_EQ(nlsTag(w.hideButton()), 101);
}

TEST(MainWindow, StartTranslatesWindowAndMenusAndTicksLanguageAndRate) {
  WindowFixture f;
  // From the shipped Czech file.
  EXPECT_EQ(f.window.menuItem("Zastavit1")->text(),
            fromCp1250(ProfileFile(f.agentFixture.dir.file("NAgent.Cz")).readString("Menu", "103", "?")));
  EXPECT_TRUE(f.window.menuItem("Cz1")->isChecked());
  EXPECT_FALSE(f.window.menuItem("Eng1")->isChecked());
  EXPECT_TRUE(f.window.menuItem("N19200")->isChecked());
  EXPECT_FALSE(f.window.menuItem("N9600")->isChecked());
  EXPECT_EQ(f.window.menuItem("N19200")->text(), "19200");  // Tag 0: never translated
}

// Small language files, so that what each one lacks is plain.
void writeLanguages(TempDir& dir) {
  dir.write("NAgent.Cz",
            "[Common]\r\n1001=Agent CZ\r\n101=Schovat\r\n[Menu]\r\n100=&Agent CZ\r\n103=Stop CZ\r\n"
            "[Texty]\r\n135=Spustit CZ\r\n136=Zastavit CZ\r\n");
  dir.write("NAgent.De",
            "[Common]\r\n1001=Agent DE\r\n101=Verbergen\r\n5000=Log DE\r\n[Menu]\r\n100=&Agent DE\r\n"
            "[Texty]\r\n135=Fortsetzen\r\n");
}

TEST(MainWindow, LanguageSwitchTranslatesWindowKeepsOlderTextsAndOpenDialogs) {
  WindowFixture f(kWindowIni, writeLanguages);
  ASSERT_EQ(f.window.windowTitle(), "Agent CZ");
  f.trigger("VpisuLogu1");
  auto* logDialog = f.dialog<SetPisDialog>();
  ASSERT_NE(logDialog, nullptr);
  const QString dialogTitle = logDialog->windowTitle();

  f.trigger("De1");
  EXPECT_EQ(f.iniValue("Set", "Lang"), "De");
  EXPECT_EQ(f.window.windowTitle(), "Agent DE");
  EXPECT_EQ(f.window.hideButton()->text(), "Verbergen");
  EXPECT_EQ(f.window.menuItem("Agent1")->text(), "&Agent DE");
  // The German file has no 103: the item keeps its Czech caption.
  EXPECT_EQ(f.window.menuItem("Zastavit1")->text(), "Stop CZ");
  EXPECT_TRUE(f.window.menuItem("De1")->isChecked());
  EXPECT_FALSE(f.window.menuItem("Cz1")->isChecked());
  EXPECT_EQ(logDialog->windowTitle(), dialogTitle);  // open dialogs stay as they are
  logDialog->reject();

  // 135 comes from the new file, 136 (absent there) is still the Czech text.
  f.trigger("Zastavit1");
  EXPECT_EQ(f.window.menuItem("Zastavit1")->text(), "Fortsetzen");
  f.trigger("Zastavit1");
  EXPECT_EQ(f.window.menuItem("Zastavit1")->text(), "Zastavit CZ");

  // A dialog opened now is in the new language.
  f.trigger("VpisuLogu1");
  ASSERT_NE(f.dialog<SetPisDialog>(), nullptr);
  EXPECT_EQ(f.dialog<SetPisDialog>()->windowTitle(), "Log DE");
  f.dialog<SetPisDialog>()->reject();
}

TEST(MainWindow, LanguageIsNotSwitchedWhenItsKeyCannotBeWritten) {
  WindowFixture f(kWindowIni, writeLanguages);
  // The writer's scratch file cannot be made when a folder has its name.
  std::filesystem::create_directory(f.agent().iniPath() + ".new~");
  f.trigger("De1");
  EXPECT_EQ(f.iniValue("Set", "Lang"), "Cz");
  EXPECT_EQ(f.window.windowTitle(), "Agent CZ");
  EXPECT_EQ(f.agent().nls()->languageCode(), "Cz");
  EXPECT_NE(f.window.findChild<QMessageBox*>(), nullptr);
}

TEST(MainWindow, SettingsDialogsHoldPollingAndRestoreTheTick) {
  for (const bool tickBefore : {true, false}) {
    for (const bool ok : {true, false}) {
      SCOPED_TRACE(std::string(tickBefore ? "ticking" : "stopped") + (ok ? ", OK" : ", Cancel"));
      WindowFixture f;
      if (!tickBefore) f.trigger("Zastavit1");
      ASSERT_EQ(f.agent().pollTickOn(), tickBefore);
      f.trigger("Mail6021");
      auto* d = f.dialog<SetM602Dialog>();
      ASSERT_NE(d, nullptr);
      EXPECT_FALSE(f.agent().pollTickOn());
      d->userNameEdit()->setText("operator");
      ok ? d->accept() : d->reject();
      EXPECT_EQ(f.agent().pollTickOn(), tickBefore);
      EXPECT_EQ(f.iniValue("M602", "Uzivatel"), ok ? "operator" : "agent");
      EXPECT_EQ(f.agent().mailSettings()->UserName, ok ? "operator" : "agent");
    }
  }
}

TEST(MainWindow, TrapsDialogWritesSectionTrapy) {
  WindowFixture f;
  f.trigger("LoklnTrapy1");
  auto* d = f.dialog<SetTrapDialog>();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->recipientEdit()->text(), "ops");
  d->subjectEdit()->setText("Ústředna");
  d->addressTypes()->setCurrentIndex(d->addressTypes()->findData(int('L')));
  d->accept();
  EXPECT_EQ(f.iniValue("Trapy", "Subject"), "\xDAst\xf8" "edna");  // Windows-1250
  EXPECT_EQ(f.iniValue("Trapy", "TypAdresyPrijemce"), "L");
}

TEST(MainWindow, LogDialogWritesTheSixSwitches) {
  WindowFixture f;
  f.trigger("VpisuLogu1");
  auto* d = f.dialog<SetPisDialog>();
  ASSERT_NE(d, nullptr);
  for (int i = 0; i < 6; ++i) d->box(i)->setChecked(i % 2 == 1);
  d->accept();
  const char* keys[] = {"Com_In", "Com_PureIn", "Com_Out", "Com_LocOut", "TCP/IP_In", "TCP/IP_Out"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(f.iniValue("Log", keys[i]), i % 2 ? "1" : "0") << keys[i];
  EXPECT_FALSE(f.agent().config().log.comIn);
  EXPECT_TRUE(f.agent().config().log.tcpIpOut);
}

TEST(MainWindow, AccountingDialogSwitchesFetchingAndWritesSet) {
  for (const bool read : {false, true}) {
    SCOPED_TRACE(read ? "fetching on" : "fetching off");
    WindowFixture f;
    f.agent().editableConfig().readUct = !read;
    f.trigger("tovn1");
    auto* d = f.dialog<SetUctDialog>();
    ASSERT_NE(d, nullptr);
    d->readBox()->setChecked(read);
    d->sendBox()->setChecked(true);
    d->fileEdit()->setText(QString::fromStdString(f.agentFixture.dir.file("calls.dat")));
    d->accept();
    EXPECT_EQ(f.agent().periodicTimers().ur->enabled(), read);
    EXPECT_EQ(f.iniValue("Set", "ReadUct"), read ? "1" : "0");
    EXPECT_EQ(f.iniValue("Set", "SendUct"), "1");
    EXPECT_EQ(f.iniValue("Set", "UctFile"), f.agentFixture.dir.file("calls.dat"));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(f.agentFixture.dir.file("calls.dat"))));
  }
}

TEST(MainWindow, PortDialogReopensOnTheChosenPortAndWritesIt) {
  WindowFixture f;
  const int opensBefore = f.agentFixture.port.openCount;
  f.trigger("Volbasriovhoportu1");
  auto* d = f.dialog<SetPortDialog>();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->ports()->currentText(), "COM 2");
  d->ports()->setCurrentIndex(2);
  d->accept();
  EXPECT_EQ(f.iniValue("Set", "Port"), "COM3:19200,N,8,1");
  EXPECT_EQ(f.agent().portSettings(), "COM3:19200,N,8,1");
  EXPECT_EQ(f.agentFixture.port.openCount, opensBefore + 1);
  EXPECT_EQ(f.agentFixture.port.openedDevices.back(), "COM3");

  // Cancel leaves the port alone.
  f.trigger("Volbasriovhoportu1");
  ASSERT_NE(f.dialog<SetPortDialog>(), nullptr);
  f.dialog<SetPortDialog>()->ports()->setCurrentIndex(0);
  f.dialog<SetPortDialog>()->reject();
  EXPECT_EQ(f.agent().portSettings(), "COM3:19200,N,8,1");
  EXPECT_EQ(f.agentFixture.port.openCount, opensBefore + 1);
}

TEST(MainWindow, PortSettingTooShortOpensNoDialog) {
  WindowFixture f("[Set]\r\nLang=Cz\r\nPort=CO\r\n");
  f.trigger("Volbasriovhoportu1");
  EXPECT_EQ(f.window.openDialog(), nullptr);
  EXPECT_NE(f.window.findChild<QMessageBox*>(), nullptr);  // the range error, shown
  EXPECT_TRUE(f.agent().pollTickOn());
}

TEST(MainWindow, RateMenuChangesMemoryOnlyUntilSaved) {
  WindowFixture f;
  f.trigger("N38400");
  EXPECT_EQ(f.agent().portSettings(), "COM2:38400,N,8,1");
  EXPECT_TRUE(f.window.menuItem("N38400")->isChecked());
  EXPECT_FALSE(f.window.menuItem("N19200")->isChecked());
  EXPECT_EQ(f.iniValue("Set", "Port"), "COM2:19200,N,8,1");
  f.trigger("Ulo6itdosouboru1");
  EXPECT_EQ(f.iniValue("Set", "Port"), "COM2:38400,N,8,1");
}

TEST(MainWindow, DoubleClickOnALogLineShowsItWhole) {
  WindowFixture f;
  const std::string trace(400, 'x');
  f.agent().log().writeLog("<COM", trace);
  QListWidget* list = f.window.logList();
  ASSERT_GT(list->count(), 0);

  list->clearSelection();
  list->setCurrentRow(-1);
  f.window.ListBox1DblClick();
  EXPECT_EQ(f.window.openDialog(), nullptr);

  list->setCurrentRow(list->count() - 1);
  f.window.ListBox1DblClick();
  auto* info = f.dialog<InfoDialog>();
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->memo()->toPlainText(), list->item(list->count() - 1)->text());
  EXPECT_TRUE(info->memo()->toPlainText().endsWith(QString::fromStdString(trace)));
  EXPECT_TRUE(info->windowFlags() & Qt::WindowMaximizeButtonHint);
  info->reject();
  EXPECT_EQ(f.window.openDialog(), nullptr);
}

TEST(MainWindow, ResizePlacesListAndHideButton) {
  MainWindow w;
  w.show();
  for (const QSize size : {QSize(495, 371), QSize(800, 600)}) {
    w.resize(size);
    QApplication::processEvents();
    const QSize client = w.centralWidget()->size();
    const int clientHeight = client.height() + w.statusBar()->height();
    EXPECT_EQ(w.logList()->geometry(), QRect(8, 0, client.width() - 16, clientHeight - 70));
    EXPECT_EQ(w.hideButton()->x() + w.hideButton()->width(), client.width() - 8);
    EXPECT_EQ(w.hideButton()->y(), clientHeight - 70 + 8);
  }
  w.hide();
}

TEST(MainWindow, HelpCommandsAndDialogF1OpenTheShippedHelpPage) {
  std::vector<QUrl> opened;
  help::setOpener([&](const QUrl& u) { opened.push_back(u); });
  {
    WindowFixture f;
    f.trigger("Obsah1");
    f.trigger("Kontextovnpovda1");
    f.trigger("Jakpouvatnpovdu1");
    for (const char* item : {"Mail6021", "LoklnTrapy1", "VpisuLogu1", "Volbasriovhoportu1"}) {
      f.trigger(item);
      ASSERT_NE(f.window.openDialog(), nullptr) << item;
      QTest::keyClick(f.window.openDialog(), Qt::Key_F1);
      f.window.openDialog()->reject();
    }
  }
  help::setOpener({});
  std::vector<QString> anchors;
  for (const QUrl& u : opened) anchors.push_back(u.fragment());
  EXPECT_EQ(anchors, (std::vector<QString>{"", "search", "using-help", "context-101", "context-104",
                                           "context-102", "context-103"}));
  // Every anchor asked for exists in the help file beside the program.
  QFile page(QString::fromLatin1(NORVA_BIN_DIR) + "/AGENT.html");
  ASSERT_TRUE(page.open(QIODevice::ReadOnly));
  const QString html = QString::fromUtf8(page.readAll());
  for (const QString& a : anchors) {
    if (!a.isEmpty()) {
      EXPECT_TRUE(html.contains("id=\"" + a + "\"")) << a.toStdString();
    }
  }
  EXPECT_TRUE(opened.front().isLocalFile());
  EXPECT_TRUE(opened.front().path().endsWith("/AGENT.html"));
}

}  // namespace
}  // namespace norva::test
