#include "printall/print_cli.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "printall/page_rewriter.h"
#include "printall/print_all_run.h"

namespace quiro {
namespace {

bool IsPageName(const std::string& name) {
  return platform::EndsWithNoCase(name, ".htm") || platform::EndsWithNoCase(name, ".html");
}

// Every page below `folder`, sorted so that runs are repeatable. Links to
// folders are not followed (they could lead round in a circle).
std::vector<std::string> PagesBelow(const std::string& folder) {
  namespace fs = std::filesystem;
  std::vector<std::string> pages;
  std::error_code ec;
  fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    std::error_code typeError;
    if (it->is_regular_file(typeError) && IsPageName(it->path().filename().string())) {
      pages.push_back(it->path().string());
    }
  }
  if (ec) std::fprintf(stderr, "quiro: could not read all of %s: %s\n", folder.c_str(), ec.message().c_str());
  std::sort(pages.begin(), pages.end());
  return pages;
}

bool Prepare(const std::string& page) {
  switch (RewritePageForPrinting(page)) {
    case PrintBreakResult::Rewritten:
    case PrintBreakResult::Unchanged:
      return true;
    case PrintBreakResult::NotOpened:
      std::fprintf(stderr, "quiro: %s could not be opened (in use elsewhere?); left as it is\n", page.c_str());
      return false;
    case PrintBreakResult::Failed:
      std::fprintf(stderr, "quiro: %s could not be rewritten (read or write error); left as it is\n",
                   page.c_str());
      return false;
  }
  return false;
}

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

}  // namespace

int RunPreparePrint(const std::vector<std::string>& paths) {
  int status = 0;
  for (const std::string& path : paths) {
    const std::string resolved = platform::ResolveCase(path);
    std::error_code ec;
    const auto type = std::filesystem::status(resolved, ec).type();
    if (type == std::filesystem::file_type::directory) {
      for (const std::string& page : PagesBelow(resolved)) {
        if (!Prepare(page)) status = 1;
      }
    } else if (type == std::filesystem::file_type::not_found || ec) {
      std::fprintf(stderr, "quiro: %s: no such file or folder\n", path.c_str());
      status = 1;
    } else if (!Prepare(path)) {
      status = 1;
    }
  }
  return status;
}

int RunListPrintPages(const std::string& page) {
  std::string location;
  if (platform::IsFileUrl(page) || (!page.empty() && page.front() == '/')) {
    location = LocalPathOfLocation(page);
  } else if (!page.empty() && !HasScheme(page)) {
    const std::string cwd = platform::CurrentDirectory();
    if (!cwd.empty()) location = cwd + "/" + page;
  }
  if (location.empty()) {
    std::fprintf(stderr, "quiro: %s is no local page; Print All prints nothing for it\n", page.c_str());
    return 1;
  }

  PrintAllRun run;
  run.dryRun = true;  // no printer, no rewrite, no change of attributes
  PrintLinkedPages(FindPrintStartPage(location), run);
  if (run.pageCount == 0) {
    std::fprintf(stderr, "quiro: %s cannot be read; Print All prints nothing for it\n", page.c_str());
    return 1;
  }
  for (int i = 0; i < run.pageCount; ++i) std::printf("%s\n", run.pagePaths[i].c_str());
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace quiro
