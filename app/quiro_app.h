#pragma once
// The application object: one window, one document, one view. On activation
// it shows the window and, once the window has been drawn and before any
// input is handled, builds the documentation site; the build ends by asking
// the view to show the site's start page.

#include <gtkmm.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/core/command_line.h"
#include "app/core/doc_site.h"

class CMainFrame;
class CQuiroDoc;
namespace quiro {
struct Services;
class TestProbe;
}
namespace search {
class BackgroundIndexer;
}


class CQuiroApp : public Gtk::Application {
 public:
  /// Shows a page: the view navigates to `path` (a local path) in the whole view.
  using ShowPageFn = std::function<void(const std::string& path)>;
  /// Runs the start-up build; calls showPage at most once, at its end.
  using BuildFn = std::function<void(const ShowPageFn& showPage)>;

  /// The application id: the desktop entry, the AppStream metadata and the
  /// icon are named after it, and the window's icon is the icon of that name.
  static constexpr const char* kApplicationId = "org.quiro.Quiro";

  static Glib::RefPtr<CQuiroApp> create(quiro::ViewerOptions options = {});
  ~CQuiroApp() override;

  /// Replaces the start-up build (the site builder by default).
  void SetBuildFunction(BuildFn build) { m_build = std::move(build); }

  /// The start-up sequence, run once on the first activation. Returns false
  /// when the application cannot start.
  bool InitInstance();

  /// Runs the start-up build and, unless it skips this start-up, lets the
  /// view show the start page.
  void BuildSite();

  CMainFrame* GetMainWnd() { return m_pMainWnd.get(); }
  CQuiroDoc* GetDocument() { return m_pDocument.get(); }

  /// What the command line's --screenshot and --report-ready and the window
  /// tests watch: whether the build has run and the start page is ready, and
  /// the window's picture.
  quiro::TestProbe& GetProbe() { return *m_probe; }

  /// The full-text index of the document root (set up by InitInstance, so
  /// never null after it), opened and updated on a thread of its own once
  /// the start page is ready; $QUIRO_NO_SEARCH_INDEX keeps it from starting.
  /// The search page is rendered from it (search::RenderSearchPage).
  search::BackgroundIndexer* GetSearchIndexer() { return m_searchIndexer.get(); }

  /// 1 when a requested screenshot could not be saved, else 0.
  int GetExitStatus() const;

 protected:
  explicit CQuiroApp(quiro::ViewerOptions options);
  void on_activate() override;

 private:
  void ScheduleBuildAfterFirstDraw();
  void OnStartPageReady();
  void StartSearchIndexer();

  static constexpr int kSearchIndexDelayMs = 1000;  // from the start page's ready to the indexer's start

  quiro::ViewerOptions m_options;
  BuildFn m_build;
  // What the window is handed and the probe watches; before both, which use it.
  std::unique_ptr<quiro::Services> m_services;
  std::unique_ptr<quiro::TestProbe> m_probe;
  // The document site the window shows and the scheme serves: set up by
  // InitInstance, made anew when the site has been built. Before the window,
  // which shows it.
  std::shared_ptr<quiro::SiteHolder> m_site;
  std::unique_ptr<CQuiroDoc> m_pDocument;
  std::unique_ptr<CMainFrame> m_pMainWnd;
  // Shared with the search pages being made on the scheme's workers.
  std::shared_ptr<search::BackgroundIndexer> m_searchIndexer;
  bool m_initialised = false;
  bool m_buildScheduled = false;
  bool m_startPageAsked = false;
  bool m_startPageReady = false;
  std::vector<sigc::connection> m_viewConnections;
};
