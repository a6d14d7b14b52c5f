#include "platform/user_folders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/hash.h"
#include "platform/paths.h"
#include "platform/xdg.h"

namespace platform {

namespace {

// The name of the per-user folder of `root` below CacheHome() + "/quiro/roots".
std::string RootFolderName(std::string_view root) {
  std::string key = NativeSeparators(root);
  if (key.empty() || key.back() != '/') key += '/';
  return Hex16(Fnv1a64(key));
}

// Creates `folder` and the folders above it that are missing, mode 0700.
bool MakeFolders(const std::string& folder) {
  for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  return true;
}

std::string ModeText(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

// Opens the folder `name` below `parent` (path `path`) without following a
// link, creating it first when asked; checks that it is the user's own.
int OpenOwnFolderAt(int parent, const std::string& name, const std::string& path, bool create, std::string& why) {
  if (create && ::mkdirat(parent, name.c_str(), 0700) != 0 && errno != EEXIST) {
    why = path + " cannot be created (" + std::strerror(errno) + ")";
    return -1;
  }
  struct stat st {};
  if (::fstatat(parent, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno != ENOENT || create) why = path + " cannot be read (" + std::strerror(errno) + ")";
    return -1;
  }
  if (S_ISLNK(st.st_mode)) {
    why = path + " is a symbolic link, not a folder";
    return -1;
  }
  const int fd = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    why = path + " is no folder that can be opened (" + std::strerror(errno) + ")";
    return -1;
  }
  if (::fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode)) {
    why = path + " is no folder";
  } else if (st.st_uid != ::geteuid()) {
    why = path + " belongs to user " + std::to_string(st.st_uid) + ", not to this user (" +
          std::to_string(::geteuid()) + ")";
  } else if (st.st_mode & (S_IWGRP | S_IWOTH)) {
    why = path + " may be written by others (mode " + ModeText(st.st_mode) + ")";
  } else {
    return fd;
  }
  ::close(fd);
  return -1;
}

}  // namespace

std::string UserPageFolder(std::string_view root) {
  const std::string cache = CacheHome();
  if (cache.empty()) return {};
  return cache + "/quiro/roots/" + RootFolderName(root) + "/";
}

namespace {

// Opens CacheHome() + "/" + the names joined, each name checked as
// OpenOwnFolderAt does.
int OpenBelowCache(const std::vector<std::string>& names, bool create, std::string& why) {
  why.clear();
  const std::string cache = CacheHome();
  if (cache.empty()) {
    why = "there is no cache folder (neither XDG_CACHE_HOME nor HOME is set)";
    return -1;
  }
  if (create && !MakeFolders(cache)) {
    why = cache + " cannot be created (" + std::strerror(errno) + ")";
    return -1;
  }
  // The cache folder itself is the user's choice and may be a link.
  int fd = ::open(cache.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    if (errno != ENOENT || create) why = cache + " cannot be opened (" + std::strerror(errno) + ")";
    return -1;
  }
  std::string path = cache;
  for (const std::string& name : names) {
    path += "/" + name;
    const int next = OpenOwnFolderAt(fd, name, path, create, why);
    ::close(fd);
    if (next < 0) return -1;
    fd = next;
  }
  return fd;
}

}  // namespace

int OpenUserPageFolder(std::string_view root, bool create, std::string& why) {
  return OpenBelowCache({"quiro", "roots", RootFolderName(root)}, create, why);
}

bool RemoveUserPageFolder(std::string_view root) {
  std::string why;
  const int parent = OpenBelowCache({"quiro", "roots"}, false, why);
  if (parent < 0) return false;
  const bool ok = ::unlinkat(parent, RootFolderName(root).c_str(), AT_REMOVEDIR) == 0;
  ::close(parent);
  return ok;
}

}  // namespace platform
