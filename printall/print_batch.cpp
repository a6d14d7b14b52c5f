#include "printall/print_batch.h"

#include <algorithm>
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
std::vector<std::string> PagesBelow(const std::string& folder, std::vector<PreparePrintProblem>& problems) {
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
  if (ec) problems.push_back({PreparePrintProblem::Kind::FolderUnlisted, folder, ec.message()});
  std::sort(pages.begin(), pages.end());
  return pages;
}

void Prepare(const std::string& page, std::vector<PreparePrintProblem>& problems) {
  switch (RewritePageForPrinting(page)) {
    case PrintBreakResult::Rewritten:
    case PrintBreakResult::Unchanged:
      return;
    case PrintBreakResult::NotOpened:
      problems.push_back({PreparePrintProblem::Kind::NotOpened, page, {}});
      return;
    case PrintBreakResult::Failed:
      problems.push_back({PreparePrintProblem::Kind::Failed, page, {}});
      return;
  }
}

}  // namespace

std::vector<PreparePrintProblem> PreparePagesForPrinting(const std::vector<std::string>& paths) {
  std::vector<PreparePrintProblem> problems;
  for (const std::string& path : paths) {
    const std::string resolved = platform::ResolveCase(path);
    std::error_code ec;
    const auto type = std::filesystem::status(resolved, ec).type();
    if (type == std::filesystem::file_type::directory) {
      for (const std::string& page : PagesBelow(resolved, problems)) Prepare(page, problems);
    } else if (type == std::filesystem::file_type::not_found || ec) {
      problems.push_back({PreparePrintProblem::Kind::NoSuchPath, path, {}});
    } else {
      Prepare(path, problems);
    }
  }
  return problems;
}

std::vector<std::string> ListPrintPages(const std::string& location) {
  PrintAllRun run;
  run.dryRun = true;  // no printer, no rewrite, no change of attributes
  PrintLinkedPages(FindPrintStartPage(location), run);
  return std::vector<std::string>(run.pagePaths.begin(), run.pagePaths.begin() + run.pageCount);
}

}  // namespace quiro
