#include "i18n/tnls.h"

#include <gtest/gtest.h>

#include "i18n/nls_control.h"
#include "support/temp_dir.h"

namespace norva {
namespace {

using test::TempDir;

class TnlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.write("NAgent.Cz",
              "[Texty]\n100=Konfigurace\n101=Informace\n102=Stav linek\n"
              "[Common]\n0=Stránka nula\n1=Stránka jedna\n7=Formulář\n10=Popisek\n11=Tlačítko\n"
              "12=Rámeček\n13=Uvnitř\n14=Zaškrtnutí\n15=Editace\n20=Karta A\n21=Karta B\n"
              "30=Na kartě\n40=Hluboko\n"
              "[Menu]\n100=Agent\n101=Zastavit\n200=Nastavení\n201=Port\n");
    dir.write("NAgent.De", "[Texty]\n100=Konfiguration\n101=\n[Common]\n7=Formular\n");
    dir.write("Language.Eng", "[Text]\n100=E-mail\n101=SMS\n199=Other\n200=Link up\n299=Link down\n");
  }

  TempDir dir;
  TNLS nls{dir.path()};
};

TEST_F(TnlsTest, StartsCzechAndLoadsTexts) {
  EXPECT_EQ(nls.languageCode(), "Cz");
  EXPECT_EQ(nls.GetText(100), "");  // nothing is read until asked
  nls.OpenLanguageFile();
  nls.LoadTexts();
  nls.CloseLanguageFile();
  EXPECT_FALSE(nls.fileOpen());
  EXPECT_EQ(nls.GetText(100), "Konfigurace");
  EXPECT_EQ(nls.GetText(999), "");
}

TEST_F(TnlsTest, LoadTextsMergesAndAnEmptyValueRemoves) {
  nls.SetLanguage("Cz");
  nls.LoadTexts();
  nls.SetLanguage("De");
  EXPECT_TRUE(nls.fileOpen());
  nls.LoadTexts();
  nls.CloseLanguageFile();
  EXPECT_EQ(nls.languageCode(), "De");
  EXPECT_EQ(nls.GetText(100), "Konfiguration");  // replaced
  EXPECT_EQ(nls.GetText(101), "");               // removed by the empty value
  EXPECT_EQ(nls.GetText(102), "Stav linek");     // kept from the language before
}

TEST_F(TnlsTest, MissingLanguageFileChangesNothing) {
  nls.SetLanguage("Cz");
  nls.LoadTexts();
  nls.SetLanguage("Xx");
  nls.LoadTexts();
  EXPECT_EQ(nls.GetText(100), "Konfigurace");
  NlsNode form("TForm", 7, "Designed");
  nls.TranslateForm(form, true);
  EXPECT_EQ(form.caption(), "Designed");
}

TEST_F(TnlsTest, GetFileTextOpensOnHundredsAndClosesOnNinetyNine) {
  nls.SetLanguage("Eng");
  nls.CloseLanguageFile();
  EXPECT_EQ(nls.GetFileText(100), "E-mail");
  EXPECT_TRUE(nls.fileOpen());
  EXPECT_EQ(nls.GetFileText(101), "SMS");
  EXPECT_EQ(nls.GetFileText(150), "");  // absent key inside the group
  EXPECT_EQ(nls.GetFileText(199), "Other");
  EXPECT_FALSE(nls.fileOpen());
  EXPECT_EQ(nls.GetFileText(101), "");  // outside a group nothing is open
  EXPECT_EQ(nls.GetFileText(200), "Link up");
  EXPECT_EQ(nls.GetFileText(299), "Link down");
  EXPECT_FALSE(nls.fileOpen());
}

