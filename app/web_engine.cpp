#include "app/web_engine.h"

#include "app/core/doc_site.h"
#include "app/doc_scheme.h"
#include "app/web_sandbox.h"

#include <memory>
#include <set>

namespace quiro {

namespace {

// Every document, top or frame, reports once its load event has fired (a
// frameset's own load comes after those of all its frames), and again
// whenever the user clicks, types, focuses or scrolls in it (scrolling at
// most every 400 ms). The script runs in the program's own script world:
// the page's scripts see neither it nor the handler it posts to, so they can
// neither forge a report nor stop the real ones.
constexpr const char* kFrameReporterScript = R"JS(
(function () {
  if (window.__quiroFrameReporter) return;
  window.__quiroFrameReporter = true;
  var handlers = window.webkit && window.webkit.messageHandlers;
  var handler = handlers && handlers.quiroFrame;
  if (!handler) return;
  var top = window === window.top;
  function post(kind) {
    try {
      handler.postMessage({kind: kind, name: String(window.name || ''), href: String(location.href),
                           top: top, frames: top ? window.frames.length : 0});
    } catch (e) {}
  }
  var lastScroll = 0;
  function used() { post('use'); }
  function scrolled() {
    var now = Date.now();
    if (now - lastScroll < 400) return;
    lastScroll = now;
    post('use');
  }
  ['mousedown', 'click', 'keydown', 'focus'].forEach(function (t) { window.addEventListener(t, used, true); });
  ['scroll', 'wheel'].forEach(function (t) { window.addEventListener(t, scrolled, true); });
  function loaded() { post('load'); }
  if (document.readyState === 'complete') loaded();
  else window.addEventListener('load', loaded);
  // Refresh of a frameset: the top document asks each of its frames to
  // reload the page it shows now. F6 asks a frame whose document the top
  // one cannot reach to take the focus, on its first link.
  if (!top) {
    window.addEventListener('message', function (e) {
      if (e.source !== window.parent) return;
      if (e.data === 'quiro:reload-frame') location.reload();
      if (e.data === 'quiro:focus-frame') {
        window.focus();
        var link = document.querySelector('a[href], area[href]');
        if (link) link.focus();
      }
    });
  }
})();
)JS";

std::string StringProperty(JSCValue* object, const char* name) {
  GObjectPtr<JSCValue> value(jsc_value_object_get_property(object, name));
  std::string text;
  if (value != nullptr && jsc_value_is_string(value.get())) {
    GCharPtr s(jsc_value_to_string(value.get()));
    text = s != nullptr ? s.get() : "";
  }
  return text;
}

int IntProperty(JSCValue* object, const char* name) {
  GObjectPtr<JSCValue> value(jsc_value_object_get_property(object, name));
  return value != nullptr && jsc_value_is_number(value.get()) ? jsc_value_to_int32(value.get()) : 0;
}

bool BoolProperty(JSCValue* object, const char* name) {
  GObjectPtr<JSCValue> value(jsc_value_object_get_property(object, name));
  return value != nullptr && jsc_value_to_boolean(value.get());
}

// The documents a browser view has loaded since its top document started:
// every address the engine fetched, without its fragment.
constexpr const char* kLoadedKey = "quiro-loaded-documents";

std::set<std::string>& LoadedDocuments(WebKitWebView* view) {
  auto* loaded = static_cast<std::set<std::string>*>(g_object_get_data(G_OBJECT(view), kLoadedKey));
  if (loaded == nullptr) {
    loaded = new std::set<std::string>;
    g_object_set_data_full(G_OBJECT(view), kLoadedKey, loaded,
                           [](gpointer data) { delete static_cast<std::set<std::string>*>(data); });
  }
  return *loaded;
}

std::string_view WithoutFragment(std::string_view address) { return address.substr(0, address.find('#')); }

void RecordResourceUri(WebKitWebResource* resource, GParamSpec*, gpointer view) {
  if (const gchar* uri = webkit_web_resource_get_uri(resource))
    LoadedDocuments(WEBKIT_WEB_VIEW(view)).emplace(WithoutFragment(uri));
}

// A redirected load ends at another address: each one counts.
void RecordLoad(WebKitWebView* view, WebKitWebResource* resource, WebKitURIRequest*, gpointer) {
  RecordResourceUri(resource, nullptr, view);
  g_signal_connect_object(resource, "notify::uri", G_CALLBACK(RecordResourceUri), view, GConnectFlags(0));
}

void ForgetLoads(WebKitWebView* view, WebKitLoadEvent event, gpointer) {
  if (event == WEBKIT_LOAD_STARTED) LoadedDocuments(view).clear();
}

// Marks a context set up, once, before its first web process.
constexpr const char* kSetUpKey = "quiro-set-up";

gboolean SuppressScriptDialog(WebKitWebView*, WebKitScriptDialog*, gpointer) { return TRUE; }
gboolean SuppressPrintRequest(WebKitWebView*, WebKitPrintOperation*, gpointer) { return TRUE; }

}  // namespace

