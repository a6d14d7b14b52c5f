#include "app/core/command_line.h"

#include <cstdio>

#include "builder/page_folder.h"
#include "builder/site_builder.h"
#include "platform/paths.h"
#include "printall/print_all_run.h"
#include "printall/print_batch.h"
#include "search/search_cli.h"

#ifndef QUIRO_VERSION
#define QUIRO_VERSION "unknown"
#endif

namespace quiro {

namespace {

constexpr const char* kUsageLines =
    "Usage: quiro [FILE] [--screenshot FILE [--exit-after-screenshot]] [--report-ready]\n"
    "       quiro --build-only [--verbose]\n"
    "       quiro --prepare-print PATH...\n"
    "       quiro --list-print-pages PAGE\n"
    "       quiro --print-all PAGE --to-pdf FILE\n"
    "       quiro --search QUERY [--limit N] [--verbose]\n"
    "       quiro --shared-index\n"
    "\n"
    "Without options, opens the documentation viewer: builds the index site\n"
    "from the catalogue TOVY.INI and shows its start page. FILE is accepted\n"
    "and ignored.\n"
    "\n";

// Names up to this long share their line with the help text.
constexpr std::size_t kNameColumn = 22;

// True for "scheme:..." (a web address, about:, data:, ...).
bool HasScheme(const std::string& text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos || colon < 2) return false;  // "C:" stays a path
  for (std::size_t i = 0; i < colon; ++i) {
    const char c = text[i];
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                    (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
    if (!ok) return false;
  }
  return true;
}

CommandLine Error(std::string message, bool showsUsage = false) {
  CommandLine line;
  line.action = CommandLine::Action::Error;
  line.error = std::move(message);
  line.errorShowsUsage = showsUsage;
  return line;
}

// The window's own options (and --print-all, which needs a display).
CommandLine ParseWindowOptions(const std::vector<std::string>& args) {
  auto usageError = [](const std::string& message) { return Error(message + " (see --help)"); };
  CommandLine line;
  bool printAll = false, toPdf = false;
  int files = 0;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= args.size()) return false;
      into = args[++i];
      return true;
    };
    if (arg == "--screenshot") {
      if (!value(line.viewer.screenshotPath) || line.viewer.screenshotPath.empty())
        return usageError("--screenshot needs a file name");
    } else if (arg == "--exit-after-screenshot") {
      line.viewer.exitAfterScreenshot = true;
    } else if (arg == "--report-ready") {
      line.viewer.reportReady = true;
    } else if (arg == "--print-all") {
      if (!value(line.page)) return usageError("--print-all needs a page");
      printAll = true;
    } else if (arg == "--to-pdf") {
      if (!value(line.pdfFile)) return usageError("--to-pdf needs a file name");
      toPdf = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return usageError("unknown option '" + arg + "'");
    } else if (++files > 1) {
      return usageError("more than one file given");
    }
  }
  if (printAll != toPdf) return usageError("--print-all and --to-pdf go together");
  if (printAll) {
    line.action = CommandLine::Action::PrintAllToPdf;
    return line;
  }
  if (line.viewer.exitAfterScreenshot && line.viewer.screenshotPath.empty())
    return usageError("--exit-after-screenshot needs --screenshot");
  line.action = CommandLine::Action::Window;
  return line;
}

// Exit status 1 when a page (or the folder for the pages) could not be
// written; what could not is said on stderr, with --verbose or without.
int RunBuildOnly(bool verbose) {
  int failedWrites = 0;
  const ExplainFn explain = [&](const std::string& line) {
    const bool failed = ExplainsAFailedWrite(line);
    if (failed) ++failedWrites;
    if (verbose) {
      std::fprintf(stderr, "%s\n", line.c_str());
    } else if (failed) {
      std::fprintf(stderr, "quiro: %s\n", line.c_str());
    }
  };
  BuildSite([](const std::string& path) { std::printf("%s\n", path.c_str()); }, explain);
  if (std::fflush(stdout) != 0) return 1;
  return failedWrites > 0 ? 1 : 0;
}

