#include "app/core/doc_site.h"

#include <unistd.h>

#include "builder/catalogue_config.h"
#include "platform/doc_uri.h"
#include "platform/files.h"
#include "platform/paths.h"
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

}  // namespace quiro
