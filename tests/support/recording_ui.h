#pragma once

#include <string>
#include <vector>

#include "platform/system_log.h"
#include "platform/ui_sink.h"

namespace norva::test {

// A desktop that records what the agent asked of it.
class RecordingUi : public UiSink {
 public:
  struct Message {
    MessageIcon icon;
    MessageButtons buttons;
    std::string caption;
    std::string text;
    std::function<void(MessageResult)> onAnswer;
  };

  void showMessage(MessageIcon icon, MessageButtons buttons, const std::string& caption,
                   const std::string& text, std::function<void(MessageResult)> onAnswer) override {
    events.push_back("message:" + text);
    messages.push_back(Message{icon, buttons, caption, text, std::move(onAnswer)});
  }
  bool setTrayIcon(int operation) override {
    events.push_back("tray:" + std::to_string(operation));
    return trayAvailable;
  }
  void showWindow() override { events.push_back("show"); }
  void hideWindow() override { events.push_back("hide"); }
  void closeMainWindow() override { events.push_back("close"); }
  void setPollMenuCaption(const std::string& caption) override { pollCaption = caption; }
  void translateWindow(TNLS&) override { events.push_back("translate"); }

  bool trayAvailable = true;
  std::vector<std::string> events;
  std::vector<Message> messages;
  std::string pollCaption;
};

class RecordingSystemLog : public SystemLog {
 public:
  void logEvent(Kind kind, const std::string& text) override {
    entries.push_back((kind == Kind::Error ? "E:" : "I:") + text);
  }
  std::vector<std::string> entries;
};

}  // namespace norva::test
