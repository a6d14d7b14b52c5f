#include "app/help_window.h"

#include <unistd.h>

#include <fstream>
#include <sstream>

#include "res/strings.h"

namespace quiro {

namespace {

constexpr const char* kUserHeading = "## Using the viewer";

Gtk::Window* g_helpWindow = nullptr;

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

bool ShowHelp(Gtk::Window* parent) {
  if (g_helpWindow) {
    g_helpWindow->present();
    return true;
  }
  std::string guide = LoadUserGuide();
  if (guide.empty() || !g_utf8_validate(guide.data(), static_cast<gssize>(guide.size()), nullptr)) return false;

  auto* window = new Gtk::Window();
  window->set_title(res::LoadString(res::IDS_HELP_TITLE));
  window->set_default_size(720, 640);
  if (parent) window->set_transient_for(*parent);
  auto* scroller = Gtk::manage(new Gtk::ScrolledWindow());
  auto* text = Gtk::manage(new Gtk::TextView());
  text->get_buffer()->set_text(guide);
  text->set_editable(false);
  text->set_cursor_visible(false);
  text->set_monospace(true);
  text->set_wrap_mode(Gtk::WRAP_WORD);
  text->set_left_margin(12);
  text->set_right_margin(12);
  text->set_top_margin(8);
  text->set_bottom_margin(8);
  scroller->add(*text);
  window->add(*scroller);
  // Escape and Ctrl+W close it, as they close the dialogs and the main window.
  window->signal_key_press_event().connect(
      [window](GdkEventKey* event) {
        bool ctrlW = (event->state & GDK_CONTROL_MASK) && (event->keyval == GDK_KEY_w || event->keyval == GDK_KEY_W);
        if (event->keyval != GDK_KEY_Escape && !ctrlW) return false;
        window->hide();
        return true;
      },
      false);
  window->signal_hide().connect([window] {
    g_helpWindow = nullptr;
    Glib::signal_idle().connect_once([window] { delete window; });
  });
  g_helpWindow = window;
  window->show_all();
  return true;
}

}  // namespace quiro
