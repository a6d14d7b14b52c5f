#pragma once
// What watches the window from outside: the command line's --screenshot,
// --exit-after-screenshot and --report-ready, and the window tests. Nothing
// the user does goes through here.
//
// The application makes one probe and tells it when the start-up build has
// run and when the start page is ready. The probe then reports readiness on
// stderr, waits until the page is painted, saves the screenshot and ends the
// application, as the options ask. Timers it starts go with it.

#include <gtkmm.h>

#include <functional>
#include <string>

#include "app/core/command_line.h"

namespace quiro {

class CPrintController;
class PrintAllService;
struct Services;

class TestProbe : public sigc::trackable {
 public:
  /// `services`: the application's, which outlive the probe. `quit` ends
  /// the application (after the screenshot, when asked to).
  TestProbe(ViewerOptions options, Services& services, std::function<void()> quit);

  /// The window whose picture is taken and the page area inside it that must
  /// show something first. Until then no picture can be taken.
  void Watch(Gtk::Window& window, Gtk::Widget& pageArea);

  /// The start-up build has run (or failed): a start page that never finishes
  /// loading still gets its screenshot after kScreenshotDeadlineMs.
  void BuildRan();
  /// The start page and all its frames have completed, or the build asked
  /// for no page. Called once.
  void StartPageReady();

  bool HasBuildRun() const { return m_buildRan; }
  bool IsStartPageReady() const { return m_startPageReady; }
  /// 1 when a requested screenshot could not be saved, else 0.
  int ExitStatus() const { return m_exitStatus; }

  /// Saves a PNG of the window; false when it cannot be taken or written.
  bool SaveScreenshot(const std::string& path);
  /// True when the page area on screen holds more than one colour.
  bool ViewShowsSomething();

  // What only the window tests read: no part of the window shows these.

  /// The application's services, as the window is handed them.
  Services& GetServices() { return m_services; }
  /// Print All runs of the application, or of `service`, started and not
  /// yet ended (their closing pause included).
  int RunningPrintAllRuns() const;
  static int RunningPrintAllRuns(const PrintAllService& service);
  /// The address of the PDF Print of the controller prints now (the
  /// document being read is a PDF shown inline), or "".
  static std::string ShownPdfUrl(const CPrintController& controller);

 private:
  void TakeScreenshot();

  static constexpr int kScreenshotDeadlineMs = 20000;
  static constexpr int kPaintPollMs = 50;
  static constexpr int kPaintWaitMs = 3000;

  ViewerOptions m_options;
  Services& m_services;
  std::function<void()> m_quit;
  Gtk::Window* m_pWindow = nullptr;
  Gtk::Widget* m_pPageArea = nullptr;
  bool m_buildRan = false;
  bool m_startPageReady = false;
  bool m_screenshotTaken = false;
  int m_exitStatus = 0;
};

}  // namespace quiro
