#include "app/quiro_view.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

#include "app/core/doc_site.h"
#include "app/core/navigation_check.h"
#include "app/core/open_filter.h"
#include "app/external_viewer.h"
#include "app/gobject_ptr.h"
#include "app/web_engine.h"
#include "platform/doc_request.h"
#include "platform/doc_uri.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "res/strings.h"

namespace {

// The fragment of the address under which the page that stands for a gone
// web process is shown.
constexpr std::string_view kGoneFragment = "#quiro-web-process-gone";

// The address the engine's PDF viewer is loaded from.
constexpr std::string_view kPdfViewerScheme = "webkit-pdfjs-viewer:";

// Text sizes 0-4: the factor applied to text only.
constexpr double kTextZoom[] = {0.7, 0.85, 1.0, 1.2, 1.5};

// A JavaScript string literal holding `s`; every byte that could end the
// literal or the script is escaped.
std::string JsString(const std::string& s) {
  std::string out = "'";
  for (unsigned char c : s) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
        std::string_view(" :/._-~%?#=&,;+!*()@$").find(static_cast<char>(c)) != std::string_view::npos) {
      out += static_cast<char>(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", c);
      out += buf;
    }
  }
  return out + "'";
}

struct FrameNavigation {
  quiro::GObjectPtr<WebKitWebView> view;
  std::string uri;
  quiro::ViewLinks links;
};

// When the script that targets a frame cannot run (no page yet, or a page
// that runs no scripts), the address opens in a window of its own, as a link
// to a frame that does not exist would.
void FrameNavigationDone(GObject* source, GAsyncResult* result, gpointer data) {
  const std::unique_ptr<FrameNavigation> nav(static_cast<FrameNavigation*>(data));
  quiro::CGError error;
  const quiro::GObjectPtr<JSCValue> value(
      webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, error.Out()));
  if (error) {
    WebKitWebView* plain = quiro::OpenPlainWindow(nav->view.get(), nav->links);
    webkit_web_view_load_uri(plain, nav->uri.c_str());
    gtk_widget_show_all(gtk_widget_get_toplevel(GTK_WIDGET(plain)));
  }
}

}  // namespace

CQuiroView::CQuiroView() : CQuiroView(std::make_shared<quiro::SiteHolder>()) {}

CQuiroView::CQuiroView(std::shared_ptr<quiro::SiteHolder> site)
    : m_site(std::move(site)), m_webView(quiro::NewBrowserView()) {
  WebKitUserContentManager* content = webkit_web_view_get_user_content_manager(m_webView.get());
  g_signal_connect(content, (std::string("script-message-received::") + quiro::kFrameReportHandler).c_str(),
                   G_CALLBACK(MessageThunk), this);
  WebKitSettings* settings = webkit_web_view_get_settings(m_webView.get());
  webkit_settings_set_zoom_text_only(settings, TRUE);

  g_signal_connect(m_webView.get(), "decide-policy", G_CALLBACK(DecidePolicyThunk), this);
  g_signal_connect(m_webView.get(), "notify::title", G_CALLBACK(TitleThunk), this);
  g_signal_connect(m_webView.get(), "notify::is-loading", G_CALLBACK(HistoryLoadingThunk), this);
  g_signal_connect(m_webView.get(), "load-changed", G_CALLBACK(LoadChangedThunk), this);
  g_signal_connect(m_webView.get(), "create", G_CALLBACK(CreateThunk), this);
  g_signal_connect(m_webView.get(), "mouse-target-changed", G_CALLBACK(MouseTargetThunk), this);
  g_signal_connect(m_webView.get(), "load-failed", G_CALLBACK(LoadFailedThunk), this);
  g_signal_connect(m_webView.get(), "web-process-terminated", G_CALLBACK(WebProcessTerminatedThunk), this);
  g_signal_connect(m_webView.get(), "focus", G_CALLBACK(TabIntoViewThunk), this);
  m_pWidget = Glib::wrap(GTK_WIDGET(m_webView.get()));
}

CQuiroView::~CQuiroView() {
  *m_self = nullptr;
  g_signal_handlers_disconnect_by_data(m_webView.get(), this);
  WebKitUserContentManager* content = webkit_web_view_get_user_content_manager(m_webView.get());
  if (content) g_signal_handlers_disconnect_by_data(content, this);
}

