#pragma once
// The program's URI scheme in the browser: "quiro://doc/..." serves the
// document root (platform/doc_request.h decides what; this class only
// answers WebKit). Registered once on the web context that the main view,
// plain windows and the hidden print views share.

#include <webkit2/webkit2.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/doc_request.h"

namespace quiro {

class CDocScheme {
 public:
  /// The site a request is answered from (its folders and opened files).
  using SiteFn = std::function<std::shared_ptr<const platform::DocSite>()>;
  using SearchFn = std::function<std::string(const std::string& query)>;

  /// Registers the scheme on `context` (the first call per context only):
  /// secure, so that pages of the scheme may use what secure pages may,
  /// and not local, which would make sibling frames cross-origin. `site`
  /// is asked for every request while no SetSite() source is set (views
  /// made without the application).
  static void Register(WebKitWebContext* context, SiteFn site);

  /// The site of the running application, which replaces the registered
  /// source until it is set to nullptr again.
  static void SetSite(SiteFn site);

  /// The HTML of the reserved page ".quiro/search?q=WORDS", made from the
  /// decoded words. Until one is set, a page saying search is not available.
  static void SetSearchHandler(SearchFn search);
};

}  // namespace quiro
