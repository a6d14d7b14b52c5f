#pragma once
// The user's base folders as the XDG base directory rules name them.
//
// Each $XDG_*_HOME counts only when it is an absolute path other than "/"
// itself (a relative one is invalid by the rules, and "/" would put the
// program's folders straight below the file system's root); otherwise the
// folder's default below the home folder is used. No result ends with "/".

#include <string>
#include <vector>

namespace platform {

/// $HOME when it counts (absolute, not "/"), else the home folder of the
/// user's account entry; "" when neither counts.
std::string HomeFolder();

/// $XDG_CACHE_HOME, or HomeFolder() + "/.cache"; "" without a home.
std::string CacheHome();

/// $XDG_CONFIG_HOME, or HomeFolder() + "/.config"; "" without a home.
std::string ConfigHome();

/// $XDG_STATE_HOME, or HomeFolder() + "/.local/state"; "" without a home.
std::string StateHome();

/// The usable folders of $XDG_CONFIG_DIRS ("/etc/xdg" when it is unset or
/// empty), most important first. Entries that would not count as a home
/// folder above are skipped, so the list may be empty.
std::vector<std::string> ConfigDirs();

}  // namespace platform
