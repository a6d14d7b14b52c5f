// The command line's parsing, help text and page arguments, without running
// anything.

#include "app/core/command_line.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "common/temp_dir.h"

namespace {

using quiro::CommandLine;
using quiro::ParseCommandLine;
using Action = CommandLine::Action;

TEST(CommandLine, EachOptionParsesToItsAction) {
  struct Case {
    std::vector<std::string> args;
    Action action;
  };
  const std::vector<Case> cases = {
      {{}, Action::Window},
      {{"notes.txt"}, Action::Window},  // a file is accepted and ignored
      {{"--help"}, Action::Help},
      {{"-h"}, Action::Help},
      {{"--version"}, Action::Version},
      {{"--build-only", "-v"}, Action::BuildOnly},
      {{"--prepare-print", "a", "b"}, Action::PreparePrint},
      {{"--list-print-pages", "p.htm"}, Action::ListPrintPages},
      {{"--to-pdf", "out.pdf", "--print-all", "p.htm"}, Action::PrintAllToPdf},
      {{"--screenshot", "s.png", "--exit-after-screenshot", "--report-ready"}, Action::Window},
      {{"--search", "fan"}, Action::Search},
      {{"--search", "--limit"}, Action::Search},  // the query is the argument after --search
  };
  for (const Case& c : cases) {
    const CommandLine line = ParseCommandLine(c.args, true);
    EXPECT_EQ(line.action, c.action) << (c.args.empty() ? "(none)" : c.args[0]) << ": " << line.error;
  }
  const CommandLine print = ParseCommandLine({"--to-pdf", "out.pdf", "--print-all", "p.htm"}, true);
  EXPECT_EQ(print.page, "p.htm");
  EXPECT_EQ(print.pdfFile, "out.pdf");
  const CommandLine shot = ParseCommandLine({"--screenshot", "s.png", "--exit-after-screenshot"}, true);
  EXPECT_EQ(shot.viewer.screenshotPath, "s.png");
  EXPECT_TRUE(shot.viewer.exitAfterScreenshot);
  EXPECT_FALSE(shot.viewer.reportReady);
  const CommandLine search = ParseCommandLine({"--search", "\"back panel\"", "--limit", "5"}, false);
  EXPECT_EQ(search.action, Action::Search);
  EXPECT_EQ(search.query, "\"back panel\"");
  EXPECT_EQ(search.limit, 5u);
  EXPECT_EQ(ParseCommandLine({"--search", "x"}, true).limit, 20u);
  const CommandLine verbose = ParseCommandLine({"--search", "x", "--verbose", "--limit", "3"}, false);
  EXPECT_TRUE(verbose.verbose);
  EXPECT_EQ(verbose.limit, 3u);
  EXPECT_EQ(ParseCommandLine({"--shared-index"}, false).action, Action::SharedIndex);
}

TEST(CommandLine, BadLinesAreRefusedWithTheirMessage) {
  struct Case {
    std::vector<std::string> args;
    bool haveWindow;
    const char* error;
  };
  const std::vector<Case> cases = {
      {{"--no-such-option"}, true, "unknown option '--no-such-option' (see --help)"},
      {{"--screenshot"}, true, "--screenshot needs a file name (see --help)"},
      {{"--screenshot", ""}, true, "--screenshot needs a file name (see --help)"},
      {{"--exit-after-screenshot"}, true, "--exit-after-screenshot needs --screenshot (see --help)"},
      {{"--print-all", "page.htm"}, true, "--print-all and --to-pdf go together (see --help)"},
      {{"--to-pdf", "out.pdf"}, true, "--print-all and --to-pdf go together (see --help)"},
      {{"--print-all"}, true, "--print-all needs a page (see --help)"},
      {{"one.htm", "two.htm"}, true, "more than one file given (see --help)"},
      {{"--build-only", "x"}, true, "--build-only takes only --verbose, not 'x'"},
      {{"--prepare-print"}, true, "--prepare-print needs at least one PATH"},
      {{"--list-print-pages", "a", "b"}, true, "--list-print-pages needs exactly one PAGE"},
      {{"--search"}, true, "--search needs a QUERY"},
      {{"--search", "a", "b"}, true, "--search takes only --limit N and --verbose after the QUERY, not 'b'"},
      {{"--shared-index", "x"}, true, "--shared-index takes no arguments"},
      {{"--search", "a", "--limit"}, false, "--limit needs a whole number from 1 to 1000000"},
      {{"--search", "a", "--limit", "0"}, true, "--limit needs a whole number from 1 to 1000000"},
      {{"--search", "a", "--limit", "12x"}, true, "--limit needs a whole number from 1 to 1000000"},
      {{"--help", "--bogus"}, false, ""},  // --help first wins, window or not
      {{"--screenshot", "s.png"}, false, "unknown option '--screenshot'"},
      {{"notes.txt"}, false, "built without the window; see --help"},
      {{}, false, "built without the window; see --help"},
  };
  for (const Case& c : cases) {
    const CommandLine line = ParseCommandLine(c.args, c.haveWindow);
    SCOPED_TRACE(c.args.empty() ? "(none)" : c.args[0]);
    if (*c.error == '\0') {
      EXPECT_NE(line.action, Action::Error);
    } else {
      EXPECT_EQ(line.action, Action::Error);
      EXPECT_EQ(line.error, c.error);
    }
  }
}

// The help lists every option, names and help lines in two columns.
TEST(CommandLine, HelpTextListsEveryOptionInColumns) {
  const std::string help = quiro::UsageText();
  EXPECT_EQ(help.rfind("Usage: quiro [FILE] [--screenshot FILE [--exit-after-screenshot]] [--report-ready]\n", 0), 0u);
  EXPECT_NE(help.find("\n  --build-only          run the start-up site build without a window and\n"
                      "                        print the page the window would show\n"),
            std::string::npos);
  EXPECT_NE(help.find("\n  --list-print-pages PAGE\n                        list, in printing order,"),
            std::string::npos);
  for (const quiro::CommandLineOption& option : quiro::kCommandLineOptions)
    EXPECT_NE(help.find(std::string("\n  ") + option.name), std::string::npos) << option.name;
  EXPECT_EQ(help.substr(help.size() - 41), "  --version             show the version\n");
}

TEST(CommandLine, PageArgumentsBecomeLocalPaths) {
  testing_support::TempDir dir;
  char cwd[4096];
  ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
  ASSERT_EQ(::chdir(dir.path().c_str()), 0);
  const std::string here = dir.path();
  struct Case {
    std::string page;
    std::string path;
  };
  const std::vector<Case> cases = {
      {"/docs/a.htm", "/docs/a.htm"},
      {"file:///docs/a%20b.htm#top", "/docs/a b.htm"},
      {"guide/ch1.htm", here + "/guide/ch1.htm"},
      {"http://example.com/a.htm", ""},
      {"about:blank", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(quiro::PagePathOfArgument(c.page), c.path) << c.page;
  ASSERT_EQ(::chdir(cwd), 0);
}

}  // namespace
