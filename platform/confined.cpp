#include "platform/confined.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/paths.h"
#include "platform/text.h"

namespace platform {
namespace {

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

bool TryLock(int fd, int op) {
  if (op == 0) return true;
  for (;;) {
    if (::flock(fd, op | LOCK_NB) == 0) return true;
    if (errno != EINTR) return false;
  }
}

// Six characters for a temporary name that no one else picks.
std::string RandomSuffix() {
  static std::atomic<unsigned> counter{0};
  unsigned char bytes[6] = {};
  if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
    const unsigned long mix = static_cast<unsigned long>(::getpid()) * 2654435761u ^
                              static_cast<unsigned long>(std::time(nullptr)) ^ (counter++ * 40503u);
    for (std::size_t i = 0; i < sizeof bytes; ++i) bytes[i] = static_cast<unsigned char>(mix >> (i * 5));
  }
  static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::string out;
  for (unsigned char b : bytes) out += kChars[b % 36];
  return out;
}

// Goes through the temporary files of earlier replacements of one name in
// `dirfd`. One still held by its writer makes this false when `busyFails`;
// one whose writer has gone (a killed build) is removed, and so is anything
// else that stands under such a name (a link planted there goes as a link).
bool ClearOldTemporaries(int dirfd, const std::string& prefix, bool busyFails) {
  const int listFd = ::openat(dirfd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listFd < 0) return false;
  DIR* dir = ::fdopendir(listFd);
  if (!dir) {
    ::close(listFd);
    return false;
  }
  bool ok = true;
  while (const dirent* ent = ::readdir(dir)) {
    const std::string name = ent->d_name;
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    struct stat entry {};
    if (::fstatat(dirfd, name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISDIR(entry.st_mode)) continue;
    if (!S_ISREG(entry.st_mode)) {
      if (::unlinkat(dirfd, name.c_str(), 0) == 0) NoteEntryRemoved(dirfd, name);
      continue;
    }
    const int fd = ::openat(dirfd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat opened {};
    struct stat again {};
    if (!TryLock(fd, LOCK_EX)) {
      if (busyFails) ok = false;
    } else if (::fstat(fd, &opened) == 0 && ::fstatat(dirfd, name.c_str(), &again, AT_SYMLINK_NOFOLLOW) == 0 &&
               SameFile(opened, again) && ::unlinkat(dirfd, name.c_str(), 0) == 0) {
      NoteEntryRemoved(dirfd, name);
    }
    ::close(fd);
  }
  ::closedir(dir);
  return ok;
}

}  // namespace

// ---- WriteRoot --------------------------------------------------------------

WriteRoot::WriteRoot(std::string_view folder) {
  if (folder.empty()) return;
  std::string real = RealPath(WithoutTrailingSlash(ResolveCase(folder)));
  struct stat st {};
  if (!real.empty() && ::stat(real.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) real_ = std::move(real);
}

bool IsAtOrBelow(std::string_view real, std::string_view folder) {
  if (folder.empty() || real.empty() || real[0] != '/') return false;
  if (folder == "/") return true;
  if (real.size() == folder.size()) return real == folder;
  return real.size() > folder.size() && real.compare(0, folder.size(), folder) == 0 && real[folder.size()] == '/';
}

bool WriteRoot::Contains(std::string_view real) const { return IsAtOrBelow(real, real_); }

std::string RealPathOfDescriptor(int fd) {
  char link[64];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  std::string out(4096, '\0');
  for (;;) {
    const ssize_t n = ::readlink(link, out.data(), out.size());
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < out.size()) {
      out.resize(static_cast<std::size_t>(n));
      break;
    }
    out.resize(out.size() * 2);
  }
  if (out.empty() || out[0] != '/' || out.ends_with(" (deleted)")) return {};
  return out;
}

int OpenBelow(int dirfd, std::string_view rel, int flags, const WriteRoot& bound) {
  if (!bound.IsSet() || rel.empty() || rel[0] == '/') {
    errno = EXDEV;
    return -1;
  }
  const std::string name(rel);
  flags |= O_CLOEXEC;
#ifdef SYS_openat2
  // Left off for good once the kernel (or a seccomp filter) refuses the call.
  static std::atomic<bool> noOpenat2{false};
  if (!noOpenat2.load(std::memory_order_relaxed)) {
    struct open_how how {};
    how.flags = static_cast<std::uint64_t>(flags);
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    long fd = -1;
    // EAGAIN: a rename raced the walk up a "..". A few tries, then /proc.
    for (int tries = 0; tries < 4; ++tries) {
      fd = ::syscall(SYS_openat2, dirfd, name.c_str(), &how, sizeof how);
      if (fd >= 0 || (errno != EINTR && errno != EAGAIN)) break;
    }
    if (fd >= 0) return static_cast<int>(fd);
    if (errno == ENOSYS || errno == EPERM || errno == E2BIG) {
      noOpenat2.store(true, std::memory_order_relaxed);
    } else if (errno != EXDEV && errno != EAGAIN && errno != EINTR) {
      return -1;
    }
    // EXDEV: a link left the folder; it may still land below `bound`.
  }
#endif
  // Found as a bare reference first, so that nothing outside (a device that
  // acts when opened) is ever opened; then opened for real through the very
  // file found.
  const int found = ::openat(dirfd, name.c_str(), O_PATH | O_CLOEXEC | (flags & (O_DIRECTORY | O_NOFOLLOW)));
  if (found < 0) return -1;
  if (!bound.Contains(RealPathOfDescriptor(found))) {
    ::close(found);
    errno = EXDEV;
    return -1;
  }
  if (flags & O_PATH) return found;
  char self[64];
  std::snprintf(self, sizeof self, "/proc/self/fd/%d", found);
  const int fd = ::open(self, flags);
  const int error = errno;
  ::close(found);
  errno = error;
  return fd;
}

int OpenNamedBelow(const std::string& base, const std::string& rel, int flags, std::string* path) {
  const std::string resolved = ResolveCase(base + rel);
  if (path != nullptr) *path = resolved;
  const WriteRoot bound(base);
  if (!bound.IsSet()) {
    errno = ENOENT;
    return -1;
  }
  const int folder = ::open(bound.Real().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return -1;
  const std::string below = resolved.compare(0, base.size(), base) == 0 ? resolved.substr(base.size()) : rel;
  const int fd = OpenBelow(folder, below, flags, bound);
  const int error = errno;
  ::close(folder);
  errno = error;
  return fd;
}

std::string RealPath(std::string_view path) {
  if (path.empty()) return {};
  char* real = ::realpath(std::string(path).c_str(), nullptr);
  if (!real) return {};
  std::string out = real;
  std::free(real);
  return out;
}

bool SplitPath(std::string_view path, std::string& folder, std::string& name) {
  const std::string resolved = WithoutTrailingSlash(ResolveCase(path));
  const std::size_t slash = resolved.find_last_of('/');
  name = slash == std::string::npos ? resolved : resolved.substr(slash + 1);
  folder = ParentFolder(resolved);
  return !name.empty() && name != "." && name != ".." && name != "/";
}

// ---- ConfinedFolder ---------------------------------------------------------

ConfinedFolder::~ConfinedFolder() { Close(); }

ConfinedFolder::ConfinedFolder(ConfinedFolder&& other) noexcept { *this = std::move(other); }

ConfinedFolder& ConfinedFolder::operator=(ConfinedFolder&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    real_ = std::move(other.real_);
    other.fd_ = -1;
  }
  return *this;
}

bool ConfinedFolder::Open(const WriteRoot& root, std::string_view folder) {
  Close();
  if (!root.IsSet() || folder.empty()) {
    errno = EXDEV;
    return false;
  }
  const std::string path(folder);
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  std::string real = RealPathOfDescriptor(fd);
  if (real.empty()) {
    // No /proc: the folder's real path must name the very folder opened.
    real = RealPath(path);
    struct stat opened {};
    struct stat named {};
    if (real.empty() || ::fstat(fd, &opened) != 0 || ::stat(real.c_str(), &named) != 0 ||
        !SameFile(opened, named)) {
      real.clear();
    }
  }
  if (real.empty() || !root.Contains(real)) {
    ::close(fd);
    errno = EXDEV;
    return false;
  }
  fd_ = fd;
  real_ = std::move(real);
  return true;
}

bool ConfinedFolder::OpenHolderOf(const WriteRoot& root, std::string_view path, std::string& name) {
  Close();
  const std::string real = RealPath(WithoutTrailingSlash(ResolveCase(path)));
  std::string folder;
  if (real.empty() || !SplitPath(real, folder, name)) {
    errno = ENOENT;
    return false;
  }
  return Open(root, folder);
}

void ConfinedFolder::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  real_.clear();
}

// ---- Replacement ------------------------------------------------------------

Replacement::~Replacement() { Abandon(); }

Replacement::Replacement(Replacement&& other) noexcept { *this = std::move(other); }

Replacement& Replacement::operator=(Replacement&& other) noexcept {
  if (this != &other) {
    Abandon();
    folder_ = std::move(other.folder_);
    name_ = std::move(other.name_);
    temp_ = std::move(other.temp_);
    fd_ = other.fd_;
    target_ = other.target_;
    mode_ = other.mode_;
    keepOwner_ = other.keepOwner_;
    uid_ = other.uid_;
    gid_ = other.gid_;
    other.fd_ = other.target_ = -1;
  }
  return *this;
}

bool Replacement::Begin(const WriteRoot& root, std::string_view path, const Options& options) {
  Abandon();
  std::string folder;
  if (!SplitPath(path, folder, name_)) {
    errno = EINVAL;
    return false;
  }
  if (!folder_.Open(root, folder)) return false;
  const int dirfd = folder_.fd();
  auto fail = [this](int error) {
    Abandon();
    errno = error;
    return false;
  };

  mode_ = options.newMode & 0777;
  keepOwner_ = false;
  struct stat st {};
  if (::fstatat(dirfd, name_.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
    if (S_ISREG(st.st_mode)) {
      // A file the user may not write is not replaced behind its back.
      if (::faccessat(dirfd, name_.c_str(), W_OK, AT_EACCESS) != 0) return fail(errno);
      mode_ = st.st_mode & 0777;
      keepOwner_ = true;
      uid_ = st.st_uid;
      gid_ = st.st_gid;
      if (options.targetLock != 0) {
        target_ = ::openat(dirfd, name_.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        struct stat locked {};
        if (target_ < 0) return fail(errno);
        if (!TryLock(target_, options.targetLock)) return fail(EBUSY);
        // After the lock, the name must still be the file locked.
        if (::fstat(target_, &locked) != 0 || !SameFile(locked, st)) return fail(EBUSY);
      }
    } else if (!S_ISLNK(st.st_mode)) {
      return fail(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    }
  } else if (errno != ENOENT) {
    return fail(errno);
  }

  const std::string prefix = TemporaryNamePrefix(name_);
  if (!ClearOldTemporaries(dirfd, prefix, options.exclusive)) return fail(EBUSY);
  for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
    temp_ = prefix + RandomSuffix();
    fd_ = ::openat(dirfd, temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ >= 0) NoteEntryAdded(dirfd, temp_);
    if (fd_ < 0 && errno != EEXIST) {
      const int error = errno;
      temp_.clear();
      return fail(error);
    }
  }
  if (fd_ < 0) {
    temp_.clear();
    return fail(EEXIST);
  }
  // Held while it is written: a later Begin for the same name sees it busy.
  TryLock(fd_, LOCK_EX);
  return true;
}

bool Replacement::Commit() {
  if (fd_ < 0) return false;
  bool ok = true;
  if (keepOwner_ && ::geteuid() == 0 && (uid_ != 0 || gid_ != ::getegid())) {
    // Root replaces a user's file: it stays the user's (a failure to hand it
    // over leaves it root's, which changes no one's rights to it).
    (void)!::fchown(fd_, uid_, gid_);
  }
  ok = ::fchmod(fd_, mode_) == 0 && ok;
  ok = ok && ::fsync(fd_) == 0;
  // The new file must still stand under its temporary name: renaming
  // whatever else stood there now would put a stranger's file in place.
  struct stat written {};
  struct stat named {};
  ok = ok && ::fstat(fd_, &written) == 0 &&
       ::fstatat(folder_.fd(), temp_.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(written, named);
  ok = ok && ::renameat(folder_.fd(), temp_.c_str(), folder_.fd(), name_.c_str()) == 0;
  if (ok) {
    NoteEntryRemoved(folder_.fd(), temp_);
    NoteEntryAdded(folder_.fd(), name_);
    temp_.clear();
  }
  const int error = errno;
  Abandon();
  errno = error;
  return ok;
}

void Replacement::Abandon() {
  if (!temp_.empty() && folder_.IsOpen() && ::unlinkat(folder_.fd(), temp_.c_str(), 0) == 0) {
    NoteEntryRemoved(folder_.fd(), temp_);
  }
  temp_.clear();
  if (fd_ >= 0) ::close(fd_);
  if (target_ >= 0) ::close(target_);
  fd_ = target_ = -1;
  folder_.Close();
}

std::string TemporaryNamePrefix(std::string_view name) { return "." + ToUpperAscii(name) + ".tmp."; }

mode_t NewFileMode() {
  mode_t mask = 022;
  bool known = false;
  if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
    char line[256];
    while (std::fgets(line, sizeof line, status)) {
      unsigned value = 0;
      if (std::sscanf(line, "Umask: %o", &value) == 1) {
        mask = static_cast<mode_t>(value);
        known = true;
        break;
      }
    }
    std::fclose(status);
  }
  if (!known) {
    mask = ::umask(022);
    ::umask(mask);
  }
  return 0666 & ~mask;
}

}  // namespace platform
