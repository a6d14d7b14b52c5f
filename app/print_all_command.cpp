#include "app/print_all_command.h"

#include <gtkmm.h>
#include <webkit2/webkit2.h>

#include <map>

#include "app/print_worker.h"
#include "app/quiro_view.h"
#include "printall/print_all_run.h"
#include "res/strings.h"

const char* const kPrintAllConfirmation =
    "This function will print the entire document with all associated links which is some "
    "cases may be a large number of pages.  To print only the page in the viewer, press Cancel "
    "and click on the other Print button.  Do you wish to continue?";

namespace {

// ---------------------------------------------------------------------------
// Which frame the user works in.

constexpr const char* kFrameHandler = "quiroPrintFrame";
constexpr const char* kTrackerKey = "quiro-print-frames";

// Every document, top or frame, reports itself when it has loaded and again
// whenever the user clicks, types, focuses or scrolls in it (scrolling at
// most every 400 ms). A frame that loads a new document after the frameset's
// first one (a link aimed at it) is where the user reads next.
constexpr const char* kTrackerScript = R"JS(
(function () {
  if (window.__quiroPrintFrames) return;
  window.__quiroPrintFrames = true;
  var handlers = window.webkit && window.webkit.messageHandlers;
  var handler = handlers && handlers.quiroPrintFrame;
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
  post('load');
})();
)JS";

struct FrameTracker {
  std::string topHref;
  int topFrames = 0;
  std::map<std::string, std::string> frameHrefs;  // by frame name
  bool frameUsed = false;
  std::string usedName;
  std::string usedHref;
};

std::string StringProperty(JSCValue* object, const char* name) {
  JSCValue* value = jsc_value_object_get_property(object, name);
  std::string text;
  if (value != nullptr && jsc_value_is_string(value)) {
    char* s = jsc_value_to_string(value);
    text = s != nullptr ? s : "";
    g_free(s);
  }
  if (value != nullptr) g_object_unref(value);
  return text;
}

int IntProperty(JSCValue* object, const char* name) {
  JSCValue* value = jsc_value_object_get_property(object, name);
  int n = value != nullptr && jsc_value_is_number(value) ? jsc_value_to_int32(value) : 0;
  if (value != nullptr) g_object_unref(value);
  return n;
}

bool BoolProperty(JSCValue* object, const char* name) {
  JSCValue* value = jsc_value_object_get_property(object, name);
  bool b = value != nullptr && jsc_value_to_boolean(value);
  if (value != nullptr) g_object_unref(value);
  return b;
}

void OnFrameMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer data) {
  auto* tracker = static_cast<FrameTracker*>(data);
  JSCValue* message = webkit_javascript_result_get_js_value(result);
  if (message == nullptr || !jsc_value_is_object(message)) return;
  const std::string kind = StringProperty(message, "kind");
  const std::string name = StringProperty(message, "name");
  const std::string href = StringProperty(message, "href");
  if (BoolProperty(message, "top")) {
    if (kind == "load") {
      tracker->topHref = href;
      tracker->topFrames = IntProperty(message, "frames");
    }
    return;
  }
  const bool reloaded = tracker->frameHrefs.count(name) != 0;
  tracker->frameHrefs[name] = href;
  if (kind == "use" || reloaded || (tracker->frameUsed && tracker->usedName == name)) {
    tracker->frameUsed = true;
    tracker->usedName = name;
    tracker->usedHref = href;
  }
}

// A new top document starts with no frames known: before any of its frames
// can report.
void OnTopLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
  if (event == WEBKIT_LOAD_STARTED) *static_cast<FrameTracker*>(data) = FrameTracker();
}

FrameTracker* TrackerOf(WebKitWebView* webView) {
  return static_cast<FrameTracker*>(g_object_get_data(G_OBJECT(webView), kTrackerKey));
}

// ---------------------------------------------------------------------------
// Print: a frame's document in a hidden view of its own, through the dialog.

struct FramePrintJob {
  WebKitWebView* view = nullptr;
  GtkWindow* parent = nullptr;  // weak
  bool loadFailed = false;
};

void EndFramePrintJob(FramePrintJob* job) {
  if (job->parent != nullptr) {
    g_object_remove_weak_pointer(G_OBJECT(job->parent), reinterpret_cast<gpointer*>(&job->parent));
  }
  gtk_widget_destroy(GTK_WIDGET(job->view));
  g_object_unref(job->view);
  delete job;
}

gboolean RunFramePrintDialog(gpointer data) {
  auto* job = static_cast<FramePrintJob*>(data);
  WebKitPrintOperation* operation = webkit_print_operation_new(job->view);
  g_signal_connect(operation, "finished", G_CALLBACK(+[](WebKitPrintOperation* op, gpointer d) {
                     g_object_unref(op);
                     EndFramePrintJob(static_cast<FramePrintJob*>(d));
                   }),
                   job);
  WebKitPrintOperationResponse response = webkit_print_operation_run_dialog(operation, job->parent);
  if (response == WEBKIT_PRINT_OPERATION_RESPONSE_CANCEL) {
    g_signal_handlers_disconnect_by_data(operation, job);
    g_object_unref(operation);
    EndFramePrintJob(job);
  }
  return G_SOURCE_REMOVE;
}

