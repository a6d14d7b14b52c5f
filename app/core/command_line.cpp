#include "app/core/command_line.h"

#include <cstdio>

#include "builder/page_folder.h"
#include "builder/site_builder.h"
#include "platform/paths.h"
#include "printall/print_all_run.h"
#include "printall/print_batch.h"
#include "res/strings.h"
#include "search/search_cli.h"

#ifndef QUIRO_VERSION
#define QUIRO_VERSION "unknown"
#endif

namespace quiro {

namespace {

namespace res = quiro::res;

// The synopsis lines after "Usage:", which stay as they are in every language.
constexpr const char* kSynopsis[] = {
    "quiro [FILE] [--screenshot FILE [--exit-after-screenshot]] [--report-ready]",
    "quiro --build-only [--verbose]",
    "quiro --prepare-print PATH...",
    "quiro --list-print-pages PAGE",
    "quiro --print-all PAGE --to-pdf FILE",
    "quiro --search QUERY [--limit N] [--verbose]",
    "quiro --shared-index",
};

// The columns a terminal gives UTF-8 `text`: two for the wide characters of
// Chinese, Japanese and Korean, one for every other character.
std::size_t Columns(const std::string& text) {
  std::size_t columns = 0;
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    char32_t c = length == 1 ? lead : lead & (0x3F >> (length - 1));
    for (std::size_t k = 1; k < length && i + k < text.size(); ++k)
      c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
                      (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
                      (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
    columns += wide ? 2 : 1;
    i += length;
  }
  return columns;
}

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
  auto usageError = [](int id, const std::string& arg = {}) {
    return Error(res::FormatString(res::IDS_CLI_SEE_HELP, {res::FormatString(id, {arg})}));
  };
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
        return usageError(res::IDS_CLI_SCREENSHOT_NEEDS_FILE);
    } else if (arg == "--exit-after-screenshot") {
      line.viewer.exitAfterScreenshot = true;
    } else if (arg == "--report-ready") {
      line.viewer.reportReady = true;
    } else if (arg == "--print-all") {
      if (!value(line.page)) return usageError(res::IDS_CLI_PRINT_ALL_NEEDS_PAGE);
      printAll = true;
    } else if (arg == "--to-pdf") {
      if (!value(line.pdfFile)) return usageError(res::IDS_CLI_TO_PDF_NEEDS_FILE);
      toPdf = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return usageError(res::IDS_CLI_UNKNOWN_OPTION, arg);
    } else if (++files > 1) {
      return usageError(res::IDS_CLI_MORE_THAN_ONE_FILE);
    }
  }
  if (printAll != toPdf) return usageError(res::IDS_CLI_PRINT_ALL_TO_PDF);
  if (printAll) {
    line.action = CommandLine::Action::PrintAllToPdf;
    return line;
  }
  if (line.viewer.exitAfterScreenshot && line.viewer.screenshotPath.empty())
    return usageError(res::IDS_CLI_EXIT_NEEDS_SCREENSHOT);
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
        std::fprintf(stderr, "quiro: %s\n", res::FormatString(res::IDS_CLI_NO_SUCH_PATH, {path}).c_str());
        status = 1;
        break;
      case PreparePrintProblem::Kind::FolderUnlisted:
        std::fprintf(stderr, "quiro: %s\n", res::FormatString(res::IDS_CLI_FOLDER_UNLISTED, {path, p.detail}).c_str());
        status = 1;
        break;
      case PreparePrintProblem::Kind::Outside:
        std::fprintf(stderr, "quiro: %s %s: skipped, nothing written there\n", path, p.detail.c_str());
        break;
      case PreparePrintProblem::Kind::NotOpened:
        std::fprintf(stderr, "quiro: %s\n", res::FormatString(res::IDS_CLI_NOT_OPENED, {path}).c_str());
        status = 1;
        break;
      case PreparePrintProblem::Kind::Failed:
        std::fprintf(stderr, "quiro: %s\n", res::FormatString(res::IDS_CLI_NOT_REWRITTEN, {path}).c_str());
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
    std::fprintf(stderr, "quiro: %s\n", res::FormatString(res::IDS_CLI_NO_LOCAL_PAGE, {page}).c_str());
    return 1;
  }
  const std::vector<std::string> pages = ListPrintPages(location);
  if (pages.empty()) {
    std::fprintf(stderr, "quiro: %s\n", res::FormatString(res::IDS_CLI_PAGE_UNREADABLE, {page}).c_str());
    return 1;
  }
  for (const std::string& p : pages) std::printf("%s\n", p.c_str());
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

