#include "platform/files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/paths.h"
#include "platform/text.h"

namespace platform {
namespace {

constexpr std::size_t kReadChunk = 64 * 1024;
constexpr std::size_t kWriteChunk = 64 * 1024;

bool TakeLock(int fd, Lock lock) {
  if (lock == Lock::None) return true;
  const int op = (lock == Lock::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
  for (;;) {
    if (flock(fd, op) == 0) return true;
    if (errno != EINTR) return false;
  }
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Reads `fd` to its end in chunks, handing each to `take(data, size)`. False
// on a read error or when `take` returns false.
template <typename TakeFn>
bool ReadChunks(int fd, TakeFn take) {
  std::vector<char> buf(kReadChunk);
  for (;;) {
    const ssize_t n = ::read(fd, buf.data(), buf.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (!take(buf.data(), static_cast<std::size_t>(n))) return false;
  }
}

int FlockOp(Lock lock) {
  switch (lock) {
    case Lock::None:
      return 0;
    case Lock::Shared:
      return LOCK_SH;
    case Lock::Exclusive:
      return LOCK_EX;
  }
  return 0;
}

// A descriptor of the regular file `name` in `folder`, opened without
// following a link and without blocking on a FIFO; -1 for anything else.
int OpenRegularAt(const ConfinedFolder& folder, const std::string& name, int flags) {
  struct stat st {};
  if (::fstatat(folder.fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) return -1;
  const int fd = ::openat(folder.fd(), name.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  struct stat opened {};
  if (fd >= 0 && (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode))) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

// ---- InputFile ------------------------------------------------------------

InputFile::~InputFile() { Close(); }

InputFile::InputFile(InputFile&& other) noexcept { *this = std::move(other); }

InputFile& InputFile::operator=(InputFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    buf_ = std::move(other.buf_);
    pos_ = other.pos_;
    len_ = other.len_;
    offset_ = other.offset_;
    eof_ = other.eof_;
    other.fd_ = -1;
  }
  return *this;
}

bool InputFile::Open(std::string_view path, Lock lock) {
  Close();
  // The name as written is tried first; only a name that is not there is
  // looked up ignoring case, which costs a folder listing.
  std::string native = NativeSeparators(path);
  if (native.empty()) return false;
  int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 && (errno == ENOENT || errno == ENOTDIR)) {
    const std::string resolved = ResolveCase(native);
    if (resolved != native) fd = ::open(resolved.c_str(), O_RDONLY | O_CLOEXEC);
  }
  return OpenDescriptor(fd, lock);
}

bool InputFile::OpenDescriptor(int fd, Lock lock) {
  Close();
  if (fd < 0) return false;
  struct stat st {};
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) || !TakeLock(fd, lock)) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  pos_ = len_ = offset_ = 0;
  eof_ = false;
  return true;
}

InputFile::Read InputFile::ReadLine(std::string& line) {
  line.clear();
  if (fd_ < 0) return Read::Error;
  bool any = false;
  for (;;) {
    if (pos_ < len_) {
      const char* start = buf_.get() + pos_;
      const void* nl = std::memchr(start, '\n', len_ - pos_);
      if (nl) {
        const std::size_t n = static_cast<const char*>(nl) - start;
        line.append(start, n);
        pos_ += n + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return Read::Line;
      }
      line.append(start, len_ - pos_);
      pos_ = len_;
      any = true;
    }
    if (eof_) {
      if (any) return Read::Line;  // a last line without LF is still a line
      return Read::End;
    }
    // Allocated at the first read: an open that only tests the file needs none.
    if (!buf_) buf_.reset(new char[kReadChunk]);
    ssize_t n;
    do {
      n = ::read(fd_, buf_.get(), kReadChunk);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
      line.clear();
      return Read::Error;
    }
    if (n == 0) {
      eof_ = true;  // the buffer keeps what it holds, for a cheap Rewind
      continue;
    }
    offset_ += len_;
    pos_ = 0;
    len_ = static_cast<std::size_t>(n);
  }
}

bool InputFile::Rewind() {
  if (fd_ < 0) return false;
  // While the buffer still starts at the file's first byte, reading again
  // from there needs no seek: the file position is right behind the buffer.
  if (offset_ == 0) {
    pos_ = 0;
    return true;
  }
  if (::lseek(fd_, 0, SEEK_SET) != 0) return false;
  pos_ = len_ = offset_ = 0;
  eof_ = false;
  return true;
}

void InputFile::Close() {
  if (fd_ >= 0) ::close(fd_);  // closing also releases the lock
  fd_ = -1;
  pos_ = len_ = offset_ = 0;
  eof_ = false;
}

// ---- OutputFile -----------------------------------------------------------

OutputFile::~OutputFile() { Close(); }

OutputFile::OutputFile(OutputFile&& other) noexcept { *this = std::move(other); }

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    replacement_ = std::move(other.replacement_);
    buf_ = std::move(other.buf_);
    failed_ = other.failed_;
    other.fd_ = -1;
  }
  return *this;
}

bool OutputFile::Create(const WriteRoot& root, std::string_view path, Lock lock) {
  Close();
  failed_ = false;
  buf_.clear();
  Replacement::Options options;
  options.targetLock = FlockOp(lock);
  // Two outputs of one name at once (a category page named like the page
  // being written) would each put their own file in place: the second fails.
  options.exclusive = true;
  options.newMode = NewFileMode();
  if (!replacement_.Begin(root, path, options)) return false;
  fd_ = replacement_.fd();
  return true;
}

bool OutputFile::Create(std::string_view path, Lock lock) {
  std::string folder, name;
  if (!SplitPath(path, folder, name)) return false;
  return Create(WriteRoot(folder), path, lock);
}

void OutputFile::Attach(int fd) {
  Close();
  failed_ = false;
  buf_.clear();
  fd_ = fd;
}

bool OutputFile::WriteBuffer() {
  if (buf_.empty()) return !failed_;
  if (!WriteAll(fd_, buf_.data(), buf_.size())) failed_ = true;
  buf_.clear();
  return !failed_;
}

bool OutputFile::WriteText(std::string_view text) {
  if (fd_ < 0) return false;
  const bool failedBefore = failed_;
  AppendTextMode(text, buf_);
  if (buf_.size() >= kWriteChunk) WriteBuffer();
  return failedBefore || !failed_;
}

bool OutputFile::Flush(bool durable) {
  if (fd_ < 0) return false;
  WriteBuffer();
  if (durable && ::fsync(fd_) != 0) failed_ = true;
  return !failed_;
}

bool OutputFile::Close() {
  if (fd_ < 0) return !failed_;
  WriteBuffer();
  if (replacement_.IsActive()) {
    if (failed_ || !replacement_.Commit()) {
      failed_ = true;
      replacement_.Abandon();
    }
  } else if (::close(fd_) != 0) {
    failed_ = true;
  }
  fd_ = -1;
  return !failed_;
}

// ---- Whole-file operations ------------------------------------------------

bool CanOpenForReading(std::string_view path, Lock lock) {
  InputFile file;
  return file.Open(path, lock);
}

bool IsDirectory(std::string_view path) {
  struct stat st {};
  const std::string resolved = ResolveCase(path);
  return !resolved.empty() && ::stat(resolved.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ClearReadOnly(std::string_view path, const WriteRoot& root) {
  ConfinedFolder folder;
  std::string name;
  if (!folder.OpenHolderOf(root, path, name)) return false;
  const int fd = OpenRegularAt(folder, name, O_RDONLY);
  struct stat st {};
  const bool ok = fd >= 0 && fstat(fd, &st) == 0 &&
                  ((st.st_mode & S_IWUSR) || fchmod(fd, (st.st_mode & 07777) | S_IWUSR) == 0);
  if (fd >= 0) ::close(fd);
  return ok;
}

bool CopyFile(std::string_view existing, std::string_view target, const WriteRoot& root) {
  const std::string source = ResolveCase(existing);
  if (source.empty()) return false;
  const int in = ::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st {};
  Replacement copy;
  Replacement::Options options;
  options.exclusive = true;
  if (fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(in);
    return false;
  }
  options.newMode = st.st_mode & 0777;
  if (!copy.Begin(root, target, options)) {
    ::close(in);
    return false;
  }
  const int out = copy.fd();
  const bool ok =
      ReadChunks(in, [out](const char* data, std::size_t size) { return WriteAll(out, data, size); });
  ::close(in);
  return ok && copy.Commit();
}

bool RenameFile(std::string_view from, std::string_view to, const WriteRoot& root) {
  std::string fromFolder, fromName, toFolder, toName;
  if (!SplitPath(from, fromFolder, fromName) || !SplitPath(to, toFolder, toName)) return false;
  ConfinedFolder source, dest;
  if (!source.Open(root, fromFolder) || !dest.Open(root, toFolder)) return false;
  bool renamed = ::renameat2(source.fd(), fromName.c_str(), dest.fd(), toName.c_str(), RENAME_NOREPLACE) == 0;
  if (!renamed) {
    if (errno != EINVAL && errno != ENOSYS) return false;
    // File systems without RENAME_NOREPLACE: test, then rename.
    struct stat st {};
    if (::fstatat(dest.fd(), toName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return false;
    renamed = ::renameat(source.fd(), fromName.c_str(), dest.fd(), toName.c_str()) == 0;
  }
  if (renamed) {
    NoteEntryRemoved(source.fd(), fromName);
    NoteEntryAdded(dest.fd(), toName);
  }
  return renamed;
}

bool RemoveFile(std::string_view path, const WriteRoot& root) {
  std::string folderPath, name;
  ConfinedFolder folder;
  if (!SplitPath(path, folderPath, name) || !folder.Open(root, folderPath) ||
      ::unlinkat(folder.fd(), name.c_str(), 0) != 0) {
    return false;
  }
  NoteEntryRemoved(folder.fd(), name);
  return true;
}

bool ReadWholeFile(std::string_view path, std::string& out) {
  out.clear();
  const std::string resolved = ResolveCase(path);
  if (resolved.empty()) return false;
  const int fd = ::open(resolved.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return false;
  }
  if (st.st_size > 0) out.reserve(static_cast<std::size_t>(st.st_size));
  const bool ok = ReadChunks(fd, [&out](const char* data, std::size_t size) {
    out.append(data, size);
    return true;
  });
  ::close(fd);
  if (!ok) out.clear();
  return ok;
}

bool WriteFileAtomically(std::string_view path, std::string_view data) {
  std::string folder, name;
  if (!SplitPath(path, folder, name)) return false;
  Replacement file;
  if (!file.Begin(WriteRoot(folder), path, {})) return false;
  return WriteAll(file.fd(), data.data(), data.size()) && file.Commit();
}

}  // namespace platform
