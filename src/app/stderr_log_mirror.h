#pragma once

#include <cstdio>

#include "core/cp1250.h"
#include "core/event_log.h"

namespace norva {

// In service mode the journal keeps the traffic log: every line that reaches
// the log list goes to standard error as one UTF-8 line.
class StderrLogMirror : public LogObserver {
 public:
  void onLineAppended(const std::string& line) override {
    const std::string utf8 = cp1250ToUtf8(line) + "\n";
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
  }
};

}  // namespace norva
