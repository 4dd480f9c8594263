#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "core/log_categories.h"

class QCheckBox;
class QComboBox;
class QFileDialog;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QToolButton;
class QTreeView;
class QFileSystemModel;

namespace norva {

class TNLS;

// The frame every dialog shares: its Tag, its help context (F1), and its
// translation, made once at creation or again at every activation. Each
// dialog is handed references to the settings it edits and writes them
// only from accept(); any other way of closing changes nothing.
class NlsDialog : public QDialog {
 public:
  enum class Translate { AtCreation, AtActivation };

 protected:
  NlsDialog(QWidget* owner, TNLS* nls, int tag, const char* caption, int helpContext,
            Translate when);
  // Called by each dialog at the end of its constructor.
  void finishCreation();
  // An OK and a Cancel button carrying the shared Tags 102 and 100.
  QPushButton* addOkButton(QWidget* parent, const char* caption = "OK");
  QPushButton* addCancelButton(QWidget* parent, const char* caption = "Zrušit");
  // A row holding both, right-aligned, for the caller to place.
  QWidget* okCancelRow(const char* cancelCaption = "Zrušit");
  bool event(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

  TNLS* nls_;

 private:
  QPushButton* addCloseButton(QWidget* parent, int tag, const char* caption,
                              void (QDialog::*close)());

  int helpContext_;
  Translate when_;
};

class SetDirDialog : public NlsDialog {
 public:
  SetDirDialog(QWidget* owner, TNLS* nls, std::string& path);
  void accept() override;
  QTreeView* directories() const { return tree_; }
  QComboBox* drives() const { return drives_; }

 private:
  std::string& path_;
  QFileSystemModel* model_;
  QTreeView* tree_;
  QComboBox* drives_;
};

class SetM602Dialog : public NlsDialog {
 public:
  SetM602Dialog(QWidget* owner, TNLS* nls, std::string& configPath, std::string& workDir,
                std::string& userName, std::string& password);
  void accept() override;
  QLineEdit* configPathEdit() const { return edits_[0]; }
  QLineEdit* workDirEdit() const { return edits_[1]; }
  QLineEdit* userNameEdit() const { return edits_[2]; }
  QLineEdit* passwordEdit() const { return edits_[3]; }
  QToolButton* configPathButton() const { return dirButtons_[0]; }
  QToolButton* workDirButton() const { return dirButtons_[1]; }

 private:
  void chooseDirectory(QLineEdit* edit);

  std::string* targets_[4];
  QLineEdit* edits_[4];
  QToolButton* dirButtons_[2];
  std::string dirText_;  // the chooser's field while it is open
};

class SetTrapDialog : public NlsDialog {
 public:
  SetTrapDialog(QWidget* owner, TNLS& nls, std::string& recipient, char& addressType,
                std::string& subject, std::string& textOff, std::string& textOn);
  void accept() override;
  QLineEdit* recipientEdit() const { return recipient_; }
  QComboBox* addressTypes() const { return types_; }
  QLineEdit* subjectEdit() const { return subject_; }
  QLineEdit* textOffEdit() const { return textOff_; }
  QLineEdit* textOnEdit() const { return textOn_; }

 private:
  std::string& recipientTarget_;
  char& typeTarget_;
  std::string& subjectTarget_;
  std::string& textOffTarget_;
  std::string& textOnTarget_;
  QLineEdit* recipient_;
  QComboBox* types_;
  QLineEdit* subject_;
  QLineEdit* textOff_;
  QLineEdit* textOn_;
};

class SetPisDialog : public NlsDialog {
 public:
  SetPisDialog(QWidget* owner, TNLS* nls, LogCategories& log);
  void accept() override;
  // In the order of section Log: Com_In, Com_PureIn, Com_Out, Com_LocOut,
  // TCP/IP_In, TCP/IP_Out.
  QCheckBox* box(int i) const { return boxes_[i]; }

 private:
  LogCategories& log_;
  QCheckBox* boxes_[6];
};

class SetPortDialog : public NlsDialog {
 public:
  // `index`: 0 for COM 1 … 3 for COM 4; −1 comes back when none is chosen.
  SetPortDialog(QWidget* owner, TNLS* nls, int& index);
  void accept() override;
  QComboBox* ports() const { return ports_; }

 private:
  int& index_;
  QComboBox* ports_;
};

class SetUctDialog : public NlsDialog {
 public:
  // `programDir`: where the file chooser starts, and the folder whose files
  // are stored by name alone.
  SetUctDialog(QWidget* owner, TNLS* nls, QString programDir, std::string& uctFile,
               bool& sendUct, bool& readUct);
  void accept() override;
  QCheckBox* readBox() const { return readUct_; }
  QCheckBox* sendBox() const { return sendUct_; }
  QLineEdit* fileEdit() const { return file_; }
  QPushButton* searchButton() const { return search_; }
  // The chooser opened by the search button, while it is open.
  QFileDialog* chooser() const { return chooser_; }
  // Called when the accounting file cannot be created (text 146 shown).
  std::function<void()> onFileError;

 private:
  void fileChosen(const QString& path);

  QString programDir_;
  std::string& fileTarget_;
  bool& sendTarget_;
  bool& readTarget_;
  QCheckBox* readUct_;
  QLineEdit* file_;
  QPushButton* search_;
  QCheckBox* sendUct_;
  QFileDialog* chooser_ = nullptr;
};

// The services dialog's actions: service installation and control belong
// to the service side; until it fills these in, the buttons do nothing.
struct ServiceDialogActions {
  std::function<void(class SetServDialog&)> FormShow;
  std::function<void(class SetServDialog&)> OKClick;
  std::function<void(class SetServDialog&)> ButtonStopClick;
  std::function<void(class SetServDialog&)> ButtonStartClick;
};

class SetServDialog : public NlsDialog {
 public:
  SetServDialog(QWidget* owner, TNLS* nls, ServiceDialogActions actions = {});
  void accept() override;
  QTabWidget* pages() const { return pages_; }
  QCheckBox* check95() const { return check95_; }
  QCheckBox* checkNT() const { return checkNT_; }
  QRadioButton* startAutomatic() const { return automatic_; }
  QRadioButton* startManual() const { return manual_; }
  QPushButton* buttonStop() const { return stop_; }
  QPushButton* buttonStart() const { return start_; }

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  ServiceDialogActions actions_;
  QTabWidget* pages_;
  QCheckBox* check95_;
  QCheckBox* checkNT_;
  QRadioButton* automatic_;
  QRadioButton* manual_;
  QPushButton* stop_;
  QPushButton* start_;
};

// One log line in full, wrapped, in a window that can be maximized.
class InfoDialog : public NlsDialog {
 public:
  InfoDialog(QWidget* owner, TNLS* nls, const QString& text);
  QPlainTextEdit* memo() const { return memo_; }

 private:
  QPlainTextEdit* memo_;
};

class AboutBox : public NlsDialog {
 public:
  AboutBox(QWidget* owner, TNLS* nls, const QString& version);
  QLabel* versionLabel() const { return version_; }
  QLabel* notice() const { return notice_; }
  QLabel* buildInfo() const { return info_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  QLabel* version_;
  QLabel* notice_;
  QLabel* info_;
};

}  // namespace norva
