#pragma once
// The program's URI scheme in the browser: "quiro://doc/..." serves the
// document root (platform/doc_request.h decides what; this class only
// answers WebKit). Registered once on the web context that the main view,
// plain windows and the hidden print views share.

#include <webkit2/webkit2.h>

#include <functional>
#include <string>

#include "platform/doc_request.h"

namespace quiro {

class CDocScheme {
 public:
  using SiteFn = std::function<platform::DocSite()>;
  using SearchFn = std::function<std::string(const std::string& query)>;

  /// Registers the scheme on `context` (the first call per context only):
  /// secure, so that pages of the scheme may use what secure pages may,
  /// and not local, which would make sibling frames cross-origin. `site`
  /// names the folders afresh for every request.
  static void Register(WebKitWebContext* context, SiteFn site);

  /// Lets quiro://file/ serve the page `path`, outside the document root,
  /// that the user opened into a frame, and to that page the files in its
  /// folder and below.
  static void AllowOpenedPage(const std::string& path);

  /// The HTML of the reserved page ".quiro/search?q=WORDS", made from the
  /// decoded words. Until one is set, a page saying search is not available.
  static void SetSearchHandler(SearchFn search);
};

}  // namespace quiro
