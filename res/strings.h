#pragma once
// The window's resources: command ids, the string table, the menus and the
// toolbar layout. Every text the window shows comes from here.
//
// A command string holds the status-bar prompt before "\n" and the tooltip
// after it. Menu texts mark their mnemonic with "&" and their accelerator hint
// after "\t"; MenuLabel() turns them into GTK labels.

#include <cstddef>
#include <initializer_list>
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
// The buttons of the question IDS_CLOSE_DURING_PRINT_ALL asks.
inline constexpr int IDS_CLOSE_KEEP_OPEN = 61501;
inline constexpr int IDS_CLOSE_ANYWAY = 61502;
// The toolbar's button labels.
inline constexpr int IDS_TOOLBAR_BACK = 748;
inline constexpr int IDS_TOOLBAR_FORWARD = 749;
inline constexpr int IDS_TOOLBAR_STOP = 750;
inline constexpr int IDS_TOOLBAR_REFRESH = 751;
inline constexpr int IDS_TOOLBAR_HOME = 752;
inline constexpr int IDS_TOOLBAR_FIND = 753;
inline constexpr int IDS_TOOLBAR_PRINT = 755;
inline constexpr int IDS_TOOLBAR_FONT = 756;
inline constexpr int IDS_TOOLBAR_PRINT_ALL = 758;
// The tooltip of the arrow at the toolbar's end that opens the buttons that
// do not fit.
inline constexpr int IDS_TOOLBAR_MORE = 1290;
// The file kinds that go to a help viewer, for "%1" in IDS_NO_VIEWER and the
// texts after it.
inline constexpr int IDS_KIND_CHM = 1214;
inline constexpr int IDS_KIND_HLP = 1215;
// File > Open's dialog: its title and buttons.
inline constexpr int IDS_OPEN_TITLE = 1202;
inline constexpr int IDS_OPEN_CANCEL = 1203;
inline constexpr int IDS_OPEN_OK = 1204;
// The filter the Open dialog offers after those of IDS_OPEN_FILTER: the
// view shows PDF files inline, and that string names none.
inline constexpr int IDS_OPEN_FILTER_PDF = 1205;
// The program's own search page when the search index is not there.
inline constexpr int IDS_SEARCH_TITLE = 1240;
inline constexpr int IDS_SEARCH_NOT_AVAILABLE = 1241;
// Above the results of a query that ran out of time.
inline constexpr int IDS_SEARCH_CUT_SHORT = 1242;
// The page shown in place of one whose web process went: its heading, the
// reason (by how the process ended) and the link that loads the page again.
inline constexpr int IDS_PAGE_GONE_HEADING = 1250;
inline constexpr int IDS_PAGE_GONE_CRASHED = 1251;
inline constexpr int IDS_PAGE_GONE_MEMORY = 1252;
inline constexpr int IDS_PAGE_GONE_STOPPED = 1253;
inline constexpr int IDS_PAGE_GONE_RELOAD = 1254;
// Printing. "%1" is the printing system's error in IDS_PDF_NOT_PRINTED, the
// page number and "%2" its path in IDS_PRINTING_PAGE.
inline constexpr int IDS_PDF_NOT_PRINTED = 1260;
inline constexpr int IDS_PRINTING_PAGE = 1261;
// Print All confirmed on a page it cannot walk: why nothing was printed.
inline constexpr int IDS_PRINT_ALL_OWN_PAGE = 1262;
inline constexpr int IDS_PRINT_ALL_NOT_LOCAL = 1263;
// What became of a page Print All could not print, as its report lists it.
// "%1" is the printing system's error, the HTTP status or the folder.
inline constexpr int IDS_PAGE_NOT_LOADED = 1270;
inline constexpr int IDS_PAGE_NOT_PRINTED = 1271;
inline constexpr int IDS_PAGE_TIMED_OUT = 1272;
inline constexpr int IDS_PAGE_CANCELLED = 1273;
inline constexpr int IDS_PAGE_FRAMESET = 1274;
inline constexpr int IDS_PAGE_ERROR_STATUS = 1275;
inline constexpr int IDS_PAGE_NO_FILE = 1276;
inline constexpr int IDS_PAGE_NO_FILE_FOLDER = 1277;
inline constexpr int IDS_PAGE_NO_VIEW = 1278;
inline constexpr int IDS_PAGE_JOB_FAILED = 1279;

struct StringEntry {
  int id;
  const char* text;
};

