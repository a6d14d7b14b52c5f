#pragma once
// A private CUPS scheduler with a cups-pdf queue as its default printer, for
// tests that print for real (tests/common/cups_env.sh does the work). Where
// it cannot run (not root, CUPS or cups-pdf missing) `skipReason` says why
// and the test skips.

#include <string>
#include <unistd.h>

#include "common/run_program.h"
#include "common/temp_dir.h"

namespace testing_support {

class CupsScheduler {
 public:
  CupsScheduler() {
    // One queue name per scheduler: cups-pdf keeps the queue's settings in
    // /etc/cups under that name.
    queue_ = "quiro-test-" + std::to_string(::getpid());
    const ProgramRun run = RunProgram("/bin/sh", {script(), "start", dir_.path(), queue_}, {dir_.path(), {}});
    if (run.status != 0) {
      skipReason_ = run.err.empty() ? "the private CUPS scheduler did not start" : run.err;
      return;
    }
    server_ = Value(run.out, "CUPS_SERVER");
    out_ = Value(run.out, "OUT");
  }
  ~CupsScheduler() {
    if (skipReason_.empty()) RunProgram("/bin/sh", {script(), "stop", dir_.path()}, {dir_.path(), {}});
  }
  CupsScheduler(const CupsScheduler&) = delete;
  CupsScheduler& operator=(const CupsScheduler&) = delete;

  /// Empty when the scheduler runs.
  const std::string& skipReason() const { return skipReason_; }
  /// The value of CUPS_SERVER that reaches it.
  const std::string& server() const { return server_; }
  const std::string& queue() const { return queue_; }
  /// The folder its queue writes each job's PDF file to.
  const std::string& out() const { return out_; }

  /// Runs a CUPS command-line tool (lpadmin, cupsreject, ...) against it.
  ProgramRun Tool(const std::string& tool, const std::vector<std::string>& args) const {
    const std::string path = (tool == "lpstat" || tool == "cancel" ? "/usr/bin/" : "/usr/sbin/") + tool;
    return RunProgram(path, args, {dir_.path(), {"CUPS_SERVER=" + server_}});
  }

 private:
  static std::string script() { return std::string(QUIRO_TEST_COMMON_DIR) + "/cups_env.sh"; }
  static std::string Value(const std::string& lines, const std::string& name) {
    const std::string key = name + "=";
    const std::size_t at = lines.find(key);
    if (at == std::string::npos) return {};
    const std::size_t end = lines.find('\n', at);
    return lines.substr(at + key.size(), end == std::string::npos ? std::string::npos : end - at - key.size());
  }

  TempDir dir_;
  std::string queue_;
  std::string server_;
  std::string out_;
  std::string skipReason_;
};

}  // namespace testing_support
