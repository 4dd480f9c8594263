#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace norva::test {

// A child process with its standard error captured, for tests that run the
// real program.
class Process {
 public:
  Process(const std::string& program, const std::vector<std::string>& args,
          const std::vector<std::string>& env = {}, const std::string& workDir = {});
  // Also captures standard output and feeds standard input from a pipe, for
  // programs steered by commands and followed by what they print. Ignores
  // SIGPIPE in the test process, so that writing to a child that has gone
  // fails instead of ending the test.
  struct WithStdio {};
  Process(WithStdio, const std::string& program, const std::vector<std::string>& args,
          const std::vector<std::string>& env = {}, const std::string& workDir = {});
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // Reads standard error until it holds text, or the time runs out.
  bool waitForStderr(const std::string& text, std::chrono::milliseconds timeout);
  const std::string& stderrText() const { return stderr_; }

  // With WithStdio only.
  bool waitForStdout(const std::string& text, std::chrono::milliseconds timeout);
  const std::string& stdoutText() const { return stdout_; }
  bool writeStdin(const std::string& text);
  void closeStdin();

  int pid() const { return pid_; }

  void signal(int sig);
  // The exit status, or nothing if the process was still running at the time-out.
  std::optional<int> wait(std::chrono::milliseconds timeout);
  bool exitedBySignal() const { return bySignal_; }

 private:
  void start(const std::string& program, const std::vector<std::string>& args,
             const std::vector<std::string>& env, const std::string& workDir, bool stdio);
  void readAvailable(int timeoutMs);

  int pid_ = -1;
  int errFd_ = -1;
  int outFd_ = -1;
  int inFd_ = -1;
  std::string stderr_;
  std::string stdout_;
  bool reaped_ = false;
  bool bySignal_ = false;
};

// User and system CPU time a process has used so far, from /proc: in clock
// ticks, and in seconds.
long cpuTicks(int pid);
double cpuSecondsOf(int pid);

}  // namespace norva::test
