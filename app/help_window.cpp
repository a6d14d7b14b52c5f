#include "app/help_window.h"

#include <unistd.h>

#include <fstream>
#include <sstream>

#include "app/core/guide_page.h"
#include "app/gobject_ptr.h"
#include "app/web_engine.h"
#include "res/strings.h"

namespace quiro {

namespace {

constexpr const char* kUserHeading = "## Using the viewer";
// The address the guide's page is shown under: one of no document.
constexpr const char* kGuideAddress = "about:blank";

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string RunningProgram() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

bool RunsFromBuildTree() {
  std::string build = QUIRO_BUILD_DIR;
  std::string exe = RunningProgram();
  return !build.empty() && exe.compare(0, build.size() + 1, build + "/") == 0;
}

std::string ReadmeGuide(const std::string& folder) { return ReadmeUserSection(ReadText(folder + "/README.md")); }

// `man quiro` writes plain text when its output is no terminal; the page
// width is fixed so the text fits the window.
std::string ManualPage() {
  std::string out;
  int status = 0;
  try {
    std::vector<std::string> env = Glib::listenv();
    std::vector<std::string> environment;
    for (const std::string& name : env)
      if (name != "MANWIDTH" && name != "MANPAGER" && name != "PAGER" && name != "MAN_KEEP_FORMATTING")
        environment.push_back(name + "=" + Glib::getenv(name));
    environment.push_back("MANWIDTH=80");
    Glib::spawn_sync(std::string(), std::vector<std::string>{"man", "quiro"}, environment,
                     Glib::SPAWN_SEARCH_PATH | Glib::SPAWN_STDERR_TO_DEV_NULL, Glib::SlotSpawnChildSetup(), &out,
                     nullptr, &status);
  } catch (const Glib::Error&) {
    return {};
  }
  if (!g_spawn_check_wait_status(status, nullptr)) return {};
  return StripOverstrike(out);
}

// The guide's page in a view of its own: no script, and nothing the page
// names is followed (the guide's links show as their text).
GtkWidget* GuideView(const std::string& html) {
  const GObjectPtr<WebKitSettings> settings(webkit_settings_new());
  webkit_settings_set_enable_javascript_markup(settings.get(), FALSE);  // no page script, whatever the page says
  GtkWidget* view = GTK_WIDGET(
      g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", SharedWebContext(), "settings", settings.get(), nullptr));
  g_signal_connect(view, "decide-policy",
                   G_CALLBACK(+[](WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                  gpointer) -> gboolean {
                     if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;
                     WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
                         WEBKIT_NAVIGATION_POLICY_DECISION(decision));
                     const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
                     if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION && g_strcmp0(uri, kGuideAddress) == 0)
                       webkit_policy_decision_use(decision);
                     else
                       webkit_policy_decision_ignore(decision);
                     return TRUE;
                   }),
                   nullptr);
  g_signal_connect(view, "context-menu", G_CALLBACK(+[](WebKitWebView*, WebKitContextMenu* menu, GdkEvent*,
                                                        WebKitHitTestResult*, gpointer) -> gboolean {
                     // Copy and Select All only: no Reload, Back or Inspect.
                     GList* items = g_list_copy(webkit_context_menu_get_items(menu));
                     for (GList* i = items; i != nullptr; i = i->next) {
                       auto* item = WEBKIT_CONTEXT_MENU_ITEM(i->data);
                       const WebKitContextMenuAction action = webkit_context_menu_item_get_stock_action(item);
                       if (action != WEBKIT_CONTEXT_MENU_ACTION_COPY && action != WEBKIT_CONTEXT_MENU_ACTION_SELECT_ALL)
                         webkit_context_menu_remove(menu, item);
                     }
                     g_list_free(items);
                     return FALSE;
                   }),
                   nullptr);
  webkit_web_view_load_html(WEBKIT_WEB_VIEW(view), html.c_str(), kGuideAddress);
  return view;
}

}  // namespace

std::string ReadmeUserSection(const std::string& readme) {
  std::size_t start = 0;
  for (;;) {
    start = readme.find(kUserHeading, start);
    if (start == std::string::npos) return {};
    bool lineStart = start == 0 || readme[start - 1] == '\n';
    std::size_t after = start + std::string_view(kUserHeading).size();
    bool lineEnd = after == readme.size() || readme[after] == '\n' || readme[after] == '\r';
    if (lineStart && lineEnd) break;
    start = after;
  }
  std::size_t end = readme.find("\n## ", start);
  return readme.substr(start, end == std::string::npos ? std::string::npos : end + 1 - start);
}

std::string StripOverstrike(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\b') {
      if (!out.empty()) out.pop_back();
      continue;
    }
    out += c;
  }
  return out;
}

std::string LoadUserGuide() {
  std::string guide;
  if (RunsFromBuildTree()) {
    guide = ReadmeGuide(QUIRO_SOURCE_DIR);
    if (guide.empty()) guide = ManualPage();
  } else {
    guide = ManualPage();
    if (guide.empty()) guide = ReadmeGuide(QUIRO_DOC_DIR);
  }
  return guide;
}

HelpWindow::~HelpWindow() = default;

bool HelpWindow::Show(Gtk::Window* parent) {
  if (m_window) {
    m_window->present();
    return true;
  }
  std::string guide = LoadUserGuide();
  if (guide.empty() || !g_utf8_validate(guide.data(), static_cast<gssize>(guide.size()), nullptr)) return false;

  m_window = std::make_unique<Gtk::Window>();
  Gtk::Window* window = m_window.get();
  window->set_title(res::LoadString(res::IDS_HELP_TITLE));
  window->set_default_size(720, 640);
  if (parent) window->set_transient_for(*parent);
  window->add(*Glib::wrap(GuideView(GuidePageHtml(guide, res::LoadString(res::IDS_HELP_TITLE)))));
  // Escape and Ctrl+W close it, as they close the dialogs and the main window.
  window->signal_key_press_event().connect(
      [window](GdkEventKey* event) {
        bool ctrlW = (event->state & GDK_CONTROL_MASK) && (event->keyval == GDK_KEY_w || event->keyval == GDK_KEY_W);
        if (event->keyval != GDK_KEY_Escape && !ctrlW) return false;
        window->hide();
        return true;
      },
      false);
  // Closed, it goes once the hide has run its course; F1 then makes a new one.
  window->signal_hide().connect([this] {
    std::shared_ptr<Gtk::Window> closed(std::move(m_window));
    Glib::signal_idle().connect_once([closed] {});
  });
  window->show_all();
  return true;
}

}  // namespace quiro
