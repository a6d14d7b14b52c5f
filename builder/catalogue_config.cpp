#include "builder/catalogue_config.h"

#include "platform/ini.h"
#include "platform/paths.h"

namespace {

constexpr const char* kIniFileName = "/TOVY.INI";
constexpr const char* kDefaultIni = "C:\\VESK\\DOCS\\TOVY.INI";
constexpr const char* kDefaultRoot = "C:\\VESK\\DOCS";
constexpr const char* kAbsent = "%";

}  // namespace

std::string DefaultIniPath() { return platform::MapWindowsPath(kDefaultIni); }

std::string GetIniPath() {
  std::string cwd = platform::CurrentDirectory();
  if (cwd.empty()) return DefaultIniPath();
  if (cwd.back() == '/') cwd.pop_back();
  return cwd + kIniFileName;
}

std::string MapDocumentRoot(const std::string& value, const std::string& iniPath) {
  std::string root = value.substr(0, platform::kIniValueMax);
  if (root.empty()) root += '\\';  // no value: the root of drive C
  if (platform::IsDriveCPath(root)) {
    root = platform::MapWindowsPath(root);
  } else {
    root = platform::NativeSeparators(root);
    if (root.front() != '/') {
      std::string folder = platform::ParentFolder(platform::NativeSeparators(iniPath));
      if (folder.back() != '/') folder += '/';
      root = folder + root;
    }
  }
  // The folder on disk may spell the root in another case, as every other
  // name below it may: the path is resolved here, once, for all its users.
  root = platform::ResolveCase(root);
  if (root.back() != '/') root += '/';
  return root;
}

std::string ReadDocumentRoot(std::string& iniPath) {
  std::string value = platform::GetPrivateProfileString(kMainSection, kDocumentRootKey, kAbsent, iniPath);
  if (value == kAbsent) {
    iniPath = DefaultIniPath();
    value = platform::GetPrivateProfileString(kMainSection, kDocumentRootKey, kDefaultRoot, iniPath);
  }
  return MapDocumentRoot(value, iniPath);
}

std::string GetDocumentRoot() {
  std::string iniPath = GetIniPath();
  return ReadDocumentRoot(iniPath);
}

std::string GetDefaultType(const std::string& iniPath) {
  return platform::GetPrivateProfileString(kMainSection, kDefaultTypeKey, "SYSTEM", iniPath);
}
