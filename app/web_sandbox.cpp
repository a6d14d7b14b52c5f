#include "app/web_sandbox.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <set>
#include <string_view>
#include <system_error>

#include "app/gobject_ptr.h"
#include "platform/xdg.h"

namespace quiro {

namespace {

// A program found along PATH, or "" (absolute PATH entries only).
std::string FoundOnPath(const char* program) {
  GCharPtr found(g_find_program_in_path(program));
  return found != nullptr && found.get()[0] == '/' ? found.get() : "";
}

std::string FindProblem() {
  const char* wanted = std::getenv("QUIRO_WEB_SANDBOX");
  if (wanted != nullptr && std::string_view(wanted) == "0") return "QUIRO_WEB_SANDBOX=0 is set";
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  struct stat st {};
  // The engine keeps the sandbox's sockets there: it must be the user's own.
  if (runtime == nullptr || runtime[0] != '/' || stat(runtime, &st) != 0 || !S_ISDIR(st.st_mode) ||
      st.st_uid != geteuid() || access(runtime, W_OK | X_OK) != 0)
    return "XDG_RUNTIME_DIR is not set to a folder of the user's own";
  const std::string bwrap = FoundOnPath("bwrap");
  if (bwrap.empty()) return "bwrap (bubblewrap) is not installed";
  if (FoundOnPath("xdg-dbus-proxy").empty()) return "xdg-dbus-proxy is not installed";
  // The namespaces the engine asks for: without them (a container that
  // forbids user namespaces) bubblewrap fails at once.
  const gchar* argv[] = {bwrap.c_str(), "--unshare-all", "--die-with-parent", "--ro-bind", "/", "/",
                         "true", nullptr};
  gint status = 0;
  CGError error;
  const gboolean ran =
      g_spawn_sync(nullptr, const_cast<gchar**>(argv), nullptr,
                   GSpawnFlags(G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL), nullptr, nullptr,
                   nullptr, nullptr, &status, error.Out());
  if (!ran || !g_spawn_check_wait_status(status, nullptr))
    return "bubblewrap cannot make its namespaces here (user namespaces may be off)";
  return {};
}

// A folder the web process may read, when it exists (the engine refuses
// paths that do not).
void AddReadable(WebKitWebContext* context, std::set<std::string>& added, std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  struct stat st {};
  if (path.empty() || path[0] != '/' || path == "/" || stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
    return;
  if (!added.insert(path).second) return;
  webkit_web_context_add_path_to_sandbox(context, path.c_str(), TRUE);
}

// The answer, worked out on a thread of its own; the first call starts it.
// At exit the last reference waits for the thread.
const std::shared_future<std::string>& Check() {
  static const std::shared_future<std::string> check = [] {
    try {
      return std::async(std::launch::async, FindProblem).share();
    } catch (const std::system_error&) {  // no thread to be had: right here
      std::promise<std::string> here;
      here.set_value(FindProblem());
      return here.get_future().share();
    }
  }();
  return check;
}

}  // namespace

void StartWebSandboxCheck() { Check(); }

const std::string& WebSandboxProblem() { return Check().get(); }

void SetUpWebProcessSandbox(WebKitWebContext* context, const platform::DocSite& site) {
  const std::string& problem = WebSandboxProblem();
  if (!problem.empty()) {
    std::fprintf(stderr, "quiro: pages run without the web process sandbox: %s\n", problem.c_str());
    return;
  }
  webkit_web_context_set_sandbox_enabled(context, TRUE);
  std::set<std::string> added;
  AddReadable(context, added, site.root);
  AddReadable(context, added, site.overlay);
  AddReadable(context, added, site.driveC);
  const std::string cache = platform::CacheHome();
  if (!cache.empty()) AddReadable(context, added, cache + "/quiro");
}

}  // namespace quiro
