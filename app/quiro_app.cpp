#include "app/quiro_app.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "app/doc_scheme.h"
#include "app/main_frame.h"
#include "app/quiro_doc.h"
#include "app/services.h"
#include "app/test_probe.h"
#include "app/web_engine.h"
#include "builder/catalogue_config.h"
#include "builder/site_builder.h"
#include "search/indexer.h"
#include "search/search_page.h"
#include "res/strings.h"

Glib::RefPtr<CQuiroApp> CQuiroApp::create(quiro::ViewerOptions options) {
  return Glib::RefPtr<CQuiroApp>(new CQuiroApp(std::move(options)));
}

CQuiroApp::CQuiroApp(quiro::ViewerOptions options)
    : Gtk::Application(kApplicationId, Gio::APPLICATION_NON_UNIQUE), m_options(std::move(options)) {
  // GLib takes the name once per process; until then it answers with the
  // program's name.
  const char* named = g_get_application_name();
  if (named == nullptr || named == g_get_prgname())
    Glib::set_application_name(quiro::res::LoadString(quiro::res::IDS_APP_TITLE));
  m_build = [](const ShowPageFn& showPage) { ::BuildSite(showPage); };
  m_services = std::make_unique<quiro::Services>();
  m_probe = std::make_unique<quiro::TestProbe>(m_options, *m_services, [this] { quit(); });
  // Print All runs still going end with the application.
  signal_shutdown().connect([this] { m_services->printAll.StopAll(); });
}

CQuiroApp::~CQuiroApp() {
  for (sigc::connection& c : m_viewConnections) c.disconnect();
  // No new search page is made from the index; its thread ends (after the
  // page it is reading) before the application goes. A page being made on a
  // worker keeps the index until it is done.
  m_services->scheme.SetSearchHandler(nullptr);
  if (m_searchIndexer) m_searchIndexer->Stop();
  m_searchIndexer.reset();
}

void CQuiroApp::on_activate() {
  if (m_initialised) {
    if (m_pMainWnd) m_pMainWnd->present();
    return;
  }
  m_initialised = true;
  if (!InitInstance()) quit();
}

bool CQuiroApp::InitInstance() {
  // Every window and dialog shows the program's icon. The installed hicolor
  // theme has it, and so does the resource bundle under this application's
  // resource path, which GTK adds to the icon theme at start-up.
  Gtk::Window::set_default_icon_name(kApplicationId);
  m_pDocument = std::make_unique<CQuiroDoc>();
  if (!m_pDocument->OnNewDocument()) return false;
  // The site as it is before the build; the build's end makes it anew. The
  // engine's sandbox reads its folders; the scheme serves it.
  m_site = std::make_shared<quiro::SiteHolder>();
  quiro::SetUpSharedWebContext(*m_site->Snapshot());
  quiro::CDocScheme& scheme = m_services->scheme;
  scheme.SetSite([site = m_site] { return site->Snapshot(); });
  scheme.ServeOn(quiro::SharedWebContext());
  // The index is of the root the start-up build uses.
  m_searchIndexer = std::make_shared<search::BackgroundIndexer>(
      m_site->Root(), GetIniPath(), [](const std::string& note) { std::fprintf(stderr, "%s\n", note.c_str()); });
  // The scheme's reserved page ".quiro/search?q=WORDS" is the results page.
  scheme.SetSearchHandler(
      [indexer = m_searchIndexer](const std::string& query) { return search::RenderSearchPage(*indexer, query); });
  reference();  // the RefPtr below gives this reference back when it goes
  Glib::RefPtr<Gtk::Application> self(this);
  m_pMainWnd = std::make_unique<CMainFrame>(self, *m_pDocument, m_site, *m_services);
  add_window(*m_pMainWnd);

  CQuiroView& view = m_pMainWnd->GetActiveView();
  m_probe->Watch(*m_pMainWnd, view.GetWidget());
  auto topComplete = [this] {
    if (m_startPageAsked && !m_startPageReady) OnStartPageReady();
  };
  m_viewConnections.push_back(view.signal_document_complete().connect(
      [topComplete](const std::string&, const std::string&, bool topLevel) {
        if (topLevel) topComplete();
      }));
  // A start page that cannot be loaded still ends the start-up.
  m_viewConnections.push_back(view.signal_load_failed().connect(topComplete));

  m_pMainWnd->show();
  // Keys (arrows, Page Down) go to the page from the start.
  view.GetWidget().grab_focus();
  ScheduleBuildAfterFirstDraw();
  return true;
}

// The window is on screen and drawn before the build starts; the build runs
// before the main loop handles any input (a high-priority idle goes ahead of
// the display's events). A draw counts only once the display server has
// reported the window mapped: what is drawn before that never reaches the
// screen.
void CQuiroApp::ScheduleBuildAfterFirstDraw() {
  auto mapped = std::make_shared<bool>(false);
  auto mapConnection = std::make_shared<sigc::connection>();
  *mapConnection = m_pMainWnd->signal_map_event().connect(
      [mapped, mapConnection](GdkEventAny*) {
        *mapped = true;
        mapConnection->disconnect();
        return false;
      },
      false);
  auto drawConnection = std::make_shared<sigc::connection>();
  *drawConnection = m_pMainWnd->signal_draw().connect(
      [this, mapped, drawConnection](const Cairo::RefPtr<Cairo::Context>&) {
        if (!*mapped || m_buildScheduled) return false;
        drawConnection->disconnect();
        m_buildScheduled = true;
        Glib::signal_idle().connect_once(
            [this] {
              gdk_display_sync(gdk_display_get_default());
              BuildSite();
            },
            Glib::PRIORITY_HIGH);
        return false;
      },
      true);
}

void CQuiroApp::BuildSite() {
  // The site is made once the build has ended, before the start page is
  // asked for: what the build wrote (the per-user page folder among it)
  // counts from then on.
  bool made = false;
  auto makeSite = [this, &made] {
    if (made) return;
    made = true;
    m_site->Reread();
  };
  ShowPageFn showPage = [this, makeSite](const std::string& path) {
    makeSite();
    m_startPageAsked = true;
    m_pMainWnd->GetActiveView().Navigate2(path);
  };
  try {
    m_build(showPage);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quiro: the site could not be built: %s\n", e.what());
  }
  makeSite();
  m_probe->BuildRan();
  // A skipped start-up asks for no page: the empty view is the start page.
  if (!m_startPageAsked) OnStartPageReady();
}

void CQuiroApp::OnStartPageReady() {
  if (m_startPageReady) return;
  m_startPageReady = true;
  m_probe->StartPageReady();
  StartSearchIndexer();
}

// The index is brought up to date behind the start page: the thread starts a
// moment after the page is ready, once the engine has painted it, and runs
// below the window's priority.
void CQuiroApp::StartSearchIndexer() {
  if (std::getenv("QUIRO_NO_SEARCH_INDEX")) return;
  Glib::signal_timeout().connect_once(sigc::track_obj([this] { m_searchIndexer->Start(); }, *this),
                                      kSearchIndexDelayMs, Glib::PRIORITY_LOW);
}

int CQuiroApp::GetExitStatus() const { return m_probe->ExitStatus(); }