Gtk::Window* CQuiroView::GetTopWindow() {
  GtkWidget* top = gtk_widget_get_toplevel(GTK_WIDGET(m_webView.get()));
  if (!top || !GTK_IS_WINDOW(top)) return nullptr;
  return Glib::wrap(GTK_WINDOW(top));
}

// ---- Browser operations ----

// An address as the engine takes it: pages below the document root go
// through the program's scheme, other absolute paths become file URLs.
std::string CQuiroView::ToUri(const std::string& address) const {
  return quiro::EngineAddress(address, m_site->Root());
}

void CQuiroView::Navigate2(const std::string& address, const char* targetFrame) {
  m_historySteps.Reset();
  std::string uri = ToUri(address);
  if (!targetFrame || !*targetFrame) {
    webkit_web_view_load_uri(m_webView.get(), uri.c_str());
    return;
  }
  // A frame of a page of the scheme cannot load a file URL: a local page
  // outside the root goes through quiro://file/, which serves that page and,
  // to it, the files of its folder.
  if (platform::IsFileUrl(uri)) {
    const std::string path = platform::FileUrlToPath(uri);
    m_site->NoteOpened(path);
    uri = platform::PathToOpenedFileUri(path);
  }
  // The engine has no call that loads into a named frame; a page script can.
  // The script must not hand back the window it opened (a file page's window
  // object cannot be passed out).
  std::string script = "window.open(" + JsString(uri) + ", " + JsString(targetFrame) + "); true";
  auto nav = std::make_unique<FrameNavigation>(FrameNavigation{quiro::NewRef(m_webView.get()), uri, Links()});
  webkit_web_view_evaluate_javascript(m_webView.get(), script.c_str(), -1, quiro::kProgramWorld, nullptr, nullptr,
                                      FrameNavigationDone, nav.release());
}

void CQuiroView::SetCaretBrowsing(bool on) {
  webkit_settings_set_enable_caret_browsing(webkit_web_view_get_settings(m_webView.get()), on ? TRUE : FALSE);
}

bool CQuiroView::IsCaretBrowsing() const {
  return webkit_settings_get_enable_caret_browsing(webkit_web_view_get_settings(m_webView.get())) != FALSE;
}

namespace {

// Moves the focus one frame on (QUIRO_DIRECTION 1 or -1), starting outside
// the frames when QUIRO_ENTERING; answers "leaves" when no frame lies that
// way, else "in". The frame with the focus is the one whose element is the
// top document's active element. A frame whose document the top one cannot
// reach focuses its own first link on request (the frame reporter listens).
constexpr const char* kFocusFrameScript = R"JS(
(function (direction, entering) {
  function focusIn(win) {
    win.focus();
    try {
      var link = win.document.querySelector('a[href], area[href]');
      if (link) link.focus();
    } catch (e) {
      win.postMessage('quiro:focus-frame', '*');
    }
  }
  var n = window.frames.length;
  if (n === 0) {
    if (!entering) return 'leaves';
    focusIn(window);
    return 'in';
  }
  var current = -1;
  var active = document.activeElement;
  for (var i = 0; i < n; i++)
    if (active && active.contentWindow === window.frames[i]) current = i;
  var next = entering ? (direction > 0 ? 0 : n - 1) : (current < 0 && direction > 0 ? 0 : current + direction);
  if (next < 0 || next >= n) return 'leaves';
  focusIn(window.frames[next]);
  return 'in';
})(QUIRO_DIRECTION, QUIRO_ENTERING)
)JS";

struct FocusMove {
  std::weak_ptr<CQuiroView*> view;
  std::function<void(bool)> done;
};

void FocusMoveDone(GObject* source, GAsyncResult* result, gpointer data) {
  const std::unique_ptr<FocusMove> move(static_cast<FocusMove*>(data));
  quiro::CGError error;
  const quiro::GObjectPtr<JSCValue> value(
      webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, error.Out()));
  const std::shared_ptr<CQuiroView*> view = move->view.lock();
  if (!view || *view == nullptr) return;
  // A page that runs no script (an image, a PDF) is one pane, as a page
  // without frames is: after it the focus leaves.
  bool in = false;
  if (value != nullptr && jsc_value_is_string(value.get())) {
    const quiro::GCharPtr text(jsc_value_to_string(value.get()));
    in = text != nullptr && std::string_view(text.get()) == "in";
  }
  move->done(!in);
}

}  // namespace

