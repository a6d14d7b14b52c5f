#pragma once
// Where the browser and the program's own logic meet: the browser loads the
// document root through the quiro://doc/ scheme, while the navigation
// check, the current location and printing work on local paths and file
// URLs. These turn one form into the other for the current document root.

#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "platform/doc_request.h"

namespace quiro {

/// The folders the scheme serves, asked for afresh: the document root from
/// the catalogue INI, the per-user page folder of that root when it exists,
/// and the drive C folder.
platform::DocSite CurrentDocSite();

/// The document site a running program serves: made once the site has been
/// built, and made anew (nothing of the old one kept) when it is rebuilt. It
/// also keeps the files the user opened outside the root, which outlive a
/// rebuild: the scheme serves them (by their real paths) and help files
/// among them go to their viewers (by the paths as chosen). The scheme's
/// requests take a snapshot each; every member may be called from any thread.
class SiteHolder {
 public:
  /// Holds CurrentDocSite().
  SiteHolder();
  explicit SiteHolder(platform::DocSite site);
  SiteHolder(const SiteHolder&) = delete;
  SiteHolder& operator=(const SiteHolder&) = delete;

  /// Holds `site` from now on, with the opened files kept so far.
  void Replace(platform::DocSite site);
  /// Holds CurrentDocSite() from now on (the site read anew once it has
  /// been rebuilt), with the opened files kept so far.
  void Reread() { Replace(CurrentDocSite()); }
  /// The site as it is now, its openedFiles filled in; a snapshot that later
  /// changes leave alone.
  std::shared_ptr<const platform::DocSite> Snapshot() const;
  /// The document root, ending in "/".
  std::string Root() const;

  /// Notes a file the user opened: `path` as chosen, and, when it lies
  /// outside the root, its real path for the scheme (none when it cannot be
  /// resolved now).
  void NoteOpened(const std::string& path);
  /// The files noted, as chosen.
  std::set<std::string> OpenedPaths() const;

 private:
  mutable std::mutex m_lock;
  std::shared_ptr<const platform::DocSite> m_site;
  std::set<std::string> m_opened;
};

/// An address as the engine is to load it: a path or file URL below `root`
/// becomes the scheme's URL; any other absolute path a file URL; anything
/// else stays as it is.
std::string EngineAddress(const std::string& address, const std::string& root);

/// An address the engine reports, as the program's logic takes it: a URL of
/// the scheme becomes the file URL of the same file (below `root`, or the
/// opened page's of a quiro://file/ URL); the program's own pages,
/// ".quiro/...", and anything else stay as they are.
std::string LocalAddress(const std::string& engineUrl, const std::string& root);

/// How the status bar names the target of the link under the pointer: a
/// page below `root` by its path below the root, another local file by its
/// path, and anything else (a web address) as it is.
std::string LinkTargetText(const std::string& engineUrl, const std::string& root);

}  // namespace quiro
