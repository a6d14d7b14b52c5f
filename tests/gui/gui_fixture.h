#pragma once
// Shared set-up of the window tests: a temporary document root with a small
// frameset site, the environment pointed at it, the real application object
// activated without running its loop, and bounded main-loop waits.

#include <gtest/gtest.h>
#include <gtkmm.h>
#include <sys/stat.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/external_viewer.h"
#include "app/main_frame.h"
#include "app/quiro_app.h"
#include "app/quiro_view.h"
#include "app/test_probe.h"
#include "app/web_engine.h"
#include "common/temp_dir.h"
#include "platform/paths.h"
#include "run_until.h"

namespace gui_test {

// Warnings and criticals of the toolkit and the engine fail the test.
inline std::vector<std::string>& LoggedProblems() {
  static std::vector<std::string> problems;
  return problems;
}

inline GLogWriterOutput RecordingWriter(GLogLevelFlags level, const GLogField* fields, gsize n, gpointer) {
  if (level & (G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_ERROR)) {
    std::string domain, message;
    for (gsize i = 0; i < n; ++i) {
      if (std::string_view(fields[i].key) == "GLIB_DOMAIN" && fields[i].length < 0)
        domain = static_cast<const char*>(fields[i].value);
      if (std::string_view(fields[i].key) == "MESSAGE" && fields[i].length < 0)
        message = static_cast<const char*>(fields[i].value);
    }
    LoggedProblems().push_back(domain + ": " + message);
  }
  return g_log_writer_default(level, fields, n, nullptr);
}

/// Evaluates `script` in the top document and returns its result as text
/// ("" on error). The loop runs while it waits.
inline std::string Eval(WebKitWebView* view, const std::string& script, int timeoutMs = 5000) {
  struct State {
    bool done = false;
    std::string value;
  } state;
  webkit_web_view_evaluate_javascript(
      view, script.c_str(), -1, nullptr, nullptr, nullptr,
      [](GObject* source, GAsyncResult* result, gpointer data) {
        auto* s = static_cast<State*>(data);
        GError* error = nullptr;
        JSCValue* v = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
        if (v) {
          char* text = jsc_value_to_string(v);
          s->value = text ? text : "";
          g_free(text);
          g_object_unref(v);
        }
        if (error) g_error_free(error);
        s->done = true;
      },
      &state);
  RunUntil([&] { return state.done; }, timeoutMs);
  return state.value;
}

/// Waits until what was asked before has been handled: the engine of `view`
/// (when given) has answered a script sent after it, and the main loop has
/// nothing ready to run.
inline void Settle(WebKitWebView* view = nullptr) {
  if (view != nullptr) Eval(view, "true");
  RunUntil([] { return !g_main_context_pending(nullptr); }, 2000);
}

/// Output folder for pictures a person may want to look at.
inline std::string OutputPath(const std::string& name) {
  std::filesystem::create_directories(QUIRO_GUI_TEST_OUTPUT);
  return std::string(QUIRO_GUI_TEST_OUTPUT) + "/" + name;
}

// A one-page PDF with the word "Manual".
inline std::string TinyPdf() {
  std::string objs[] = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 200] /Contents 4 0 R "
      "/Resources << /Font << /F1 5 0 R >> >> >>",
      "<< /Length 40 >>\nstream\nBT /F1 24 Tf 40 100 Td (Manual) Tj ET\nendstream",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
  };
  std::string pdf = "%PDF-1.4\n";
  std::vector<size_t> offsets;
  for (int i = 0; i < 5; ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objs[i] + "\nendobj\n";
  }
  size_t xref = pdf.size();
  pdf += "xref\n0 6\n0000000000 65535 f \n";
  for (size_t off : offsets) {
    char line[32];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", off);
    pdf += line;
  }
  pdf += "trailer\n<< /Size 6 /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

class WindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static std::once_flag once;
    std::call_once(once, [] { g_log_set_writer_func(RecordingWriter, nullptr, nullptr); });
  }

  void SetUp() override {
    LoggedProblems().clear();
    originalDir_ = std::filesystem::current_path().string();
    setenv("VESK_DRIVE_C", (dir_ / "drivec").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (dir_ / "cache").c_str(), 1);  // the search index
    setenv("XDG_STATE_HOME", (dir_ / "state").c_str(), 1);
    dir_.MakeDir("drivec");
    dir_.MakeDir("config");
    // The web process sandbox keeps its sockets in a private runtime folder.
    // It outlives the test: the session's accessibility bus, started by the
    // first test under the one X server, keeps its socket there, and every
    // sandbox after it maps that socket in.
    std::filesystem::create_directories(QUIRO_GUI_TEST_RUNTIME);
    chmod(QUIRO_GUI_TEST_RUNTIME, 0700);
    setenv("XDG_RUNTIME_DIR", QUIRO_GUI_TEST_RUNTIME, 1);
    std::filesystem::current_path(dir_.path());
    root_ = dir_.root() + "docs/";
  }

  void TearDown() override {
    if (app_) {
      app_->quit();
      if (CMainFrame* frame = app_->GetMainWnd()) frame->hide();
      Settle();
    }
    std::filesystem::current_path(originalDir_);
    EXPECT_TRUE(LoggedProblems().empty()) << "first: " << LoggedProblems().front();
  }

  /// The small site: a frameset with a sidebar and a "content" frame, pages
  /// with and without bordered tables, a PDF, a compiled-help target and a
  /// search page. AutoRebuild=0: the start-up only shows DocFrame.htm.
  void WriteSmallSite(const std::string& folder = "docs") {
    root_ = dir_.root() + folder + "/";
    dir_.Write("TOVY.INI", "[MAIN]\r\nDocumentRoot=" + folder + "\r\nAutoRebuild=0\r\n");
    dir_.Write(folder + "/DocFrame.htm",
               "<html><head><title>Small Site</title></head>\n"
               "<frameset cols=\"200,*\"><frame name=\"sidebar\" src=\"side.htm\">\n"
               "<frame name=\"content\" src=\"page1.htm\"></frameset></html>\n");
    dir_.Write(folder + "/side.htm",
               "<html><head><title>Side</title></head><body>\n"
               "<script>window.addEventListener('message', function(e) {\n"
               "  document.getElementById(e.data).click(); });</script>\n"
               "<a id=\"two\" href=\"page2.htm\" target=\"content\">Two</a>\n"
               "<a id=\"pdf\" href=\"doc.pdf\" target=\"content\">PDF</a>\n"
               "<a id=\"chm\" href=\"help.chm#intro\" target=\"content\">Help</a>\n"
               "<a id=\"blank\" href=\"page2.htm\" target=\"_blank\">New</a>\n"
               "<a id=\"hlp\" href=\"old.hlp\" target=\"content\">Old help</a>\n"
               "<a id=\"web\" href=\"https://www.example.com/support\" target=\"_blank\">Web</a>\n"
               "<a id=\"newhelp\" href=\"gohelp.htm\" target=\"_blank\">Help in a new window</a>\n"
               "</body></html>\n");
    dir_.Write(folder + "/page1.htm",
               "<html><head><title>Page One</title></head><body>\n"
               "<p id=\"t\" style=\"font-size:20px\">Some text to measure</p>\n</body></html>\n");
    dir_.Write(folder + "/page2.htm",
               "<html><head><title>Page Two</title></head><body>\n<p>Before</p>\n"
               "<table border=\"1\"><tr><td>cell</td></tr></table>\n"
               // Tells the test what the browser read: "breaks=yes" when the
               // page-break blocks were in the page it was given.
               "<script>window.webkit.messageHandlers.quiroTest.postMessage({kind: 'load', name: 'probe',\n"
               "  top: false, href: 'breaks=' +\n"
               "  (document.documentElement.outerHTML.indexOf('page-break-' + 'before') >= 0 ? 'yes' : 'no')});\n"
               "</script>\n</body></html>\n");
    dir_.Write(folder + "/Search.htm", "<html><head><title>Search</title></head><body>Find</body></html>\n");
    dir_.Write(folder + "/doc.pdf", TinyPdf());
    dir_.Write(folder + "/help.chm", "ITSF");
    dir_.Write(folder + "/old.hlp", "?_");
    dir_.Write(folder + "/gohelp.htm",
               "<html><head><title>Going</title></head><body>\n"
               "<script>window.addEventListener('load', function() { location.href = 'help.chm'; });</script>\n"
               "<a id=\"go\" href=\"help.chm\">Help</a>\n"
               "</body></html>\n");
  }

  /// Creates and activates the application (window shown, build scheduled).
  void StartApp(CQuiroApp::BuildFn build = nullptr) {
    app_ = CQuiroApp::create();
    if (build) app_->SetBuildFunction(std::move(build));
    ASSERT_TRUE(app_->register_application());
    app_->activate();
    ASSERT_NE(app_->GetMainWnd(), nullptr);
    View().signal_document_complete().connect(
        [this](const std::string& frame, const std::string& url, bool) { completed_[frame] = url; });
    // Test pages tell what they saw through a handler of their own, in the
    // pages' script world (the program's handlers are out of their reach):
    // what they post counts as a completed document of that name.
    WebKitUserContentManager* content = webkit_web_view_get_user_content_manager(Web());
    webkit_user_content_manager_register_script_message_handler(content, kTestHandler);
    g_signal_connect(content, (std::string("script-message-received::") + kTestHandler).c_str(),
                     G_CALLBACK(+[](WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer self) {
                       quiro::FrameReport report;
                       if (quiro::ReadFrameReport(result, report))
                         static_cast<WindowTest*>(self)->completed_[report.name] = report.href;
                     }),
                     this);
  }

  static constexpr const char* kTestHandler = "quiroTest";

  /// Starts the application and waits until the start page and its frames
  /// have completed.
  void StartAndWaitReady() {
    StartApp();
    ASSERT_TRUE(RunUntil([&] { return app_->GetProbe().IsStartPageReady(); })) << "start page never completed";
  }

  CMainFrame& Frame() { return *app_->GetMainWnd(); }
  /// The application's Print All runs not yet ended.
  int RunningPrintAllRuns() { return app_->GetProbe().RunningPrintAllRuns(); }

  /// The windows besides the main one that show a page (plain windows),
  /// on the screen yet or not.
  int PlainWindowCount() {
    int n = 0;
    for (Gtk::Window* w : Gtk::Window::list_toplevels())
      if (w != app_->GetMainWnd() && w->get_child() != nullptr && WEBKIT_IS_WEB_VIEW(w->get_child()->gobj())) ++n;
    return n;
  }

  /// The window on the screen with caption `title`, or nullptr.
  static Gtk::Window* ShownWindowTitled(const std::string& title) {
    for (Gtk::Window* w : Gtk::Window::list_toplevels())
      if (w->get_visible() && w->get_title() == title) return w;
    return nullptr;
  }
  CQuiroView& View() { return Frame().GetActiveView(); }
  WebKitWebView* Web() { return View().GetWebView(); }

  /// Waits until the last document completed in frame `frame` ("" for the
  /// top document) has an address ending in `suffix`.
  bool WaitForFrameLocation(const std::string& frame, const std::string& suffix, int timeoutMs = 8000) {
    return RunUntil([&] { return EndsWith(LastCompleted(frame), suffix); }, timeoutMs);
  }

  /// Address of the last document completed in `frame` ("" when none).
  std::string LastCompleted(const std::string& frame) const {
    auto it = completed_.find(frame);
    return it == completed_.end() ? std::string() : it->second;
  }

  static bool EndsWith(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
  }

  /// Presses and releases `keyval` with `modifiers` on the main window, as the
  /// keyboard would: the key goes to the accelerators and the focus widget.
  void Press(guint keyval, guint modifiers = 0) {
    GdkKeymapKey* keys = nullptr;
    gint n = 0;
    gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(gdk_display_get_default()), keyval, &keys, &n);
    guint16 code = n > 0 ? static_cast<guint16>(keys[0].keycode) : 0;
    g_free(keys);
    for (GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
      GdkEvent* key = gdk_event_new(type);
      key->key.window = GDK_WINDOW(g_object_ref(Frame().get_window()->gobj()));
      key->key.keyval = keyval;
      key->key.state = modifiers;
      key->key.hardware_keycode = code;
      key->key.time = GDK_CURRENT_TIME;
      gdk_event_set_device(key, gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())));
      gtk_main_do_event(key);
      gdk_event_free(key);
    }
  }

  /// Clicks the element with id `id` in frame `frame`. Frames of file pages
  /// cannot reach each other's documents; the site's frames click on request
  /// of a posted message instead.
  void Click(const std::string& frame, const std::string& id) {
    Eval(Web(), "window.frames['" + frame + "'].postMessage('" + id + "', '*'); true");
  }

  std::map<std::string, std::string> completed_;
  testing_support::TempDir dir_;
  std::string root_;
  std::string originalDir_;
  Glib::RefPtr<CQuiroApp> app_;
};

}  // namespace gui_test
