#pragma once

#include <cstdio>

#include "core/cp1250.h"
#include "platform/ui_sink.h"

namespace norva {

// No window, no tray: the service, or a build without widgets.
class HeadlessUi : public UiSink {
 public:
  explicit HeadlessUi(std::function<void()> quit) : quit_(std::move(quit)) {}

  void showMessage(MessageIcon, MessageButtons buttons, const std::string& caption,
                   const std::string& text, std::function<void(MessageResult)> onAnswer) override {
    const std::string line = cp1250ToUtf8(caption) + ": " + cp1250ToUtf8(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    // Nobody can say yes here.
    if (onAnswer) onAnswer(buttons == MessageButtons::YesNo ? MessageResult::No : MessageResult::Ok);
  }
  bool setTrayIcon(int) override { return false; }
  void showWindow() override {}
  void hideWindow() override {}
  void closeMainWindow() override {
    if (quit_) quit_();
  }
  void setPollMenuCaption(const std::string&) override {}

 private:
  std::function<void()> quit_;
};

}  // namespace norva
