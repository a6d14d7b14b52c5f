#include "app/viewer.h"

#include <cstdio>
#include <string>
#include <vector>

#include "app/print_all_pdf.h"
#include "app/quiro_app.h"

namespace quiro {

namespace {

int UsageError(const std::string& message) {
  std::fprintf(stderr, "quiro: %s (see --help)\n", message.c_str());
  return 2;
}

}  // namespace

int RunViewer(int argc, char** argv) {
  ViewerOptions options;
  std::string printAllPage, pdfFile;
  bool printAll = false, toPdf = false;
  int files = 0;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= argc) return false;
      into = argv[++i];
      return true;
    };
    if (arg == "--screenshot") {
      if (!value(options.screenshotPath) || options.screenshotPath.empty())
        return UsageError("--screenshot needs a file name");
    } else if (arg == "--exit-after-screenshot") {
      options.exitAfterScreenshot = true;
    } else if (arg == "--report-ready") {
      options.reportReady = true;
    } else if (arg == "--print-all") {
      if (!value(printAllPage)) return UsageError("--print-all needs a page");
      printAll = true;
    } else if (arg == "--to-pdf") {
      if (!value(pdfFile)) return UsageError("--to-pdf needs a file name");
      toPdf = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return UsageError("unknown option '" + arg + "'");
    } else if (++files > 1) {
      return UsageError("more than one file given");
    }
  }
  if (printAll != toPdf) return UsageError("--print-all and --to-pdf go together");
  if (printAll) return RunPrintAllToPdf(printAllPage, pdfFile);
  if (options.exitAfterScreenshot && options.screenshotPath.empty())
    return UsageError("--exit-after-screenshot needs --screenshot");

  // The window's options are ours; GTK sees none of them.
  Glib::RefPtr<CQuiroApp> app = CQuiroApp::create(options);
  char* appArgv[] = {argv[0], nullptr};
  int status = app->run(1, appArgv);
  return status != 0 ? status : app->GetExitStatus();
}

}  // namespace quiro
