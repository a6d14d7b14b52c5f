#include "printall/pdf_compact.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <thread>
#include <vector>

extern char** environ;

namespace quiro {

namespace {

// Where a program is looked for when $PATH is not set (as execvp does).
constexpr const char* kDefaultPath = "/usr/local/bin:/usr/bin:/bin";

// "gs" in the absolute folders of $PATH; a relative entry would mean the
// current folder, which is never searched.
std::string FindGhostscript() {
  const char* variable = std::getenv("PATH");
  std::string_view rest = variable != nullptr ? variable : kDefaultPath;
  while (!rest.empty()) {
    const std::size_t colon = rest.find(':');
    const std::string_view folder = rest.substr(0, colon);
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    if (folder.empty() || folder.front() != '/') continue;
    std::string candidate(folder);
    if (candidate.back() != '/') candidate += '/';
    candidate += "gs";
    struct stat st {};
    if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
      return candidate;
  }
  return {};
}

// A file name as Ghostscript reads it: "%" in an output name starts a page
// number format ("%d"), "%%" stands for itself; a name beginning with "-"
// or "%" would be an option or a device, so relative names get "./".
std::string GhostscriptOutputName(const std::string& path) {
  std::string out = path.front() == '/' ? std::string() : std::string("./");
  for (char c : path) {
    out += c;
    if (c == '%') out += '%';
  }
  return out;
}

std::string GhostscriptInputName(const std::string& path) {
  return path.front() == '/' ? path : "./" + path;
}

// Removes the files Ghostscript left in its scratch folder, then the folder.
void RemoveScratch(const std::string& folder) {
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      const std::string_view name = entry->d_name;
      if (name != "." && name != "..") ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
  }
  ::rmdir(folder.c_str());
}

// Starts `argv` in a process group of its own, with its standard streams on
// /dev/null and `scratch` as its temporary folder, and waits at most
// `timeoutMs` for it. On time it gives the wait status; past it the group
// is killed and `timedOut` set. -1 when it could not start (`why` says so).
int RunBounded(const std::vector<std::string>& args, const std::string& scratch, int timeoutMs, bool& timedOut,
               std::string& why) {
  timedOut = false;
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  std::vector<std::string> env;
  for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
    const std::string_view entry = *e;
    if (entry.rfind("TMPDIR=", 0) == 0 || entry.rfind("TEMP=", 0) == 0) continue;
    env.emplace_back(entry);
  }
  env.push_back("TMPDIR=" + scratch);
  env.push_back("TEMP=" + scratch);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attr);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  for (int s : {SIGINT, SIGTERM, SIGPIPE, SIGHUP}) sigaddset(&defaults, s);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = -1;
  const int failed = ::posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (failed != 0) {
    why = "gs could not be started: " + std::string(std::strerror(failed));
    return -1;
  }

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  int status = 0;
  for (;;) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) return status;
    if (done < 0 && errno != EINTR) {
      why = "gs could not be waited for: " + std::string(std::strerror(errno));
      return -1;
    }
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  // The group is still there (its leader not yet reaped): nothing it
  // started outlives the limit.
  ::killpg(pid, SIGKILL);
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  timedOut = true;
  return status;
}

// Whether the file open on `fd` (of `size` bytes) looks like a whole PDF.
bool IsWholePdf(int fd, off_t size) {
  char head[5];
  if (size < 16 || ::pread(fd, head, sizeof head, 0) != static_cast<ssize_t>(sizeof head) ||
      std::string_view(head, sizeof head) != "%PDF-")
    return false;
  // The end-of-file marker sits within the last kilobyte, maybe followed by
  // line ends.
  const off_t tailSize = size < 1024 ? size : 1024;
  std::string tail(static_cast<std::size_t>(tailSize), '\0');
  if (::pread(fd, tail.data(), tail.size(), size - tailSize) != static_cast<ssize_t>(tail.size())) return false;
  return tail.find("%%EOF") != std::string::npos;
}

}  // namespace

bool CompactPdf(const std::string& path, std::string& why, int timeoutMs) {
  why.clear();
  if (path.empty()) {
    why = "no file";
    return false;
  }
  const std::string gs = FindGhostscript();
  if (gs.empty()) {
    why = "gs is not installed";
    return false;
  }
  struct stat original {};
  {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    const bool opened = fd >= 0 && ::fstat(fd, &original) == 0;
    if (fd >= 0) ::close(fd);
    if (!opened || !S_ISREG(original.st_mode)) {
      why = path + " is no regular file";
      return false;
    }
  }

  // The new file is made beside the old one, so that the rename replaces it
  // in one step; its name holds nothing of the target's own.
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "" : path.substr(0, slash);
  std::string temp = folder + "/.quiro-compact-XXXXXX.pdf";
  const int out = ::mkostemps(temp.data(), 4, O_CLOEXEC);
  if (out < 0) {
    why = "cannot create a file beside " + path + ": " + std::strerror(errno);
    return false;
  }
  const char* tmpdir = std::getenv("TMPDIR");
  std::string scratch = std::string(tmpdir != nullptr && *tmpdir == '/' ? tmpdir : "/tmp") + "/quiro-gs-XXXXXX";
  if (::mkdtemp(scratch.data()) == nullptr) {
    why = std::string("cannot create a temporary folder: ") + std::strerror(errno);
    ::close(out);
    ::unlink(temp.c_str());
    return false;
  }

  bool timedOut = false;
  const int status = RunBounded({gs, "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pdfwrite",
                                 "-dAutoRotatePages=/None", "-sOutputFile=" + GhostscriptOutputName(temp),
                                 GhostscriptInputName(path)},
                                scratch, timeoutMs, timedOut, why);
  RemoveScratch(scratch);

  bool replace = false;
  struct stat made {};
  if (status < 0 && why.empty()) {
    why = "gs could not be run";
  } else if (timedOut) {
    why = "gs took longer than " + std::to_string(timeoutMs) + " ms";
  } else if (status >= 0 && WIFSIGNALED(status)) {
    why = "gs was ended by signal " + std::to_string(WTERMSIG(status));
  } else if (status >= 0 && WEXITSTATUS(status) != 0) {
    why = "gs exited with status " + std::to_string(WEXITSTATUS(status));
  } else if (status >= 0) {
    // Read back through the name: gs may have replaced the file it was given.
    const int written = ::open(temp.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (written < 0 || ::fstat(written, &made) != 0 || !S_ISREG(made.st_mode) || !IsWholePdf(written, made.st_size)) {
      why = "gs wrote no PDF";
    } else if (made.st_size >= original.st_size) {
      why = "gs's file is not smaller (" + std::to_string(made.st_size) + " bytes against " +
            std::to_string(original.st_size) + ")";
    } else if (::fchmod(written, original.st_mode & 07777) != 0) {
      why = std::string("cannot set the file's mode: ") + std::strerror(errno);
    } else {
      replace = true;
    }
    if (written >= 0) ::close(written);
  }
  ::close(out);
  if (replace && ::rename(temp.c_str(), path.c_str()) != 0) {
    why = "cannot replace " + path + ": " + std::strerror(errno);
    replace = false;
  }
  if (!replace) ::unlink(temp.c_str());
  return replace;
}

}  // namespace quiro
