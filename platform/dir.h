#pragma once
// Folder listing in the order the original file system lists names: sorted
// by ASCII-case-insensitive byte order (ties by plain byte order).

#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct DirEntry {
  std::string name;
  bool isDirectory = false;  // a directory, or a symbolic link to one
};

/// Lists `folder` (no "." or ".." entries). False when the folder cannot be
/// listed; `out` is then empty.
bool ListDirectory(std::string_view folder, std::vector<DirEntry>& out);

/// Sorts names the way ListDirectory returns them.
void SortListing(std::vector<DirEntry>& entries);

}  // namespace platform
