#pragma once
// Where the start-up build writes the pages it generates. Normally into the
// document root, beside the templates. For a root the user cannot write (a
// system install), BuildSite redirects them into a per-user folder; the
// templates and documents are still read from the root, and the pages'
// links still name the root.

#include <string>
#include <vector>

#include "builder/explain.h"
#include "platform/confined.h"

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

/// The folder the pages of `root` are written into (see PagePath), as the
/// WriteRoot that confines their writes.
platform::WriteRoot PageWriteRoot(const std::string& root);

/// Whether the build may write `pages` (names of generated pages) into
/// `root`: the folder and every one of those pages that exists must be
/// writable (a link of a page's name counts as no page: it is replaced, never
/// written through). When not, `why` says which and what the system answered.
bool CanWritePages(const std::string& root, const std::vector<std::string>& pages, std::string& why);

/// True for a line of the build's explanation that says a page could not be
/// stored ("could not write all of ...": a full disk, an I/O error; the old
/// page is still in place) or that the pages could go nowhere ("could not
/// create the per-user folder ..."). --build-only exits non-zero after one.
/// A page that is not created because its name is in use by the build
/// itself (a category word like "SYS") is a quiet outcome, not a failure.
bool ExplainsAFailedWrite(const std::string& line);
