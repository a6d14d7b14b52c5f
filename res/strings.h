#pragma once
// The window's resources: command ids, the string table, the menus and the
// toolbar layout. Every text the window shows comes from here.
//
// A command string holds the status-bar prompt before "\n" and the tooltip
// after it. Menu texts mark their mnemonic with "&" and their accelerator hint
// after "\t"; MenuLabel() turns them into GTK labels.

#include <cstddef>
#include <string>
#include <string_view>

namespace quiro::res {

// Command ids.
inline constexpr int ID_VIEW_STOP = 32778;
inline constexpr int ID_VIEW_REFRESH = 32779;
inline constexpr int ID_VIEW_FONTS_LARGEST = 32782;
inline constexpr int ID_VIEW_FONTS_LARGE = 32783;
inline constexpr int ID_VIEW_FONTS_MEDIUM = 32784;
inline constexpr int ID_VIEW_FONTS_SMALL = 32785;
inline constexpr int ID_VIEW_FONTS_SMALLEST = 32786;
inline constexpr int ID_GO_BACK = 32787;
inline constexpr int ID_GO_FORWARD = 32788;
inline constexpr int ID_GO_START_PAGE = 32789;
inline constexpr int ID_GO_SEARCH_THE_WEB = 32790;
inline constexpr int ID_FONT_DROPDOWN = 32793;
inline constexpr int ID_FILE_OPEN = 57601;
inline constexpr int ID_FILE_PRINT = 57607;
inline constexpr int ID_FILE_PRINT_DIRECT = 57608;
inline constexpr int ID_APP_EXIT = 57665;
inline constexpr int ID_VIEW_TOOLBAR = 59392;
inline constexpr int ID_VIEW_STATUS_BAR = 59393;
inline constexpr int ID_FILE_PRINT_ALL = 59394;
// Commands of our own: find in page (Ctrl+F) and help (F1).
inline constexpr int ID_EDIT_FIND = 57636;
inline constexpr int ID_HELP = 57670;

// Plain string ids.
// The start-up's network-layer failure text. Nothing needs starting for the
// network on this platform, so it is never shown; it keeps its number.
inline constexpr int IDS_SOCKETS_INIT_FAILED = 104;
inline constexpr int IDS_OPEN_FILTER = 1201;
// Status-bar texts of a help file link whose viewer is missing or does not
// start; "%1" stands for the file kind (CHM, HLP).
inline constexpr int IDS_NO_VIEWER = 1210;
inline constexpr int IDS_VIEWER_NOT_STARTED = 1211;
inline constexpr int IDS_VIEWER_NOT_FOUND = 1212;
inline constexpr int IDS_VIEWER_REFUSED = 1213;
// The find bar's texts; "%1" stands for a number.
inline constexpr int IDS_FIND_PLACEHOLDER = 1220;
inline constexpr int IDS_FIND_PREVIOUS = 1221;
inline constexpr int IDS_FIND_NEXT = 1222;
inline constexpr int IDS_FIND_CLOSE = 1223;
inline constexpr int IDS_FIND_NO_MATCHES = 1224;
inline constexpr int IDS_FIND_ONE_MATCH = 1225;
inline constexpr int IDS_FIND_MATCHES = 1226;
inline constexpr int IDS_FIND_MANY_MATCHES = 1227;
inline constexpr int IDS_HELP_TITLE = 1230;
inline constexpr int IDS_NO_HELP = 1231;
inline constexpr int IDS_APP_TITLE = 57344;
inline constexpr int IDS_IDLE_MESSAGE = 57345;
inline constexpr int IDS_INDICATOR_CAPS = 59137;
inline constexpr int IDS_INDICATOR_NUM = 59138;
inline constexpr int IDS_INDICATOR_SCRL = 59139;
inline constexpr int IDS_UNTITLED = 61443;
inline constexpr int IDS_PRINT_ALL_CONFIRM = 59395;
inline constexpr int IDS_CLOSE_DURING_PRINT_ALL = 61500;

struct StringEntry {
  int id;
  const char* text;
};

inline constexpr StringEntry kStringTable[] = {
    {IDS_SOCKETS_INIT_FAILED, "The network layer could not be started."},
    {748, "Back"},
    {749, "Forward"},
    {750, "Stop"},
    {751, "Refresh"},
    {752, "Home"},
    {753, "Find"},
    {755, "Print"},
    {756, "Font"},
    {758, "Print All"},
    {IDS_OPEN_FILTER,
     "HTML Files|*.htm;*.html|Text Files|*.txt|GIF Files|*.gif|JPEG Files|*.jpg;*.jpeg|"
     "AU Files|*.au|AIFF Files|*.aif;*.aiff|XBM Files|*.xbm|All Files|*.*||"},
    {IDS_NO_VIEWER, "No viewer is registered for %1 files."},
    {IDS_VIEWER_NOT_STARTED, "The viewer for %1 files could not be started."},
    {IDS_VIEWER_NOT_FOUND, "The viewer program for %1 files was not found."},
    {IDS_VIEWER_REFUSED, "The %1 file was not handed to its viewer: only local help files clicked on go there."},
    {IDS_FIND_PLACEHOLDER, "Find in page"},
    {IDS_FIND_PREVIOUS, "Previous match (Shift+Enter)"},
    {IDS_FIND_NEXT, "Next match (Enter)"},
    {IDS_FIND_CLOSE, "Close (Esc)"},
    {IDS_FIND_NO_MATCHES, "No matches"},
    {IDS_FIND_ONE_MATCH, "1 match"},
    {IDS_FIND_MATCHES, "%1 matches"},
    {IDS_FIND_MANY_MATCHES, "More than %1 matches"},
    {ID_EDIT_FIND, "Finds text in the page being read.\nFind in Page"},
    {ID_HELP, "Shows the user's guide.\nHelp"},
    {IDS_HELP_TITLE, "quiro Help"},
    {IDS_NO_HELP, "No user's guide is installed."},
    {ID_VIEW_STOP, "Stops opening a file.\nStop"},
    {ID_VIEW_REFRESH, "Refreshes the contents of the current page.\nRefresh"},
    {ID_VIEW_FONTS_LARGEST, "Selects largest font size."},
    {ID_VIEW_FONTS_LARGE, "Selects large font size."},
    {ID_VIEW_FONTS_MEDIUM, "Selects medium font size."},
    {ID_VIEW_FONTS_SMALL, "Selects small font size."},
    {ID_VIEW_FONTS_SMALLEST, "Selects smallest font size."},
    {ID_GO_BACK, "Goes back one step.\nBack"},
    {ID_GO_FORWARD, "Goes forward one step.\nForward"},
    {ID_GO_START_PAGE, "Opens your start page.\nStart Page"},
    {ID_GO_SEARCH_THE_WEB, "Opens your find page.\nFind"},
    {ID_FONT_DROPDOWN, "Change Font size.\nSet font size for display"},
    {ID_FILE_OPEN, "Opens a document in this window."},
    {ID_FILE_PRINT, "Prints displayed page.\nPrints displayed page only"},
    {ID_APP_EXIT, "Closes the window."},
    {ID_VIEW_TOOLBAR, "Show or hide the toolbar"},
    {ID_VIEW_STATUS_BAR, "Show or hide the status bar"},
    {ID_FILE_PRINT_ALL, "Prints entire document.\n Prints entire document including links."},
    {IDS_APP_TITLE, "quiro"},
    {IDS_IDLE_MESSAGE, "Ready"},
    {IDS_INDICATOR_CAPS, "CAP"},
    {IDS_INDICATOR_NUM, "NUM"},
    {IDS_INDICATOR_SCRL, "SCRL"},
    {IDS_UNTITLED, "Untitled"},
    {IDS_CLOSE_DURING_PRINT_ALL,
     "Print All has not yet handed every page to the printer.\n\nClose anyway? The pages it has "
     "not handed over yet are still printed before quiro ends."},
    {IDS_PRINT_ALL_CONFIRM,
     "This function will print the entire document with all associated links which is some "
     "cases may be a large number of pages.  To print only the page in the viewer, press Cancel "
     "and click on the other Print button.  Do you wish to continue?"},
};

/// The text of string `id`, or an empty string when the table has none.
inline std::string LoadString(int id) {
  for (const StringEntry& e : kStringTable)
    if (e.id == id) return e.text;
  return {};
}

/// The status-bar prompt of a command: its string up to the first "\n".
inline std::string CommandPrompt(int id) {
  std::string s = LoadString(id);
  return s.substr(0, s.find('\n'));
}

/// The tooltip of a command: its string after the first "\n" (empty when none).
inline std::string CommandTooltip(int id) {
  std::string s = LoadString(id);
  std::size_t nl = s.find('\n');
  return nl == std::string::npos ? std::string() : s.substr(nl + 1);
}

/// A menu text turned into a GTK mnemonic label: "&" marks the mnemonic
/// ("&&" is a literal "&"), "_" is doubled, and the accelerator hint after
/// "\t" goes (GTK draws the hint from the accelerator itself).
inline std::string MenuLabel(std::string_view text) {
  text = text.substr(0, text.find('\t'));
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') {
        out += '&';
        ++i;
      } else {
        out += '_';
      }
    } else if (c == '_') {
      out += "__";
    } else {
      out += c;
    }
  }
  return out;
}

