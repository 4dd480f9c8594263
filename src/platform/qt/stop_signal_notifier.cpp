#include "platform/qt/stop_signal_notifier.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

namespace norva {

namespace {
int gSignalFds[2] = {-1, -1};

void onSignal(int) {
  const char byte = 1;
  // Nothing to do on failure: the pipe is full, so a stop is already pending.
  [[maybe_unused]] const ssize_t n = ::write(gSignalFds[0], &byte, 1);
}
}  // namespace

StopSignalNotifier::StopSignalNotifier(std::function<void()> onStop) : onStop_(std::move(onStop)) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, gSignalFds) != 0) return;
  notifier_ = std::make_unique<QSocketNotifier>(gSignalFds[1], QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
    char buf[16];
    while (::read(gSignalFds[1], buf, sizeof buf) > 0) {
    }
    if (onStop_) onStop_();
  });
  struct sigaction sa {};
  sa.sa_handler = onSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
}

StopSignalNotifier::~StopSignalNotifier() {
  signal(SIGTERM, SIG_DFL);
  signal(SIGINT, SIG_DFL);
  notifier_.reset();
  for (int& fd : gSignalFds) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

}  // namespace norva
