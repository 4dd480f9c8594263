#include "ui/dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStorageInfo>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "core/version.h"
#include "i18n/text_ids.h"
#include "i18n/tnls.h"
#include "ui/help.h"
#include "ui/nls_widgets.h"

namespace norva {

namespace {

constexpr int kTextMax = 100;
constexpr int kPasswordMax = 20;

template <typename W>
W* marked(W* widget, int tag, const char* className) {
  setNls(widget, tag, className);
  return widget;
}

QLabel* label(QWidget* parent, int tag, const char* caption) {
  return marked(new QLabel(QString::fromUtf8(caption), parent), tag, "TLabel");
}

QLineEdit* maskEdit(QWidget* parent, const std::string& value, int maxLength) {
  auto* e = marked(new QLineEdit(parent), 0, "TMaskEdit");
  e->setMaxLength(maxLength);
  e->setText(fromCp1250(value));
  return e;
}

// The field's text as the settings hold it: Windows-1250, at most the
// field's length.
std::string fieldText(const QLineEdit* e) {
  return toCp1250(e->text().left(e->maxLength()));
}

QWidget* buttonRow(QWidget* parent) {
  auto* row = new QWidget(parent);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addStretch();
  return row;
}

}  // namespace

// ---- the shared frame ----

NlsDialog::NlsDialog(QWidget* owner, TNLS* nls, int tag, const char* caption, int helpContext,
                     Translate when)
    : QDialog(owner), nls_(nls), helpContext_(helpContext), when_(when) {
  setNls(this, tag, "TForm");
  setWindowTitle(QString::fromUtf8(caption));
}

void NlsDialog::finishCreation() {
  if (when_ == Translate::AtCreation && nls_ != nullptr) translateWidget(*nls_, this, true);
}

QPushButton* NlsDialog::addOkButton(QWidget* parent, const char* caption) {
  return addCloseButton(parent, 102, caption, &QDialog::accept);
}

QPushButton* NlsDialog::addCancelButton(QWidget* parent, const char* caption) {
  return addCloseButton(parent, 100, caption, &QDialog::reject);
}

QPushButton* NlsDialog::addCloseButton(QWidget* parent, int tag, const char* caption,
                                       void (QDialog::*close)()) {
  auto* b = marked(new QPushButton(QString::fromUtf8(caption), parent), tag, "TBitBtn");
  b->setAutoDefault(false);
  connect(b, &QPushButton::clicked, this, close);
  if (parent->layout() != nullptr) parent->layout()->addWidget(b);
  return b;
}

QWidget* NlsDialog::okCancelRow(const char* cancelCaption) {
  QWidget* row = buttonRow(this);
  addOkButton(row);
  addCancelButton(row, cancelCaption);
  return row;
}

bool NlsDialog::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate && when_ == Translate::AtActivation &&
      nls_ != nullptr) {
    translateWidget(*nls_, this, true);
  }
  return QDialog::event(e);
}

void NlsDialog::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_F1 && helpContext_ != 0) {
    help::openContext(helpContext_);
    return;
  }
  QDialog::keyPressEvent(e);
}

// ---- directory chooser ----

SetDirDialog::SetDirDialog(QWidget* owner, TNLS* nls, std::string& path)
    : NlsDialog(owner, nls, 3000, "Výběr adresáře", 0, Translate::AtCreation), path_(path) {
  auto* layout = new QVBoxLayout(this);
  // A Linux "drive" is a mounted volume; picking one moves the list there.
  drives_ = marked(new QComboBox(this), 0, "TDriveComboBox");
  for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
    if (v.isValid() && v.isReady()) drives_->addItem(v.rootPath());
  }
  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  model_->setRootPath(QStringLiteral("/"));
  tree_ = marked(new QTreeView(this), 0, "TDirectoryListBox");
  tree_->setModel(model_);
  for (int c = 1; c < model_->columnCount(); ++c) tree_->hideColumn(c);
  tree_->header()->hide();
  const QString start = QDir::cleanPath(QDir(fromCp1250(path)).absolutePath());
  const QModelIndex startIndex = model_->index(start);
  if (startIndex.isValid()) {
    tree_->setCurrentIndex(startIndex);
    tree_->scrollTo(startIndex);
  }
  connect(drives_, &QComboBox::currentTextChanged, this, [this](const QString& root) {
    const QModelIndex i = model_->index(root);
    if (i.isValid()) tree_->setCurrentIndex(i);
  });
  layout->addWidget(tree_);
  layout->addWidget(drives_);
  layout->addWidget(okCancelRow());
  resize(320, 360);
  finishCreation();
}

