#include "support/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>

extern char** environ;

namespace norva::test {

Process::Process(const std::string& program, const std::vector<std::string>& args,
                 const std::vector<std::string>& env, const std::string& workDir) {
  start(program, args, env, workDir, false);
}

Process::Process(WithStdio, const std::string& program, const std::vector<std::string>& args,
                 const std::vector<std::string>& env, const std::string& workDir) {
  ::signal(SIGPIPE, SIG_IGN);
  start(program, args, env, workDir, true);
}

void Process::start(const std::string& program, const std::vector<std::string>& args,
                    const std::vector<std::string>& env, const std::string& workDir, bool stdio) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return;
  int outFds[2] = {-1, -1};
  int inFds[2] = {-1, -1};
  if (stdio && (::pipe2(outFds, O_CLOEXEC) != 0 || ::pipe2(inFds, O_CLOEXEC) != 0)) {
    for (int fd : {fds[0], fds[1], outFds[0], outFds[1], inFds[0], inFds[1]}) {
      if (fd >= 0) ::close(fd);
    }
    return;
  }
  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(fds[1], 2);
    if (stdio) {
      ::dup2(outFds[1], 1);
      ::dup2(inFds[0], 0);
    }
    if (!workDir.empty() && ::chdir(workDir.c_str()) != 0) ::_exit(126);
    for (const std::string& e : env) {
      const auto eq = e.find('=');
      if (eq == std::string::npos) {
        ::unsetenv(e.c_str());
      } else {
        ::setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
      }
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(fds[1]);
  errFd_ = fds[0];
  ::fcntl(errFd_, F_SETFL, O_NONBLOCK);
  if (stdio) {
    ::close(outFds[1]);
    ::close(inFds[0]);
    outFd_ = outFds[0];
    inFd_ = inFds[1];
    ::fcntl(outFd_, F_SETFL, O_NONBLOCK);
  }
}

Process::~Process() {
  if (pid_ > 0 && !reaped_) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  if (errFd_ >= 0) ::close(errFd_);
  if (outFd_ >= 0) ::close(outFd_);
  closeStdin();
}

void Process::readAvailable(int timeoutMs) {
  if (errFd_ < 0) return;
  pollfd p[2] = {{errFd_, POLLIN, 0}, {outFd_, POLLIN, 0}};
  if (::poll(p, outFd_ >= 0 ? 2 : 1, timeoutMs) <= 0) return;
  char buf[4096];
  for (;;) {
    const ssize_t n = ::read(errFd_, buf, sizeof buf);
    if (n <= 0) break;
    stderr_.append(buf, static_cast<std::size_t>(n));
  }
  while (outFd_ >= 0) {
    const ssize_t n = ::read(outFd_, buf, sizeof buf);
    if (n == 0) {  // the child closed it: stop polling a pipe that is always ready
      ::close(outFd_);
      outFd_ = -1;
    }
    if (n <= 0) break;
    stdout_.append(buf, static_cast<std::size_t>(n));
  }
}

bool Process::waitForStdout(const std::string& text, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (stdout_.find(text) == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    readAvailable(static_cast<int>(std::min<long>(left.count(), 100)));
  }
  return true;
}

bool Process::writeStdin(const std::string& text) {
  std::size_t done = 0;
  while (inFd_ >= 0 && done < text.size()) {
    const ssize_t n = ::write(inFd_, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return inFd_ >= 0;
}

void Process::closeStdin() {
  if (inFd_ >= 0) ::close(inFd_);
  inFd_ = -1;
}

bool Process::waitForStderr(const std::string& text, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (stderr_.find(text) == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    readAvailable(static_cast<int>(std::min<long>(left.count(), 100)));
  }
  return true;
}

void Process::signal(int sig) {
  if (pid_ > 0 && !reaped_) ::kill(pid_, sig);
}

std::optional<int> Process::wait(std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    int status = 0;
    const pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      reaped_ = true;
      readAvailable(0);
      bySignal_ = WIFSIGNALED(status);
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    if (std::chrono::steady_clock::now() >= end) return std::nullopt;
    readAvailable(20);
  }
}

long cpuTicks(int pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  const std::string stat((std::istreambuf_iterator<char>(in)), {});
  // Fields after the command name, which may hold spaces: the state is field 3.
  std::istringstream fields(stat.substr(stat.rfind(')') + 2));
  std::string field;
  long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stol(field);
    if (i == 15) stime = std::stol(field);
  }
  return utime + stime;
}

double cpuSecondsOf(int pid) {
  return static_cast<double>(cpuTicks(pid)) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

}  // namespace norva::test
