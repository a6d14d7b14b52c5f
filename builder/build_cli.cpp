#include "builder/build_cli.h"

#include <cstdio>
#include <string>

#include "builder/site_builder.h"

namespace quiro {

int RunBuildOnly(bool verbose) {
  ExplainFn explain;
  if (verbose) {
    explain = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
  }
  BuildSite([](const std::string& path) { std::printf("%s\n", path.c_str()); }, explain);
  std::fflush(stdout);
  return 0;
}

}  // namespace quiro