void CQuiroView::MoveFocusAcrossFrames(int direction, bool entering, std::function<void(bool leaves)> done) {
  std::string script = kFocusFrameScript;
  auto put = [&script](std::string_view name, const char* value) {
    script.replace(script.find(name), name.size(), value);
  };
  put("QUIRO_DIRECTION", direction < 0 ? "-1" : "1");
  put("QUIRO_ENTERING", entering ? "true" : "false");
  if (entering) gtk_widget_grab_focus(GTK_WIDGET(m_webView.get()));
  auto move = std::make_unique<FocusMove>(FocusMove{m_self, std::move(done)});
  webkit_web_view_evaluate_javascript(m_webView.get(), script.c_str(), -1, quiro::kProgramWorld, nullptr, nullptr,
                                      FocusMoveDone, move.release());
}

// Tab or Shift+Tab from the toolbar into the view lands on the first link of
// the first frame (or the last frame, going back), as F6 does. Left to the
// engine, the focus would first stop on the frameset page itself, which has
// nothing to focus and which a screen reader reads as an unnamed, dimmed
// object. The engine moves the focus into the view the same way when a page
// focuses an element, so only a Tab key pressed outside the view counts.
gboolean CQuiroView::TabIntoViewThunk(GtkWidget* widget, GtkDirectionType direction, gpointer self) {
  if (gtk_widget_is_focus(widget) || (direction != GTK_DIR_TAB_FORWARD && direction != GTK_DIR_TAB_BACKWARD))
    return FALSE;
  GdkEvent* event = gtk_get_current_event();
  guint key = 0;
  const bool tabKey = event && event->type == GDK_KEY_PRESS && gdk_event_get_keyval(event, &key) &&
                      (key == GDK_KEY_Tab || key == GDK_KEY_ISO_Left_Tab || key == GDK_KEY_KP_Tab);
  if (event) gdk_event_free(event);
  if (!tabKey) return FALSE;
  static_cast<CQuiroView*>(self)->MoveFocusAcrossFrames(direction == GTK_DIR_TAB_FORWARD ? 1 : -1, true,
                                                        [](bool) {});
  return TRUE;
}

void CQuiroView::GoBack() { StepThroughHistory(-1); }
void CQuiroView::GoForward() { StepThroughHistory(+1); }

void CQuiroView::Stop() {
  m_historySteps.DropWaiting();
  webkit_web_view_stop_loading(m_webView.get());
}

// Steps asked for while the page of the step before still loads wait for
// that load's end (HistoryLoadingThunk); see app/core/history_steps.h.
void CQuiroView::StepThroughHistory(int direction) {
  if (!m_historySteps.Ask(direction, webkit_web_view_is_loading(m_webView.get()))) return;
  const bool possible =
      direction < 0 ? webkit_web_view_can_go_back(m_webView.get()) : webkit_web_view_can_go_forward(m_webView.get());
  if (possible) {
    if (direction < 0)
      webkit_web_view_go_back(m_webView.get());
    else
      webkit_web_view_go_forward(m_webView.get());
  }
  m_historySteps.Taken(possible, webkit_web_view_is_loading(m_webView.get()));
}

void CQuiroView::HistoryLoadingThunk(WebKitWebView* view, GParamSpec*, gpointer self) {
  if (webkit_web_view_is_loading(view)) return;
  auto* v = static_cast<CQuiroView*>(self);
  if (const int direction = v->m_historySteps.LoadEnded()) v->StepThroughHistory(direction);
}

// A new top document starts with no frames known: before any of its frames
// can report.
void CQuiroView::LoadChangedThunk(WebKitWebView*, WebKitLoadEvent event, gpointer self) {
  if (event == WEBKIT_LOAD_STARTED) static_cast<CQuiroView*>(self)->m_readingFrame.TopStarted();
}

