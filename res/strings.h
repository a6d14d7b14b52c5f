#pragma once
// The window's resources: command ids, the string table, the menus and the
// toolbar layout. Every text the window shows comes from here.
//
// Every text is the English message id of the text domain "quiro" and is
// read through gettext, so the window speaks the user's language where a
// catalogue has it (platform::StartTranslations binds the domain).
//
// A command string holds the status-bar prompt before "\n" and the tooltip
// after it. Menu texts mark their mnemonic with "&" and their accelerator hint
// after "\t"; MenuLabel() turns them into GTK labels.

#include <libintl.h>

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
// What assistive technology reads for the lock-key panes, by state.
inline constexpr int IDS_CAPS_LOCK_ON = 1380;
inline constexpr int IDS_CAPS_LOCK_OFF = 1381;
inline constexpr int IDS_NUM_LOCK_ON = 1382;
inline constexpr int IDS_NUM_LOCK_OFF = 1383;
inline constexpr int IDS_SCROLL_LOCK_ON = 1384;
inline constexpr int IDS_SCROLL_LOCK_OFF = 1385;
// The status bar's answer to F7, which turns caret browsing on and off.
inline constexpr int IDS_CARET_BROWSING_ON = 1386;
inline constexpr int IDS_CARET_BROWSING_OFF = 1387;
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

