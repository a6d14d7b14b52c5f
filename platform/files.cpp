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

// A new, uniquely named file beside `target` ("<target>.XXXXXX"), open for
// writing. Returns -1 when it cannot be created.
int CreateTempBeside(const std::string& target, std::string& tempPath) {
  tempPath = target + ".XXXXXX";
  const int fd = mkostemp(tempPath.data(), O_CLOEXEC);
  if (fd < 0) tempPath.clear();
  return fd;
}

// Finishes a temporary file: sets its permission bits, stores it and renames
// it over `target`. Removes it on any failure.
bool CommitTemp(int fd, const std::string& tempPath, const std::string& target, mode_t mode) {
  bool ok = fchmod(fd, mode) == 0;
  ok = fsync(fd) == 0 && ok;
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(tempPath.c_str(), target.c_str()) == 0;
  if (!ok) ::unlink(tempPath.c_str());
  return ok;
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
    buf_ = std::move(other.buf_);
    failed_ = other.failed_;
    other.fd_ = -1;
  }
  return *this;
}

bool OutputFile::Create(std::string_view path, Lock lock) {
  Close();
  failed_ = false;
  const std::string resolved = ResolveCase(path);
  if (resolved.empty()) return false;
  // Opened without O_TRUNC: the file is emptied only once the lock is held,
  // so a failed exclusive create never destroys someone else's output.
  const int fd = ::open(resolved.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  struct stat st {};
  struct stat named {};
  // After waiting for the lock, the name must still be the file we locked:
  // a file renamed into its place meanwhile is someone else's, never emptied.
  if (!TakeLock(fd, lock) || fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) ||
      (lock != Lock::None && (::stat(resolved.c_str(), &named) != 0 || named.st_dev != st.st_dev ||
                              named.st_ino != st.st_ino)) ||
      (S_ISREG(st.st_mode) && ::ftruncate(fd, 0) != 0)) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  buf_.clear();
  return true;
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
  if (::close(fd_) != 0) failed_ = true;
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

bool ClearReadOnly(std::string_view path) {
  const std::string resolved = ResolveCase(path);
  struct stat st {};
  if (resolved.empty() || ::stat(resolved.c_str(), &st) != 0) return false;
  if (st.st_mode & S_IWUSR) return true;
  return ::chmod(resolved.c_str(), (st.st_mode & 07777) | S_IWUSR) == 0;
}

bool CopyFile(std::string_view existing, std::string_view target) {
  const std::string source = ResolveCase(existing);
  const std::string dest = ResolveCase(target);
  if (source.empty() || dest.empty()) return false;
  const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st {};
  if (fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(in);
    return false;
  }
  std::string tempPath;
  const int out = CreateTempBeside(dest, tempPath);
  if (out < 0) {
    ::close(in);
    return false;
  }
  const bool ok =
      ReadChunks(in, [out](const char* data, std::size_t size) { return WriteAll(out, data, size); });
  ::close(in);
  if (!ok) {
    ::close(out);
    ::unlink(tempPath.c_str());
    return false;
  }
  return CommitTemp(out, tempPath, dest, st.st_mode & 07777);
}

bool RenameFile(std::string_view from, std::string_view to) {
  const std::string source = ResolveCase(from);
  const std::string dest = ResolveCase(to);
  if (source.empty() || dest.empty()) return false;
  if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, dest.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // File systems without RENAME_NOREPLACE: test, then rename.
  struct stat st {};
  if (::lstat(dest.c_str(), &st) == 0) return false;
  return ::rename(source.c_str(), dest.c_str()) == 0;
}

bool ReplaceFile(std::string_view source, std::string_view target) {
  const std::string from = ResolveCase(source);
  const std::string to = ResolveCase(target);
  return !from.empty() && !to.empty() && ::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(std::string_view path) {
  const std::string resolved = ResolveCase(path);
  return !resolved.empty() && ::remove(resolved.c_str()) == 0;
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
  const std::string target = ResolveCase(path);
  if (target.empty()) return false;
  mode_t mode = 0644;
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) mode = st.st_mode & 07777;
  std::string tempPath;
  const int fd = CreateTempBeside(target, tempPath);
  if (fd < 0) return false;
  if (!WriteAll(fd, data.data(), data.size())) {
    ::close(fd);
    ::unlink(tempPath.c_str());
    return false;
  }
  return CommitTemp(fd, tempPath, target, mode);
}

}  // namespace platform
