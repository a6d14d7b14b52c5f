#include "app/core/viewer_registry.h"

#include "platform/ini.h"
#include "platform/xdg.h"

namespace quiro {

namespace {

constexpr const char* kStoreName = "/vesk/registry.ini";

}  // namespace

std::string ViewerCommandKey(ViewerKind kind) {
  return kind == ViewerKind::Chm ? "HKEY_LOCAL_MACHINE\\Software\\CLASSES\\chm.file\\shell\\open\\command"
                                 : "HKEY_LOCAL_MACHINE\\Software\\CLASSES\\hlpfile\\shell\\open\\command";
}

std::vector<std::string> RegistryStorePaths() {
  std::vector<std::string> stores;
  if (const std::string user = platform::ConfigHome(); !user.empty()) stores.push_back(user + kStoreName);
  for (const std::string& dir : platform::ConfigDirs()) stores.push_back(dir + kStoreName);
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