namespace {

// Asks each frame of the top document to reload itself, and answers
// "frames"; a page without frames answers "reload". Reloading the frameset
// itself would bring back its first pages and upset the history of its
// frames. It runs in the program's script world, as the frames' listeners do.
constexpr const char* kRefreshScript = R"JS(
(function () {
  var n = window.frames.length;
  for (var i = 0; i < n; i++) window.frames[i].postMessage('quiro:reload-frame', '*');
  return n > 0 ? 'frames' : 'reload';
})()
)JS";

// `data` is the reference of the view that Refresh took for the call.
void RefreshDone(GObject*, GAsyncResult* result, gpointer data) {
  const quiro::GObjectPtr<WebKitWebView> view(static_cast<WebKitWebView*>(data));
  quiro::CGError error;
  const quiro::GObjectPtr<JSCValue> value(
      webkit_web_view_evaluate_javascript_finish(view.get(), result, error.Out()));
  std::string answer = "reload";  // a page that runs no script (an image, a PDF)
  if (value != nullptr && jsc_value_is_string(value.get())) {
    const quiro::GCharPtr text(jsc_value_to_string(value.get()));
    answer = text != nullptr ? text.get() : "";
  }
  const bool cancelled = g_error_matches(error.Get(), G_IO_ERROR, G_IO_ERROR_CANCELLED);
  if (!cancelled && answer != "frames") {
    webkit_web_view_reload(view.get());
  }
}

}  // namespace

void CQuiroView::Refresh() {
  m_historySteps.DropWaiting();
  if (ShowsGonePage()) {
    // The frame being read comes back with its page once the frameset has loaded.
    m_restoreFrame = m_goneFrame;
    webkit_web_view_load_uri(m_webView.get(), m_goneAddress.c_str());
    return;
  }
  webkit_web_view_evaluate_javascript(m_webView.get(), kRefreshScript, -1, quiro::kProgramWorld, nullptr, nullptr,
                                      RefreshDone, quiro::NewRef(m_webView.get()).release());
}

bool CQuiroView::ShowsGonePage() const {
  if (m_goneAddress.empty()) return false;
  const gchar* uri = webkit_web_view_get_uri(m_webView.get());
  return uri != nullptr && std::string(uri) == m_goneShownAs;
}

void CQuiroView::SetTextSize(int level) {
  if (level < 0) level = 0;
  if (level > 4) level = 4;
  m_textSize = level;
  webkit_web_view_set_zoom_level(m_webView.get(), kTextZoom[level]);
  m_textSizeChanged.emit(level);
}

// ---- Commands ----

void CQuiroView::OnGoStartPage() { Navigate2(m_site->Root() + "DocFrame.htm"); }

// A root without its own search page gets the program's.
void CQuiroView::OnGoSearchTheWeb() {
  const std::string page = m_site->Root() + "Search.htm";
  if (platform::CanOpenForReading(page))
    Navigate2(page, "content");
  else
    Navigate2(std::string(platform::kDocUriPrefix) + platform::kReservedPrefix + "search", "content");
}