const std::vector<CommandLineOption> kCommandLineOptions = {
    {"--build-only", res::IDS_CLI_HELP_BUILD_ONLY},
    {"--verbose", res::IDS_CLI_HELP_VERBOSE},
    {"--prepare-print PATH", res::IDS_CLI_HELP_PREPARE_PRINT},
    {"--list-print-pages PAGE", res::IDS_CLI_HELP_LIST_PRINT_PAGES},
    {"--print-all PAGE --to-pdf FILE", res::IDS_CLI_HELP_PRINT_ALL},
    {"--search QUERY", res::IDS_CLI_HELP_SEARCH},
    {"--limit N", res::IDS_CLI_HELP_LIMIT},
    {"--shared-index", res::IDS_CLI_HELP_SHARED_INDEX},
    {"--screenshot FILE", res::IDS_CLI_HELP_SCREENSHOT},
    {"--exit-after-screenshot", res::IDS_CLI_HELP_EXIT_AFTER_SCREENSHOT},
    {"--report-ready", res::IDS_CLI_HELP_REPORT_READY},
    {"--help", res::IDS_CLI_HELP_HELP},
    {"--version", res::IDS_CLI_HELP_VERSION},
};

std::string UsageText() {
  // "Usage:" in the user's language; the synopsis lines below the first
  // start where it does.
  const std::string usage = res::LoadString(res::IDS_CLI_USAGE) + " ";
  const std::string synopsisIndent(Columns(usage), ' ');
  std::string text;
  for (const char* line : kSynopsis) text += (text.empty() ? usage : synopsisIndent) + line + "\n";
  text += "\n" + res::LoadString(res::IDS_CLI_ABOUT) + "\n\n";
  const std::string indent(2 + kNameColumn, ' ');
  for (const CommandLineOption& option : kCommandLineOptions) {
    std::string name = option.name;
    text += "  " + name;
    if (name.size() + 2 <= kNameColumn)
      text += std::string(kNameColumn - name.size(), ' ');
    else
      text += "\n" + indent;
    for (const char c : res::LoadString(option.help)) {
      text += c;
      if (c == '\n') text += indent;
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
    if (!haveWindow) return Error(res::LoadString(res::IDS_CLI_NO_WINDOW));
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
        return Error(res::FormatString(res::IDS_CLI_BUILD_ONLY_ARGS, {args[i]}));
      line.verbose = true;
    }
  } else if (first == "--prepare-print") {
    if (args.size() < 2) return Error(res::LoadString(res::IDS_CLI_PREPARE_PRINT_ARGS));
    line.action = CommandLine::Action::PreparePrint;
    line.paths.assign(args.begin() + 1, args.end());
  } else if (first == "--list-print-pages") {
    if (args.size() != 2) return Error(res::LoadString(res::IDS_CLI_LIST_PRINT_PAGES_ARGS));
    line.action = CommandLine::Action::ListPrintPages;
    line.page = args[1];
  } else if (first == "--search") {
    if (args.size() < 2) return Error(res::LoadString(res::IDS_CLI_SEARCH_NEEDS_QUERY));
    line.action = CommandLine::Action::Search;
    line.query = args[1];
    line.limit = search::kDefaultCommandLimit;
    for (std::size_t i = 2; i < args.size(); ++i) {
      if (args[i] == "--verbose" || args[i] == "-v") {
        line.verbose = true;
        continue;
      }
      if (args[i] != "--limit")
        return Error(res::FormatString(res::IDS_CLI_SEARCH_ARGS, {args[i]}));
      if (i + 1 >= args.size() || !search::ParseCommandLimit(args[i + 1], line.limit))
        return Error(res::LoadString(res::IDS_CLI_LIMIT_VALUE));
      ++i;
    }
  } else if (first == "--shared-index") {
    if (args.size() != 1) return Error(res::LoadString(res::IDS_CLI_SHARED_INDEX_ARGS));
    line.action = CommandLine::Action::SharedIndex;
  } else if (!haveWindow) {
    if (first.rfind("--", 0) == 0) return Error(res::FormatString(res::IDS_CLI_UNKNOWN_OPTION, {first}), true);
    return Error(res::LoadString(res::IDS_CLI_NO_WINDOW));
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
