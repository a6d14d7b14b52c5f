#include "textfile/dir_listing.h"

#include <algorithm>

#include "platform/text.h"

bool CDirListing::Qualifies(const platform::DirEntry& entry) {
  return entry.isDirectory && !entry.name.empty() && entry.name[0] != '.';
}

std::string CDirListing::First(const std::string& folder) {
  Close();
  std::string listed = folder;
  std::string namePrefix;
  if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') {
    const std::size_t cut = folder.find_last_of("/\\");
    namePrefix = cut == std::string::npos ? folder : folder.substr(cut + 1);
    listed = cut == std::string::npos ? std::string(".") : folder.substr(0, cut + 1);
  }
  if (!platform::ListDirectory(listed, entries_)) {
    entries_.clear();
    return "%1";
  }
  if (!namePrefix.empty()) {
    std::erase_if(entries_, [&](const platform::DirEntry& e) {
      return !platform::StartsWithNoCase(e.name, namePrefix);
    });
  }
  open_ = true;
  next_ = 0;
  std::string name = Next();
  return name == "%4" ? "%2" : name;
}

std::string CDirListing::Next() {
  while (open_ && next_ < entries_.size()) {
    const platform::DirEntry& entry = entries_[next_++];
    if (Qualifies(entry)) return entry.name;
  }
  return "%4";
}

void CDirListing::Close() {
  open_ = false;
  entries_.clear();
  next_ = 0;
}
