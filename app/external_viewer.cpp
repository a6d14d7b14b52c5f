#include "app/external_viewer.h"

#include <chrono>
#include <cstdlib>
#include <set>

#include "app/core/doc_site.h"
#include "app/core/navigation_check.h"
#include "app/core/viewer_registry.h"
#include "app/navigation_policy.h"
#include "platform/doc_uri.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace quiro {

namespace {

// The desktop's default application for the first content type that has one.
Glib::RefPtr<Gio::AppInfo> DefaultAppFor(std::initializer_list<const char*> types) {
  for (const char* type : types) {
    Glib::RefPtr<Gio::AppInfo> app = Gio::AppInfo::get_default_for_type(type, false);
    if (app) return app;
  }
  return {};
}

// What a plain window's view shares with the view it came from, kept on
// the view while it lives.
constexpr const char* kPlainLinksKey = "quiro-links";

const ViewLinks& PlainLinks(WebKitWebView* view) {
  return *static_cast<ViewLinks*>(g_object_get_data(G_OBJECT(view), kPlainLinksKey));
}

const SiteHolder& PlainSite(WebKitWebView* view) { return *PlainLinks(view).site; }

// Starts the desktop entry `app` on the file `path` through the entry
// itself, so its own command line (%f, %u, its options) is honoured.
bool LaunchApp(const Glib::RefPtr<Gio::AppInfo>& app, const std::string& path) {
  try {
    return app->launch(Gio::File::create_for_path(path));
  } catch (const Glib::Error&) {
    return false;
  }
}

void PlainTitleChanged(WebKitWebView* view, GParamSpec*, gpointer window) {
  gtk_window_set_title(GTK_WINDOW(window), TitleOrAddress(view, PlainSite(view).Root()).c_str());
}

void PlainReadyToShow(WebKitWebView*, gpointer window) { gtk_widget_show_all(GTK_WIDGET(window)); }

void PlainCloseRequested(WebKitWebView*, gpointer window) { gtk_widget_destroy(GTK_WIDGET(window)); }

// A plain window has no toolbar, prepares no pages for printing and opens no
// files: its policy keeps nothing from one decision to the next.
gboolean PlainDecidePolicy(WebKitWebView* view, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                           gpointer) {
  const ViewLinks& links = PlainLinks(view);
  return NavigationPolicy(false, *links.site, *links.viewerStarts).Decide(decision, type);
}

// A page in a plain window may ask for yet another window.
GtkWidget* PlainCreate(WebKitWebView* view, WebKitNavigationAction* action, gpointer) {
  WebKitWebView* opened = OpenRequestedWindow(view, RequestUri(action), PlainLinks(view));
  return opened ? GTK_WIDGET(opened) : nullptr;
}

}  // namespace

std::string ViewerCommandLine(bool chm) { return ReadViewerCommand(chm ? ViewerKind::Chm : ViewerKind::Hlp); }

bool IsUserAction(WebKitPolicyDecision* decision) {
  if (!WEBKIT_IS_NAVIGATION_POLICY_DECISION(decision)) return false;
  WebKitNavigationAction* action =
      webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  return action != nullptr && webkit_navigation_action_is_user_gesture(action);
}

HandOff HandOffHelpFile(bool chm, const NavigationDecision& decision, const std::string& targetURL,
                        bool userAction, const std::string& root, const std::set<std::string>& opened,
                        ViewerStartGate& gate) {
  if (!userAction || !IsLocalHelpFile(decision.url, root, opened)) return HandOff::Refused;
  return HandOffToViewer(chm, targetURL, decision.url, gate);
}

std::string TrimProgramPath(std::string path) {
  while (!path.empty() && (path.back() == ' ' || path.back() == '\t')) path.pop_back();
  return path;
}