void SetUpSharedWebContext(const platform::DocSite& site) {
  WebKitWebContext* context = webkit_web_context_get_default();
  if (g_object_get_data(G_OBJECT(context), kSetUpKey) != nullptr) return;
  g_object_set_data(G_OBJECT(context), kSetUpKey, GINT_TO_POINTER(1));
  SetUpWebProcessSandbox(context, site);
  // Views made without the application (command-line modes) read the site
  // for every request; the application serves its own (CDocScheme::ServeOn).
  CDocScheme::Register(context, [] { return std::make_shared<const platform::DocSite>(CurrentDocSite()); });
}

WebKitWebContext* SharedWebContext() {
  WebKitWebContext* context = webkit_web_context_get_default();
  if (g_object_get_data(G_OBJECT(context), kSetUpKey) == nullptr) SetUpSharedWebContext(CurrentDocSite());
  return context;
}

bool SameDocumentAddress(std::string_view a, std::string_view b) { return WithoutFragment(a) == WithoutFragment(b); }

bool ReportMatchesView(WebKitWebView* view, const FrameReport& report) {
  const gchar* shown = webkit_web_view_get_uri(view);
  if (report.top) return SameDocumentAddress(report.href, shown != nullptr ? shown : "");
  return LoadedDocuments(view).count(std::string(WithoutFragment(report.href))) != 0;
}

bool ReadFrameReport(WebKitJavascriptResult* message, FrameReport& report) {
  JSCValue* value = webkit_javascript_result_get_js_value(message);
  if (value == nullptr || !jsc_value_is_object(value)) return false;
  const std::string kind = StringProperty(value, "kind");
  if (kind != "load" && kind != "use") return false;
  report.kind = kind == "load" ? FrameReport::Kind::Load : FrameReport::Kind::Use;
  report.top = BoolProperty(value, "top");
  report.name = report.top ? std::string() : StringProperty(value, "name");
  report.href = StringProperty(value, "href");
  report.frames = IntProperty(value, "frames");
  return true;
}

// The element with the keyboard focus is outlined on the screen, whatever
// the page's own style says; printing is left as the page has it.
constexpr const char* kFocusStyleSheet =
    "@media screen { :focus { outline: 2px solid #1c71d8 !important; outline-offset: 1px !important; } }";

GObjectPtr<WebKitWebView> NewBrowserView() {
  GObjectPtr<WebKitUserContentManager> content(webkit_user_content_manager_new());
  WebKitUserStyleSheet* focusStyle = webkit_user_style_sheet_new(
      kFocusStyleSheet, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES, WEBKIT_USER_STYLE_LEVEL_USER, nullptr, nullptr);
  webkit_user_content_manager_add_style_sheet(content.get(), focusStyle);
  webkit_user_style_sheet_unref(focusStyle);
  webkit_user_content_manager_register_script_message_handler_in_world(content.get(), kFrameReportHandler,
                                                                      kProgramWorld);
  WebKitUserScript* script = webkit_user_script_new_for_world(
      kFrameReporterScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES, WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_END,
      kProgramWorld, nullptr, nullptr);
  webkit_user_content_manager_add_script(content.get(), script);
  webkit_user_script_unref(script);
  auto* view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", SharedWebContext(),
                                            "user-content-manager", content.get(), nullptr));
  g_object_ref_sink(view);
  g_signal_connect(view, "resource-load-started", G_CALLBACK(RecordLoad), nullptr);
  g_signal_connect(view, "load-changed", G_CALLBACK(ForgetLoads), nullptr);
  return GObjectPtr<WebKitWebView>(view);
}

GObjectPtr<WebKitWebView> NewHiddenPrintView(WebKitWebView* related) {
  GtkWidget* widget =
      related != nullptr
          ? webkit_web_view_new_with_related_view(related)
          : GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", SharedWebContext(), nullptr));
  if (widget == nullptr) return nullptr;
  auto* view = WEBKIT_WEB_VIEW(widget);
  g_object_ref_sink(view);  // hidden: never packed into a window
  // Nobody sees this view: a page's own alert(), confirm() or print() must
  // not open a dialog that would hold up the printing.
  g_signal_connect(view, "script-dialog", G_CALLBACK(SuppressScriptDialog), nullptr);
  g_signal_connect(view, "print", G_CALLBACK(SuppressPrintRequest), nullptr);
  return GObjectPtr<WebKitWebView>(view);
}

}  // namespace quiro
