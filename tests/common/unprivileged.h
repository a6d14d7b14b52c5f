#pragma once
// Runs part of a test as a user without special rights, in a child process:
// root may write anywhere, so a test of what a desktop user cannot write
// gives up root first.

#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace testing_support {

inline constexpr uid_t kNobody = 65534;

/// Forks; in the child runs `prepare` (still with the test's rights), then,
/// when the test runs as root, becomes "nobody" (65534) and runs `body`.
/// Returns the child's exit status: `prepare`'s when it is not 0, else
/// `body`'s; -1 when the child did not exit normally, 99 when the rights
/// could not be given up.
inline int RunUnprivileged(const std::function<int()>& prepare, const std::function<int()>& body) {
  const pid_t child = ::fork();
  if (child < 0) return -1;
  if (child == 0) {
    int status = prepare ? prepare() : 0;
    if (status == 0 && ::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) status = 99;
    if (status == 0) status = body();
    ::_exit(status);
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace testing_support