// The program's own search page. The submit button is IDS_SEARCH_TITLE.
inline constexpr int IDS_SEARCH_HEADING = 1243;
inline constexpr int IDS_SEARCH_TITLE_QUERY = 1244;
inline constexpr int IDS_SEARCH_LOOKING = 1245;
inline constexpr int IDS_SEARCH_INDEXING = 1246;
inline constexpr int IDS_SEARCH_INCOMPLETE = 1247;
inline constexpr int IDS_SEARCH_UNREADABLE = 1248;
inline constexpr int IDS_SEARCH_NO_HITS = 1249;
inline constexpr int IDS_SEARCH_ONE_HIT = 1280;
inline constexpr int IDS_SEARCH_HITS = 1281;
inline constexpr int IDS_SEARCH_ONE_HIT_RANKED = 1282;
inline constexpr int IDS_SEARCH_HITS_RANKED = 1283;
// Why a query cannot be searched (the results page and --search).
inline constexpr int IDS_QUERY_NO_WORDS = 1284;
inline constexpr int IDS_QUERY_TOO_LONG = 1285;
inline constexpr int IDS_QUERY_TOO_MANY_TERMS = 1286;
inline constexpr int IDS_QUERY_TOO_MANY_PREFIXES = 1287;
// The document scheme's error pages: a title, then the message; "%1" is the
// name asked for.
inline constexpr int IDS_ERR_REFUSED = 1300;
inline constexpr int IDS_ERR_NAME_TOO_LONG = 1301;
inline constexpr int IDS_ERR_BAD_REQUEST = 1302;
inline constexpr int IDS_ERR_NOT_OPENED = 1303;
inline constexpr int IDS_ERR_NOT_A_FILE = 1304;
inline constexpr int IDS_ERR_NOT_FOUND = 1305;
inline constexpr int IDS_ERR_OUTSIDE = 1306;
inline constexpr int IDS_ERR_FOLDER = 1307;
inline constexpr int IDS_ERR_NOT_READABLE = 1308;
inline constexpr int IDS_ERR_READ_ERROR = 1309;
inline constexpr int IDS_ERR_OTHER_ORIGIN = 1310;
inline constexpr int IDS_ERR_ADDRESS_TOO_LONG = 1311;
inline constexpr int IDS_ERR_ADDRESS_NUL = 1312;
inline constexpr int IDS_ERR_ONLY_ROOT_AND_OPENED = 1313;
inline constexpr int IDS_ERR_IS_NOT_A_FILE = 1314;
inline constexpr int IDS_ERR_NOT_A_DOCUMENT_ADDRESS = 1315;
inline constexpr int IDS_ERR_NO_PAGE = 1316;
inline constexpr int IDS_ERR_ONLY_ROOT = 1317;
inline constexpr int IDS_ERR_NAME_IN_ADDRESS_TOO_LONG = 1318;
inline constexpr int IDS_ERR_ROOT_IS_FOLDER = 1319;
inline constexpr int IDS_ERR_MAY_NOT_BE_READ = 1320;
inline constexpr int IDS_ERR_NO_DOCUMENT = 1321;
inline constexpr int IDS_ERR_IS_FOLDER = 1322;
inline constexpr int IDS_ERR_NOT_READ = 1323;
// The command line: --help's texts (an option's help breaks its lines with
// "\n"; the option names themselves stay as they are) and its messages on
// stderr, which follow "quiro: ". "%1" is an argument as given.
inline constexpr int IDS_CLI_USAGE = 1400;
inline constexpr int IDS_CLI_ABOUT = 1401;
inline constexpr int IDS_CLI_HELP_BUILD_ONLY = 1410;
inline constexpr int IDS_CLI_HELP_VERBOSE = 1411;
inline constexpr int IDS_CLI_HELP_PREPARE_PRINT = 1412;
inline constexpr int IDS_CLI_HELP_LIST_PRINT_PAGES = 1413;
inline constexpr int IDS_CLI_HELP_PRINT_ALL = 1414;
inline constexpr int IDS_CLI_HELP_SEARCH = 1415;
inline constexpr int IDS_CLI_HELP_LIMIT = 1416;
inline constexpr int IDS_CLI_HELP_SHARED_INDEX = 1417;
inline constexpr int IDS_CLI_HELP_SCREENSHOT = 1418;
inline constexpr int IDS_CLI_HELP_EXIT_AFTER_SCREENSHOT = 1419;
inline constexpr int IDS_CLI_HELP_REPORT_READY = 1420;
inline constexpr int IDS_CLI_HELP_HELP = 1421;
inline constexpr int IDS_CLI_HELP_VERSION = 1422;
inline constexpr int IDS_CLI_SEE_HELP = 1430;
inline constexpr int IDS_CLI_SCREENSHOT_NEEDS_FILE = 1431;
inline constexpr int IDS_CLI_PRINT_ALL_NEEDS_PAGE = 1432;
inline constexpr int IDS_CLI_TO_PDF_NEEDS_FILE = 1433;
inline constexpr int IDS_CLI_UNKNOWN_OPTION = 1434;
inline constexpr int IDS_CLI_MORE_THAN_ONE_FILE = 1435;
inline constexpr int IDS_CLI_PRINT_ALL_TO_PDF = 1436;
inline constexpr int IDS_CLI_EXIT_NEEDS_SCREENSHOT = 1437;
inline constexpr int IDS_CLI_NO_WINDOW = 1438;
inline constexpr int IDS_CLI_BUILD_ONLY_ARGS = 1439;
inline constexpr int IDS_CLI_PREPARE_PRINT_ARGS = 1440;
inline constexpr int IDS_CLI_LIST_PRINT_PAGES_ARGS = 1441;
inline constexpr int IDS_CLI_SEARCH_NEEDS_QUERY = 1442;
inline constexpr int IDS_CLI_SEARCH_ARGS = 1443;
inline constexpr int IDS_CLI_LIMIT_VALUE = 1444;
inline constexpr int IDS_CLI_SHARED_INDEX_ARGS = 1445;
inline constexpr int IDS_CLI_NO_SUCH_PATH = 1450;
inline constexpr int IDS_CLI_FOLDER_UNLISTED = 1451;
inline constexpr int IDS_CLI_NOT_OPENED = 1452;
inline constexpr int IDS_CLI_NOT_REWRITTEN = 1453;
inline constexpr int IDS_CLI_NO_LOCAL_PAGE = 1454;
inline constexpr int IDS_CLI_PAGE_UNREADABLE = 1455;
inline constexpr int IDS_CLI_ROOT_NOT_A_FOLDER = 1456;
inline constexpr int IDS_CLI_INDEX_UNREADABLE = 1457;
inline constexpr int IDS_CLI_SEARCH_CUT_SHORT = 1458;
inline constexpr int IDS_CLI_NEEDS_DISPLAY = 1460;
inline constexpr int IDS_CLI_NOT_A_LOCAL_PAGE = 1461;
inline constexpr int IDS_CLI_CANNOT_READ = 1462;
inline constexpr int IDS_CLI_CANNOT_WRITE_FOLDER = 1463;
inline constexpr int IDS_CLI_NO_DISPLAY = 1464;
inline constexpr int IDS_CLI_NO_TEMP_FOLDER = 1465;
inline constexpr int IDS_CLI_INTERRUPTED = 1466;
inline constexpr int IDS_CLI_NOTHING_PRINTED = 1467;
inline constexpr int IDS_CLI_CANNOT_WRITE = 1468;

