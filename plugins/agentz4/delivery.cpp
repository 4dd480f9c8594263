#include "delivery.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>

#include "mime.h"

namespace agentz4 {

SpoolDelivery::SpoolDelivery(Spool& spool, const LibraryConfig& config, Transport& transport,
                             Log log)
    : spool_(spool), config_(config), transport_(transport), log_(std::move(log)) {}

std::int64_t SpoolDelivery::runOnce(std::int64_t nowMs, const std::atomic<bool>& stop) {
  if (failures_ > 0 && nowMs < nextAttemptMs_) return nextAttemptMs_;
  for (const std::string& name : spool_.waiting()) {
    if (stop) return nowMs;
    SpoolEntry e;
    if (!spool_.read(name, e)) {
      spool_.fail(name, "unreadable spool file");
      log_("unreadable spool file " + name + " moved to failed/");
      continue;
    }
    std::string reason;
    const std::string to = routeOf(e, config_.routes, reason);
    if (to.empty()) {
      spool_.fail(name, reason);
      log_(name + ": " + reason + "; moved to failed/");
      continue;
    }
    const std::string id = name.substr(0, name.size() - 4) + "@agentz4";
    const std::string message = buildMessage(e, config_.smtp.from, to, id, std::time(nullptr));
    std::string detail;
    switch (transport_.send(config_.smtp.from, to, message, stop, detail)) {
      case Transport::Result::Sent:
        spool_.remove(name);
        failures_ = 0;
        break;
      case Transport::Result::Reject:
        spool_.fail(name, "refused by the server: " + detail);
        log_(name + " refused by the server (" + detail + "); moved to failed/");
        break;
      case Transport::Result::Retry: {
        ++failures_;
        const std::int64_t first = static_cast<std::int64_t>(config_.smtp.retryFirstSeconds) * 1000;
        const std::int64_t longest = static_cast<std::int64_t>(config_.smtp.retryMaxSeconds) * 1000;
        std::int64_t pause = first;
        for (int i = 1; i < failures_ && pause < longest; ++i) pause *= 2;
        pause = std::min(pause, longest);
        nextAttemptMs_ = nowMs + pause;
        if (!stop) log_("delivery postponed " + std::to_string(pause / 1000) + " s: " + detail);
        return nextAttemptMs_;
      }
    }
  }
  return -1;
}

DeliveryThread::DeliveryThread(SpoolDelivery& delivery) : delivery_(delivery) {}

DeliveryThread::~DeliveryThread() { stop(); }

void DeliveryThread::start() {
  if (thread_.joinable()) return;
  stop_ = false;
  wake_ = true;
  thread_ = std::thread([this] { loop(); });
}

void DeliveryThread::wake() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    wake_ = true;
  }
  cv_.notify_one();
}

void DeliveryThread::stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  cv_.notify_one();
  if (thread_.joinable()) thread_.join();
}

void DeliveryThread::loop() {
  using Clock = std::chrono::steady_clock;
  const auto nowMs = [] {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
        .count();
  };
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stop_) {
    wake_ = false;
    lock.unlock();
    const std::int64_t next = delivery_.runOnce(nowMs(), stop_);
    lock.lock();
    const auto ready = [this] { return stop_.load() || wake_; };
    if (next < 0) {
      cv_.wait(lock, ready);
    } else {
      cv_.wait_until(lock, Clock::time_point(std::chrono::milliseconds(next)), ready);
    }
  }
}

}  // namespace agentz4
