#pragma once

#include <QMainWindow>
#include <memory>

#include "core/event_log.h"
#include "platform/ui_sink.h"

class QListWidget;
class QPushButton;
class QSystemTrayIcon;
class QMenu;

namespace norva {

class Agent;

// The desktop face of the agent: the log list, the status bar, the hide
// button and the tray icon. It shows the agent's state and forwards the
// operator's commands; it keeps no state of its own.
class MainWindow : public QMainWindow, public UiSink, public LogObserver {
 public:
  MainWindow();
  ~MainWindow() override;

  void attach(Agent* agent);

  // UiSink
  void showMessage(MessageIcon icon, MessageButtons buttons, const std::string& caption,
                   const std::string& text, std::function<void(MessageResult)> onAnswer) override;
  bool setTrayIcon(int operation) override;
  void showWindow() override;
  void hideWindow() override;
  void closeMainWindow() override;
  void setPollMenuCaption(const std::string& caption) override;

  // LogObserver
  void onStatus(const std::string& text) override;
  void onLineAppended(const std::string& line) override;
  void onFirstLineRemoved() override;
  void onSelectionChanged(int index) override;
  void onCleared() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void layoutControls();

  Agent* agent_ = nullptr;
  QListWidget* list_ = nullptr;
  QPushButton* hideButton_ = nullptr;
  std::unique_ptr<QMenu> trayMenu_;
  std::unique_ptr<QSystemTrayIcon> tray_;
  QString tipText_;
  bool syncingSelection_ = false;
};

}  // namespace norva
