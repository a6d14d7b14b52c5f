#include "platform/translations.h"

#include <fcntl.h>
#include <libintl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "res/strings.h"

#ifndef QUIRO_BUILD_DIR
#define QUIRO_BUILD_DIR ""
#endif
#ifndef QUIRO_LOCALE_DIR
#define QUIRO_LOCALE_DIR "/usr/share/locale"
#endif

namespace platform {
namespace {

// Catalogues larger than this are taken as damaged.
constexpr off_t kMaxCatalogue = 64 << 20;

bool RunsFromBuildTree() {
  const std::string build = QUIRO_BUILD_DIR;
  if (build.empty()) return false;
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return false;
  const std::string exe(buffer, static_cast<std::size_t>(n));
  return exe.compare(0, build.size() + 1, build + "/") == 0;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    const std::string part = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!part.empty()) parts.push_back(part);
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

// The names gettext tries for a locale name "ll_TT.codeset@modifier", each
// part but the language optional, the codeset also in its normalised form
// ("UTF-8" as "utf8").
std::vector<std::string> CatalogueNames(const std::string& locale) {
  std::string rest = locale, modifier, codeset, territory;
  if (const std::size_t at = rest.find('@'); at != std::string::npos) {
    modifier = rest.substr(at);
    rest.erase(at);
  }
  if (const std::size_t dot = rest.find('.'); dot != std::string::npos) {
    codeset = rest.substr(dot);
    rest.erase(dot);
  }
  if (const std::size_t underscore = rest.find('_'); underscore != std::string::npos) {
    territory = rest.substr(underscore);
    rest.erase(underscore);
  }
  std::string normalised = ".";
  bool digitsOnly = true;
  for (std::size_t i = 1; i < codeset.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(codeset[i]);
    if (std::isalnum(c)) normalised += static_cast<char>(std::tolower(c));
    if (std::isalpha(c)) digitsOnly = false;
  }
  if (digitsOnly && normalised.size() > 1) normalised.insert(1, "iso");
  std::vector<std::string> names;
  for (const std::string& t : {territory, std::string()})
    for (const std::string& c : {codeset, normalised, std::string()})
      for (const std::string& m : {modifier, std::string()})
        if ((t.empty() || !territory.empty()) && (c.empty() || !codeset.empty()) && (m.empty() || !modifier.empty()))
          names.push_back(rest + t + c + m);
  return names;
}

std::uint32_t Word(const unsigned char* p, bool swapped) {
  const std::uint32_t v = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                          std::uint32_t(p[3]) << 24;
  return swapped ? __builtin_bswap32(v) : v;
}

}  // namespace

bool CatalogueIsSound(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st {};
  std::string data;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 28 && st.st_size <= kMaxCatalogue) {
    data.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (got < data.size()) {
      const ssize_t n = ::read(fd, data.data() + got, data.size() - got);
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    data.resize(got);
  }
  ::close(fd);
  if (data.size() < 28) return false;
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
  const std::uint64_t size = data.size();
  const std::uint32_t magic = Word(bytes, false);
  const bool swapped = magic == 0xde120495u;
  if (magic != 0x950412deu && !swapped) return false;
  if ((Word(bytes + 4, swapped) >> 16) != 0) return false;  // only the plain layout
  const std::uint64_t count = Word(bytes + 8, swapped);
  const std::uint64_t originals = Word(bytes + 12, swapped);
  const std::uint64_t translations = Word(bytes + 16, swapped);
  const std::uint64_t hashSize = Word(bytes + 20, swapped);
  const std::uint64_t hashTable = Word(bytes + 24, swapped);
  if (originals + count * 8 > size || translations + count * 8 > size) return false;
  if (hashSize > 0 && hashTable + hashSize * 4 > size) return false;
  for (std::uint64_t table : {originals, translations}) {
    for (std::uint64_t i = 0; i < count; ++i) {
      const std::uint64_t length = Word(bytes + table + i * 8, swapped);
      const std::uint64_t offset = Word(bytes + table + i * 8 + 4, swapped);
      if (offset + length >= size || bytes[offset + length] != '\0') return false;
    }
  }
  for (std::uint64_t i = 0; i < hashSize; ++i)
    if (Word(bytes + hashTable + i * 4, swapped) > count) return false;
  return true;
}

std::string TranslationsFolder() {
  const char* chosen = std::getenv("QUIRO_LOCALEDIR");
  if (chosen != nullptr && *chosen != '\0') return chosen;
  if (RunsFromBuildTree()) return std::string(QUIRO_BUILD_DIR) + "/locale";
  return QUIRO_LOCALE_DIR;
}

void StartTranslations() {
  const char* messages = std::setlocale(LC_MESSAGES, "");
  std::string folder = TranslationsFolder();
  // gettext trusts the catalogues it opens; one that is cut short or
  // otherwise damaged would be read beyond its end. When a catalogue of the
  // user's languages is not sound, none is bound and the texts stay English.
  const std::string locale = messages != nullptr ? messages : "C";
  if (locale != "C" && locale != "POSIX") {
    const char* languages = std::getenv("LANGUAGE");
    std::vector<std::string> wanted = Split(languages != nullptr ? languages : "", ':');
    wanted.push_back(locale);
    for (const std::string& language : wanted) {
      for (const std::string& name : CatalogueNames(language)) {
        const std::string path = folder + "/" + name + "/LC_MESSAGES/" + quiro::res::kTextDomain + ".mo";
        if (::access(path.c_str(), F_OK) == 0 && !CatalogueIsSound(path)) folder = "/nonexistent";
      }
    }
  }
  bindtextdomain(quiro::res::kTextDomain, folder.c_str());
  bind_textdomain_codeset(quiro::res::kTextDomain, "UTF-8");
}

}  // namespace platform