// Print All's last status line and its report of lost pages; "%1"... are
// counts, the printer's name, a reason, a page's number and name.
inline constexpr int IDS_RUN_REFUSED = 1500;
inline constexpr int IDS_RUN_NOTHING_OPENED = 1501;
inline constexpr int IDS_RUN_ONE_SENT = 1502;
inline constexpr int IDS_RUN_ALL_SENT = 1503;
inline constexpr int IDS_RUN_NONE_PRINTED = 1504;
inline constexpr int IDS_RUN_NONE_PRINTED_BECAUSE = 1505;
inline constexpr int IDS_RUN_SOME_SENT = 1506;
inline constexpr int IDS_REPORT_NOTHING_PRINTED = 1510;
inline constexpr int IDS_REPORT_PAGE_NOT_PRINTED = 1511;
inline constexpr int IDS_REPORT_NONE_PRINTED = 1512;
inline constexpr int IDS_REPORT_ONE_LOST = 1513;
inline constexpr int IDS_REPORT_SOME_LOST = 1514;
inline constexpr int IDS_REPORT_MORE = 1515;
inline constexpr int IDS_REPORT_PAGE = 1516;
inline constexpr int IDS_REPORT_NO_REASON = 1517;
// What the printing system answered.
inline constexpr int IDS_PRINTER_NO_DEFAULT = 1520;
inline constexpr int IDS_PRINTER_NO_SERVICE = 1521;
inline constexpr int IDS_PRINTER_NOT_ACCEPTING = 1522;
inline constexpr int IDS_PRINTER_NOT_ACCEPTING_BECAUSE = 1523;
inline constexpr int IDS_PRINTER_JOB_REFUSED = 1524;
inline constexpr int IDS_PRINTER_JOB_CANCELLED = 1525;
inline constexpr int IDS_PRINTER_JOB_ABORTED = 1526;
inline constexpr int IDS_PRINTING_NOT_AVAILABLE = 1527;
inline constexpr int IDS_MODULE_NOT_LOADED = 1528;
inline constexpr int IDS_MODULE_OTHER_VERSION = 1529;

