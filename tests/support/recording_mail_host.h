#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/log_categories.h"
#include "messaging/mail_gateway.h"

namespace norva::test {

// The agent as the messaging code sees it, recording what it is told.
class RecordingMailHost : public MailHost {
 public:
  void writeLog(const std::string& tag, const std::string& text) override {
    lines.push_back(tag + " " + text);
  }
  void showStatus(const std::string& tag, const std::string& text) override {
    status = tag + " " + text;
  }
  std::string text(int number) override { return "<" + std::to_string(number) + ">"; }
  std::string fileText(int number) override {
    fileTexts.push_back(number);
    const auto it = files.find(number);
    return it == files.end() ? "[" + std::to_string(number) + "]" : it->second;
  }
  const LogCategories& logSwitches() const override { return switches; }
  void sendUnfiled(const std::string& tag, const std::string& text, const std::uint8_t* payload,
                   int length) override {
    lines.push_back(tag + " " + text);
    unfiled.emplace_back(payload, payload + length);
  }

  std::vector<std::string> lines;
  std::string status;
  std::vector<int> fileTexts;
  std::map<int, std::string> files;  // file texts that differ from "[n]"
  LogCategories switches;
  std::vector<std::vector<std::uint8_t>> unfiled;
};

}  // namespace norva::test