int RunPreparePrint(const std::vector<std::string>& paths) {
  int status = 0;
  for (const PreparePrintProblem& p : PreparePagesForPrinting(paths)) {
    const char* path = p.path.c_str();
    switch (p.kind) {
      case PreparePrintProblem::Kind::NoSuchPath:
        std::fprintf(stderr, "quiro: %s: no such file or folder\n", path);
        status = 1;
        break;
      case PreparePrintProblem::Kind::FolderUnlisted:
        std::fprintf(stderr, "quiro: could not read all of %s: %s; its pages were not prepared\n", path,
                     p.detail.c_str());
        status = 1;
        break;
      case PreparePrintProblem::Kind::Outside:
        std::fprintf(stderr, "quiro: %s %s: skipped, nothing written there\n", path, p.detail.c_str());
        break;
      case PreparePrintProblem::Kind::NotOpened:
        std::fprintf(stderr, "quiro: %s could not be opened (in use elsewhere?); left as it is\n", path);
        status = 1;
        break;
      case PreparePrintProblem::Kind::Failed:
        std::fprintf(stderr, "quiro: %s could not be rewritten (read or write error); left as it is\n", path);
        status = 1;
        break;
    }
  }
  return status;
}

int RunSearch(const std::string& query, std::size_t limit, bool verbose) {
  const search::SearchCommandResult result = search::SearchDocumentRoot(query, limit, verbose);
  for (const std::string& note : result.notes) std::fprintf(stderr, "%s\n", note.c_str());
  std::fputs(result.out.c_str(), stdout);
  if (std::fflush(stdout) != 0) return 2;
  return result.status;
}

int RunSharedIndex() {
  const search::SearchCommandResult result = search::BuildSharedIndexOfDocumentRoot();
  for (const std::string& note : result.notes) std::fprintf(stderr, "%s\n", note.c_str());
  return result.status;
}

