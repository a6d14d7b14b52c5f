#include "app/core/viewer_registry.h"

#include <cstdlib>

#include "platform/ini.h"

namespace quiro {

namespace {

constexpr const char* kStoreName = "/vesk/registry.ini";

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

std::string ViewerCommandKey(ViewerKind kind) {
  return kind == ViewerKind::Chm ? "HKEY_LOCAL_MACHINE\\Software\\CLASSES\\chm.file\\shell\\open\\command"
                                 : "HKEY_LOCAL_MACHINE\\Software\\CLASSES\\hlpfile\\shell\\open\\command";
}

std::vector<std::string> RegistryStorePaths() {
  std::vector<std::string> stores;
  // A relative $XDG_CONFIG_HOME or entry of $XDG_CONFIG_DIRS is invalid and
  // ignored, as the XDG rules say.
  std::string user = Env("XDG_CONFIG_HOME");
  if (user.empty() || user.front() != '/') {
    const std::string home = Env("HOME");
    user = home.empty() ? std::string() : home + "/.config";
  }
  if (!user.empty()) stores.push_back(user + kStoreName);

  std::string dirs = Env("XDG_CONFIG_DIRS");
  if (dirs.empty()) dirs = "/etc/xdg";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    const std::string dir = dirs.substr(start, end - start);
    if (!dir.empty() && dir.front() == '/') stores.push_back(dir + kStoreName);
    start = end + 1;
  }
  return stores;
}

std::string ReadViewerCommand(ViewerKind kind) {
  const std::string key = ViewerCommandKey(kind);
  for (const std::string& store : RegistryStorePaths()) {
    std::string command = platform::GetPrivateProfileString(key, "@", "", store);
    if (!command.empty()) return command;
  }
  return {};
}

}  // namespace quiro
