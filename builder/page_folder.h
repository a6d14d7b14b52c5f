#pragma once
// Where the start-up build writes the pages it generates. Normally into the
// document root, beside the templates. For a root the user cannot write (a
// system install), BuildSite redirects them into a per-user folder; the
// templates and documents are still read from the root, and the pages'
// links still name the root.

#include <string>
#include <vector>

#include "builder/explain.h"

/// root + `name`, or the redirect folder + `name` while a PageFolderRedirect
/// for `root` is in force.
std::string PagePath(const std::string& root, const std::string& name);

/// While it lives, the pages of `root` are written into `folder` (ending in
/// "/"). Build-thread only; redirects do not nest.
class PageFolderRedirect {
 public:
  PageFolderRedirect(const std::string& root, const std::string& folder);
  ~PageFolderRedirect();
  PageFolderRedirect(const PageFolderRedirect&) = delete;
  PageFolderRedirect& operator=(const PageFolderRedirect&) = delete;
};

/// Whether the build may write `pages` (names of generated pages) into
/// `root`: the folder and every one of those pages that exists must be
/// writable. When not, `why` says which and what the system answered.
bool CanWritePages(const std::string& root, const std::vector<std::string>& pages, std::string& why);
