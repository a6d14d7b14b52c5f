#pragma once
// Where the browser and the program's own logic meet: the browser loads the
// document root through the quiro://doc/ scheme, while the navigation
// check, the current location and printing work on local paths and file
// URLs. These turn one form into the other for the current document root.

#include <string>

#include "platform/doc_request.h"

namespace quiro {

/// The folders the scheme serves, asked for afresh: the document root from
/// the catalogue INI, the per-user page folder of that root when it exists,
/// and the drive C folder.
platform::DocSite CurrentDocSite();

/// An address as the engine is to load it: a path or file URL below `root`
/// becomes the scheme's URL; any other absolute path a file URL; anything
/// else stays as it is.
std::string EngineAddress(const std::string& address, const std::string& root);

/// An address the engine reports, as the program's logic takes it: a URL of
/// the scheme becomes the file URL of the same file (below `root`, or the
/// opened page's of a quiro://file/ URL); the program's own pages,
/// ".quiro/...", and anything else stay as they are.
std::string LocalAddress(const std::string& engineUrl, const std::string& root);

}  // namespace quiro
