#pragma once
// The program's command line, all in one place: the table of options with
// their help lines, the parsing, and the dispatch to what each option runs.
//
//   quiro [FILE] [--screenshot FILE [--exit-after-screenshot]] [--report-ready]
//   quiro --build-only [--verbose]
//   quiro --prepare-print PATH...
//   quiro --list-print-pages PAGE
//   quiro --print-all PAGE --to-pdf FILE
//   quiro --search QUERY [--limit N] [--verbose]
//   quiro --shared-index
//
// An option that needs the window is run through the entries the window
// layer hands in (WindowEntries); a program built without the window has
// none and says so.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace quiro {

/// What the window does besides showing the documentation.
struct ViewerOptions {
  std::string screenshotPath;        ///< save a PNG of the window once the start page is ready
  bool exitAfterScreenshot = false;  ///< and quit afterwards
  bool reportReady = false;          ///< print "quiro: ready" with a timestamp on stderr
};

/// One option of the command line, as --help lists it.
struct CommandLineOption {
  const char* name;  ///< with its argument, as shown: "--screenshot FILE"
  int help;          ///< string id of the help text; "\n" starts a new help line
};

/// Every option, in the order --help lists them.
extern const std::vector<CommandLineOption> kCommandLineOptions;

/// The --help text.
std::string UsageText();

/// What a command line asks for.
struct CommandLine {
  enum class Action { Help, Version, BuildOnly, PreparePrint, ListPrintPages, PrintAllToPdf, Search, SharedIndex, Window,
                      Error };
  Action action = Action::Window;
  bool verbose = false;             ///< --build-only --verbose, --search --verbose
  std::vector<std::string> paths;   ///< --prepare-print's paths
  std::string page;                 ///< --list-print-pages and --print-all: the page as given
  std::string pdfFile;              ///< --to-pdf
  std::string query;                ///< --search: the query as given
  std::size_t limit = 20;           ///< --search --limit: most hits printed
  ViewerOptions viewer;             ///< the window's options
  std::string error;                ///< Error: the message, without "quiro: "
  bool errorShowsUsage = false;     ///< Error: the usage goes to stderr after it (no window built in)
};

/// Parses the arguments after the program name. `haveWindow` tells whether
/// the program was built with the window (its options are unknown without).
CommandLine ParseCommandLine(const std::vector<std::string>& args, bool haveWindow);

/// The local path a page argument names: a "file:" URL decoded to its path,
/// an absolute path as it is, a relative path taken from the current
/// directory. Empty for web addresses and every other scheme.
std::string PagePathOfArgument(const std::string& page);

/// The entries of the window layer.
struct WindowEntries {
  std::function<int(const ViewerOptions& options, char* programName)> runViewer;
  std::function<int(const std::string& page, const std::string& pdfFile)> printAllToPdf;
};

/// Parses and runs a command line; returns the exit status. `window` is null
/// in a program built without the window.
int RunCommandLine(int argc, char** argv, const WindowEntries* window);

}  // namespace quiro