void SetDirDialog::accept() {
  const QModelIndex i = tree_->currentIndex();
  if (i.isValid()) path_ = toCp1250(QDir::toNativeSeparators(model_->filePath(i)));
  QDialog::accept();
}

// ---- Mail602 gateway ----

SetM602Dialog::SetM602Dialog(QWidget* owner, TNLS* nls, std::string& configPath,
                             std::string& workDir, std::string& userName, std::string& password)
    : NlsDialog(owner, nls, 4000, "Nastavení Mail602", 101, Translate::AtActivation),
      targets_{&configPath, &workDir, &userName, &password} {
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  auto* layout = new QGridLayout(this);
  layout->addWidget(label(this, 4001, "Cesta na základní konfigurační soubor:"), 0, 0, 1, 2);
  edits_[0] = maskEdit(this, configPath, kTextMax);
  dirButtons_[0] = marked(new QToolButton(this), 0, "TBitBtn");
  layout->addWidget(edits_[0], 1, 0);
  layout->addWidget(dirButtons_[0], 1, 1);
  layout->addWidget(label(this, 4002, "Pracovní adresář"), 2, 0, 1, 2);
  edits_[1] = maskEdit(this, workDir, kTextMax);
  dirButtons_[1] = marked(new QToolButton(this), 0, "TBitBtn");
  layout->addWidget(edits_[1], 3, 0);
  layout->addWidget(dirButtons_[1], 3, 1);
  for (QToolButton* b : dirButtons_) {
    b->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    b->setToolTip(QStringLiteral("…"));
  }

  auto* user = marked(new QGroupBox(QString::fromUtf8("Uživatel"), this), 4003, "TGroupBox");
  auto* form = new QFormLayout(user);
  form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  auto* nameLabel = label(user, 4004, "Jméno:");
  edits_[2] = maskEdit(user, userName, kTextMax);
  form->addRow(nameLabel, edits_[2]);
  auto* passwordLabel = label(user, 4005, "Heslo:");
  edits_[3] = maskEdit(user, password, kPasswordMax);
  edits_[3]->setEchoMode(QLineEdit::Password);
  form->addRow(passwordLabel, edits_[3]);
  layout->addWidget(user, 4, 0, 1, 2);

  layout->addWidget(okCancelRow(), 5, 0, 1, 2);

  connect(dirButtons_[0], &QToolButton::clicked, this, [this] { chooseDirectory(edits_[0]); });
  connect(dirButtons_[1], &QToolButton::clicked, this, [this] { chooseDirectory(edits_[1]); });
  resize(420, 260);
  finishCreation();
}

void SetM602Dialog::chooseDirectory(QLineEdit* edit) {
  // The chooser edits a copy of the field; the field takes it back when the
  // chooser closes, so Cancel on this dialog still discards it.
  dirText_ = fieldText(edit);
  auto* chooser = new SetDirDialog(this, nls_, dirText_);
  chooser->setAttribute(Qt::WA_DeleteOnClose);
  connect(chooser, &QDialog::finished, this, [this, edit](int) {
    edit->setText(fromCp1250(dirText_));
  });
  chooser->open();
}

void SetM602Dialog::accept() {
  for (int i = 0; i < 4; ++i) *targets_[i] = fieldText(edits_[i]);
  QDialog::accept();
}

// ---- local traps ----

