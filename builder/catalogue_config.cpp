#include "builder/catalogue_config.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/ini.h"
#include "platform/paths.h"

namespace {

constexpr const char* kDefaultIni = "C:\\VESK\\DOCS\\TOVY.INI";
constexpr const char* kDefaultRoot = "C:\\VESK\\DOCS";
constexpr const char* kAbsent = "%";

// "ll" or "ll_TT": two or three letters, then optionally "_" and two to
// three letters or digits. Nothing else can name a folder here.
bool IsLanguageTag(const std::string& tag) {
  const std::size_t underscore = tag.find('_');
  const std::string language = tag.substr(0, underscore);
  auto letters = [](const std::string& s, bool digits) {
    for (char c : s)
      if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (digits && c >= '0' && c <= '9'))) return false;
    return true;
  };
  if (language.size() < 2 || language.size() > 3 || !letters(language, false)) return false;
  if (underscore == std::string::npos) return true;
  const std::string territory = tag.substr(underscore + 1);
  return territory.size() >= 2 && territory.size() <= 3 && letters(territory, true);
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::vector<std::string> UserLanguages() {
  const char* locale = nullptr;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') {
      locale = value;
      break;
    }
  }
  if (locale == nullptr || std::strcmp(locale, "C") == 0 || std::strcmp(locale, "POSIX") == 0) return {};
  std::vector<std::string> entries;
  const char* list = std::getenv("LANGUAGE");
  for (std::string rest = list != nullptr ? list : ""; !rest.empty();) {
    const std::size_t colon = rest.find(':');
    entries.push_back(rest.substr(0, colon));
    rest = colon == std::string::npos ? std::string() : rest.substr(colon + 1);
  }
  entries.push_back(locale);
  std::vector<std::string> languages;
  auto add = [&languages](const std::string& tag) {
    if (!IsLanguageTag(tag)) return;
    for (const std::string& known : languages)
      if (known == tag) return;
    languages.push_back(tag);
  };
  for (std::string entry : entries) {
    entry = entry.substr(0, entry.find_first_of(".@"));
    add(entry);
    if (const std::size_t underscore = entry.find('_'); underscore != std::string::npos) add(entry.substr(0, underscore));
  }
  return languages;
}

std::string DefaultIniPath() { return platform::MapWindowsPath(kDefaultIni); }

std::string GetIniPath() {
  std::string cwd = platform::CurrentDirectory();
  if (cwd.empty()) return DefaultIniPath();
  if (cwd.back() == '/') cwd.pop_back();
  return cwd + "/" + kCatalogueFileName;
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

std::string ReadDocumentRoot(std::string& iniPath, const std::function<void(const std::string&)>& explain) {
  auto say = [&explain](const std::string& line) {
    if (explain) explain(line);
  };
  std::string value = platform::GetPrivateProfileString(kMainSection, kDocumentRootKey, kAbsent, iniPath);
  if (value == kAbsent) {
    const std::string firstIni = iniPath;
    // The document set in the user's language, where one is installed.
    for (const std::string& language : UserLanguages()) {
      const std::string candidate = platform::ResolveCase(
          platform::MapWindowsPath(std::string(kDefaultRoot) + "\\" + language + "\\" + kCatalogueFileName));
      const std::string named = platform::GetPrivateProfileString(kMainSection, kDocumentRootKey, kAbsent, candidate);
      if (named == kAbsent) {
        say("language " + language + ": " + candidate +
            (::access(candidate.c_str(), F_OK) == 0 ? " sets no DocumentRoot" : " is not there"));
        continue;
      }
      const std::string root = MapDocumentRoot(named, candidate);
      if (!IsFolder(root)) {
        say("language " + language + ": " + candidate + " names " + root + ", which is no folder");
        continue;
      }
      say(firstIni + " sets no DocumentRoot: using the catalogue of language " + language + ", " + candidate);
      iniPath = candidate;
      return root;
    }
    if (firstIni != DefaultIniPath()) say(firstIni + " sets no DocumentRoot: using " + DefaultIniPath());
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
