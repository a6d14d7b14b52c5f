#include "app/core/doc_site.h"

#include <unistd.h>

#include <algorithm>
#include <utility>

#include "builder/catalogue_config.h"
#include "platform/confined.h"
#include "platform/doc_uri.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/user_folders.h"

namespace quiro {

platform::DocSite CurrentDocSite() {
  platform::DocSite site;
  site.root = GetDocumentRoot();
  // Pages are served from the per-user folder only while it is the user's
  // own private folder: a link there, or someone else's folder, is ignored.
  std::string why;
  const int pages = platform::OpenUserPageFolder(site.root, false, why);
  if (pages >= 0) {
    ::close(pages);
    site.overlay = platform::UserPageFolder(site.root);
  }
  site.driveC = platform::DriveCFolder();
  return site;
}

SiteHolder::SiteHolder() : SiteHolder(CurrentDocSite()) {}

SiteHolder::SiteHolder(platform::DocSite site) { Replace(std::move(site)); }

void SiteHolder::Replace(platform::DocSite site) {
  std::lock_guard<std::mutex> hold(m_lock);
  // The opened files are the user's, not the site's: they stay.
  site.openedFiles = m_site ? m_site->openedFiles : std::vector<std::string>{};
  m_site = std::make_shared<const platform::DocSite>(std::move(site));
}

std::shared_ptr<const platform::DocSite> SiteHolder::Snapshot() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_site;
}

std::string SiteHolder::Root() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_site->root;
}

void SiteHolder::NoteOpened(const std::string& path) {
  // Kept by its real path as well: the resolver compares what it opened with
  // it. A page the root's own URL serves is loaded under that URL instead.
  const std::string real = platform::RealPath(path);
  std::lock_guard<std::mutex> hold(m_lock);
  m_opened.insert(path);
  const std::vector<std::string>& files = m_site->openedFiles;
  if (real.empty() || !platform::PathToDocUri(path, m_site->root).empty()) return;
  if (std::find(files.begin(), files.end(), real) != files.end()) return;
  auto next = std::make_shared<platform::DocSite>(*m_site);
  next->openedFiles.push_back(real);
  m_site = std::move(next);
}

std::set<std::string> SiteHolder::OpenedPaths() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_opened;
}

std::string EngineAddress(const std::string& address, const std::string& root) {
  if (platform::IsFileUrl(address) || (!address.empty() && address.front() == '/')) {
    std::string uri = platform::PathToDocUri(address, root);
    if (!uri.empty()) return uri;
  }
  if (!address.empty() && address.front() == '/') return platform::PathToFileUrl(address);
  return address;
}

std::string LocalAddress(const std::string& engineUrl, const std::string& root) {
  if (!platform::IsDocUri(engineUrl) && !platform::IsOpenedFileUri(engineUrl)) return engineUrl;
  std::string url = platform::DocUriToFileUrl(engineUrl, root);
  return url.empty() ? engineUrl : url;
}

std::string LinkTargetText(const std::string& engineUrl, const std::string& root) {
  const std::string local = LocalAddress(engineUrl, root);
  if (!platform::IsFileUrl(local)) return engineUrl;
  std::string path = platform::FileUrlToPath(local);
  if (!root.empty() && path.size() > root.size() && platform::StartsWithNoCase(path, root))
    path.erase(0, root.size());
  return path;
}

}  // namespace quiro