SetTrapDialog::SetTrapDialog(QWidget* owner, TNLS& nls, std::string& recipient,
                             char& addressType, std::string& subject, std::string& textOff,
                             std::string& textOn)
    : NlsDialog(owner, &nls, 3200, "Nastavení lokálních TRAPů", 104, Translate::AtCreation),
      recipientTarget_(recipient),
      typeTarget_(addressType),
      subjectTarget_(subject),
      textOffTarget_(textOff),
      textOnTarget_(textOn) {
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  auto* layout = new QVBoxLayout(this);
  auto* box = marked(new QGroupBox(QString::fromUtf8("Adresát"), this), 3201, "TGroupBox");
  auto* boxForm = new QFormLayout(box);
  boxForm->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  auto* nameLabel = label(box, 4004, "Jméno:");
  recipient_ = maskEdit(box, recipient, kTextMax);
  boxForm->addRow(nameLabel, recipient_);
  auto* typeLabel = label(box, 3202, "Typ adresy:");
  types_ = marked(new QComboBox(box), 0, "TComboBox");
  boxForm->addRow(typeLabel, types_);
  layout->addWidget(box);

  auto* fields = new QWidget(this);
  auto* form = new QFormLayout(fields);
  form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  form->setContentsMargins(0, 0, 0, 0);
  auto* subjectLabel = label(this, 3205, "Subject:");
  subject_ = maskEdit(this, subject, kTextMax);
  form->addRow(subjectLabel, subject_);
  auto* offLabel = label(this, 3203, "Chyba komunikace s ústřednou");
  textOff_ = maskEdit(this, textOff, kTextMax);
  form->addRow(offLabel, textOff_);
  auto* onLabel = label(this, 3204, "Obnova komunikace s ústřednou");
  textOn_ = maskEdit(this, textOn, kTextMax);
  form->addRow(onLabel, textOn_);
  layout->addWidget(fields);

  layout->addWidget(okCancelRow());

  // Names of the address types come from the second language file, read
  // as one group (100 opens it, 199 closes it).
  types_->addItem(QStringLiteral("--------"), 0);
  const std::pair<int, char> entries[] = {{100, 'I'}, {101, 'Q'}, {102, 'V'}, {103, 'L'},
                                          {199, 'Z'}};
  for (const auto& [number, letter] : entries) {
    types_->addItem(fromCp1250(nls.GetFileText(number)), static_cast<int>(letter));
  }
  types_->setCurrentIndex(types_->findData(static_cast<int>(addressType)));
  resize(420, 280);
  finishCreation();
}

void SetTrapDialog::accept() {
  recipientTarget_ = fieldText(recipient_);
  // With no entry selected (a configured letter that matches none), the
  // letter stays as it was rather than being lost.
  if (types_->currentIndex() >= 0) typeTarget_ = static_cast<char>(types_->currentData().toInt());
  subjectTarget_ = fieldText(subject_);
  textOffTarget_ = fieldText(textOff_);
  textOnTarget_ = fieldText(textOn_);
  QDialog::accept();
}

// ---- log output ----

SetPisDialog::SetPisDialog(QWidget* owner, TNLS* nls, LogCategories& log)
    : NlsDialog(owner, nls, 5000, "Nastavení Logu", 102, Translate::AtCreation), log_(log) {
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  auto* layout = new QVBoxLayout(this);
  auto* group = marked(new QGroupBox(this), 0, "TGroupBox");
  auto* inner = new QVBoxLayout(group);
  auto check = [group, inner](int tag, const char* caption, bool on) {
    auto* c = marked(new QCheckBox(QString::fromUtf8(caption), group), tag, "TCheckBox");
    c->setChecked(on);
    inner->addWidget(c);
    return c;
  };
  inner->addWidget(label(group, 5001, "Sériová komunikace:"));
  boxes_[0] = check(5002, "Příjmy dat", log.comIn);
  boxes_[1] = check(5003, "Příjmy prázdné", log.comPureIn);
  boxes_[2] = check(5004, "Výstupy dat z TCP/IP", log.comOut);
  boxes_[3] = check(5005, "Výstupy lokálních dat", log.comLocOut);
  inner->addWidget(label(group, 5006, "Komunikace TCP/IP:"));
  boxes_[4] = check(5007, "Příjmy", log.tcpIpIn);
  boxes_[5] = check(5008, "Výstupy", log.tcpIpOut);
  layout->addWidget(group);
  layout->addWidget(okCancelRow());
  finishCreation();
}

