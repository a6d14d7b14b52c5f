// Reads the viewer's accessibility tree over the AT-SPI bus, as a screen
// reader does, and checks what it would speak: the toolbar buttons, the menu
// bar, the lock panes, the find entry and the text of the page itself, which
// lives in the web process and is reached through the view's socket.
//
//   accessibility_tree [PROGRAM]    (PROGRAM: the application's name, "quiro")
//
// Prints one line for each thing not found and exits 1 if any is missing.
#include <atspi/atspi.h>
#include <stdio.h>
#include <string.h>

enum { kMaxDepth = 60, kMaxNodes = 20000, kAppWaitSeconds = 30, kTreeWaitSeconds = 40 };

typedef struct {
  const char* what;    // what the report calls it
  const char* name;    // the accessible name looked for
  AtspiRole roles[3];  // roles that count; none: any name or text containing `name`
  gboolean state;      // the name is followed by " on" or " off"
  gboolean page;       // only inside a web document, which the web process serves
  gboolean optional;   // reported, but not a failure
  gboolean found;
} Expect;

#define BUTTON(n) {.what = "toolbar button", .name = n, .roles = {ATSPI_ROLE_PUSH_BUTTON, ATSPI_ROLE_TOGGLE_BUTTON}}
#define LOCK(n) {.what = "lock pane", .name = n, .roles = {ATSPI_ROLE_LABEL}, .state = TRUE}

static Expect kExpected[] = {
    BUTTON("Back"), BUTTON("Forward"), BUTTON("Stop"), BUTTON("Refresh"), BUTTON("Start Page"),
    BUTTON("Prints displayed page only"), BUTTON("Set font size for display"),
    {.what = "menu", .name = "File", .roles = {ATSPI_ROLE_MENU, ATSPI_ROLE_MENU_ITEM}},
    {.what = "menu item", .name = "Start Page", .roles = {ATSPI_ROLE_MENU_ITEM}},
    LOCK("Caps Lock"), LOCK("Num Lock"),
    {.what = "find entry", .name = "Find in page", .roles = {ATSPI_ROLE_ENTRY, ATSPI_ROLE_TEXT}, .optional = TRUE},
    {.what = "page text", .name = "Important Information", .page = TRUE},
};
enum { kExpectedCount = sizeof kExpected / sizeof kExpected[0] };

static int g_nodes;
static gboolean g_dump;  // print each object walked, for a failure report

// Whether `name` is what `e` looks for. The lock panes carry their state
// after the key's name ("Caps Lock on", "Caps Lock off"); the page's text
// may stand anywhere in a name or a text.
static gboolean Matches(const Expect* e, const char* name, AtspiRole role, gboolean inPage) {
  if (name == NULL || (e->page && !inPage)) return FALSE;
  if (e->roles[0] == ATSPI_ROLE_INVALID) return strstr(name, e->name) != NULL;
  gboolean roleFits = FALSE;
  for (int i = 0; i < 3 && e->roles[i] != ATSPI_ROLE_INVALID; ++i) roleFits |= e->roles[i] == role;
  if (!roleFits) return FALSE;
  if (e->state) {
    size_t n = strlen(e->name);
    return strncmp(name, e->name, n) == 0 && (strcmp(name + n, " on") == 0 || strcmp(name + n, " off") == 0);
  }
  return strcmp(name, e->name) == 0;
}

static void Note(const char* text, AtspiRole role, gboolean inPage) {
  for (int i = 0; i < kExpectedCount; ++i)
    if (!kExpected[i].found && Matches(&kExpected[i], text, role, inPage)) kExpected[i].found = TRUE;
}