inline constexpr StringEntry kStringTable[] = {
    {IDS_SOCKETS_INIT_FAILED, "The network layer could not be started."},
    {IDS_TOOLBAR_BACK, "Back"},
    {IDS_TOOLBAR_FORWARD, "Forward"},
    {IDS_TOOLBAR_STOP, "Stop"},
    {IDS_TOOLBAR_REFRESH, "Refresh"},
    {IDS_TOOLBAR_HOME, "Home"},
    {IDS_TOOLBAR_FIND, "Find"},
    {IDS_TOOLBAR_PRINT, "Print"},
    {IDS_TOOLBAR_FONT, "Font"},
    {IDS_TOOLBAR_PRINT_ALL, "Print All"},
    {IDS_TOOLBAR_MORE, "More buttons"},
    {IDS_OPEN_FILTER,
     "HTML Files|*.htm;*.html|Text Files|*.txt|GIF Files|*.gif|JPEG Files|*.jpg;*.jpeg|"
     "AU Files|*.au|AIFF Files|*.aif;*.aiff|XBM Files|*.xbm|All Files|*.*||"},
    {IDS_OPEN_TITLE, "Open"},
    {IDS_OPEN_CANCEL, "&Cancel"},
    {IDS_OPEN_OK, "&Open"},
    {IDS_OPEN_FILTER_PDF, "PDF Files|*.pdf||"},
    {IDS_NO_VIEWER, "No viewer is registered for %1 files."},
    {IDS_VIEWER_NOT_STARTED, "The viewer for %1 files could not be started."},
    {IDS_VIEWER_NOT_FOUND, "The viewer program for %1 files was not found."},
    {IDS_VIEWER_REFUSED, "The %1 file was not handed to its viewer: only local help files clicked on go there."},
    {IDS_KIND_CHM, "CHM"},
    {IDS_KIND_HLP, "HLP"},
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
    {IDS_SEARCH_TITLE, "Search"},
    {IDS_SEARCH_NOT_AVAILABLE, "Search is not available."},
    {IDS_SEARCH_CUT_SHORT, "The search was cut short; these are the pages found so far."},
    {IDS_PAGE_GONE_HEADING, "This page could not be shown"},
    {IDS_PAGE_GONE_CRASHED, "The part of the viewer that shows pages stopped unexpectedly (it crashed)."},
    {IDS_PAGE_GONE_MEMORY, "The part of the viewer that shows pages used too much memory and was stopped."},
    {IDS_PAGE_GONE_STOPPED, "The part of the viewer that shows pages was stopped."},
    {IDS_PAGE_GONE_RELOAD, "Reload"},
    {IDS_PDF_NOT_PRINTED, "The PDF was not printed: %1"},
    {IDS_PRINTING_PAGE, "Printing page %1: %2"},
    {IDS_PRINT_ALL_OWN_PAGE, "Nothing printed: this is the viewer's own page, not a page of the documents."},
    {IDS_PRINT_ALL_NOT_LOCAL, "Nothing printed: Print All prints pages on this computer, and this page is not one."},
    {IDS_PAGE_NOT_LOADED, "the page could not be loaded"},
    {IDS_PAGE_NOT_PRINTED, "the page could not be printed"},
    {IDS_PAGE_TIMED_OUT, "the page did not answer in time"},
    {IDS_PAGE_CANCELLED, "Print All was stopped before this page"},
    {IDS_PAGE_FRAMESET, "it is a frameset, which prints as a blank sheet"},
    {IDS_PAGE_ERROR_STATUS, "an error page (status %1) came in its place"},
    {IDS_PAGE_NO_FILE, "no file could be made for it in %1"},
    {IDS_PAGE_NO_FILE_FOLDER, "the temporary folder"},
    {IDS_PAGE_NO_VIEW, "no view could be made to print it"},
    {IDS_PAGE_JOB_FAILED, "the printer did not print it: %1"},
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
    {IDS_CLOSE_KEEP_OPEN, "&Keep Open"},
    {IDS_CLOSE_ANYWAY, "&Close"},
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

/// String `id` with "%1", "%2"... replaced by `args` in order, in one pass
/// (an argument's own "%1" stays as it is). A "%N" without an argument stays.
inline std::string FormatString(int id, std::initializer_list<std::string_view> args) {
  const std::string text = LoadString(id);
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if (text[i] == '%' && next >= '1' && next <= '9' && static_cast<std::size_t>(next - '1') < args.size()) {
      out += args.begin()[next - '1'];
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
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
    {ID_GO_BACK, 0, IDS_TOOLBAR_BACK, false},
    {ID_GO_FORWARD, 1, IDS_TOOLBAR_FORWARD, false},
    {ID_VIEW_STOP, 2, IDS_TOOLBAR_STOP, false},
    {ID_VIEW_REFRESH, 3, IDS_TOOLBAR_REFRESH, false},
    {ID_GO_START_PAGE, 4, IDS_TOOLBAR_HOME, false},
    {ID_GO_SEARCH_THE_WEB, 6, IDS_TOOLBAR_FIND, false},
    {ID_FILE_PRINT, 7, IDS_TOOLBAR_PRINT, false},
    {ID_FONT_DROPDOWN, 8, IDS_TOOLBAR_FONT, true},
    {ID_FILE_PRINT_ALL, 9, IDS_TOOLBAR_PRINT_ALL, false},
};
inline constexpr std::size_t kToolbarButtonCount = sizeof(kToolbar) / sizeof(kToolbar[0]);

/// The toolbar index of the button that runs `command`, or -1 when none does.
constexpr int ToolbarIndex(int command) {
  for (std::size_t i = 0; i < kToolbarButtonCount; ++i)
    if (kToolbar[i].command == command) return static_cast<int>(i);
  return -1;
}

// The buttons the navigation check shows and hides, found by their command
// so that the toolbar's order can change.
inline constexpr int kFindButton = ToolbarIndex(ID_GO_SEARCH_THE_WEB);
inline constexpr int kPrintButton = ToolbarIndex(ID_FILE_PRINT);
inline constexpr int kPrintAllButton = ToolbarIndex(ID_FILE_PRINT_ALL);
static_assert(kFindButton >= 0 && kPrintButton >= 0 && kPrintAllButton >= 0);

/// Resource path of toolbar image `image` (0-9), normal or hot.
inline std::string ToolbarImagePath(int image, bool hot) {
  std::string nn = std::to_string(image);
  if (nn.size() < 2) nn = "0" + nn;
  return std::string("/org/vesk/quiro/toolbar/") + (hot ? "hot/" : "normal/") + nn + ".svg";
}

}  // namespace quiro::res