TEST_F(TnlsTest, TranslateFormFollowsTheClassAndTagRules) {
  NlsNode form("TForm", 7, "Form");
  NlsNode& label = form.add("TLabel", 10, "label");
  NlsNode& button = form.add("TButton", 11, "button");
  NlsNode& bitbtn = form.add("TBitBtn", 11, "bitbtn");
  NlsNode& check = form.add("TCheckBox", 14, "check");
  NlsNode& edit = form.add("TEdit", 15, "edit");
  NlsNode& combo = form.add("TComboBox", 15, "combo");
  NlsNode& radio = form.add("TRadioGroup", 15, "radio");
  NlsNode& derived = form.add("TLabelEx", 10, "derived");
  NlsNode& untagged = form.add("TLabel", 0, "untagged");
  NlsNode& group = form.add("TGroupBox", 12, "group");
  NlsNode& inGroup = group.add("TLabel", 13, "in group");
  NlsNode& deep = group.add("TGroupBox", 12, "nested group");
  NlsNode& tooDeep = deep.add("TLabel", 40, "too deep");
  NlsNode& panel = form.add("TPanel", 12, "panel");
  NlsNode& onPanel = panel.add("TButton", 11, "on panel");
  NlsNode& pages = form.add("TPageControl", 20, "pages");
  NlsNode& pageA = pages.add("TTabSheet", 99, "page A");
  NlsNode& onPage = pageA.add("TCheckBox", 30, "on page");
  NlsNode& pageB = pages.add("TTabSheet", 98, "page B");
  NlsNode& pageC = pages.add("TTabSheet", 97, "page C");  // key 22 absent
  NlsNode& zeroPages = form.add("TPageControl", 0, "zero");
  NlsNode& zeroA = zeroPages.add("TTabSheet", 0, "zero A");
  NlsNode& zeroB = zeroPages.add("TTabSheet", 0, "zero B");

  nls.TranslateForm(form, true);
  EXPECT_FALSE(nls.fileOpen());

  EXPECT_EQ(form.caption(), "Formulář");
  EXPECT_EQ(label.caption(), "Popisek");
  EXPECT_EQ(button.caption(), "Tlačítko");
  EXPECT_EQ(bitbtn.caption(), "Tlačítko");
  EXPECT_EQ(check.caption(), "Zaškrtnutí");
  EXPECT_EQ(edit.caption(), "edit");
  EXPECT_EQ(combo.caption(), "combo");
  EXPECT_EQ(radio.caption(), "radio");
  EXPECT_EQ(derived.caption(), "derived");
  EXPECT_EQ(untagged.caption(), "untagged");
  EXPECT_EQ(group.caption(), "Rámeček");
  EXPECT_EQ(inGroup.caption(), "Uvnitř");
  EXPECT_EQ(deep.caption(), "Rámeček");
  EXPECT_EQ(tooDeep.caption(), "too deep");
  EXPECT_EQ(panel.caption(), "panel");  // the panel itself is not changed
  EXPECT_EQ(onPanel.caption(), "Tlačítko");
  EXPECT_EQ(pages.caption(), "pages");
  EXPECT_EQ(pageA.caption(), "Karta A");
  EXPECT_EQ(pageB.caption(), "Karta B");
  EXPECT_EQ(pageC.caption(), "page C");
  EXPECT_EQ(onPage.caption(), "Na kartě");
  EXPECT_EQ(zeroA.caption(), "Stránka nula");
  EXPECT_EQ(zeroB.caption(), "Stránka jedna");
}

TEST_F(TnlsTest, FormWithTagZeroUsesKeyZero) {
  NlsNode form("TForm", 0, "Form");
  nls.TranslateForm(form, true);
  EXPECT_EQ(form.caption(), "Stránka nula");
}

TEST_F(TnlsTest, TranslateFormWithoutOpenUsesTheCurrentFile) {
  NlsNode form("TForm", 7, "Form");
  nls.TranslateForm(form, false);  // nothing open: unchanged
  EXPECT_EQ(form.caption(), "Form");
  nls.SetLanguage("De");
  nls.TranslateForm(form, false);
  EXPECT_TRUE(nls.fileOpen());  // the caller closes it
  EXPECT_EQ(form.caption(), "Formular");
}

TEST_F(TnlsTest, TranslateMenuAtEveryDepth) {
  NlsNode menu("TMainMenu", 0, "");
  NlsNode& agent = menu.add("TMenuItem", 100, "Agent1");
  NlsNode& stop = agent.add("TMenuItem", 101, "Zastavit1");
  NlsNode& settings = menu.add("TMenuItem", 200, "Nastaven1");
  NlsNode& languages = settings.add("TMenuItem", 0, "Volba jazyka");
  NlsNode& cz = languages.add("TMenuItem", 0, "Cz");
  NlsNode& deepPort = languages.add("TMenuItem", 201, "deep");
  NlsNode& missing = settings.add("TMenuItem", 777, "kept");
  nls.OpenLanguageFile();
  nls.TranslateMenu(menu);
  EXPECT_EQ(agent.caption(), "Agent");
  EXPECT_EQ(stop.caption(), "Zastavit");
  EXPECT_EQ(settings.caption(), "Nastavení");
  EXPECT_EQ(languages.caption(), "Volba jazyka");
  EXPECT_EQ(cz.caption(), "Cz");
  EXPECT_EQ(deepPort.caption(), "Port");  // below an untagged item
  EXPECT_EQ(missing.caption(), "kept");
}

}  // namespace
}  // namespace norva