void CQuiroView::OnFileOpen() {
  Gtk::FileChooserDialog dialog(quiro::res::LoadString(quiro::res::IDS_OPEN_TITLE), Gtk::FILE_CHOOSER_ACTION_OPEN);
  if (Gtk::Window* top = GetTopWindow()) dialog.set_transient_for(*top);
  std::string page = m_readingFrame.Url();
  if (page.empty())
    if (const char* uri = webkit_web_view_get_uri(m_webView.get())) page = uri;
  // Without a local page to start from (an empty view, a web page), the
  // dialog starts in the document root, else in the current folder.
  std::string folder = m_site->Root();
  page = quiro::LocalAddress(page, m_site->Root());  // a page of the scheme as its file
  if (platform::IsFileUrl(page)) {
    std::string path = platform::FileUrlToPath(page);
    folder = std::filesystem::path(path.substr(0, path.find('#'))).parent_path().string();
  }
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) folder = std::filesystem::current_path(error).string();
  if (!folder.empty()) dialog.set_current_folder(folder);
  dialog.add_button(quiro::res::MenuLabel(quiro::res::LoadString(quiro::res::IDS_OPEN_CANCEL)), Gtk::RESPONSE_CANCEL);
  dialog.add_button(quiro::res::MenuLabel(quiro::res::LoadString(quiro::res::IDS_OPEN_OK)), Gtk::RESPONSE_OK);
  dialog.set_default_response(Gtk::RESPONSE_OK);

  for (const quiro::OpenFilter& f : quiro::OpenDialogFilters(quiro::res::LoadString(quiro::res::IDS_OPEN_FILTER),
                                                             quiro::res::LoadString(quiro::res::IDS_OPEN_FILTER_PDF))) {
    Glib::RefPtr<Gtk::FileFilter> filter = Gtk::FileFilter::create();
    filter->set_name(f.name);
    for (const std::string& pattern : f.patterns) filter->add_pattern(pattern);
    dialog.add_filter(filter);
  }

  if (dialog.run() == Gtk::RESPONSE_OK) {
    std::string path = dialog.get_filename();
    dialog.hide();
    if (!path.empty()) {
      // The user's choice may be a help file: it goes to its viewer as the
      // user's own action, even though the view loads it.
      m_site->NoteOpened(path);
      m_navigationPolicy.NoteUserOpening(path);
      Navigate2(path, "content");
    }
  }
}

// ---- Engine events ----

bool CQuiroView::OnBeforeNavigate2(const std::string& engineURL, bool userAction) {
  return m_navigationPolicy.BeforeNavigate(engineURL, userAction);
}

void CQuiroView::OnTitleChange(const std::string& text) { m_titleChanged.emit(text); }

void CQuiroView::OnDocumentComplete(const std::string& frameName, const std::string& url, bool topLevel) {
  if (topLevel && !m_restoreFrame.first.empty()) {
    const auto [name, page] = std::exchange(m_restoreFrame, {});
    const bool shown = m_readingFrame.Name() == name && m_readingFrame.Url() == page;
    if (!shown && url.substr(0, url.find('#')) == m_goneAddress.substr(0, m_goneAddress.find('#')))
      Navigate2(page, name.c_str());
  }
  const std::string local = quiro::LocalAddress(url, m_site->Root());
  m_strCurrentURL = platform::IsFileUrl(local) ? platform::FileUrlToPath(local) : local;
  m_documentComplete.emit(topLevel ? std::string() : frameName, url, topLevel);
}

WebKitWebView* CQuiroView::OnNewWindow2(const std::string& url) {
  return quiro::OpenRequestedWindow(m_webView.get(), url, Links());
}

// ---- Engine signal thunks ----

gboolean CQuiroView::DecidePolicyThunk(WebKitWebView*, WebKitPolicyDecision* decision,
                                       WebKitPolicyDecisionType type, gpointer self) {
  auto* view = static_cast<CQuiroView*>(self);
  if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) {
    WebKitNavigationAction* action =
        webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    const WebKitNavigationType how = webkit_navigation_action_get_navigation_type(action);
    if (how == WEBKIT_NAVIGATION_TYPE_BACK_FORWARD || how == WEBKIT_NAVIGATION_TYPE_RELOAD)
      view->m_historyNavigation.emit();
  }
  // The Reload link of the page that stands for a gone one: the view loads
  // the address it keeps itself, whatever the link says.
  std::string uri;
  if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION && view->ShowsGonePage() &&
      quiro::NavigationTarget(decision, type, uri) && uri == view->m_goneAddress) {
    webkit_policy_decision_ignore(decision);
    view->Refresh();
    return TRUE;
  }
  return view->m_navigationPolicy.Decide(decision, type);
}

void CQuiroView::MouseTargetThunk(WebKitWebView*, WebKitHitTestResult* hit, guint, gpointer self) {
  auto* view = static_cast<CQuiroView*>(self);
  const gchar* uri = webkit_hit_test_result_context_is_link(hit) ? webkit_hit_test_result_get_link_uri(hit) : nullptr;
  view->m_linkHovered.emit(uri != nullptr ? quiro::LinkTargetText(uri, view->m_site->Root()) : std::string());
}

void CQuiroView::TitleThunk(WebKitWebView* view, GParamSpec*, gpointer self) {
  std::string title = quiro::TitleOrAddress(view, static_cast<CQuiroView*>(self)->m_site->Root());
  if (!title.empty()) static_cast<CQuiroView*>(self)->OnTitleChange(title);
}