// Visits `node` and everything below it, within the depth and node limits;
// a child that went away while being read is passed over. `inPage` says
// whether a web document is above `node`.
static void Walk(AtspiAccessible* node, int depth, gboolean inPage) {
  if (depth > kMaxDepth || ++g_nodes > kMaxNodes) return;
  GError* error = NULL;
  AtspiRole role = atspi_accessible_get_role(node, &error);
  g_clear_error(&error);
  inPage |= role == ATSPI_ROLE_DOCUMENT_WEB;
  gchar* name = atspi_accessible_get_name(node, &error);
  g_clear_error(&error);
  if (g_dump) {
    gchar* roleName = atspi_role_get_name(role);
    printf("  %*s%s \"%s\" (process %u)\n", depth * 2, "", roleName, name ? name : "",
           atspi_accessible_get_process_id(node, NULL));
    g_free(roleName);
  }
  Note(name, role, inPage);
  g_free(name);
  AtspiText* text = atspi_accessible_get_text_iface(node);
  if (text != NULL) {
    gchar* chars = atspi_text_get_text(text, 0, 4096, &error);
    g_clear_error(&error);
    Note(chars, ATSPI_ROLE_INVALID, inPage);
    g_free(chars);
    g_object_unref(text);
  }
  gint count = atspi_accessible_get_child_count(node, &error);
  g_clear_error(&error);
  for (gint i = 0; i < count && g_nodes <= kMaxNodes; ++i) {
    AtspiAccessible* child = atspi_accessible_get_child_at_index(node, i, &error);
    g_clear_error(&error);
    if (child == NULL) continue;
    Walk(child, depth + 1, inPage);
    g_object_unref(child);
  }
}

static gboolean AllFound(void) {
  for (int i = 0; i < kExpectedCount; ++i)
    if (!kExpected[i].found && !kExpected[i].optional) return FALSE;
  return TRUE;
}

// Waits `ms` milliseconds while handing the bus's events to the cache.
static void Pause(int ms) {
  gint64 until = g_get_monotonic_time() + ms * 1000;
  while (g_get_monotonic_time() < until)
    if (!g_main_context_iteration(NULL, FALSE)) g_usleep(10000);
}

// The application called `program` on the desktop, or NULL.
static AtspiAccessible* FindApplication(const char* program) {
  AtspiAccessible* desktop = atspi_get_desktop(0);
  GError* error = NULL;
  AtspiAccessible* found = NULL;
  gint count = atspi_accessible_get_child_count(desktop, &error);
  g_clear_error(&error);
  for (gint i = 0; i < count && found == NULL; ++i) {
    AtspiAccessible* app = atspi_accessible_get_child_at_index(desktop, i, &error);
    g_clear_error(&error);
    if (app == NULL) continue;
    gchar* name = atspi_accessible_get_name(app, &error);
    g_clear_error(&error);
    if (name != NULL && strcmp(name, program) == 0)
      found = app;
    else
      g_object_unref(app);
    g_free(name);
  }
  g_object_unref(desktop);
  return found;
}

int main(int argc, char** argv) {
  const char* program = argc > 1 ? argv[1] : "quiro";
  if (atspi_init() < 0) {
    printf("FAIL: no connection to the accessibility bus\n");
    return 1;
  }
  // Calls into a viewer still loading its first page may take a while.
  atspi_set_timeout(5000, 15000);

  AtspiAccessible* app = NULL;
  gint64 deadline = g_get_monotonic_time() + kAppWaitSeconds * G_USEC_PER_SEC;
  while ((app = FindApplication(program)) == NULL && g_get_monotonic_time() < deadline) Pause(250);
  if (app == NULL) {
    printf("FAIL: no application named \"%s\" on the accessibility bus after %d s\n", program, kAppWaitSeconds);
    return 1;
  }
  printf("found application \"%s\"\n", program);

  // The page comes in after the window: walk again until everything is
  // there or the time is up. Finds are kept across walks.
  int walks = 0;
  deadline = g_get_monotonic_time() + kTreeWaitSeconds * G_USEC_PER_SEC;
  do {
    if (walks > 0) Pause(500);
    g_nodes = 0;
    Walk(app, 0, FALSE);
    ++walks;
  } while (!AllFound() && g_get_monotonic_time() < deadline);
  printf("walked the tree %d time(s), %d objects the last time\n", walks, g_nodes);

  int failures = 0;
  for (int i = 0; i < kExpectedCount; ++i) {
    const Expect* e = &kExpected[i];
    if (e->found)
      printf("ok: %s \"%s\"\n", e->what, e->name);
    else if (e->optional)
      printf("skipped: %s \"%s\" is not in the tree\n", e->what, e->name);
    else {
      printf("FAIL: no %s named \"%s\"\n", e->what, e->name);
      ++failures;
    }
  }
  if (failures > 0) {
    printf("the tree as it is now:\n");
    g_dump = TRUE;
    g_nodes = 0;
    Walk(app, 0, FALSE);
  }
  g_object_unref(app);
  printf("%d of %d checks missing\n", failures, kExpectedCount);
  return failures == 0 ? 0 : 1;
}
