#include "core/event_log.h"

#include <algorithm>
#include <cstdio>

#include "platform/clock.h"

namespace norva {

EventLog::EventLog(const Clock& clock) : clock_(clock) {}

void EventLog::showStatus(const std::string& tag, const std::string& text) {
  setStatusText(tag + "     " + text);
}

void EventLog::setStatusText(const std::string& text) {
  status_ = text;
  for (LogObserver* o : observers_) o->onStatus(status_);
}

std::string EventLog::timeStamp() const {
  const DateTime t = clock_.now();
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%d", t.hour, t.minute, t.second,
                (t.millisecond / 100) % 10);
  return buf;
}

void EventLog::writeLog(const std::string& tag, const std::string& text) {
  showStatus(tag, text);
  std::string line = timeStamp() + "  " + tag + " " + text;
  const bool following = selected_ == static_cast<int>(lines_.size()) - 1;
  lines_.push_back(std::move(line));
  for (LogObserver* o : observers_) o->onLineAppended(lines_.back());
  if (following) setSelected(static_cast<int>(lines_.size()) - 1);
  if (lines_.size() > kMaxLines) {
    const int s = selected_;
    setSelected(-1);
    lines_.pop_front();
    for (LogObserver* o : observers_) o->onFirstLineRemoved();
    if (s - 1 >= 0) setSelected(s - 1);
  }
}

void EventLog::select(int index) {
  if (index < -1 || index >= static_cast<int>(lines_.size())) index = -1;
  setSelected(index);
}

void EventLog::setSelected(int index) {
  if (selected_ == index) return;
  selected_ = index;
  for (LogObserver* o : observers_) o->onSelectionChanged(selected_);
}

void EventLog::clear() {
  lines_.clear();
  selected_ = -1;
  for (LogObserver* o : observers_) o->onCleared();
}

void EventLog::addObserver(LogObserver* observer) { observers_.push_back(observer); }

void EventLog::removeObserver(LogObserver* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

}  // namespace norva
