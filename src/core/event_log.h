#pragma once

#include <deque>
#include <string>
#include <vector>

namespace norva {

class Clock;

// Watches the log model; the desktop window and the standard-error mirror
// are observers. Every callback has a do-nothing default.
class LogObserver {
 public:
  virtual ~LogObserver() = default;
  virtual void onStatus(const std::string& /*text*/) {}
  virtual void onLineAppended(const std::string& /*line*/) {}
  virtual void onFirstLineRemoved() {}
  virtual void onSelectionChanged(int /*index*/) {}
  virtual void onCleared() {}
};

// The status bar and the log list of the agent, as a model: at most
// kMaxLines time-stamped lines, and a selection that follows the newest line
// unless the operator has selected another one.
class EventLog {
 public:
  static constexpr std::size_t kMaxLines = 500;

  explicit EventLog(const Clock& clock);

  void writeLog(const std::string& tag, const std::string& text);
  void showStatus(const std::string& tag, const std::string& text);
  // Some events set the status bar text directly.
  void setStatusText(const std::string& text);

  // The operator selects a line (-1: none).
  void select(int index);
  void clear();

  const std::deque<std::string>& lines() const { return lines_; }
  int selected() const { return selected_; }
  const std::string& status() const { return status_; }

  void addObserver(LogObserver* observer);
  void removeObserver(LogObserver* observer);

 private:
  std::string timeStamp() const;
  void setSelected(int index);

  const Clock& clock_;
  std::deque<std::string> lines_;
  int selected_ = -1;
  std::string status_;
  std::vector<LogObserver*> observers_;
};

}  // namespace norva