GtkWidget* CQuiroView::CreateThunk(WebKitWebView*, WebKitNavigationAction* action, gpointer self) {
  WebKitWebView* view = static_cast<CQuiroView*>(self)->OnNewWindow2(quiro::RequestUri(action));
  return view ? GTK_WIDGET(view) : nullptr;
}

// Every document reports when it has loaded and whenever the user works in
// it. Reports come from the program's own script world only, and must still
// name a document the engine has.
void CQuiroView::MessageThunk(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer self) {
  auto* view = static_cast<CQuiroView*>(self);
  quiro::FrameReport report;
  if (!quiro::ReadFrameReport(result, report)) return;
  if (!quiro::ReportMatchesView(view->m_webView.get(), report)) return;
  // The engine's PDF viewer is no document of the page's own: its report
  // stands for the frame that shows the PDF.
  if (!report.top && std::string_view(report.href).substr(0, kPdfViewerScheme.size()) == kPdfViewerScheme) {
    view->ReportPdfFrames(report.kind);
    return;
  }
  view->m_readingFrame.Report(report);
  if (report.kind == quiro::FrameReport::Kind::Load)
    view->OnDocumentComplete(report.name, report.href, report.top);
}

namespace {

// The engine shows a PDF as a document of its own whose one frame is its
// viewer; the PDF's document runs no script of the program's, the viewer's
// does but knows nothing of the frame around it. The top document (of the
// document scheme, as the PDF is) reads every frame's type: the frames
// showing a PDF, by name and address.
constexpr const char* kPdfFramesScript = R"JS(
(function () {
  var found = [];
  (function walk(w) {
    for (var i = 0; i < w.frames.length; i++) {
      try {
        var f = w.frames[i];
        if (f.document.contentType === 'application/pdf')
          found.push({name: String(f.name || ''), href: String(f.location.href)});
        walk(f);
      } catch (e) {}
    }
  })(window);
  return found;
})()
)JS";

struct PdfFramesCall {
  std::weak_ptr<CQuiroView*> view;
  std::string top;  // the top document asked
  std::function<void(const std::vector<std::pair<std::string, std::string>>&)> found;
};

std::string PropertyText(JSCValue* object, const char* name) {
  const quiro::GObjectPtr<JSCValue> value(jsc_value_object_get_property(object, name));
  if (value == nullptr || !jsc_value_is_string(value.get())) return {};
  const quiro::GCharPtr text(jsc_value_to_string(value.get()));
  return text != nullptr ? text.get() : "";
}

}  // namespace

void CQuiroView::ReportPdfFrames(quiro::FrameReport::Kind kind) {
  const gchar* shown = webkit_web_view_get_uri(m_webView.get());
  auto call = std::make_unique<PdfFramesCall>();
  call->view = m_self;
  call->top = shown != nullptr ? shown : "";
  call->found = [this, kind, top = call->top](const std::vector<std::pair<std::string, std::string>>& frames) {
    const gchar* now = webkit_web_view_get_uri(m_webView.get());
    if (now == nullptr || top != now) return;  // another page by now
    for (const auto& [name, href] : frames) {
      quiro::FrameReport report;
      report.name = name;
      report.href = href;
      if (m_readingFrame.FrameUrl(name) != href) {
        m_readingFrame.Report(report);
        OnDocumentComplete(name, href, false);
      }
      if (kind == quiro::FrameReport::Kind::Use) {
        report.kind = quiro::FrameReport::Kind::Use;
        m_readingFrame.Report(report);
      }
    }
  };
  webkit_web_view_evaluate_javascript(
      m_webView.get(), kPdfFramesScript, -1, quiro::kProgramWorld, nullptr, nullptr,
      [](GObject* source, GAsyncResult* result, gpointer data) {
        const std::unique_ptr<PdfFramesCall> call(static_cast<PdfFramesCall*>(data));
        quiro::CGError error;
        const quiro::GObjectPtr<JSCValue> value(
            webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, error.Out()));
        const std::shared_ptr<CQuiroView*> view = call->view.lock();
        if (!view || *view == nullptr || value == nullptr || !jsc_value_is_array(value.get())) return;
        std::vector<std::pair<std::string, std::string>> frames;
        const quiro::GObjectPtr<JSCValue> length(jsc_value_object_get_property(value.get(), "length"));
        const int count = length != nullptr && jsc_value_is_number(length.get()) ? jsc_value_to_int32(length.get()) : 0;
        for (int i = 0; i < count && i < 64; ++i) {
          const quiro::GObjectPtr<JSCValue> frame(jsc_value_object_get_property_at_index(value.get(), i));
          if (frame == nullptr || !jsc_value_is_object(frame.get())) continue;
          std::string name = PropertyText(frame.get(), "name");
          std::string href = PropertyText(frame.get(), "href");
          // A frame's own name only: the top document has none.
          if (!name.empty() && !href.empty()) frames.emplace_back(std::move(name), std::move(href));
        }
        call->found(frames);
      },
      call.release());
}