void PrintDocumentAt(const std::string& url, Gtk::Window* parent) {
  auto* job = new FramePrintJob();
  job->view = WEBKIT_WEB_VIEW(webkit_web_view_new());
  g_object_ref_sink(job->view);
  if (parent != nullptr) {
    job->parent = parent->gobj();
    g_object_add_weak_pointer(G_OBJECT(job->parent), reinterpret_cast<gpointer*>(&job->parent));
  }
  // The page's own dialogs and print requests stay unseen in this view.
  g_signal_connect(job->view, "script-dialog",
                   G_CALLBACK(+[](WebKitWebView*, WebKitScriptDialog*) -> gboolean { return TRUE; }),
                   nullptr);
  g_signal_connect(job->view, "print",
                   G_CALLBACK(+[](WebKitWebView*, WebKitPrintOperation*) -> gboolean { return TRUE; }),
                   nullptr);
  g_signal_connect(job->view, "load-failed",
                   G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent, gchar*, GError*, gpointer d) -> gboolean {
                     static_cast<FramePrintJob*>(d)->loadFailed = true;
                     return FALSE;
                   }),
                   job);
  g_signal_connect(job->view, "load-changed",
                   G_CALLBACK(+[](WebKitWebView* view, WebKitLoadEvent event, gpointer d) {
                     if (event != WEBKIT_LOAD_FINISHED) return;
                     g_signal_handlers_disconnect_by_data(view, d);
                     auto* frameJob = static_cast<FramePrintJob*>(d);
                     if (frameJob->loadFailed) {
                       // Nothing to print: the document is gone.
                       g_idle_add([](gpointer j) -> gboolean {
                         EndFramePrintJob(static_cast<FramePrintJob*>(j));
                         return G_SOURCE_REMOVE;
                       }, d);
                       return;
                     }
                     // The dialog runs a loop of its own: not from inside
                     // the engine's signal.
                     g_idle_add(RunFramePrintDialog, d);
                   }),
                   job);
  webkit_web_view_load_uri(job->view, url.c_str());
}

}  // namespace

namespace quiro {

bool ConfirmPrintAll(Gtk::Window* parent) {
  Gtk::MessageDialog dialog(kPrintAllConfirmation, false, Gtk::MESSAGE_WARNING,
                            Gtk::BUTTONS_OK_CANCEL, true);
  dialog.set_title(res::LoadString(res::IDS_APP_TITLE));
  dialog.set_default_response(Gtk::RESPONSE_OK);  // Enter confirms; Escape or closing cancels
  if (parent != nullptr) dialog.set_transient_for(*parent);
  return dialog.run() == Gtk::RESPONSE_OK;
}

bool StartPrintAllAt(const std::string& currentUrl,
                     std::function<void(const std::string&)> showStatus) {
  std::string location = LocalPathOfLocation(currentUrl);
  if (location.empty()) return false;  // a web address: nothing to print
  PrintAllOptions options;
  options.startPath = FindPrintStartPage(location);
  options.destination = PrintDestinationFromEnvironment();
  options.pauseMs = PrintAllPauseMs();
  options.showStatus = showStatus;
  options.finished = [showStatus](const PrintAllResult& result) {
    if (showStatus && !result.cancelled) showStatus(res::LoadString(res::IDS_IDLE_MESSAGE));
  };
  return StartPrintAllRun(std::move(options));
}

std::string PrintFrameUrl(CQuiroView& view) {
  FrameTracker* tracker = TrackerOf(view.GetWebView());
  if (tracker == nullptr || tracker->topFrames == 0) return std::string();
  if (tracker->frameUsed && !tracker->usedHref.empty()) return tracker->usedHref;
  auto content = tracker->frameHrefs.find("content");
  if (content != tracker->frameHrefs.end()) return content->second;
  return std::string();
}

}  // namespace quiro

void TrackPrintFrames(CQuiroView& view) {
  WebKitWebView* webView = view.GetWebView();
  if (webView == nullptr || TrackerOf(webView) != nullptr) return;
  auto* tracker = new FrameTracker();
  g_object_set_data_full(G_OBJECT(webView), kTrackerKey, tracker,
                         [](gpointer p) { delete static_cast<FrameTracker*>(p); });
  g_signal_connect(webView, "load-changed", G_CALLBACK(OnTopLoadChanged), tracker);
  WebKitUserContentManager* manager = webkit_web_view_get_user_content_manager(webView);
  g_signal_connect(manager, (std::string("script-message-received::") + kFrameHandler).c_str(),
                   G_CALLBACK(OnFrameMessage), tracker);
  webkit_user_content_manager_register_script_message_handler(manager, kFrameHandler);
  WebKitUserScript* script = webkit_user_script_new(
      kTrackerScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES, WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_END,
      nullptr, nullptr);
  webkit_user_content_manager_add_script(manager, script);
  webkit_user_script_unref(script);
}

void OnPrintCommand(CQuiroView& view) {
  std::string frameUrl = quiro::PrintFrameUrl(view);
  if (!frameUrl.empty()) {
    PrintDocumentAt(frameUrl, view.GetTopWindow());
    return;
  }
  WebKitPrintOperation* operation = webkit_print_operation_new(view.GetWebView());
  Gtk::Window* parent = view.GetTopWindow();
  webkit_print_operation_run_dialog(operation, parent != nullptr ? parent->gobj() : nullptr);
  g_object_unref(operation);
}

void OnPrintAllCommand(CQuiroView& view) {
  if (!quiro::ConfirmPrintAll(view.GetTopWindow())) return;
  // The run may outlive the view; report progress only while its engine
  // widget is alive.
  GWeakRef* alive = g_new0(GWeakRef, 1);
  g_weak_ref_init(alive, view.GetWebView());
  auto guard = std::shared_ptr<GWeakRef>(alive, [](GWeakRef* ref) {
    g_weak_ref_clear(ref);
    g_free(ref);
  });
  CQuiroView* target = &view;
  quiro::StartPrintAllAt(view.m_strCurrentURL, [guard, target](const std::string& text) {
    GObject* webView = static_cast<GObject*>(g_weak_ref_get(guard.get()));
    if (webView == nullptr) return;
    target->SetMessageText(text);
    g_object_unref(webView);
  });
}
