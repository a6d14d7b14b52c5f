#pragma once
// The program's URI scheme in the browser: "quiro://doc/..." serves the
// document root (platform/doc_request.h decides what; this class only
// answers WebKit). Registered once on the web context that the main view,
// plain windows and the hidden print views share; the application owns the
// handler that answers there while it runs.

#include <webkit2/webkit2.h>

#include <functional>
#include <memory>
#include <string>

#include "app/gobject_ptr.h"
#include "platform/doc_request.h"

namespace quiro {

class CDocScheme {
 public:
  /// The site a request is answered from (its folders and opened files).
  using SiteFn = std::function<std::shared_ptr<const platform::DocSite>()>;
  using SearchFn = std::function<std::string(const std::string& query)>;

  /// A handler answering from `site`, asked for every request (an empty
  /// site until one is given).
  explicit CDocScheme(SiteFn site = nullptr);
  /// The context it served goes back to its fallback handler.
  ~CDocScheme();
  CDocScheme(const CDocScheme&) = delete;
  CDocScheme& operator=(const CDocScheme&) = delete;

  /// Registers the scheme on `context` (the first call per context only):
  /// secure, so that pages of the scheme may use what secure pages may,
  /// and not local, which would make sibling frames cross-origin. The
  /// context keeps a fallback handler answering from `fallbackSite`, for
  /// views made while no handler serves it (views made without the
  /// application).
  static void Register(WebKitWebContext* context, SiteFn fallbackSite);

  /// Answers the scheme on `context` from now on, registering it there
  /// first when needed, until this handler goes or another one serves it.
  void ServeOn(WebKitWebContext* context);

  /// The site requests are answered from from now on.
  void SetSite(SiteFn site);

  /// The HTML of the reserved page ".quiro/search?q=WORDS", made from the
  /// decoded words. Until one is set, a page saying search is not available.
  void SetSearchHandler(SearchFn search);

  /// What one handler answers from; requests on their way keep it.
  struct State;

 private:
  std::shared_ptr<State> m_state;
  GWeakPtr<WebKitWebContext> m_context;  // the context served, while it lives
};

}  // namespace quiro