void CQuiroView::WebProcessTerminatedThunk(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                                           gpointer self) {
  static_cast<CQuiroView*>(self)->OnWebProcessTerminated(reason);
}

// It runs no script of its own. Its Reload link is a plain link to the
// address; the view takes that navigation over (DecidePolicyThunk).
std::string CQuiroView::WebProcessGonePage(const std::string& why, const std::string& address) {
  const std::string href = platform::EscapeHtml(address);
  return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">" + platform::OwnPagePolicy() + "<title>" +
         platform::EscapeHtml(quiro::res::LoadString(quiro::res::IDS_PAGE_GONE_HEADING)) +
         "</title></head>\n<body style=\"font-family: sans-serif; margin: 2em\">\n"
         "<h2>" + platform::EscapeHtml(quiro::res::LoadString(quiro::res::IDS_PAGE_GONE_HEADING)) + "</h2>\n<p>" +
         platform::EscapeHtml(why) + "</p>\n<p><a id=\"reload\" href=\"" + href + "\">" +
         platform::EscapeHtml(quiro::res::LoadString(quiro::res::IDS_PAGE_GONE_RELOAD)) + "</a></p>\n</body></html>\n";
}

// The page area would stay blank grey. Say what happened instead, and offer
// the page again: the Reload link, Refresh or Start Page.
void CQuiroView::OnWebProcessTerminated(WebKitWebProcessTerminationReason reason) {
  std::string why;
  switch (reason) {
    case WEBKIT_WEB_PROCESS_CRASHED:
      why = quiro::res::LoadString(quiro::res::IDS_PAGE_GONE_CRASHED);
      break;
    case WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT:
      why = quiro::res::LoadString(quiro::res::IDS_PAGE_GONE_MEMORY);
      break;
    default:
      why = quiro::res::LoadString(quiro::res::IDS_PAGE_GONE_STOPPED);
      break;
  }
  // The address the page stands for is kept here, never read back from the
  // page: when the process went again on that page, it is the one before.
  const std::string address = ShowsGonePage() ? m_goneAddress : [this] {
    const gchar* uri = webkit_web_view_get_uri(m_webView.get());
    std::string shown = uri != nullptr ? uri : "";
    if (shown.empty() || shown.rfind("about:", 0) == 0) shown = ToUri(m_site->Root() + "DocFrame.htm");
    return shown;
  }();
  // The frame being read then, to bring back with the frameset.
  if (!ShowsGonePage()) m_goneFrame = {m_readingFrame.Name(), m_readingFrame.Url()};
  // Shown under an address of its own (the page's with a fragment), so that
  // the Reload link to the page itself is a navigation.
  m_goneAddress = address;
  m_goneShownAs = address.substr(0, address.find('#')) + std::string(kGoneFragment);
  webkit_web_view_load_alternate_html(m_webView.get(), WebProcessGonePage(why, address).c_str(),
                                      m_goneShownAs.c_str(), nullptr);
  m_webProcessGone.emit(why);
}

gboolean CQuiroView::LoadFailedThunk(WebKitWebView*, WebKitLoadEvent, gchar*, GError*, gpointer self) {
  static_cast<CQuiroView*>(self)->m_loadFailed.emit();
  return FALSE;  // the engine still shows its error page
}
