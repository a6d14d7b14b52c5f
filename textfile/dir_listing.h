#pragma once
// CDirListing: walks one folder and hands out, one at a time, the names of
// the entries that can be document folders. The end is reported in-band as a
// name beginning with "%":
//   "%1"  from First: the folder cannot be listed at all
//   "%2"  from First: the folder holds no qualifying entry
//   "%4"  from Next:  no further qualifying entry
//
// An entry qualifies when it is a directory (or a symbolic link to one) and
// its name does not begin with ".". Plain files never qualify: Linux files
// carry no "normal only" attribute.

#include <cstddef>
#include <string>
#include <vector>

#include "platform/dir.h"

class CDirListing {
 public:
  CDirListing() = default;

  /// Starts the listing of `folder`, which must end in a separator: the
  /// pattern "*.*" is appended to it. Without the separator the listing
  /// covers the entries of the parent folder whose names begin with the
  /// folder's last component, as the pattern would match them.
  std::string First(const std::string& folder);
  /// The next qualifying name, or "%4".
  std::string Next();
  /// Ends the listing; does nothing when none is open.
  void Close();

 private:
  static bool Qualifies(const platform::DirEntry& entry);

  bool open_ = false;
  std::vector<platform::DirEntry> entries_;
  std::size_t next_ = 0;
};
