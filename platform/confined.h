#pragma once
// Confined writes. Every file the program writes, renames, removes or changes
// the mode of is reached through the descriptor of an opened folder whose real
// location (every link resolved, read back from the descriptor) is a
// WriteRoot or lies below it. Final names are never followed: files are
// created with O_EXCL|O_NOFOLLOW, put in place with renameat (which replaces
// a link of that name, never what it names), removed with unlinkat (which
// removes a link, never its target), and modes and owners are changed with
// fchmod/fchown on descriptors, never on paths.

#include <sys/types.h>

#include <string>
#include <string_view>

namespace platform {

/// The folder at or below which writes may land. The real path is taken once,
/// when the root is made; a root that names no folder allows nothing.
class WriteRoot {
 public:
  WriteRoot() = default;
  /// `folder` (letter case resolved, "\" taken as "/") with every link resolved.
  explicit WriteRoot(std::string_view folder);

  bool IsSet() const { return !real_.empty(); }
  /// The real path, without a trailing "/" (the file system root is "/").
  const std::string& Real() const { return real_; }
  /// True when the real path `real` is the root itself or lies below it.
  bool Contains(std::string_view real) const;

 private:
  std::string real_;
};

/// True when the real path `real` is the real folder `folder` itself or lies
/// below it (a name of `folder` followed by "/"; "/" holds every absolute path).
bool IsAtOrBelow(std::string_view real, std::string_view folder);

/// realpath(3) of `path`; "" when it names nothing.
std::string RealPath(std::string_view path);

/// The real location of an open descriptor, read from /proc; "" when /proc
/// cannot tell (not mounted, the file removed, no file at all: a pipe).
std::string RealPathOfDescriptor(int fd);

/// Opens `rel` (a path relative to the folder `dirfd`, names as given) for
/// reading with `flags` (O_CLOEXEC is added), and keeps it only when the file
/// reached, every link resolved, lies at or below `bound`. The check is made
/// on what was opened, so a name swapped for a link meanwhile cannot lead
/// out: openat2 with RESOLVE_BENEATH where the kernel has it; without it, or
/// where a link leaves `dirfd`'s own folder (an absolute link, "../"), the
/// descriptor's real location from /proc. -1 with errno EXDEV when the file
/// lies outside `bound` or that cannot be told.
int OpenBelow(int dirfd, std::string_view rel, int flags, const WriteRoot& bound);

/// Opens the file `rel` below the folder `base` (ending in "/"), its name's
/// letter case resolved, with OpenBelow against the folder's real location:
/// a name that is, or passes through, a link leading out of `base` is not
/// opened (errno EXDEV). `path`, when given, gets `base` + the resolved name,
/// whether or not the file could be opened.
int OpenNamedBelow(const std::string& base, const std::string& rel, int flags, std::string* path = nullptr);

/// Splits `path` (letter case resolved) into its folder and its last name.
/// False when there is no last name ("", "/", ".", "..").
bool SplitPath(std::string_view path, std::string& folder, std::string& name);

/// A folder opened for writing into: its descriptor and its real location,
/// checked against a WriteRoot when it was opened.
class ConfinedFolder {
 public:
  ConfinedFolder() = default;
  ~ConfinedFolder();
  ConfinedFolder(ConfinedFolder&& other) noexcept;
  ConfinedFolder& operator=(ConfinedFolder&& other) noexcept;
  ConfinedFolder(const ConfinedFolder&) = delete;
  ConfinedFolder& operator=(const ConfinedFolder&) = delete;

  /// Opens `folder` (links on the way followed) and checks on the descriptor
  /// that its real location is at or below `root`. False otherwise, with
  /// errno EXDEV when the folder lies outside the root.
  bool Open(const WriteRoot& root, std::string_view folder);
  /// Opens the folder that really holds `path` (every link, the last one too,
  /// resolved) and gives the file's name there in `name`: a link is thereby
  /// reached at the file it names, in that file's own folder. Same checks
  /// and errno as Open; ENOENT when `path` names nothing.
  bool OpenHolderOf(const WriteRoot& root, std::string_view path, std::string& name);

  bool IsOpen() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  /// Real path of the folder, without a trailing "/".
  const std::string& Real() const { return real_; }
  void Close();

 private:
  int fd_ = -1;
  std::string real_;
};

/// A new version of a file, written under a temporary name in the file's
/// folder and put in place in one renameat. Until Commit, and for ever when
/// anything fails, the old file stays as it was.
class Replacement {
 public:
  Replacement() = default;
  ~Replacement();
  Replacement(Replacement&& other) noexcept;
  Replacement& operator=(Replacement&& other) noexcept;
  Replacement(const Replacement&) = delete;
  Replacement& operator=(const Replacement&) = delete;

  struct Options {
    /// flock(2) operation (LOCK_SH or LOCK_EX, 0 for none) taken on the file
    /// being replaced, if it exists, for as long as the replacement is open.
    int targetLock = 0;
    /// When true, Begin fails while another replacement of the same name
    /// (letter case aside) is being written, in this or another process.
    bool exclusive = false;
    /// Mode of a file that does not exist yet; an existing file keeps its
    /// permission bits (and, for root, its owner).
    mode_t newMode = 0644;
  };

  /// Starts replacing `path` (letter case resolved) in a folder at or below
  /// `root`. A link of that name is replaced by the new file, never written
  /// through; a folder, a device or a FIFO of that name is never replaced, and
  /// neither is a file the user may not write. False (errno set, nothing
  /// changed) when the replacement cannot begin.
  bool Begin(const WriteRoot& root, std::string_view path, const Options& options);
  bool IsActive() const { return fd_ >= 0; }
  /// The temporary file, open for writing.
  int fd() const { return fd_; }
  /// Sets the mode (and owner), stores the data and renames the temporary
  /// file over the target. False when that fails; the temporary file is
  /// then removed and the old file is left as it was.
  bool Commit();
  /// Removes the temporary file; the old file stays.
  void Abandon();

 private:
  ConfinedFolder folder_;
  std::string name_;
  std::string temp_;
  int fd_ = -1;
  int target_ = -1;  // the old file, held open for its lock
  mode_t mode_ = 0644;
  bool keepOwner_ = false;
  uid_t uid_ = 0;
  gid_t gid_ = 0;
};

/// The prefix of every temporary name a Replacement of `name` uses in its
/// folder: "." + `name` in upper case + ".tmp.". Such names are the program's
/// own; a build may remove them.
std::string TemporaryNamePrefix(std::string_view name);

/// The permission bits a new file gets: 0666 without the process's umask.
mode_t NewFileMode();

}  // namespace platform
