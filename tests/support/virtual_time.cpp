#include "support/virtual_time.h"

namespace norva::test {

DateTime VirtualClock::now() const {
  // Days after 2026-01-01 are folded into January; tests look at the time of day.
  const std::int64_t dayMs = 24LL * 3600 * 1000;
  const std::int64_t days = wallMs_ / dayMs;
  const std::int64_t rest = wallMs_ % dayMs;
  DateTime t;
  t.year = 2026;
  t.month = 1;
  t.day = 1 + static_cast<int>(days % 31);
  t.hour = static_cast<int>(rest / 3'600'000);
  t.minute = static_cast<int>(rest / 60'000 % 60);
  t.second = static_cast<int>(rest / 1000 % 60);
  t.millisecond = static_cast<int>(rest % 1000);
  return t;
}

class VirtualScheduler::VTimer : public Timer {
 public:
  explicit VTimer(VirtualScheduler& s) : s_(s) {}
  ~VTimer() override { s_.disarm(this); }

  void setInterval(int ms) override {
    interval_ = ms;
    if (enabled_) {
      s_.disarm(this);
      s_.arm(this);
    }
  }
  int interval() const override { return interval_; }
  void setEnabled(bool on) override {
    if (on == enabled_) return;
    enabled_ = on;
    if (on) {
      s_.arm(this);
    } else {
      s_.disarm(this);
    }
  }
  bool enabled() const override { return enabled_; }
  void setCallback(std::function<void()> cb) override { callback_ = std::move(cb); }

  VirtualScheduler& s_;
  int interval_ = 1000;
  bool enabled_ = false;
  std::function<void()> callback_;
  Key key_{};
  bool armed_ = false;
};

std::unique_ptr<Timer> VirtualScheduler::createTimer() { return std::make_unique<VTimer>(*this); }

void VirtualScheduler::arm(VTimer* t) {
  const std::int64_t period = t->interval_ > 0 ? t->interval_ : 1;
  t->key_ = Key{now() + period, sequence_++, t};
  t->armed_ = true;
  queue_.insert(t->key_);
}

void VirtualScheduler::disarm(VTimer* t) {
  if (!t->armed_) return;
  queue_.erase(t->key_);
  t->armed_ = false;
}

void VirtualScheduler::runFor(std::int64_t ms) {
  const std::int64_t end = now() + ms;
  while (!queue_.empty()) {
    const Key first = *queue_.begin();
    const std::int64_t due = std::get<0>(first);
    if (due > end) break;
    VTimer* t = std::get<2>(first);
    queue_.erase(queue_.begin());
    t->armed_ = false;
    clock_.advance(due - now());
    arm(t);  // re-armed before the callback, which may stop or retime it
    if (t->callback_) t->callback_();
  }
  clock_.advance(end - now());
}

}  // namespace norva::test
