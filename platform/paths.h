#pragma once
// Path conventions of the program on Linux.
//
// The program's fixed paths are written Windows-style ("C:\VESK\DOCS\TOVY.INI").
// Drive C is one folder: $VESK_DRIVE_C when set, else the folder fixed at
// build time (QUIRO_DRIVE_C). A backslash that comes from data is accepted as
// a separator wherever a path is opened.

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform {

/// The folder that stands for drive C, without a trailing "/".
std::string DriveCFolder();

/// Maps a path written Windows-style to a native one:
///   "C:\a\b" or "c:/a/b"  -> DriveCFolder() + "/a/b"
///   "\a\b" (drive-relative) -> DriveCFolder() + "/a/b"
///   every other path        -> the same path with "\" turned into "/".
std::string MapWindowsPath(std::string_view path);
/// The same with drive C standing for `driveC` (a folder, no trailing "/").
std::string MapWindowsPath(std::string_view path, std::string_view driveC);

/// True for the paths MapWindowsPath places below drive C: "C:..." (either
/// letter case) and "\..." (drive-relative).
bool IsDriveCPath(std::string_view path);

/// Turns every backslash into "/".
std::string NativeSeparators(std::string_view path);

/// The current working directory, or an empty string when it cannot be had.
std::string CurrentDirectory();

/// Folder part of a path, without its trailing "/" ("." for a bare name).
std::string ParentFolder(std::string_view path);

/// Resolves a path without regard to letter case, component by component:
/// a component that exists is used as written; otherwise the first entry of
/// its folder (in listing order) whose name equals it ignoring case; otherwise
/// the component as written (so the path can still be created). Backslashes
/// are taken as separators. The result uses "/" only.
std::string ResolveCase(std::string_view path);

/// The entries of folders for finding names without regard to case, each
/// folder listed once and then kept up to date with the changes this program
/// reports (NoteEntryAdded, NoteEntryRemoved). Folders are told apart by
/// device and inode, so every path to a folder shares one listing. Changes
/// made by other processes after a folder was listed are not seen: keep one
/// for a single pass (a build, a walk) and then drop it.
class FolderListings {
 public:
  /// The entry of `folder` whose name equals `name` ignoring case; of
  /// several, the least in byte order. Empty when there is none or the
  /// folder cannot be listed.
  std::string Find(const std::string& folder, std::string_view name);
  /// How many folder listings have been read so far.
  std::size_t ListingsRead() const { return listingsRead_; }

 private:
  friend void NoteEntryAdded(int dirfd, std::string_view name);
  friend void NoteEntryRemoved(int dirfd, std::string_view name);
  struct Key {
    dev_t dev;
    ino_t ino;
    bool operator==(const Key&) const = default;
  };
  struct KeyHash {
    std::size_t operator()(const Key& k) const noexcept { return std::hash<ino_t>()(k.ino) ^ (k.dev << 1); }
  };
  // upper-cased name -> the names of the folder equal to it, in byte order
  using Listing = std::unordered_map<std::string, std::vector<std::string>>;
  static bool KnownFolder(int dirfd, Key& key);
  void Added(const Key& folder, std::string_view name);
  void Removed(const Key& folder, std::string_view name);

  std::unordered_map<Key, Listing, KeyHash> folders_;
  std::size_t listingsRead_ = 0;
};

/// While it lives, ResolveCase (and everything that resolves through it) on
/// this thread finds names through `listings` instead of listing a folder
/// per lookup. Scopes do not nest.
class FolderListingsScope {
 public:
  explicit FolderListingsScope(FolderListings& listings);
  ~FolderListingsScope();
  FolderListingsScope(const FolderListingsScope&) = delete;
  FolderListingsScope& operator=(const FolderListingsScope&) = delete;
};

/// Tell the listings in force on this thread, if any, that the entry `name`
/// now exists in (or was removed from) the folder open as `dirfd`.
void NoteEntryAdded(int dirfd, std::string_view name);
void NoteEntryRemoved(int dirfd, std::string_view name);

/// ResolveCase for many lookups in a row (a walk over pages): each folder is
/// listed at most once in the resolver's life, so entries added to a folder
/// after its first listing are found only under their exact names.
class CaseResolver {
 public:
  std::string Resolve(std::string_view path);

 private:
  FolderListings listings_;
};

/// "file:" URL to a local path: strips "file:" and the slashes after it down
/// to one leading "/" (a "localhost" host goes too) and percent-decodes. A
/// "#fragment" is not cut. Returns an empty string when `url` is no file URL.
std::string FileUrlToPath(std::string_view url);

/// Local path to "file://" + absolute path (three slashes in all), with the
/// bytes a URL cannot carry literally percent-encoded (blanks, "#", "?", "%",
/// control and non-ASCII bytes). A relative path is taken from the current
/// directory.
std::string PathToFileUrl(std::string_view path);

/// True for a "file:" URL (letter case ignored).
bool IsFileUrl(std::string_view url);

}  // namespace platform
