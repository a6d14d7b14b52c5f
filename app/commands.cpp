#include "app/commands.h"

#include "app/help_window.h"
#include "app/main_frame.h"
#include "res/strings.h"

namespace quiro {

namespace {

CQuiroView& View(CMainFrame& frame) { return frame.GetActiveView(); }

void OnGoBack(CMainFrame& f) { View(f).GoBack(); }
void OnGoForward(CMainFrame& f) { View(f).GoForward(); }
void OnViewStop(CMainFrame& f) { View(f).Stop(); }
void OnViewRefresh(CMainFrame& f) { View(f).Refresh(); }
void OnGoStartPage(CMainFrame& f) { View(f).OnGoStartPage(); }
void OnGoSearchTheWeb(CMainFrame& f) { View(f).OnGoSearchTheWeb(); }
void OnViewFontsLargest(CMainFrame& f) { View(f).SetTextSize(4); }
void OnViewFontsLarge(CMainFrame& f) { View(f).SetTextSize(3); }
void OnViewFontsMedium(CMainFrame& f) { View(f).SetTextSize(2); }
void OnViewFontsSmall(CMainFrame& f) { View(f).SetTextSize(1); }
void OnViewFontsSmallest(CMainFrame& f) { View(f).SetTextSize(0); }
void OnFileOpen(CMainFrame& f) { View(f).OnFileOpen(); }
void OnFilePrint(CMainFrame& f) { f.GetPrintController().OnFilePrint(); }
void OnPrintAll(CMainFrame& f) { f.GetPrintController().OnPrintAll(); }
void OnFontDropDown(CMainFrame&) {}  // the face of the Font button does nothing
void OnAppExit(CMainFrame& f) { f.close(); }
void OnEditFind(CMainFrame& f) { f.GetFindBar().Open(); }
void OnHelp(CMainFrame& f) {
  if (!f.GetServices().help.Show(&f)) f.SetMessageText(res::LoadString(res::IDS_NO_HELP));
}
void OnViewToolbar(CMainFrame& f) { f.ToggleToolBar(); }
void OnViewStatusBar(CMainFrame& f) { f.ToggleStatusBar(); }

constexpr Command kCommands[] = {
    {res::ID_FILE_OPEN, "open", "<Control>o", false, OnFileOpen},
    {res::ID_FILE_PRINT, "print", "<Control>p", false, OnFilePrint},
    {res::ID_FILE_PRINT_DIRECT, "print-direct", "", false, OnFilePrint},
    {res::ID_APP_EXIT, "close", "<Control>w <Control>q", false, OnAppExit},
    {res::ID_EDIT_FIND, "find-in-page", "<Control>f", false, OnEditFind},
    {res::ID_HELP, "help", "F1", false, OnHelp},
    {res::ID_VIEW_TOOLBAR, "toolbar", "", true, OnViewToolbar},
    {res::ID_VIEW_STATUS_BAR, "statusbar", "", true, OnViewStatusBar},
    {res::ID_VIEW_FONTS_LARGEST, "font-largest", "", false, OnViewFontsLargest},
    {res::ID_VIEW_FONTS_LARGE, "font-large", "", false, OnViewFontsLarge},
    {res::ID_VIEW_FONTS_MEDIUM, "font-medium", "", false, OnViewFontsMedium},
    {res::ID_VIEW_FONTS_SMALL, "font-small", "", false, OnViewFontsSmall},
    {res::ID_VIEW_FONTS_SMALLEST, "font-smallest", "", false, OnViewFontsSmallest},
    {res::ID_VIEW_STOP, "stop", "Escape", false, OnViewStop},
    {res::ID_VIEW_REFRESH, "refresh", "F5", false, OnViewRefresh},
    {res::ID_GO_BACK, "back", "<Alt>Left", false, OnGoBack},
    {res::ID_GO_FORWARD, "forward", "<Alt>Right", false, OnGoForward},
    {res::ID_GO_START_PAGE, "start-page", "", false, OnGoStartPage},
    {res::ID_GO_SEARCH_THE_WEB, "find", "", false, OnGoSearchTheWeb},
    {res::ID_FONT_DROPDOWN, "font", "", false, OnFontDropDown},
    {res::ID_FILE_PRINT_ALL, "print-all", "", false, OnPrintAll},
};

}  // namespace

std::span<const Command> Commands() { return kCommands; }

std::string Command::Prompt() const { return res::CommandPrompt(id); }
std::string Command::Tooltip() const { return res::CommandTooltip(id); }

std::vector<Glib::ustring> Command::Accelerators() const {
  std::vector<Glib::ustring> accels;
  std::string_view rest = accel;
  while (!rest.empty()) {
    std::size_t blank = rest.find(' ');
    if (blank != 0) accels.emplace_back(std::string(rest.substr(0, blank)));
    if (blank == std::string_view::npos) break;
    rest.remove_prefix(blank + 1);
  }
  return accels;
}

int TextSizeOfCommand(int id) {
  constexpr int kSizes[] = {res::ID_VIEW_FONTS_SMALLEST, res::ID_VIEW_FONTS_SMALL, res::ID_VIEW_FONTS_MEDIUM,
                            res::ID_VIEW_FONTS_LARGE, res::ID_VIEW_FONTS_LARGEST};
  for (int level = 0; level < 5; ++level)
    if (kSizes[level] == id) return level;
  return -1;
}

const Command* FindCommand(int id) {
  for (const Command& c : kCommands)
    if (c.id == id) return &c;
  return nullptr;
}

}  // namespace quiro
