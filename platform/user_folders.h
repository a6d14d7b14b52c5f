#pragma once
// Per-user folders of the program under the XDG base directories.

#include <string>
#include <string_view>

namespace platform {

/// $XDG_CACHE_HOME when it is an absolute path, else $HOME/.cache; no
/// trailing "/". "" when neither can be had.
std::string CacheHome();

/// The per-user folder that holds the generated pages of a document root
/// the user cannot write: CacheHome() + "/quiro/roots/" + one name per root
/// (a hash of the root's path) + "/". "" when there is no cache folder.
std::string UserPageFolder(std::string_view root);

/// Creates `folder` and the folders above it that are missing (new ones
/// readable by the user alone). False when it does not exist afterwards.
bool MakeFolders(const std::string& folder);

}  // namespace platform