void SetPisDialog::accept() {
  bool* fields[6] = {&log_.comIn,     &log_.comPureIn, &log_.comOut,
                     &log_.comLocOut, &log_.tcpIpIn,   &log_.tcpIpOut};
  for (int i = 0; i < 6; ++i) *fields[i] = boxes_[i]->isChecked();
  QDialog::accept();
}

// ---- serial port ----

SetPortDialog::SetPortDialog(QWidget* owner, TNLS* nls, int& index)
    : NlsDialog(owner, nls, 3300, "Serial port selection", 103, Translate::AtCreation),
      index_(index) {
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  auto* layout = new QVBoxLayout(this);
  auto* row = new QWidget(this);
  auto* rowLayout = new QHBoxLayout(row);
  rowLayout->setContentsMargins(0, 0, 0, 0);
  rowLayout->addWidget(label(row, 3301, "Port:"));
  ports_ = marked(new QComboBox(row), 0, "TComboBox");
  for (int i = 1; i <= 4; ++i) ports_->addItem(QStringLiteral("COM %1").arg(i));
  ports_->setCurrentIndex(index >= 0 && index < 4 ? index : -1);
  rowLayout->addWidget(ports_, 1);
  layout->addWidget(row);
  QWidget* buttons = buttonRow(this);
  addOkButton(buttons);
  QPushButton* cancel = addCancelButton(buttons, "Cancel");
  cancel->setDefault(true);  // Enter cancels
  layout->addWidget(buttons);
  finishCreation();
}

void SetPortDialog::accept() {
  index_ = ports_->currentIndex();
  QDialog::accept();
}

// ---- call accounting ----

SetUctDialog::SetUctDialog(QWidget* owner, TNLS* nls, QString programDir, std::string& uctFile,
                           bool& sendUct, bool& readUct)
    : NlsDialog(owner, nls, 3100, "Nastavení účtování", 0, Translate::AtCreation),
      programDir_(std::move(programDir)),
      fileTarget_(uctFile),
      sendTarget_(sendUct),
      readTarget_(readUct) {
  auto* layout = new QVBoxLayout(this);
  auto* panel = marked(new QFrame(this), 0, "TPanel");
  panel->setFrameShape(QFrame::StyledPanel);
  auto* grid = new QGridLayout(panel);
  readUct_ = marked(new QCheckBox(QString::fromUtf8("Stahovat účtovací data"), panel), 3101,
                    "TCheckBox");
  readUct_->setChecked(readUct);
  grid->addWidget(readUct_, 0, 0, 1, 3);
  grid->addWidget(label(panel, 3102, "Účtovací soubor:"), 1, 0);
  file_ = marked(new QLineEdit(fromCp1250(uctFile), panel), 0, "TEdit");
  file_->setEnabled(readUct);
  grid->addWidget(file_, 1, 1);
  search_ = marked(new QPushButton(QString::fromUtf8("Vyhledat"), panel), 103, "TButton");
  search_->setAutoDefault(false);
  grid->addWidget(search_, 1, 2);
  sendUct_ = marked(new QCheckBox(QString::fromUtf8("Předávat účtovací data na IP"), panel),
                    3103, "TCheckBox");
  sendUct_->setChecked(sendUct);
  grid->addWidget(sendUct_, 2, 0, 1, 3);
  layout->addWidget(panel);
  layout->addWidget(okCancelRow("Cancel"));

  connect(readUct_, &QCheckBox::toggled, file_, &QLineEdit::setEnabled);
  connect(search_, &QPushButton::clicked, this, [this] {
    chooser_ = new QFileDialog(this, QString(), programDir_);
    chooser_->setAttribute(Qt::WA_DeleteOnClose);
    chooser_->setAcceptMode(QFileDialog::AcceptSave);
    chooser_->setFileMode(QFileDialog::AnyFile);
    chooser_->setOption(QFileDialog::DontConfirmOverwrite);
    chooser_->setOption(QFileDialog::DontUseNativeDialog);
    chooser_->selectFile(file_->text());
    connect(chooser_, &QFileDialog::fileSelected, this, &SetUctDialog::fileChosen);
    connect(chooser_, &QObject::destroyed, this, [this] { chooser_ = nullptr; });
    chooser_->open();
  });
  resize(440, 170);
  finishCreation();
}

