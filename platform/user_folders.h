#pragma once
// Per-user folders of the program under the XDG base directories.

#include <string>
#include <string_view>

namespace platform {

/// The per-user folder that holds the generated pages of a document root
/// the user cannot write: CacheHome() (platform/xdg.h) + "/quiro/roots/" +
/// one name per root (a hash of the root's path) + "/". "" when there is no
/// cache folder.
std::string UserPageFolder(std::string_view root);

/// Opens the per-user page folder of `root` (UserPageFolder). With `create`,
/// the cache folder is made if missing and then each missing folder of
/// "quiro/roots/<hash>" with mode 0700. None of those three is followed
/// when it is a link: each must be a real folder owned by the user that
/// neither group nor others may write, so that no one else can put anything
/// in it or swap it for something else. Returns the open folder's
/// descriptor, or -1 with `why` saying which folder is wrong and how (`why`
/// stays "" when the folder is simply missing and `create` is false).
int OpenUserPageFolder(std::string_view root, bool create, std::string& why);

/// Removes the per-user page folder of `root` when it is empty (the entry
/// itself: a link of that name is never followed). False when it is not.
bool RemoveUserPageFolder(std::string_view root);

}  // namespace platform
