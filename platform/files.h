#pragma once
// The file operations of the program. Every open, create, copy, rename and
// remove resolves its path without regard to letter case (ResolveCase) and
// accepts "\" as a separator. Failures are results, never exceptions.
//
// Writes are confined (platform/confined.h): each write function is given the
// folder it may write in (a WriteRoot) or, where it says so, is confined to
// the folder its path names. No write follows a final link, none lands
// outside its root, and a file is replaced whole or not at all.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/confined.h"

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
  /// Reads from `fd` (taken over: closed on failure too), as Open does.
  bool OpenDescriptor(int fd, Lock lock = Lock::None);
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
///
/// Create writes a new version of the file under a temporary name beside it
/// (Replacement); Close puts it in place in one rename. Until then, and for
/// ever when anything written was lost, the old file stays as it was. A link
/// of that name is replaced by the file, never written through.
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(OutputFile&& other) noexcept;
  OutputFile& operator=(OutputFile&& other) noexcept;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  /// Starts the new version of `path` in a folder at or below `root`.
  /// `lock` is taken on the existing file for as long as the output is open.
  /// False when the folder lies outside the root, the file exists and
  /// cannot be written or locked, or the same name (letter case aside) is
  /// being written by another output at the moment.
  bool Create(const WriteRoot& root, std::string_view path, Lock lock = Lock::None);
  /// The same, confined to the folder `path` names.
  bool Create(std::string_view path, Lock lock = Lock::None);
  /// Writes to `fd` (taken over), an open file the caller created; Close
  /// then just closes it.
  void Attach(int fd);
  bool IsOpen() const { return fd_ >= 0; }
  /// Writes `text` with "\n" stored as CR LF. False when not open or when
  /// writing fails; the object stays usable.
  bool WriteText(std::string_view text);
  /// Writes out the buffer and asks the system to store it (fsync when
  /// `durable`). False when anything written so far was lost.
  bool Flush(bool durable = false);
  /// Flushes, closes and (after Create) puts the file in place. False when
  /// anything written was lost; the old file is then left as it was.
  bool Close();

 private:
  bool WriteBuffer();
  int fd_ = -1;
  Replacement replacement_;
  std::string buf_;
  bool failed_ = false;
};

/// True when `path` can be opened for reading (closed again at once).
bool CanOpenForReading(std::string_view path, Lock lock = Lock::None);

/// True when `path` names an existing directory.
bool IsDirectory(std::string_view path);

/// Adds owner write permission when the file lacks it ("clear the read-only
/// attribute"), with fchmod on a descriptor of the file in its real folder,
/// which must lie at or below `root` (a link is followed to the file it
/// names only when that is so). False when the file does not exist, lies
/// outside the root, is no regular file or cannot be changed.
bool ClearReadOnly(std::string_view path, const WriteRoot& root);

/// CopyFileA(existing, target, FALSE): writes a copy of `existing` as a new
/// version of `target` (in a folder at or below `root`) and puts it in
/// place in one rename. False (and no change) on failure.
bool CopyFile(std::string_view existing, std::string_view target, const WriteRoot& root);

/// rename() of the C runtime, both names in folders at or below `root`:
/// fails when the source is missing or the target exists. A link is renamed
/// as a link.
bool RenameFile(std::string_view from, std::string_view to, const WriteRoot& root);

/// Removes the entry `path` (a file or a link, never what a link names, never
/// a folder) from its folder, which must lie at or below `root`.
bool RemoveFile(std::string_view path, const WriteRoot& root);

/// Reads a whole file into `out`. False when it cannot be read.
bool ReadWholeFile(std::string_view path, std::string& out);

/// Writes `data` to `path` through a temporary file and a rename, keeping
/// the permission bits of an existing target; confined to the folder `path`
/// names. False (target untouched) on any failure; the temporary file is
/// removed.
bool WriteFileAtomically(std::string_view path, std::string_view data);

}  // namespace platform
