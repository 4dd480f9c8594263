// The shipped language files against the real window and dialogs: every
// Tag that the rules translate has a text in each language, and it arrives.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <filesystem>
#include <memory>
#include <vector>

#include "core/profile_file.h"
#include "i18n/tnls.h"
#include "support/shipped_languages.h"
#include "support/temp_dir.h"
#include "ui/dialogs.h"
#include "ui/main_window.h"
#include "ui/nls_widgets.h"

namespace norva::test {
namespace {

bool translatedClass(const QString& c) {
  return c == "TLabel" || c == "TButton" || c == "TBitBtn" || c == "TGroupBox" || c == "TCheckBox";
}

// Checks the window's caption and every translatable control below it.
void expectTranslated(QWidget* form, const ProfileFile& file, const std::string& what) {
  SCOPED_TRACE(what);
  const auto title = file.find("Common", std::to_string(nlsTag(form)));
  ASSERT_TRUE(title.has_value()) << "no caption for Tag " << nlsTag(form);
  EXPECT_EQ(form->windowTitle(), fromCp1250(*title));
  QtNlsControl root(form);
  std::vector<NlsControl*> pending = root.children();
  while (!pending.empty()) {
    NlsControl* c = pending.back();
    pending.pop_back();
    for (NlsControl* child : c->children()) pending.push_back(child);
    if (c->tag() == 0 || !translatedClass(QString::fromStdString(std::string(c->className())))) {
      continue;
    }
    const auto text = file.find("Common", std::to_string(c->tag()));
    ASSERT_TRUE(text.has_value()) << "no text for Tag " << c->tag();
    EXPECT_EQ(c->caption(), *text) << "Tag " << c->tag();
  }
}

class ShippedLanguage : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    copyShippedLanguage(dir, GetParam());
    nls.SetLanguage(GetParam());
    nls.LoadTexts();
    nls.CloseLanguageFile();
  }
  ProfileFile file() const { return ProfileFile(dir.file(std::string("NAgent.") + GetParam())); }

  TempDir dir;
  TNLS nls{dir.path()};
};

TEST_P(ShippedLanguage, MainWindowAndEveryMenuItemWithATag) {
  MainWindow w;
  nls.OpenLanguageFile();
  w.translateWindow(nls);
  nls.CloseLanguageFile();
  const ProfileFile f = file();
  expectTranslated(&w, f, "main window");
  const QList<QAction*> top = w.menuBar()->actions();
  std::vector<QAction*> pending(top.begin(), top.end());
  for (QAction* a : w.trayMenu()->actions()) pending.push_back(a);
  while (!pending.empty()) {
    QAction* a = pending.back();
    pending.pop_back();
    if (a->menu() != nullptr) {
      for (QAction* sub : a->menu()->actions()) pending.push_back(sub);
    }
    if (nlsTag(a) == 0) continue;
    const auto text = f.find("Menu", std::to_string(nlsTag(a)));
    ASSERT_TRUE(text.has_value()) << "no menu text for Tag " << nlsTag(a);
    EXPECT_EQ(toCp1250(a->text()), *text);
  }
  for (const char* code : {"Cz1", "De1", "Eng1"}) {
    EXPECT_EQ(w.menuItem(code)->isChecked(), w.menuItem(code)->text() == GetParam()) << code;
  }
  // The texts of the stop/resume item are there too.
  EXPECT_FALSE(nls.GetText(135).empty());
  EXPECT_FALSE(nls.GetText(136).empty());
}

TEST_P(ShippedLanguage, EveryDialogTranslatesItself) {
  std::string a = "a", b = "b", c = "c", d = "d", e = "e";
  char type = 'I';
  LogCategories log;
  int port = 0;
  bool send = false, read = true;
  std::vector<std::pair<std::string, std::unique_ptr<QDialog>>> dialogs;
  dialogs.emplace_back("mail602", std::make_unique<SetM602Dialog>(nullptr, &nls, a, b, c, d));
  dialogs.emplace_back("traps", std::make_unique<SetTrapDialog>(nullptr, nls, a, type, b, c, d));
  dialogs.emplace_back("log", std::make_unique<SetPisDialog>(nullptr, &nls, log));
  dialogs.emplace_back("port", std::make_unique<SetPortDialog>(nullptr, &nls, port));
  dialogs.emplace_back("accounting",
                       std::make_unique<SetUctDialog>(nullptr, &nls, QString::fromStdString(dir.path()),
                                                      e, send, read));
  dialogs.emplace_back("directory", std::make_unique<SetDirDialog>(nullptr, &nls, e));
  dialogs.emplace_back("services", std::make_unique<SetServDialog>(nullptr, &nls));
  dialogs.emplace_back("info", std::make_unique<InfoDialog>(nullptr, &nls, "line"));
  dialogs.emplace_back("about", std::make_unique<AboutBox>(nullptr, &nls, "1.00"));
  const ProfileFile f = file();
  for (auto& [name, dialog] : dialogs) {
    // The ones that translate at activation do it here as activation would.
    translateWidget(nls, dialog.get(), true);
    expectTranslated(dialog.get(), f, name);
  }
  auto* services = static_cast<SetServDialog*>(dialogs[6].second.get());
  EXPECT_EQ(toCp1250(services->pages()->tabText(1)), f.readString("Common", "1", "?"));
}

INSTANTIATE_TEST_SUITE_P(Languages, ShippedLanguage, ::testing::Values("Cz", "De", "Eng"));

}  // namespace
}  // namespace norva::test
