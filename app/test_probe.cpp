#include "app/test_probe.h"

#include <cstdio>
#include <memory>

#include "app/print_controller.h"
#include "app/services.h"

namespace quiro {

TestProbe::TestProbe(ViewerOptions options, Services& services, std::function<void()> quit)
    : m_options(std::move(options)), m_services(services), m_quit(std::move(quit)) {}

void TestProbe::Watch(Gtk::Window& window, Gtk::Widget& pageArea) {
  m_pWindow = &window;
  m_pPageArea = &pageArea;
}

void TestProbe::BuildRan() {
  m_buildRan = true;
  if (!m_options.screenshotPath.empty())
    Glib::signal_timeout().connect_once(sigc::mem_fun(*this, &TestProbe::TakeScreenshot), kScreenshotDeadlineMs);
}

void TestProbe::StartPageReady() {
  if (m_startPageReady) return;
  m_startPageReady = true;
  if (m_options.reportReady) {
    std::fprintf(stderr, "quiro: ready monotonic_us=%lld\n", static_cast<long long>(g_get_monotonic_time()));
    std::fflush(stderr);
  }
  if (m_options.screenshotPath.empty()) return;
  // The engine puts the finished page on screen a little later: wait until
  // the page area shows something, then a little more for the rest.
  // A page that stays blank is taken after kPaintWaitMs.
  auto waited = std::make_shared<int>(0);
  Glib::signal_timeout().connect(
      sigc::track_obj(
          [this, waited] {
            *waited += kPaintPollMs;
            if (ViewShowsSomething() || *waited >= kPaintWaitMs) {
              Glib::signal_timeout().connect_once(sigc::mem_fun(*this, &TestProbe::TakeScreenshot),
                                                  4 * kPaintPollMs);
              return false;
            }
            return true;
          },
          *this),
      kPaintPollMs);
}

bool TestProbe::ViewShowsSomething() {
  if (m_pPageArea == nullptr) return false;
  Gtk::Widget& view = *m_pPageArea;
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

void TestProbe::TakeScreenshot() {
  if (m_screenshotTaken) return;
  m_screenshotTaken = true;
  if (!SaveScreenshot(m_options.screenshotPath)) {
    std::fprintf(stderr, "quiro: cannot save a screenshot to %s\n", m_options.screenshotPath.c_str());
    m_exitStatus = 1;
  }
  if (m_options.exitAfterScreenshot && m_quit) m_quit();
}

bool TestProbe::SaveScreenshot(const std::string& path) {
  if (m_pWindow == nullptr) return false;
  Glib::RefPtr<Gdk::Window> window = m_pWindow->get_window();
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

std::string TestProbe::ShownPdfUrl(const CPrintController& controller) { return controller.PdfBeingRead(); }

int TestProbe::RunningPrintAllRuns() const { return RunningPrintAllRuns(m_services.printAll); }

// TestProbe::RunningPrintAllRuns(const PrintAllService&) is defined in
// print_worker.cpp, which alone knows the runs.

}  // namespace quiro
