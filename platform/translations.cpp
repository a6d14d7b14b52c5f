#include "platform/translations.h"

#include <libintl.h>
#include <unistd.h>

#include <climits>
#include <clocale>
#include <cstdlib>

#include "res/strings.h"

#ifndef QUIRO_BUILD_DIR
#define QUIRO_BUILD_DIR ""
#endif
#ifndef QUIRO_LOCALE_DIR
#define QUIRO_LOCALE_DIR "/usr/share/locale"
#endif

namespace platform {
namespace {

bool RunsFromBuildTree() {
  const std::string build = QUIRO_BUILD_DIR;
  if (build.empty()) return false;
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return false;
  const std::string exe(buffer, static_cast<std::size_t>(n));
  return exe.compare(0, build.size() + 1, build + "/") == 0;
}

}  // namespace

std::string TranslationsFolder() {
  const char* chosen = std::getenv("QUIRO_LOCALEDIR");
  if (chosen != nullptr && *chosen != '\0') return chosen;
  if (RunsFromBuildTree()) return std::string(QUIRO_BUILD_DIR) + "/locale";
  return QUIRO_LOCALE_DIR;
}

void StartTranslations() {
  std::setlocale(LC_MESSAGES, "");
  const std::string folder = TranslationsFolder();
  bindtextdomain(quiro::res::kTextDomain, folder.c_str());
  bind_textdomain_codeset(quiro::res::kTextDomain, "UTF-8");
}

}  // namespace platform