int RunListPrintPages(const std::string& page) {
  const std::string location = PagePathOfArgument(page);
  if (location.empty()) {
    std::fprintf(stderr, "quiro: %s is no local page; Print All prints nothing for it\n", page.c_str());
    return 1;
  }
  const std::vector<std::string> pages = ListPrintPages(location);
  if (pages.empty()) {
    std::fprintf(stderr, "quiro: %s cannot be read; Print All prints nothing for it\n", page.c_str());
    return 1;
  }
  for (const std::string& p : pages) std::printf("%s\n", p.c_str());
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

const std::vector<CommandLineOption> kCommandLineOptions = {
    {"--build-only", "run the start-up site build without a window and\nprint the page the window would show"},
    {"--verbose", "with --build-only: explain each decision on stderr;\n"
                  "with --search: say which index answered"},
    {"--prepare-print PATH",
     "insert print page breaks into each page given and\ninto every .htm and .html file below each folder"},
    {"--list-print-pages PAGE",
     "list, in printing order, the pages Print All\nwould print while PAGE is displayed"},
    {"--print-all PAGE --to-pdf FILE",
     "print what Print All would print for PAGE into\none PDF file (needs a display)"},
    {"--search QUERY",
     "search the text of every document and list the\n"
     "best pages, one \"PATH<tab>TITLE\" a line (exit\n"
     "status 1 when none). All words must match;\n"
     "\"a phrase\", a OR b and prefix* also work"},
    {"--limit N", "with --search: list at most N pages (default 20)"},
    {"--shared-index",
     "build the search index of the system's document\n"
     "root that every user may search (run as root by\n"
     "the package trigger)"},
    {"--screenshot FILE",
     "with the window: once the start page and its\nframes have loaded, save a PNG of the window"},
    {"--exit-after-screenshot", "quit after saving that screenshot"},
    {"--report-ready",
     "print a line with a monotonic timestamp on stderr\nonce the start page and its frames have loaded"},
    {"--help", "show this help"},
    {"--version", "show the version"},
};

std::string UsageText() {
  std::string text = kUsageLines;
  const std::string indent(2 + kNameColumn, ' ');
  for (const CommandLineOption& option : kCommandLineOptions) {
    std::string name = option.name;
    text += "  " + name;
    if (name.size() + 2 <= kNameColumn)
      text += std::string(kNameColumn - name.size(), ' ');
    else
      text += "\n" + indent;
    for (const char* c = option.help; *c; ++c) {
      text += *c;
      if (*c == '\n') text += indent;
    }
    text += '\n';
  }
  return text;
}

std::string PagePathOfArgument(const std::string& page) {
  if (platform::IsFileUrl(page) || (!page.empty() && page.front() == '/')) return LocalPathOfLocation(page);
  if (page.empty() || HasScheme(page)) return {};
  const std::string cwd = platform::CurrentDirectory();
  return cwd.empty() ? std::string() : cwd + "/" + page;
}

CommandLine ParseCommandLine(const std::vector<std::string>& args, bool haveWindow) {
  CommandLine line;
  if (args.empty()) {
    if (!haveWindow) return Error("built without the window; see --help");
    return line;
  }
  const std::string& first = args[0];
  if (first == "--help" || first == "-h") {
    line.action = CommandLine::Action::Help;
  } else if (first == "--version") {
    line.action = CommandLine::Action::Version;
  } else if (first == "--build-only") {
    line.action = CommandLine::Action::BuildOnly;
    for (std::size_t i = 1; i < args.size(); ++i) {
      if (args[i] != "--verbose" && args[i] != "-v")
        return Error("--build-only takes only --verbose, not '" + args[i] + "'");
      line.verbose = true;
    }
  } else if (first == "--prepare-print") {
    if (args.size() < 2) return Error("--prepare-print needs at least one PATH");
    line.action = CommandLine::Action::PreparePrint;
    line.paths.assign(args.begin() + 1, args.end());
  } else if (first == "--list-print-pages") {
    if (args.size() != 2) return Error("--list-print-pages needs exactly one PAGE");
    line.action = CommandLine::Action::ListPrintPages;
    line.page = args[1];
  } else if (first == "--search") {
    if (args.size() < 2) return Error("--search needs a QUERY");
    line.action = CommandLine::Action::Search;
    line.query = args[1];
    line.limit = search::kDefaultCommandLimit;
    for (std::size_t i = 2; i < args.size(); ++i) {
      if (args[i] == "--verbose" || args[i] == "-v") {
        line.verbose = true;
        continue;
      }
      if (args[i] != "--limit")
        return Error("--search takes only --limit N and --verbose after the QUERY, not '" + args[i] + "'");
      if (i + 1 >= args.size() || !search::ParseCommandLimit(args[i + 1], line.limit))
        return Error("--limit needs a whole number from 1 to 1000000");
      ++i;
    }
  } else if (first == "--shared-index") {
    if (args.size() != 1) return Error("--shared-index takes no arguments");
    line.action = CommandLine::Action::SharedIndex;
  } else if (!haveWindow) {
    if (first.rfind("--", 0) == 0) return Error("unknown option '" + first + "'", true);
    return Error("built without the window; see --help");
  } else {
    return ParseWindowOptions(args);
  }
  return line;
}

int RunCommandLine(int argc, char** argv, const WindowEntries* window) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const CommandLine line = ParseCommandLine(args, window != nullptr);
  switch (line.action) {
    case CommandLine::Action::Help:
      std::fputs(UsageText().c_str(), stdout);
      return 0;
    case CommandLine::Action::Version:
      std::printf("quiro %s\n", QUIRO_VERSION);
      return 0;
    case CommandLine::Action::BuildOnly:
      return RunBuildOnly(line.verbose);
    case CommandLine::Action::PreparePrint:
      return RunPreparePrint(line.paths);
    case CommandLine::Action::ListPrintPages:
      return RunListPrintPages(line.page);
    case CommandLine::Action::Search:
      return RunSearch(line.query, line.limit, line.verbose);
    case CommandLine::Action::SharedIndex:
      return RunSharedIndex();
    case CommandLine::Action::PrintAllToPdf:
      return window->printAllToPdf(line.page, line.pdfFile);
    case CommandLine::Action::Window:
      return window->runViewer(line.viewer, argv[0]);
    case CommandLine::Action::Error:
      std::fprintf(stderr, "quiro: %s\n", line.error.c_str());
      if (line.errorShowsUsage) std::fputs(UsageText().c_str(), stderr);
      return 2;
  }
  return 2;
}

}  // namespace quiro
