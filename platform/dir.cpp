#include "platform/dir.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "platform/paths.h"
#include "platform/text.h"

namespace platform {

void SortListing(std::vector<DirEntry>& entries) {
  std::sort(entries.begin(), entries.end(), [](const DirEntry& a, const DirEntry& b) {
    const int c = CompareNoCase(a.name, b.name);
    return c != 0 ? c < 0 : a.name < b.name;
  });
}

bool ListDirectory(std::string_view folder, std::vector<DirEntry>& out) {
  out.clear();
  std::string path = ResolveCase(folder);
  if (path.empty()) path = ".";
  DIR* dir = opendir(path.c_str());
  if (!dir) return false;
  const int dfd = dirfd(dir);
  while (const dirent* ent = readdir(dir)) {
    if (std::strcmp(ent->d_name, ".") == 0 || std::strcmp(ent->d_name, "..") == 0) continue;
    DirEntry entry;
    entry.name = ent->d_name;
    if (ent->d_type == DT_DIR) {
      entry.isDirectory = true;
    } else if (ent->d_type == DT_LNK || ent->d_type == DT_UNKNOWN) {
      struct stat st {};
      entry.isDirectory = fstatat(dfd, ent->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
    }
    out.push_back(std::move(entry));
  }
  closedir(dir);
  SortListing(out);
  return true;
}

}  // namespace platform