void SetUctDialog::fileChosen(const QString& path) {
  const QFileInfo chosen(path);
  // Compared as text, as the folder names are given.
  if (QDir::cleanPath(chosen.absolutePath()) == QDir::cleanPath(programDir_)) {
    file_->setText(chosen.fileName());
  } else {
    file_->setText(QDir::toNativeSeparators(chosen.absoluteFilePath()));
  }
}

void SetUctDialog::accept() {
  // The file must be one that can be created; a trial file is removed again.
  QFile file(file_->text());
  if (!file.exists()) {
    if (file_->text().isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
      auto* box = new QMessageBox(QMessageBox::Critical,
                                  nls_ != nullptr ? fromCp1250(nls_->GetText(txt::kErrorCaption))
                                                  : QString(),
                                  nls_ != nullptr
                                      ? fromCp1250(nls_->GetText(txt::kAccountingFileError))
                                      : QString(),
                                  QMessageBox::Ok, this);
      box->setAttribute(Qt::WA_DeleteOnClose);
      box->open();
      if (onFileError) onFileError();
      return;  // the dialog stays open
    }
    file.close();
    file.remove();
  }
  fileTarget_ = toCp1250(file_->text());
  sendTarget_ = sendUct_->isChecked();
  readTarget_ = readUct_->isChecked();
  QDialog::accept();
}

// ---- services ----

SetServDialog::SetServDialog(QWidget* owner, TNLS* nls, ServiceDialogActions actions)
    : NlsDialog(owner, nls, 6000, "Služby", 0, Translate::AtActivation),
      actions_(std::move(actions)) {
  auto* layout = new QVBoxLayout(this);
  pages_ = marked(new QTabWidget(this), 0, "TPageControl");
  auto* win95 = new QWidget;
  auto* l95 = new QVBoxLayout(win95);
  check95_ = marked(new QCheckBox(QString::fromUtf8("Spustit jako službu"), win95), 6001,
                    "TCheckBox");
  l95->addWidget(check95_);
  l95->addStretch();
  pages_->addTab(win95, QStringLiteral("Windows 95/98"));

  auto* winNT = new QWidget;
  auto* lNT = new QVBoxLayout(winNT);
  auto* bevel = marked(new QFrame(winNT), 0, "TBevel");
  bevel->setFrameShape(QFrame::HLine);
  lNT->addWidget(bevel);
  checkNT_ = marked(new QCheckBox(QString::fromUtf8("Spustit jako službu"), winNT), 6001,
                    "TCheckBox");
  lNT->addWidget(checkNT_);
  auto* radio = marked(new QGroupBox(QStringLiteral("Start"), winNT), 0, "TRadioGroup");
  auto* lr = new QVBoxLayout(radio);
  automatic_ = new QRadioButton(QStringLiteral("Automatic"), radio);
  manual_ = new QRadioButton(QStringLiteral("Manual"), radio);
  automatic_->setChecked(true);
  lr->addWidget(automatic_);
  lr->addWidget(manual_);
  lNT->addWidget(radio);
  auto* controls = new QWidget(winNT);
  auto* lc = new QHBoxLayout(controls);
  lc->setContentsMargins(0, 0, 0, 0);
  stop_ = marked(new QPushButton(QStringLiteral("Stop"), controls), 0, "TButton");
  start_ = marked(new QPushButton(QStringLiteral("Start"), controls), 0, "TButton");
  start_->setVisible(false);
  lc->addWidget(stop_);
  lc->addWidget(start_);
  lc->addStretch();
  lNT->addWidget(controls);
  pages_->addTab(winNT, QStringLiteral("Windows NT"));
  layout->addWidget(pages_);

  layout->addWidget(okCancelRow("Cancel"));
  connect(stop_, &QPushButton::clicked, this, [this] {
    if (actions_.ButtonStopClick) actions_.ButtonStopClick(*this);
  });
  connect(start_, &QPushButton::clicked, this, [this] {
    if (actions_.ButtonStartClick) actions_.ButtonStartClick(*this);
  });
  resize(340, 260);
  finishCreation();
}

