#include "app/core/cli.h"

#include <cstdio>

#include "builder/build_cli.h"
#include "printall/print_cli.h"

namespace quiro {

int RunCommandLine(const std::vector<std::string>& args) {
  if (args.empty()) return kNotACommand;
  const std::string& command = args[0];
  if (command == "--build-only") {
    bool verbose = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
      if (args[i] == "--verbose" || args[i] == "-v") {
        verbose = true;
      } else {
        std::fprintf(stderr, "quiro: --build-only takes only --verbose, not '%s'\n", args[i].c_str());
        return 2;
      }
    }
    return RunBuildOnly(verbose);
  }
  if (command == "--prepare-print") {
    if (args.size() < 2) {
      std::fputs("quiro: --prepare-print needs at least one PATH\n", stderr);
      return 2;
    }
    return RunPreparePrint(std::vector<std::string>(args.begin() + 1, args.end()));
  }
  if (command == "--list-print-pages") {
    if (args.size() != 2) {
      std::fputs("quiro: --list-print-pages needs exactly one PAGE\n", stderr);
      return 2;
    }
    return RunListPrintPages(args[1]);
  }
  return kNotACommand;
}

}  // namespace quiro
