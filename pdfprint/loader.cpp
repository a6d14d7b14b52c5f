#include "pdfprint/module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <mutex>

#include "res/strings.h"

namespace pdfprint {
namespace {

// The program's own file, with every link resolved.
std::string ProgramFile() {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  return std::string(buffer, static_cast<std::size_t>(n));
}

bool LiesBelow(const std::string& file, const std::string& folder) {
  return !folder.empty() && file.size() > folder.size() && file.compare(0, folder.size(), folder) == 0 &&
         file[folder.size()] == '/';
}

}  // namespace

std::string ModulePath() {
  // Only a program inside the build tree takes the module from there; an
  // installed one (run as root by the package trigger, say) never looks
  // anywhere but the installed, root-owned folder.
  if (LiesBelow(ProgramFile(), QUIRO_PDFPRINT_BUILD_DIR)) return QUIRO_PDFPRINT_BUILD_FILE;
  return QUIRO_PDFPRINT_INSTALLED_FILE;
}

const Table* OpenModule(const std::string& path, std::string& why) {
  // RTLD_LOCAL: the libraries it brings stay out of the program's lookups.
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = ::dlerror();
    why = quiro::res::FormatString(quiro::res::IDS_MODULE_NOT_LOADED, {reason ? std::string(reason) : path});
    return nullptr;
  }
  using Entry = const Table* (*)();
  auto entry = reinterpret_cast<Entry>(::dlsym(handle, kEntryName));
  const Table* table = entry != nullptr ? entry() : nullptr;
  if (table == nullptr || table->version != kTableVersion || table->size != sizeof(Table)) {
    why = quiro::res::FormatString(quiro::res::IDS_MODULE_OTHER_VERSION, {path});
    ::dlclose(handle);
    return nullptr;
  }
  return table;  // the module stays loaded for the rest of the process
}

const Table* Module(std::string& why) {
  static std::once_flag once;
  static const Table* table = nullptr;
  static std::string failure;
  std::call_once(once, [] { table = OpenModule(ModulePath(), failure); });
  if (table == nullptr) why = failure;
  return table;
}

}  // namespace pdfprint