void SetServDialog::showEvent(QShowEvent* e) {
  NlsDialog::showEvent(e);
  if (actions_.FormShow) actions_.FormShow(*this);
}

void SetServDialog::accept() {
  if (actions_.OKClick) actions_.OKClick(*this);
  QDialog::accept();
}

// ---- info window ----

InfoDialog::InfoDialog(QWidget* owner, TNLS* nls, const QString& text)
    : NlsDialog(owner, nls, 2000, "Info", 0, Translate::AtCreation) {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  memo_ = marked(new QPlainTextEdit(this), 0, "TMemo");
  memo_->setReadOnly(true);
  memo_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  layout->addWidget(memo_, 1);
  auto* panel = marked(new QFrame(this), 0, "TPanel");
  panel->setFixedHeight(34);
  auto* lp = new QHBoxLayout(panel);
  lp->setContentsMargins(4, 2, 4, 2);
  lp->addStretch();
  addCancelButton(panel);
  layout->addWidget(panel);
  resize(474, 458);
  finishCreation();
  memo_->setPlainText(text);
}

// ---- about box ----

AboutBox::AboutBox(QWidget* owner, TNLS* nls, const QString& version)
    : NlsDialog(owner, nls, 1000, "O aplikaci", 0, Translate::AtActivation) {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
  auto* layout = new QVBoxLayout(this);
  auto* panel = marked(new QFrame(this), 0, "TPanel");
  panel->setFrameShape(QFrame::Panel);
  panel->setFrameShadow(QFrame::Sunken);
  auto* grid = new QGridLayout(panel);
  auto* picture = marked(new QLabel(panel), 0, "TImage");
  picture->setPixmap(windowIcon().pixmap(41, 41));
  picture->setFixedSize(41, 41);
  grid->addWidget(picture, 0, 0, 2, 1);
  auto* name = label(panel, 1001, "Norva Agent");
  QFont bold = name->font();
  bold.setBold(true);
  name->setFont(bold);
  grid->addWidget(name, 0, 1, 1, 2);
  grid->addWidget(label(panel, 1002, "Verze:"), 1, 1);
  version_ = label(panel, 0, "XXX");
  version_->setText(version);
  grid->addWidget(version_, 1, 2);
  notice_ = label(panel, 0, "");
  notice_->setText(QString::fromUtf8(
      "Copyright © Norva. All rights reserved.\nThis program may be used only under "
      "the terms of its licence."));
  notice_->setWordWrap(true);
  notice_->installEventFilter(this);
  grid->addWidget(notice_, 2, 0, 1, 3);
  info_ = label(panel, 0, "");
  info_->setFixedWidth(185);
  grid->addWidget(info_, 3, 0, 1, 3);
  layout->addWidget(panel);
  QWidget* buttons = buttonRow(this);
  addCancelButton(buttons);
  layout->addWidget(buttons);
  resize(348, 227);
  finishCreation();
}

bool AboutBox::eventFilter(QObject* watched, QEvent* e) {
  if (watched == notice_ && e->type() == QEvent::MouseButtonDblClick) {
    info_->setText(QString::fromStdString(buildStamp()));
    return true;
  }
  return NlsDialog::eventFilter(watched, e);
}

}  // namespace norva
