#pragma once
// The one way tests run a program as a child process: the program under
// test (QUIRO_BINARY, set by the build for every test program that runs it)
// or a tool, with its own folder and environment, output captured whole and
// a deadline after which it is killed.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "common/temp_dir.h"

namespace testing_support {

struct ProgramRun {
  int status = -1;  ///< exit status; 128 + signal when killed by one; -2 when it overran its deadline
  std::string out;
  std::string err;
};

/// How to run a child.
struct ChildSetup {
  std::string cwd;               ///< its folder ("" keeps ours)
  std::vector<std::string> env;  ///< "NAME=value" sets, "NAME" alone unsets
  int timeoutMs = 120000;        ///< killed (with its process group) after this
};

/// A started child in a process group of its own, output captured in files.
class ChildProcess {
 public:
  ChildProcess(const std::string& exe, const std::vector<std::string>& args, const ChildSetup& setup = {})
      : timeoutMs_(setup.timeoutMs) {
    const std::string outPath = capture_ / "out";
    const std::string errPath = capture_ / "err";
    pid_ = ::fork();
    if (pid_ != 0) return;
    ::setpgid(0, 0);
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(120);
    if (!setup.cwd.empty() && ::chdir(setup.cwd.c_str()) != 0) ::_exit(120);
    for (const std::string& e : setup.env) {
      const std::string::size_type eq = e.find('=');
      if (eq == std::string::npos)
        ::unsetenv(e.c_str());
      else
        ::setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
    }
    std::vector<char*> argv{const_cast<char*>(exe.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(exe.c_str(), argv.data());
    ::_exit(121);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess() {
    if (pid_ > 0 && !ended_) Wait();
  }

  pid_t pid() const { return pid_; }

  /// Waits for the end (calling `whileRunning` every 20 ms until then) and
  /// returns what the child did.
  ProgramRun Wait(const std::function<void()>& whileRunning = {}) {
    ProgramRun run;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs_);
    for (;;) {
      int raw = 0;
      const pid_t r = ::waitpid(pid_, &raw, WNOHANG);
      if (r == pid_) {
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        break;
      }
      if (r < 0) break;
      if (std::chrono::steady_clock::now() > end) {
        ::kill(-pid_, SIGKILL);
        ::waitpid(pid_, &raw, 0);
        run.status = -2;
        break;
      }
      if (whileRunning) whileRunning();
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ended_ = true;
    run.out = ReadFile(capture_ / "out");
    run.err = ReadFile(capture_ / "err");
    return run;
  }

 private:
  TempDir capture_;
  pid_t pid_ = -1;
  int timeoutMs_;
  bool ended_ = false;
};

/// Runs `exe` with `args` to its end and returns what it did.
inline ProgramRun RunProgram(const std::string& exe, const std::vector<std::string>& args,
                             const ChildSetup& setup = {}) {
  return ChildProcess(exe, args, setup).Wait();
}

}  // namespace testing_support