// Main menu. A top-level entry has id 0 and names its pop-up; a separator has
// id 0 and no text; a sub-menu starts with kSubMenu and ends with kEndSubMenu.
inline constexpr int kPopup = -1;
inline constexpr int kSeparator = 0;
inline constexpr int kSubMenu = -2;
inline constexpr int kEndSubMenu = -3;

struct MenuEntry {
  int id;
  const char* text;
};

inline constexpr MenuEntry kMainMenu[] = {
    {kPopup, "&File"},
    {ID_FILE_OPEN, "&Open...\tCtrl+O"},
    {kSeparator, ""},
    {ID_FILE_PRINT, "&Print...\tCtrl+P"},
    {kSeparator, ""},
    {ID_APP_EXIT, "&Close"},
    {kPopup, "&View"},
    {ID_VIEW_TOOLBAR, "&Toolbar"},
    {ID_VIEW_STATUS_BAR, "&Status Bar"},
    {kSeparator, ""},
    {kSubMenu, "Fo&nts"},
    {ID_VIEW_FONTS_LARGEST, "Largest"},
    {ID_VIEW_FONTS_LARGE, "Large"},
    {ID_VIEW_FONTS_MEDIUM, "Medium"},
    {ID_VIEW_FONTS_SMALL, "Small"},
    {ID_VIEW_FONTS_SMALLEST, "Smallest"},
    {kEndSubMenu, ""},
    {kSeparator, ""},
    {ID_VIEW_STOP, "Sto&p\tEsc"},
    {ID_VIEW_REFRESH, "&Refresh\tF5"},
    {kPopup, "&Go"},
    {ID_GO_BACK, "&Back\tAlt+Left Arrow"},
    {ID_GO_FORWARD, "&Forward\tAlt+Right Arrow"},
    {kSeparator, ""},
    {ID_GO_START_PAGE, "&Start Page"},
};

