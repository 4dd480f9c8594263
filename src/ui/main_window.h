#pragma once

#include <QMainWindow>
#include <memory>

#include "core/event_log.h"
#include "ui/dialogs.h"
#include "platform/ui_sink.h"

class QAction;
class QActionGroup;
class QDialog;
class QListWidget;
class QMenu;
class QPushButton;
class QSystemTrayIcon;

namespace norva {

class Agent;
class AboutBox;

// The desktop face of the agent: the log list, the status bar, the hide
// button, the menus and the tray icon. It shows the agent's state and
// forwards the operator's commands; it keeps no state of its own.
class MainWindow : public QMainWindow, public UiSink, public LogObserver {
 public:
  MainWindow();
  ~MainWindow() override;

  void attach(Agent* agent);
  // What the services dialog does: service control lives outside the window.
  void setServiceDialogActions(ServiceDialogActions actions) { serviceActions_ = std::move(actions); }

  // UiSink
  void showMessage(MessageIcon icon, MessageButtons buttons, const std::string& caption,
                   const std::string& text, std::function<void(MessageResult)> onAnswer) override;
  bool setTrayIcon(int operation) override;
  void showWindow() override;
  void hideWindow() override;
  void closeMainWindow() override;
  void setPollMenuCaption(const std::string& caption) override;
  void updateBaudMenu(int baud) override;
  void translateWindow(TNLS& nls) override;

  // LogObserver
  void onStatus(const std::string& text) override;
  void onLineAppended(const std::string& line) override;
  void onFirstLineRemoved() override;
  void onSelectionChanged(int index) override;
  void onCleared() override;

  // The menu commands of the settings menu and the log list's double-click.
  void Mail6021Click();
  void LoklnTrapy1Click();
  void VpisuLogu1Click();
  void tovn1Click();
  void StartItemClick();
  void Volbasriovhoportu1Click();
  void ListBox1DblClick();
  void Oaplikaci1Click();

  // A menu item by its name ("Zastavit1", "N9600", "Eng", ...).
  QAction* menuItem(const QString& name) const;
  QMenu* trayMenu() const { return trayMenu_.get(); }
  QListWidget* logList() const { return list_; }
  QPushButton* hideButton() const { return hideButton_; }
  AboutBox* aboutBox() const { return about_; }
  // The settings dialog shown now, if any.
  QDialog* openDialog() const { return dialog_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void buildMenus();
  void layoutControls();
  // Shows a dialog over the window without stopping the agent's loop; on
  // OK `store` runs, false from it meaning the settings file was not
  // written. With `hold`, the poll tick is held meanwhile.
  void runDialog(QDialog* dialog, bool hold, std::function<bool()> store);
  void reportFailure(const QString& what);
  void reportWriteFailure();

  Agent* agent_ = nullptr;
  QListWidget* list_ = nullptr;
  QPushButton* hideButton_ = nullptr;
  QActionGroup* baudGroup_ = nullptr;
  QActionGroup* languageGroup_ = nullptr;
  std::unique_ptr<QMenu> trayMenu_;
  std::unique_ptr<QSystemTrayIcon> tray_;
  AboutBox* about_ = nullptr;
  QDialog* dialog_ = nullptr;
  int portIndex_ = 0;
  QString tipText_;
  bool syncingSelection_ = false;
  ServiceDialogActions serviceActions_;
};

}  // namespace norva
