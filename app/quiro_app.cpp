#include "app/quiro_app.h"

#include <cstdio>
#include <exception>

#include "app/main_frame.h"
#include "app/quiro_doc.h"
#include "builder/site_builder.h"
#include "res/strings.h"

Glib::RefPtr<CQuiroApp> CQuiroApp::create(quiro::ViewerOptions options) {
  return Glib::RefPtr<CQuiroApp>(new CQuiroApp(std::move(options)));
}

CQuiroApp::CQuiroApp(quiro::ViewerOptions options)
    : Gtk::Application(kApplicationId, Gio::APPLICATION_NON_UNIQUE), m_options(std::move(options)) {
  static bool named = false;  // GLib takes the name once per process
  if (!named) Glib::set_application_name(quiro::res::LoadString(quiro::res::IDS_APP_TITLE));
  named = true;
  m_build = [](const ShowPageFn& showPage) { ::BuildSite(showPage); };
}

CQuiroApp::~CQuiroApp() {
  for (sigc::connection& c : m_viewConnections) c.disconnect();
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
  reference();  // the RefPtr below gives this reference back when it goes
  Glib::RefPtr<Gtk::Application> self(this);
  m_pMainWnd = std::make_unique<CMainFrame>(self, *m_pDocument);
  add_window(*m_pMainWnd);

  CQuiroView& view = m_pMainWnd->GetActiveView();
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
  ShowPageFn showPage = [this](const std::string& path) {
    m_startPageAsked = true;
    m_pMainWnd->GetActiveView().Navigate2(path);
  };
  try {
    m_build(showPage);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quiro: the site could not be built: %s\n", e.what());
  }
  m_buildDone = true;
  // A skipped start-up asks for no page: the empty view is the start page.
  if (!m_startPageAsked) OnStartPageReady();
  // A start page that never finishes loading still gets its screenshot.
  // (Timers that call back into the application go with it.)
  if (!m_options.screenshotPath.empty())
    Glib::signal_timeout().connect_once(sigc::mem_fun(*this, &CQuiroApp::TakeScreenshot),
                                        kScreenshotDeadlineMs);
}

void CQuiroApp::OnStartPageReady() {
  if (m_startPageReady) return;
  m_startPageReady = true;
  if (m_options.reportReady) {
    std::fprintf(stderr, "quiro: ready monotonic_us=%lld\n", static_cast<long long>(g_get_monotonic_time()));
    std::fflush(stderr);
  }
  m_readySignal.emit();
  if (m_options.screenshotPath.empty()) return;
  // The engine puts the finished page on screen a little later: wait until
  // the browser area shows something, then a little more for the rest.
  // A page that stays blank is taken after kPaintWaitMs.
  auto waited = std::make_shared<int>(0);
  Glib::signal_timeout().connect(
      sigc::track_obj(
          [this, waited] {
            *waited += kPaintPollMs;
            if (ViewShowsSomething() || *waited >= kPaintWaitMs) {
              Glib::signal_timeout().connect_once(sigc::mem_fun(*this, &CQuiroApp::TakeScreenshot),
                                                  4 * kPaintPollMs);
              return false;
            }
            return true;
          },
          *this),
      kPaintPollMs);
}

bool CQuiroApp::ViewShowsSomething() {
  if (!m_pMainWnd) return false;
  Gtk::Widget& view = m_pMainWnd->GetActiveView().GetWidget();
  Glib::RefPtr<Gdk::Window> window = view.get_window();
  if (!window || !view.get_mapped()) return false;
  Gtk::Allocation a = view.get_allocation();
  if (a.get_width() <= 0 || a.get_height() <= 0) return false;
  gdk_display_sync(gdk_display_get_default());
  Glib::RefPtr<Gdk::Pixbuf> shot;
  try {
    shot = Gdk::Pixbuf::create(window, a.get_x(), a.get_y(), a.get_width(), a.get_height());
  } catch (const Glib::Error&) {
    return false;
  }
  if (!shot || shot->get_n_channels() < 3) return false;
  const guint8* pixels = shot->get_pixels();
  const guint8* first = pixels;
  for (int y = 0; y < shot->get_height(); y += 4)
    for (int x = 0; x < shot->get_width(); x += 4) {
      const guint8* p = pixels + y * shot->get_rowstride() + x * shot->get_n_channels();
      if (p[0] != first[0] || p[1] != first[1] || p[2] != first[2]) return true;
    }
  return false;
}

void CQuiroApp::TakeScreenshot() {
  if (m_screenshotTaken) return;
  m_screenshotTaken = true;
  if (!SaveScreenshot(m_options.screenshotPath)) {
    std::fprintf(stderr, "quiro: cannot save a screenshot to %s\n", m_options.screenshotPath.c_str());
    m_exitStatus = 1;
  }
  if (m_options.exitAfterScreenshot) quit();
}

bool CQuiroApp::SaveScreenshot(const std::string& path) {
  if (!m_pMainWnd) return false;
  Glib::RefPtr<Gdk::Window> window = m_pMainWnd->get_window();
  if (!window) return false;
  gdk_display_sync(gdk_display_get_default());
  try {
    Glib::RefPtr<Gdk::Pixbuf> shot =
        Gdk::Pixbuf::create(window, 0, 0, window->get_width(), window->get_height());
    if (!shot) return false;
    shot->save(path, "png");
    return true;
  } catch (const Glib::Error&) {
    return false;
  }
}
