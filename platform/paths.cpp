#include "platform/paths.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/doc_uri.h"
#include "platform/text.h"

#ifndef QUIRO_DRIVE_C
#define QUIRO_DRIVE_C "/var/lib/vesk/drive_c"
#endif

namespace platform {
namespace {

bool PathExists(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0;
}

// The entry of `folder` whose name equals `name` ignoring case; of several,
// the first in listing order. Empty when there is none.
std::string FindNoCase(const std::string& folder, std::string_view name) {
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return {};
  std::string best;
  bool found = false;
  while (const dirent* ent = readdir(dir)) {
    std::string_view candidate(ent->d_name);
    if (!EqualsNoCase(candidate, name)) continue;
    // Same order as ListDirectory: names equal ignoring case sort by bytes.
    if (!found || candidate < best) {
      best = candidate;
      found = true;
    }
  }
  closedir(dir);
  return best;
}

}  // namespace

std::string DriveCFolder() {
  std::string folder;
  const char* env = std::getenv("VESK_DRIVE_C");
  folder = (env && *env) ? env : QUIRO_DRIVE_C;
  while (!folder.empty() && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string NativeSeparators(std::string_view path) {
  std::string out(path);
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

bool IsDriveCPath(std::string_view path) {
  const bool driveLetter = path.size() >= 2 && path[1] == ':' && (path[0] == 'c' || path[0] == 'C');
  return driveLetter || (!path.empty() && path.front() == '\\');
}

std::string MapWindowsPath(std::string_view path) { return MapWindowsPath(path, DriveCFolder()); }

std::string MapWindowsPath(std::string_view path, std::string_view driveC) {
  if (!IsDriveCPath(path)) return NativeSeparators(path);
  if (path.front() == '\\') return std::string(driveC) + NativeSeparators(path);
  std::string rest = NativeSeparators(path.substr(2));
  if (rest.empty() || rest.front() != '/') rest.insert(rest.begin(), '/');
  return std::string(driveC) + rest;
}

std::string CurrentDirectory() {
  std::vector<char> buf(4096);
  for (;;) {
    if (getcwd(buf.data(), buf.size())) return buf.data();
    if (errno != ERANGE || buf.size() > (1u << 20)) return {};
    buf.resize(buf.size() * 2);
  }
}

std::string ParentFolder(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string_view::npos) return ".";
  if (slash == 0) return "/";
  return std::string(path.substr(0, slash));
}

namespace {

// The walk shared by ResolveCase and CaseResolver: `find(folder, name)` gives
// the entry of `folder` equal to `name` ignoring case, or "" when none.
template <typename FindFn>
std::string ResolveWith(std::string_view path, FindFn find) {
  std::string native = NativeSeparators(path);
  if (native.empty() || PathExists(native)) return native;

  std::string out;
  std::size_t pos = 0;
  if (native.front() == '/') {
    out = "/";
    pos = 1;
  }
  bool parentExists = true;
  while (pos <= native.size()) {
    std::size_t next = native.find('/', pos);
    if (next == std::string::npos) next = native.size();
    std::string_view part(native.data() + pos, next - pos);
    if (!part.empty()) {
      if (!out.empty() && out.back() != '/') out += '/';
      std::string candidate = out + std::string(part);
      if (!parentExists || part == "." || part == ".." || PathExists(candidate)) {
        out = std::move(candidate);
      } else {
        std::string match = find(out, part);
        if (match.empty()) {
          out = std::move(candidate);
          parentExists = false;  // nothing below a missing folder can exist
        } else {
          out += match;
        }
      }
    }
    pos = next + 1;
  }
  if (native.back() == '/' && (out.empty() || out.back() != '/')) out += '/';
  return out;
}

// The listings ResolveCase uses on this thread (FolderListingsScope).
thread_local FolderListings* t_listings = nullptr;

}  // namespace

std::string ResolveCase(std::string_view path) {
  if (FolderListings* listings = t_listings) {
    return ResolveWith(path, [listings](const std::string& folder, std::string_view name) {
      return listings->Find(folder, name);
    });
  }
  return ResolveWith(path, FindNoCase);
}

std::string CaseResolver::Resolve(std::string_view path) {
  return ResolveWith(path, [this](const std::string& folder, std::string_view name) {
    return listings_.Find(folder, name);
  });
}

std::string FolderListings::Find(const std::string& folder, std::string_view name) {
  // The folder is opened once and then both identified and listed through
  // that descriptor, so the listing is of the folder the key names.
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0) {
    if (fd >= 0) ::close(fd);
    return {};
  }
  const Key key{st.st_dev, st.st_ino};
  auto found = folders_.find(key);
  if (found == folders_.end()) {
    ++listingsRead_;
    found = folders_.try_emplace(key).first;
    if (DIR* dir = ::fdopendir(fd)) {
      while (const dirent* ent = ::readdir(dir)) Added(key, ent->d_name);
      ::closedir(dir);  // closes fd
    } else {
      ::close(fd);
    }
  } else {
    ::close(fd);
  }
  const auto names = found->second.find(ToUpperAscii(name));
  return names == found->second.end() ? std::string() : names->second.front();
}

void FolderListings::Added(const Key& folder, std::string_view name) {
  std::vector<std::string>& names = folders_[folder][ToUpperAscii(name)];
  const auto at = std::lower_bound(names.begin(), names.end(), name);
  if (at == names.end() || *at != name) names.emplace(at, name);
}

void FolderListings::Removed(const Key& folder, std::string_view name) {
  Listing& listing = folders_.at(folder);
  const auto names = listing.find(ToUpperAscii(name));
  if (names == listing.end()) return;
  std::erase(names->second, name);
  if (names->second.empty()) listing.erase(names);
}

FolderListingsScope::FolderListingsScope(FolderListings& listings) { t_listings = &listings; }

FolderListingsScope::~FolderListingsScope() { t_listings = nullptr; }

// Whether the listings in force on this thread have read the folder open as
// `dirfd` (its key goes to `key`); a folder not listed yet is listed as it
// then is when first needed.
bool FolderListings::KnownFolder(int dirfd, Key& key) {
  struct stat st {};
  if (t_listings == nullptr || ::fstat(dirfd, &st) != 0) return false;
  key = Key{st.st_dev, st.st_ino};
  return t_listings->folders_.contains(key);
}

void NoteEntryAdded(int dirfd, std::string_view name) {
  FolderListings::Key key{};
  if (FolderListings::KnownFolder(dirfd, key)) t_listings->Added(key, name);
}

void NoteEntryRemoved(int dirfd, std::string_view name) {
  FolderListings::Key key{};
  if (FolderListings::KnownFolder(dirfd, key)) t_listings->Removed(key, name);
}

bool IsFileUrl(std::string_view url) { return StartsWithNoCase(url, "file:"); }

std::string FileUrlToPath(std::string_view url) {
  if (!IsFileUrl(url)) return {};
  std::string_view rest = url.substr(5);
  std::size_t slashes = 0;
  while (slashes < rest.size() && rest[slashes] == '/') ++slashes;
  rest.remove_prefix(slashes);
  if (slashes == 2 && StartsWithNoCase(rest, "localhost/")) rest.remove_prefix(9);
  if (!rest.empty() && rest.front() == '/') rest.remove_prefix(1);

  return "/" + PercentDecode(rest);
}

std::string PathToFileUrl(std::string_view path) {
  std::string absolute(path);
  if (absolute.empty() || absolute.front() != '/') {
    std::string cwd = CurrentDirectory();
    absolute = (cwd.empty() ? std::string("/") : cwd + "/") + absolute;
  }
  return "file://" + PercentEncodePath(absolute);
}

}  // namespace platform
