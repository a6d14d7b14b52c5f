// quiro: the documentation viewer. Without options it opens the window; the
// options below run parts of the program without a window, for packagers and
// for tests.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/core/cli.h"

#ifdef QUIRO_HAVE_GUI
#include "app/viewer.h"
#endif

namespace {

void PrintUsage(FILE* to) {
  std::fputs(
      "Usage: quiro [FILE] [--screenshot FILE [--exit-after-screenshot]] [--report-ready]\n"
      "       quiro --build-only [--verbose]\n"
      "       quiro --prepare-print PATH...\n"
      "       quiro --list-print-pages PAGE\n"
      "       quiro --print-all PAGE --to-pdf FILE\n"
      "\n"
      "Without options, opens the documentation viewer: builds the index site\n"
      "from the catalogue TOVY.INI and shows its start page. FILE is accepted\n"
      "and ignored.\n"
      "\n"
      "  --build-only          run the start-up site build without a window and\n"
      "                        print the page the window would show\n"
      "  --verbose             with --build-only: explain each decision on stderr\n"
      "  --prepare-print PATH  insert print page breaks into each page given and\n"
      "                        into every .htm and .html file below each folder\n"
      "  --list-print-pages PAGE\n"
      "                        list, in printing order, the pages Print All\n"
      "                        would print while PAGE is displayed\n"
      "  --print-all PAGE --to-pdf FILE\n"
      "                        print what Print All would print for PAGE into\n"
      "                        one PDF file (needs a display)\n"
      "  --screenshot FILE     with the window: once the start page and its\n"
      "                        frames have loaded, save a PNG of the window\n"
      "  --exit-after-screenshot\n"
      "                        quit after saving that screenshot\n"
      "  --report-ready        print a line with a monotonic timestamp on stderr\n"
      "                        once the start page and its frames have loaded\n"
      "  --help                show this help\n"
      "  --version             show the version\n",
      to);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty()) {
    const std::string& first = args[0];
    if (first == "--help" || first == "-h") {
      PrintUsage(stdout);
      return 0;
    }
    if (first == "--version") {
      std::printf("quiro %s\n", QUIRO_VERSION);
      return 0;
    }
    int status = quiro::RunCommandLine(args);
    if (status != quiro::kNotACommand) return status;
  }
#ifdef QUIRO_HAVE_GUI
  return quiro::RunViewer(argc, argv);
#else
  if (!args.empty() && args[0].rfind("--", 0) == 0) {
    std::fprintf(stderr, "quiro: unknown option '%s'\n", args[0].c_str());
    PrintUsage(stderr);
  } else {
    std::fputs("quiro: built without the window; see --help\n", stderr);
  }
  return 2;
#endif
}
