#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <filesystem>

#include "core/profile_file.h"
#include "core/version.h"
#include "i18n/tnls.h"
#include "support/shipped_languages.h"
#include "support/temp_dir.h"
#include "ui/dialogs.h"
#include "ui/nls_widgets.h"

namespace norva::test {
namespace {

// A language folder holding the shipped files.
struct Languages {
  Languages() {
    for (const char* code : {"Cz", "Eng"}) copyShippedLanguage(dir, code);
    nls.SetLanguage("Eng");
    nls.LoadTexts();
    nls.CloseLanguageFile();
  }
  TempDir dir;
  TNLS nls{dir.path()};
};

// The dialog a parent opened last, of the wanted kind.
template <typename D>
D* childDialog(QWidget* parent) {
  for (QDialog* d : parent->findChildren<QDialog*>()) {
    if (auto* wanted = dynamic_cast<D*>(d); wanted != nullptr && d->isVisible()) return wanted;
  }
  return nullptr;
}

TEST(SetM602Dialog, FillsCopiesBackOnOkOnlyAndMasksThePassword) {
  for (const bool ok : {true, false}) {
    std::string config = "/etc/m.cfg", work = "/tmp", user = "anna", password = "secret";
    SetM602Dialog d(nullptr, nullptr, config, work, user, password);
    EXPECT_EQ(d.configPathEdit()->text(), "/etc/m.cfg");
    EXPECT_EQ(d.workDirEdit()->text(), "/tmp");
    EXPECT_EQ(d.userNameEdit()->text(), "anna");
    EXPECT_EQ(d.passwordEdit()->text(), "secret");
    EXPECT_EQ(d.passwordEdit()->echoMode(), QLineEdit::Password);
    EXPECT_EQ(d.configPathEdit()->maxLength(), 100);

    d.passwordEdit()->clear();
    QTest::keyClicks(d.passwordEdit(), QString(25, 'p'));
    EXPECT_EQ(d.passwordEdit()->text(), QString(20, 'p'));
    d.userNameEdit()->setText(QString::fromUtf8("Jiří"));
    ok ? d.accept() : d.reject();
    EXPECT_EQ(password, ok ? std::string(20, 'p') : "secret");
    EXPECT_EQ(user, ok ? "Ji\xf8\xed" : "anna");  // Windows-1250 in the settings
    EXPECT_EQ(config, "/etc/m.cfg");
  }
}

TEST(SetM602Dialog, DirectoryChooserFillsTheFieldAndCancelStillDiscardsIt) {
  TempDir target;
  for (const bool ok : {true, false}) {
    std::string config = "/", work = "/tmp", user, password;
    SetM602Dialog d(nullptr, nullptr, config, work, user, password);
    d.show();
    d.workDirButton()->click();
    auto* chooser = childDialog<SetDirDialog>(&d);
    ASSERT_NE(chooser, nullptr);
    auto* model = static_cast<QFileSystemModel*>(chooser->directories()->model());
    chooser->directories()->setCurrentIndex(model->index(QString::fromStdString(target.path())));
    chooser->accept();
    EXPECT_EQ(d.workDirEdit()->text().toStdString(), target.path());
    ok ? d.accept() : d.reject();
    EXPECT_EQ(work, ok ? target.path() : "/tmp");
  }
}

TEST(SetDirDialog, OpensOnTheGivenDirectoryAndCancelKeepsIt) {
  TempDir target;
  std::string path = target.path();
  SetDirDialog d(nullptr, nullptr, path);
  auto* model = static_cast<QFileSystemModel*>(d.directories()->model());
  EXPECT_EQ(model->filePath(d.directories()->currentIndex()).toStdString(), target.path());
  d.directories()->setCurrentIndex(model->index("/"));
  d.reject();
  EXPECT_EQ(path, target.path());
}

TEST(SetTrapDialog, AddressTypeListAndCopyBack) {
  Languages lang;
  struct Case {
    char configured;
    int selected;  // entry index, −1 none
  } cases[] = {{0, 0}, {'I', 1}, {'Q', 2}, {'V', 3}, {'L', 4}, {'Z', 5}, {'X', -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("type ") + (c.configured ? c.configured : '0'));
    std::string recipient = "ops", subject(80, 's'), off = "down", on = "up";
    char type = c.configured;
    SetTrapDialog d(nullptr, lang.nls, recipient, type, subject, off, on);
    ASSERT_EQ(d.addressTypes()->count(), 6);
    EXPECT_EQ(d.addressTypes()->currentIndex(), c.selected);
    d.accept();
    EXPECT_EQ(type, c.configured);  // unchanged, also with no entry selected
  }
  // Names from the second language file; a shorter subject replaces a longer one.
  std::string recipient, subject(90, 'o'), off, on;
  char type = 'I';
  SetTrapDialog d(nullptr, lang.nls, recipient, type, subject, off, on);
  EXPECT_EQ(d.addressTypes()->itemText(0), "--------");
  EXPECT_EQ(d.addressTypes()->itemText(5),
            fromCp1250(ProfileFile(lang.dir.file("Language.Eng")).readString("Text", "199", "?")));
  EXPECT_FALSE(lang.nls.fileOpen());
  d.subjectEdit()->setText(QString(60, 'n'));
  d.textOnEdit()->setText(QString(120, 't'));
  d.addressTypes()->setCurrentIndex(5);
  d.accept();
  EXPECT_EQ(subject, std::string(60, 'n'));
  EXPECT_EQ(on, std::string(100, 't'));
  EXPECT_EQ(type, 'Z');
}

TEST(SetTrapDialog, CancelChangesNothing) {
  Languages lang;
  std::string recipient = "ops", subject = "s", off = "down", on = "up";
  char type = 'Q';
  SetTrapDialog d(nullptr, lang.nls, recipient, type, subject, off, on);
  d.recipientEdit()->setText("other");
  d.addressTypes()->setCurrentIndex(1);
  d.textOffEdit()->setText("x");
  d.reject();
  EXPECT_EQ(recipient, "ops");
  EXPECT_EQ(type, 'Q');
  EXPECT_EQ(off, "down");
}

TEST(SetPisDialog, TicksFollowTheSwitchesAndOkCopiesThemBack) {
  LogCategories log;
  log.comIn = true;
  log.comPureIn = false;
  log.comOut = true;
  log.comLocOut = false;
  log.tcpIpIn = false;
  log.tcpIpOut = true;
  log.extent = true;
  {
    SetPisDialog d(nullptr, nullptr, log);
    const bool expected[] = {true, false, true, false, false, true};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(d.box(i)->isChecked(), expected[i]) << i;
    for (int i = 0; i < 6; ++i) d.box(i)->setChecked(!expected[i]);
    d.reject();
    EXPECT_TRUE(log.comIn);
    EXPECT_TRUE(log.tcpIpOut);
  }
  SetPisDialog d(nullptr, nullptr, log);
  for (int i = 0; i < 6; ++i) d.box(i)->setChecked(!d.box(i)->isChecked());
  d.accept();
  EXPECT_FALSE(log.comIn);
  EXPECT_TRUE(log.comPureIn);
  EXPECT_FALSE(log.comOut);
  EXPECT_TRUE(log.comLocOut);
  EXPECT_TRUE(log.tcpIpIn);
  EXPECT_FALSE(log.tcpIpOut);
  EXPECT_TRUE(log.extent);  // not the dialog's
}

TEST(SetPortDialog, SelectsTheIndexAndHandsBackTheChoice) {
  struct Case {
    int given, pick, result;
    bool ok;
  } cases[] = {{1, 2, 2, true}, {0, -1, -1, true}, {1, 3, 1, false}, {7, -2, -1, true}};
  for (const Case& c : cases) {
    int index = c.given;
    SetPortDialog d(nullptr, nullptr, index);
    EXPECT_EQ(d.ports()->currentIndex(), c.given < 4 ? c.given : -1);
    if (c.pick != -2) d.ports()->setCurrentIndex(c.pick);
    c.ok ? d.accept() : d.reject();
    EXPECT_EQ(index, c.result) << c.given << " " << c.pick;
  }
  int index = 0;
  SetPortDialog d(nullptr, nullptr, index);
  auto buttons = d.findChildren<QPushButton*>();
  auto cancel = std::find_if(buttons.begin(), buttons.end(), [](QPushButton* b) { return nlsTag(b) == 100; });
  ASSERT_NE(cancel, buttons.end());
  EXPECT_TRUE((*cancel)->isDefault());  // Enter cancels
}

struct UctCase : ::testing::Test {
  TempDir programDir;
  std::string file = "DATA.NEW";
  bool send = false, read = true;
};

TEST_F(UctCase, FileChosenBesideTheProgramIsStoredByNameElsewhereWithPath) {
  TempDir elsewhere;
  const QString here = QString::fromStdString(programDir.path());
  struct Case {
    QString chosen, shown;
  } cases[] = {{here + "/calls.dat", "calls.dat"},
               {QString::fromStdString(elsewhere.file("calls.dat")),
                QString::fromStdString(elsewhere.file("calls.dat"))}};
  for (const Case& c : cases) {
    SetUctDialog d(nullptr, nullptr, here, file, send, read);
    d.show();
    d.searchButton()->click();
    ASSERT_NE(d.chooser(), nullptr);
    EXPECT_EQ(QDir::cleanPath(d.chooser()->directory().absolutePath()), here);
    d.chooser()->selectFile(c.chosen);
    static_cast<QDialog*>(d.chooser())->accept();  // the chooser's own accept
    EXPECT_EQ(d.fileEdit()->text(), c.shown);
    d.reject();
    EXPECT_EQ(file, "DATA.NEW");
  }
}

TEST_F(UctCase, OkTestsTheFileAndLeavesNothingBehind) {
  const std::string target = programDir.file("new.dat");
  SetUctDialog d(nullptr, nullptr, QString::fromStdString(programDir.path()), file, send, read);
  EXPECT_TRUE(d.fileEdit()->isEnabled());
  d.readBox()->setChecked(false);
  EXPECT_FALSE(d.fileEdit()->isEnabled());
  d.sendBox()->setChecked(true);
  d.fileEdit()->setText(QString::fromStdString(target));
  d.accept();
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_EQ(file, target);
  EXPECT_TRUE(send);
  EXPECT_FALSE(read);
  EXPECT_FALSE(std::filesystem::exists(target));

  // An existing file is kept as it is.
  programDir.write("old.dat", "records");
  std::string old = programDir.file("old.dat");
  SetUctDialog again(nullptr, nullptr, QString::fromStdString(programDir.path()), old, send, read);
  again.accept();
  EXPECT_EQ(programDir.read("old.dat"), "records");
}

TEST_F(UctCase, FileInAMissingDirectoryKeepsTheDialogOpen) {
  Languages lang;
  SetUctDialog d(nullptr, &lang.nls, QString::fromStdString(programDir.path()), file, send, read);
  int errors = 0;
  d.onFileError = [&] { ++errors; };
  d.show();
  d.sendBox()->setChecked(true);
  d.fileEdit()->setText(QString::fromStdString(programDir.file("no/such/dir/x.dat")));
  d.accept();
  EXPECT_EQ(errors, 1);
  EXPECT_TRUE(d.isVisible());
  EXPECT_EQ(file, "DATA.NEW");
  EXPECT_FALSE(send);
  QMessageBox* box = d.findChild<QMessageBox*>();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->text(), fromCp1250(lang.nls.GetText(146)));
  EXPECT_FALSE(box->text().isEmpty());
  EXPECT_EQ(box->icon(), QMessageBox::Critical);
  d.reject();
}

TEST(SetServDialog, PagesAndControlsAreThereAndTranslateByPageIndex) {
  TempDir dir;
  dir.write("NAgent.Cz",
            "[Common]\r\n0=Page zero\r\n1=Page one\r\n6000=Services\r\n6001=As a service\r\n");
  TNLS nls(dir.path());
  SetServDialog d(nullptr, &nls);
  ASSERT_EQ(d.pages()->count(), 2);
  EXPECT_EQ(d.pages()->tabText(0), "Windows 95/98");
  EXPECT_TRUE(d.startAutomatic()->isChecked());
  EXPECT_FALSE(d.buttonStart()->isVisibleTo(&d));
  EXPECT_EQ(d.windowTitle(), QString::fromUtf8("Služby"));  // not before activation
  d.show();  // translated at activation
  d.activateWindow();
  QApplication::setActiveWindow(&d);
  QApplication::processEvents();
  EXPECT_EQ(d.windowTitle(), "Services");
  EXPECT_EQ(d.pages()->tabText(0), "Page zero");
  EXPECT_EQ(d.pages()->tabText(1), "Page one");
  EXPECT_EQ(d.check95()->text(), "As a service");
  EXPECT_EQ(d.checkNT()->text(), "As a service");
  EXPECT_EQ(d.buttonStop()->text(), "Stop");  // Tag 0
}

TEST(WidgetTranslation, OnlyTaggedControlsOfTranslatedClassesAtTheLevelsReached) {
  TempDir dir;
  dir.write("NAgent.Cz",
            "[Common]\r\n7=Form\r\n1=one\r\n2=two\r\n3=three\r\n4=four\r\n5=five\r\n6=six\r\n");
  TNLS nls(dir.path());
  QWidget form;
  setNls(&form, 7, "TForm");
  auto* label = new QLabel("label", &form);
  setNls(label, 1, "TLabel");
  auto* edit = new QLineEdit("edit", &form);
  setNls(edit, 2, "TEdit");
  auto* untagged = new QLabel("untagged", &form);
  setNls(untagged, 0, "TLabel");
  auto* holder = new QWidget(&form);  // a plain layout holder is seen through
  auto* held = new QPushButton("held", holder);
  setNls(held, 3, "TButton");
  auto* panel = new QWidget(&form);
  setNls(panel, 4, "TPanel");
  auto* group = new QGroupBox("group", panel);
  setNls(group, 5, "TGroupBox");
  auto* deep = new QCheckBox("deep", group);  // below a group box inside a panel
  setNls(deep, 6, "TCheckBox");

  translateWidget(nls, &form, true);
  EXPECT_EQ(form.windowTitle(), "Form");
  EXPECT_EQ(label->text(), "one");
  EXPECT_EQ(edit->text(), "edit");
  EXPECT_EQ(untagged->text(), "untagged");
  EXPECT_EQ(held->text(), "three");
  EXPECT_EQ(group->title(), "five");
  EXPECT_EQ(deep->text(), "deep");
  EXPECT_FALSE(nls.fileOpen());
}

TEST(InfoDialog, ShowsTheTextWrappedAndTranslates) {
  Languages lang;
  lang.nls.SetLanguage("Cz");
  lang.nls.CloseLanguageFile();
  const QString line = "12:00:00.000 <COM " + QString(300, 'a');
  InfoDialog d(nullptr, &lang.nls, line);
  EXPECT_EQ(d.memo()->toPlainText(), line);
  EXPECT_TRUE(d.memo()->isReadOnly());
  EXPECT_EQ(d.memo()->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_EQ(d.windowTitle(),
            fromCp1250(ProfileFile(lang.dir.file("NAgent.Cz")).readString("Common", "2000", "?")));
}

TEST(AboutBox, VersionTextAndBuildStamp) {
  struct Case {
    int a, b, c;
    const char* text;
  } cases[] = {{1, 5, 2, "1.05 B"}, {3, 12, 0, "3.12"}, {1, 0, 1, "1.00 A"}, {2, 10, 26, "2.10 Z"}};
  for (const Case& c : cases) EXPECT_EQ(formatVersion(c.a, c.b, c.c), c.text);

  AboutBox box(nullptr, nullptr, "1.05 B");
  EXPECT_EQ(box.versionLabel()->text(), "1.05 B");
  EXPECT_TRUE(box.buildInfo()->text().isEmpty());
  EXPECT_EQ(box.buildInfo()->width(), 185);
  QTest::mouseDClick(box.notice(), Qt::LeftButton);
  EXPECT_TRUE(QRegularExpression("^[A-Z][a-z]{2} [ 1-3][0-9] [0-9]{4},[0-9]{2}:[0-9]{2}:[0-9]{2}$")
                  .match(box.buildInfo()->text())
                  .hasMatch())
      << box.buildInfo()->text().toStdString();
}

TEST(AboutBox, TranslatedCaptionAndLabelsKeepVersionAndNotice) {
  TempDir dir;
  dir.write("NAgent.De", "[Common]\r\n1000=Info DE\r\n1001=Produkt\r\n1002=Version DE\r\n");
  TNLS nls(dir.path());
  nls.SetLanguage("De");
  nls.CloseLanguageFile();
  AboutBox box(nullptr, &nls, "1.00 A");
  const QString notice = box.notice()->text();
  translateWidget(nls, &box, true);
  EXPECT_EQ(box.windowTitle(), "Info DE");
  EXPECT_EQ(box.versionLabel()->text(), "1.00 A");
  EXPECT_EQ(box.notice()->text(), notice);
  QStringList labels;
  for (QLabel* l : box.findChildren<QLabel*>()) labels << l->text();
  EXPECT_TRUE(labels.contains("Produkt"));
  EXPECT_TRUE(labels.contains("Version DE"));
}

}  // namespace
}  // namespace norva::test