HandOff HandOffToViewer(bool chm, const std::string& targetURL, const std::string& path, ViewerStartGate& gate) {
  const std::string command = ViewerCommandLine(chm);
  if (command.empty()) {
    Glib::RefPtr<Gio::AppInfo> app =
        chm ? DefaultAppFor({"application/vnd.ms-htmlhelp", "application/x-chm"})
            : DefaultAppFor({"application/winhlp"});
    if (!app) return HandOff::NoViewer;
    if (!gate.Take(std::chrono::steady_clock::now())) return HandOff::Refused;
    return LaunchApp(app, path) ? HandOff::Started : HandOff::NotStarted;
  }
  const std::string program = TrimProgramPath(chm ? CutQuotedProgram(command) : CutPercentProgram(command));
  if (program.empty()) return HandOff::NoViewer;
  const char* pathVariable = std::getenv("PATH");
  const std::string executable = FindProgram(program, pathVariable != nullptr ? pathVariable : "");
  if (executable.empty()) return HandOff::NotFound;
  if (!gate.Take(std::chrono::steady_clock::now())) return HandOff::Refused;
  return StartViewer(executable, targetURL) ? HandOff::Started : HandOff::NotStarted;
}

bool StartViewer(const std::string& program, const std::string& argument) {
  if (program.empty()) return false;
  try {
    Glib::Pid pid = 0;
    Glib::spawn_async(std::string(), std::vector<std::string>{program, argument},
                      Glib::SPAWN_DO_NOT_REAP_CHILD, Glib::SlotSpawnChildSetup(), &pid);
    Glib::signal_child_watch().connect([](Glib::Pid child, int) { Glib::spawn_close_pid(child); },
                                       pid);
    return true;
  } catch (const Glib::Error&) {
    return false;
  }
}

void OpenInDesktopBrowser(const std::string& uri) {
  try {
    Gio::AppInfo::launch_default_for_uri(uri);
  } catch (const Glib::Error&) {
    // No handler for the address: nothing opens.
  }
}

WebKitWebView* OpenPlainWindow(WebKitWebView* relatedTo, ViewLinks links) {
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(window), 800, 600);
  GtkWidget* view = webkit_web_view_new_with_related_view(relatedTo);
  g_object_set_data_full(G_OBJECT(view), kPlainLinksKey, new ViewLinks(std::move(links)),
                         [](gpointer data) { delete static_cast<ViewLinks*>(data); });
  gtk_container_add(GTK_CONTAINER(window), view);
  g_signal_connect_object(view, "notify::title", G_CALLBACK(PlainTitleChanged), window, GConnectFlags(0));
  g_signal_connect_object(view, "ready-to-show", G_CALLBACK(PlainReadyToShow), window, GConnectFlags(0));
  g_signal_connect_object(view, "close", G_CALLBACK(PlainCloseRequested), window, GConnectFlags(0));
  g_signal_connect(view, "create", G_CALLBACK(PlainCreate), nullptr);
  g_signal_connect(view, "decide-policy", G_CALLBACK(PlainDecidePolicy), nullptr);
  return WEBKIT_WEB_VIEW(view);
}

bool OpensInDesktopBrowser(const std::string& uri) {
  const bool local = uri.empty() || platform::IsFileUrl(uri) || platform::IsDocUri(uri) ||
                     platform::IsOpenedFileUri(uri) || platform::StartsWithNoCase(uri, "about:");
  return !local;
}

WebKitWebView* OpenRequestedWindow(WebKitWebView* relatedTo, const std::string& uri, ViewLinks links) {
  if (OpensInDesktopBrowser(uri)) {
    OpenInDesktopBrowser(uri);
    return nullptr;
  }
  return OpenPlainWindow(relatedTo, std::move(links));
}

std::string TitleOrAddress(WebKitWebView* view, const std::string& root) {
  const char* title = webkit_web_view_get_title(view);
  if (title && *title) return title;
  const char* uri = webkit_web_view_get_uri(view);
  // A page of the document root is named by its file's address.
  return uri ? LocalAddress(uri, root) : "";
}

std::string RequestUri(WebKitNavigationAction* action) {
  WebKitURIRequest* request = action ? webkit_navigation_action_get_request(action) : nullptr;
  const char* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
  return uri ? uri : "";
}

bool NavigationTarget(WebKitPolicyDecision* decision, WebKitPolicyDecisionType type, std::string& uri) {
  if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION &&
      type != WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION)
    return false;
  uri = RequestUri(
      webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision)));
  return true;
}

}  // namespace quiro