/// The gettext domain of every text below; the catalogues are quiro.mo.
inline constexpr const char* kTextDomain = "quiro";

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
    {IDS_CAPS_LOCK_ON, "Caps Lock on"},
    {IDS_CAPS_LOCK_OFF, "Caps Lock off"},
    {IDS_NUM_LOCK_ON, "Num Lock on"},
    {IDS_NUM_LOCK_OFF, "Num Lock off"},
    {IDS_SCROLL_LOCK_ON, "Scroll Lock on"},
    {IDS_SCROLL_LOCK_OFF, "Scroll Lock off"},
    {IDS_CARET_BROWSING_ON, "Caret browsing is on. Press F7 to turn it off."},
    {IDS_CARET_BROWSING_OFF, "Caret browsing is off."},
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
    {IDS_SEARCH_HEADING, "Search the Documents"},
    {IDS_SEARCH_TITLE_QUERY, "Search: %1"},
    {IDS_SEARCH_LOOKING, "indexing: looking for pages"},
    {IDS_SEARCH_INDEXING, "indexing %1 of %2 pages"},
    {IDS_SEARCH_INCOMPLETE, "The index is incomplete; some pages may be missing from the results."},
    {IDS_SEARCH_UNREADABLE, "The search index cannot be read just now."},
    {IDS_SEARCH_NO_HITS, "No page contains these words."},
    {IDS_SEARCH_ONE_HIT, "1 page"},
    {IDS_SEARCH_HITS, "%1 pages"},
    {IDS_SEARCH_ONE_HIT_RANKED, "1 page, best first"},
    {IDS_SEARCH_HITS_RANKED, "%1 pages, best first"},
    {IDS_QUERY_NO_WORDS, "The query has no words to search for."},
    {IDS_QUERY_TOO_LONG, "The query is too long: at most 1,000 characters."},
    {IDS_QUERY_TOO_MANY_TERMS, "The query has too many words: at most 64."},
    {IDS_QUERY_TOO_MANY_PREFIXES,
     "The query has too many short prefixes: at most 4 words of one or two letters may end in *."},
    {IDS_ERR_REFUSED, "Refused"},
    {IDS_ERR_NAME_TOO_LONG, "Name too long"},
    {IDS_ERR_BAD_REQUEST, "Bad request"},
    {IDS_ERR_NOT_OPENED, "Not opened"},
    {IDS_ERR_NOT_A_FILE, "Not a file"},
    {IDS_ERR_NOT_FOUND, "Not found"},
    {IDS_ERR_OUTSIDE, "Outside the documents"},
    {IDS_ERR_FOLDER, "Folder"},
    {IDS_ERR_NOT_READABLE, "Not readable"},
    {IDS_ERR_READ_ERROR, "Read error"},
    {IDS_ERR_OTHER_ORIGIN, "A page may not read the files of pages from elsewhere."},
    {IDS_ERR_ADDRESS_TOO_LONG, "The address is too long."},
    {IDS_ERR_ADDRESS_NUL, "The address holds a NUL byte."},
    {IDS_ERR_ONLY_ROOT_AND_OPENED, "Only documents below the document root and pages opened are shown."},
    {IDS_ERR_IS_NOT_A_FILE, "%1 is not a file."},
    {IDS_ERR_NOT_A_DOCUMENT_ADDRESS, "This address does not name a document."},
    {IDS_ERR_NO_PAGE, "There is no page %1."},
    {IDS_ERR_ONLY_ROOT, "Only documents below the document root are shown."},
    {IDS_ERR_NAME_IN_ADDRESS_TOO_LONG, "A name in the address is too long."},
    {IDS_ERR_ROOT_IS_FOLDER, "The document root is a folder, not a page."},
    {IDS_ERR_MAY_NOT_BE_READ, "%1 may not be read."},
    {IDS_ERR_NO_DOCUMENT, "There is no document %1."},
    {IDS_ERR_IS_FOLDER, "%1 is a folder, not a page."},
    {IDS_ERR_NOT_READ, "%1 could not be read."},
    {IDS_CLI_USAGE, "Usage:"},
    {IDS_CLI_ABOUT,
     "Without options, opens the documentation viewer: builds the index site\n"
     "from the catalogue TOVY.INI and shows its start page. FILE is accepted\n"
     "and ignored."},
    {IDS_CLI_HELP_BUILD_ONLY, "run the start-up site build without a window and\nprint the page the window would show"},
    {IDS_CLI_HELP_VERBOSE, "with --build-only: explain each decision on stderr;\nwith --search: say which index answered"},
    {IDS_CLI_HELP_PREPARE_PRINT,
     "insert print page breaks into each page given and\ninto every .htm and .html file below each folder"},
    {IDS_CLI_HELP_LIST_PRINT_PAGES, "list, in printing order, the pages Print All\nwould print while PAGE is displayed"},
    {IDS_CLI_HELP_PRINT_ALL, "print what Print All would print for PAGE into\none PDF file (needs a display)"},
    {IDS_CLI_HELP_SEARCH,
     "search the text of every document and list the\n"
     "best pages, one \"PATH<tab>TITLE\" a line (exit\n"
     "status 1 when none). All words must match;\n"
     "\"a phrase\", a OR b and prefix* also work"},
    {IDS_CLI_HELP_LIMIT, "with --search: list at most N pages (default 20)"},
    {IDS_CLI_HELP_SHARED_INDEX,
     "build the search index of the system's document\n"
     "root that every user may search (run as root by\n"
     "the package trigger)"},
    {IDS_CLI_HELP_SCREENSHOT, "with the window: once the start page and its\nframes have loaded, save a PNG of the window"},
    {IDS_CLI_HELP_EXIT_AFTER_SCREENSHOT, "quit after saving that screenshot"},
    {IDS_CLI_HELP_REPORT_READY, "print a line with a monotonic timestamp on stderr\nonce the start page and its frames have loaded"},
    {IDS_CLI_HELP_HELP, "show this help"},
    {IDS_CLI_HELP_VERSION, "show the version"},
    {IDS_CLI_SEE_HELP, "%1 (see --help)"},
    {IDS_CLI_SCREENSHOT_NEEDS_FILE, "--screenshot needs a file name"},
    {IDS_CLI_PRINT_ALL_NEEDS_PAGE, "--print-all needs a page"},
    {IDS_CLI_TO_PDF_NEEDS_FILE, "--to-pdf needs a file name"},
    {IDS_CLI_UNKNOWN_OPTION, "unknown option '%1'"},
    {IDS_CLI_MORE_THAN_ONE_FILE, "more than one file given"},
    {IDS_CLI_PRINT_ALL_TO_PDF, "--print-all and --to-pdf go together"},
    {IDS_CLI_EXIT_NEEDS_SCREENSHOT, "--exit-after-screenshot needs --screenshot"},
    {IDS_CLI_NO_WINDOW, "built without the window; see --help"},
    {IDS_CLI_BUILD_ONLY_ARGS, "--build-only takes only --verbose, not '%1'"},
    {IDS_CLI_PREPARE_PRINT_ARGS, "--prepare-print needs at least one PATH"},
    {IDS_CLI_LIST_PRINT_PAGES_ARGS, "--list-print-pages needs exactly one PAGE"},
    {IDS_CLI_SEARCH_NEEDS_QUERY, "--search needs a QUERY"},
    {IDS_CLI_SEARCH_ARGS, "--search takes only --limit N and --verbose after the QUERY, not '%1'"},
    {IDS_CLI_LIMIT_VALUE, "--limit needs a whole number from 1 to 1000000"},
    {IDS_CLI_SHARED_INDEX_ARGS, "--shared-index takes no arguments"},
    {IDS_CLI_NO_SUCH_PATH, "%1: no such file or folder"},
    {IDS_CLI_FOLDER_UNLISTED, "could not read all of %1: %2; its pages were not prepared"},
    {IDS_CLI_NOT_OPENED, "%1 could not be opened (in use elsewhere?); left as it is"},
    {IDS_CLI_NOT_REWRITTEN, "%1 could not be rewritten (read or write error); left as it is"},
    {IDS_CLI_NO_LOCAL_PAGE, "%1 is no local page; Print All prints nothing for it"},
    {IDS_CLI_PAGE_UNREADABLE, "%1 cannot be read; Print All prints nothing for it"},
    {IDS_CLI_ROOT_NOT_A_FOLDER, "the document root %1 is no folder; nothing to search"},
    {IDS_CLI_INDEX_UNREADABLE, "the search index cannot be read"},
    {IDS_CLI_SEARCH_CUT_SHORT, "the search was cut short; these are the pages found so far"},
    {IDS_CLI_NEEDS_DISPLAY, "--print-all needs a display: set DISPLAY (or run it under xvfb-run)"},
    {IDS_CLI_NOT_A_LOCAL_PAGE, "not a local page: %1"},
    {IDS_CLI_CANNOT_READ, "cannot read %1"},
    {IDS_CLI_CANNOT_WRITE_FOLDER, "cannot write %1: its folder is missing or read-only"},
    {IDS_CLI_NO_DISPLAY, "cannot open the display"},
    {IDS_CLI_NO_TEMP_FOLDER, "cannot create a temporary folder"},
    {IDS_CLI_INTERRUPTED, "interrupted; nothing written"},
    {IDS_CLI_NOTHING_PRINTED, "nothing could be printed from %1"},
    {IDS_CLI_CANNOT_WRITE, "cannot write %1: %2"},
    {IDS_RUN_REFUSED, "Print All: no page printed: %1"},
    {IDS_RUN_NOTHING_OPENED, "Print All: no page could be opened"},
    {IDS_RUN_ONE_SENT, "Print All: 1 page sent to %1"},
    {IDS_RUN_ALL_SENT, "Print All: %1 pages sent to %2"},
    {IDS_RUN_NONE_PRINTED, "Print All: no page printed"},
    {IDS_RUN_NONE_PRINTED_BECAUSE, "Print All: no page printed: %1"},
    {IDS_RUN_SOME_SENT, "Print All: %1 of %2 pages sent to %3; %4 not printed"},
    {IDS_REPORT_NOTHING_PRINTED, "Nothing was printed. %1"},
    {IDS_REPORT_PAGE_NOT_PRINTED, "The page was not printed."},
    {IDS_REPORT_NONE_PRINTED, "None of the %1 pages was printed."},
    {IDS_REPORT_ONE_LOST, "1 page of %1 was not printed."},
    {IDS_REPORT_SOME_LOST, "%1 pages of %2 were not printed."},
    {IDS_REPORT_MORE, "... and %1 more."},
    {IDS_REPORT_PAGE, "Page %1, %2: %3"},
    {IDS_REPORT_NO_REASON, "the reason is not known"},
    {IDS_PRINTER_NO_DEFAULT, "No default printer is set up."},
    {IDS_PRINTER_NO_SERVICE, "The printing service (CUPS) is not running, so there is no printer."},
    {IDS_PRINTER_NOT_ACCEPTING, "The printer \"%1\" is not accepting jobs."},
    {IDS_PRINTER_NOT_ACCEPTING_BECAUSE, "The printer \"%1\" is not accepting jobs: %2."},
    {IDS_PRINTER_JOB_REFUSED, "the printing service refused the job"},
    {IDS_PRINTER_JOB_CANCELLED, "the job was cancelled"},
    {IDS_PRINTER_JOB_ABORTED, "the job was aborted"},
    {IDS_PRINTING_NOT_AVAILABLE, "Printing is not available: %1."},
    {IDS_MODULE_NOT_LOADED, "the print and PDF module cannot be loaded (%1)"},
    {IDS_MODULE_OTHER_VERSION, "the print and PDF module %1 belongs to another version of the program"},
};

/// `text` in the user's language: its translation in the catalogue of the
/// domain "quiro", or `text` itself. An empty text stays empty (gettext
/// answers "" with the catalogue's header).
inline std::string Translate(const char* text) {
  if (text == nullptr || *text == '\0') return {};
  return dgettext(kTextDomain, text);
}

/// The text of string `id` in the user's language, or an empty string when
/// the table has none.
inline std::string LoadString(int id) {
  for (const StringEntry& e : kStringTable)
    if (e.id == id) return Translate(e.text);
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

/// The GTK label of a menu entry, in the user's language.
inline std::string MenuText(const MenuEntry& e) { return MenuLabel(Translate(e.text)); }

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