/// The Font button's drop-down menu.
inline constexpr MenuEntry kFontMenu[] = {
    {ID_VIEW_FONTS_LARGEST, "Lar&gest"},
    {ID_VIEW_FONTS_LARGE, "&Larger"},
    {ID_VIEW_FONTS_MEDIUM, "&Medium"},
    {ID_VIEW_FONTS_SMALL, "&Smaller"},
    {ID_VIEW_FONTS_SMALLEST, "Sm&allest"},
};

// Toolbar buttons by index: command, image index and label string.
struct ToolbarButton {
  int command;
  int image;
  int label;
  bool dropDown;
};

inline constexpr ToolbarButton kToolbar[] = {
    {ID_GO_BACK, 0, 748, false},
    {ID_GO_FORWARD, 1, 749, false},
    {ID_VIEW_STOP, 2, 750, false},
    {ID_VIEW_REFRESH, 3, 751, false},
    {ID_GO_START_PAGE, 4, 752, false},
    {ID_GO_SEARCH_THE_WEB, 6, 753, false},
    {ID_FILE_PRINT, 7, 755, false},
    {ID_FONT_DROPDOWN, 8, 756, true},
    {ID_FILE_PRINT_ALL, 9, 758, false},
};
inline constexpr std::size_t kToolbarButtonCount = sizeof(kToolbar) / sizeof(kToolbar[0]);

// Toolbar indices the navigation check shows and hides.
inline constexpr int kFindButton = 5;
inline constexpr int kPrintButton = 6;
inline constexpr int kPrintAllButton = 8;

/// Resource path of toolbar image `image` (0-9), normal or hot.
inline std::string ToolbarImagePath(int image, bool hot) {
  std::string nn = std::to_string(image);
  if (nn.size() < 2) nn = "0" + nn;
  return std::string("/org/vesk/quiro/toolbar/") + (hot ? "hot/" : "normal/") + nn + ".svg";
}

}  // namespace quiro::res
