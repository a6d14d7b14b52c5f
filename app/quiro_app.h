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

class CMainFrame;
class CQuiroDoc;


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

  /// True once the start page and all its frames have completed, or the
  /// build has finished without asking for a page.
  bool IsStartPageReady() const { return m_startPageReady; }
  bool HasBuildRun() const { return m_buildDone; }
  /// Emitted once, when IsStartPageReady becomes true.
  sigc::signal<void()>& signal_start_page_ready() { return m_readySignal; }

  /// Saves a PNG of the main window; false when it cannot be taken or written.
  bool SaveScreenshot(const std::string& path);

  /// True when the browser area on screen holds more than one colour.
  bool ViewShowsSomething();

  /// 1 when a requested screenshot could not be saved, else 0.
  int GetExitStatus() const { return m_exitStatus; }

 protected:
  explicit CQuiroApp(quiro::ViewerOptions options);
  void on_activate() override;

 private:
  void ScheduleBuildAfterFirstDraw();
  void OnStartPageReady();
  void TakeScreenshot();

  static constexpr int kScreenshotDeadlineMs = 20000;
  static constexpr int kPaintPollMs = 50;
  static constexpr int kPaintWaitMs = 3000;

  quiro::ViewerOptions m_options;
  BuildFn m_build;
  std::unique_ptr<CQuiroDoc> m_pDocument;
  std::unique_ptr<CMainFrame> m_pMainWnd;
  bool m_initialised = false;
  bool m_buildScheduled = false;
  bool m_buildDone = false;
  bool m_startPageAsked = false;
  bool m_startPageReady = false;
  bool m_screenshotTaken = false;
  int m_exitStatus = 0;
  sigc::signal<void()> m_readySignal;
  std::vector<sigc::connection> m_viewConnections;
};
