#pragma once
// The file operations of the program. Every open, create, copy, rename and
// remove resolves its path without regard to letter case (ResolveCase) and
// accepts "\" as a separator. Failures are results, never exceptions.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

/// How an open shares the file with other opens of this program.
/// Exclusive: flock(LOCK_EX|LOCK_NB), fails if anyone holds a lock.
/// Shared: flock(LOCK_SH|LOCK_NB), fails if someone holds it exclusively.
/// None: no lock taken (plain reads of templates and index pages).
enum class Lock { None, Shared, Exclusive };

/// A text file read line by line. Text mode: a line ends at LF, a CR
/// directly before the LF is dropped, a last line without LF is still a
/// line. Lines may be of any length.
class InputFile {
 public:
  enum class Read { Line, End, Error };

  InputFile() = default;
  ~InputFile();
  InputFile(InputFile&& other) noexcept;
  InputFile& operator=(InputFile&& other) noexcept;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  /// Opens `path` for reading. False when it cannot be opened, is a
  /// directory, or the lock cannot be had.
  bool Open(std::string_view path, Lock lock = Lock::None);
  bool IsOpen() const { return fd_ >= 0; }
  /// Replaces `line` with the next line, without its terminator. At End or
  /// Error `line` is left empty.
  Read ReadLine(std::string& line);
  /// Seeks to the beginning. False when not open or the seek fails.
  bool Rewind();
  void Close();

 private:
  int fd_ = -1;
  std::unique_ptr<char[]> buf_;  // not zero-filled; allocated at the first read
  std::size_t pos_ = 0;
  std::size_t len_ = 0;
  std::size_t offset_ = 0;  // file offset of the buffer's first byte
  bool eof_ = false;
};

/// A text file written from its beginning: every "\n" is stored as CR LF,
/// nothing else is added. Output is buffered; a failed write of the buffer
/// makes that call (and Flush/Close) report false.
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(OutputFile&& other) noexcept;
  OutputFile& operator=(OutputFile&& other) noexcept;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  /// Creates `path`, or empties it if it exists (the lock is taken before
  /// the file is emptied). False when it cannot be created or locked.
  bool Create(std::string_view path, Lock lock = Lock::None);
  bool IsOpen() const { return fd_ >= 0; }
  /// Writes `text` with "\n" stored as CR LF. False when not open or when
  /// writing fails; the object stays usable.
  bool WriteText(std::string_view text);
  /// Writes out the buffer and asks the system to store it (fsync when
  /// `durable`). False when anything written so far was lost.
  bool Flush(bool durable = false);
  /// Flushes and closes. False when anything written was lost.
  bool Close();

 private:
  bool WriteBuffer();
  int fd_ = -1;
  std::string buf_;
  bool failed_ = false;
};

/// True when `path` can be opened for reading (closed again at once).
bool CanOpenForReading(std::string_view path, Lock lock = Lock::None);

/// True when `path` names an existing directory.
bool IsDirectory(std::string_view path);

/// Adds owner write permission when the file lacks it ("clear the read-only
/// attribute"). False when the file does not exist or cannot be changed.
bool ClearReadOnly(std::string_view path);

/// CopyFileA(existing, target, FALSE): copies to a temporary file beside the
/// target, then renames it over the target. False (and no change) on failure.
bool CopyFile(std::string_view existing, std::string_view target);

/// rename() of the C runtime: fails when the source is missing or the
/// target exists.
bool RenameFile(std::string_view from, std::string_view to);

/// Atomically replaces `target` with `source` (rename over it).
bool ReplaceFile(std::string_view source, std::string_view target);

/// remove() of the C runtime.
bool RemoveFile(std::string_view path);

/// Reads a whole file into `out`. False when it cannot be read.
bool ReadWholeFile(std::string_view path, std::string& out);

/// Writes `data` to `path` through a temporary file and a rename, keeping
/// the permission bits of an existing target. False (target untouched) on
/// any failure; the temporary file is removed.
bool WriteFileAtomically(std::string_view path, std::string_view data);

}  // namespace platform
