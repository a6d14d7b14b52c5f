#include "platform/xdg.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

namespace platform {

namespace {

// `value` without its trailing slashes when it is an absolute path other
// than "/"; "" otherwise.
std::string UsableFolder(std::string_view value) {
  if (value.empty() || value.front() != '/') return {};
  while (!value.empty() && value.back() == '/') value.remove_suffix(1);
  return std::string(value);
}

std::string EnvFolder(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? UsableFolder(value) : std::string();
}

// $`name` when usable, else `below` in the home folder.
std::string BaseFolder(const char* name, const char* below) {
  std::string folder = EnvFolder(name);
  if (!folder.empty()) return folder;
  const std::string home = HomeFolder();
  return home.empty() ? std::string() : home + below;
}

}  // namespace

std::string HomeFolder() {
  std::string home = EnvFolder("HOME");
  if (home.empty()) {
    if (const passwd* pw = ::getpwuid(::geteuid()); pw != nullptr && pw->pw_dir != nullptr) {
      home = UsableFolder(pw->pw_dir);
    }
  }
  return home;
}

std::string CacheHome() { return BaseFolder("XDG_CACHE_HOME", "/.cache"); }

std::string ConfigHome() { return BaseFolder("XDG_CONFIG_HOME", "/.config"); }

std::string StateHome() { return BaseFolder("XDG_STATE_HOME", "/.local/state"); }

std::vector<std::string> ConfigDirs() {
  const char* value = std::getenv("XDG_CONFIG_DIRS");
  const std::string_view dirs = value != nullptr && value[0] != '\0' ? value : "/etc/xdg";
  std::vector<std::string> folders;
  for (std::size_t start = 0; start <= dirs.size();) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string_view::npos) end = dirs.size();
    std::string folder = UsableFolder(dirs.substr(start, end - start));
    if (!folder.empty()) folders.push_back(std::move(folder));
    start = end + 1;
  }
  return folders;
}

}  // namespace platform
