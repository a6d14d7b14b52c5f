#include "printall/print_batch.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/confined.h"
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

std::string Reason(int error) { return std::strerror(error); }

// Every page below `top`, sorted so that runs are repeatable. Folders are
// walked through descriptors, never through links: a link to a folder is not
// followed (it could lead round in a circle, or out of `top`), and a link to
// a page counts only when the page really lies below `top`. Folders that
// cannot be listed and links that lead out are problems.
std::vector<std::string> PagesBelow(const std::string& top, const platform::WriteRoot& root,
                                    std::vector<PreparePrintProblem>& problems) {
  std::vector<std::string> pages;
  std::vector<std::pair<std::string, int>> folders;  // path and open descriptor
  const int topFd = ::open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (topFd < 0) {
    problems.push_back({PreparePrintProblem::Kind::FolderUnlisted, top, Reason(errno)});
    return pages;
  }
  folders.emplace_back(top, topFd);
  while (!folders.empty()) {
    auto [folder, fd] = std::move(folders.back());
    folders.pop_back();
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
      problems.push_back({PreparePrintProblem::Kind::FolderUnlisted, folder, Reason(errno)});
      ::close(fd);
      continue;
    }
    std::vector<std::string> below;
    for (;;) {
      errno = 0;
      const dirent* ent = ::readdir(dir);
      if (!ent) {
        if (errno != 0) problems.push_back({PreparePrintProblem::Kind::FolderUnlisted, folder, Reason(errno)});
        break;
      }
      const std::string name = ent->d_name;
      if (name == "." || name == "..") continue;
      const std::string path = folder + (folder.ends_with('/') ? "" : "/") + name;
      unsigned char type = ent->d_type;
      if (type == DT_UNKNOWN) {
        struct stat st {};
        if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : S_ISLNK(st.st_mode) ? DT_LNK : DT_UNKNOWN;
      }
      if (type == DT_DIR) {
        below.push_back(name);
      } else if (type == DT_REG) {
        if (IsPageName(name)) pages.push_back(path);
      } else if (type == DT_LNK) {
        const std::string real = platform::RealPath(path);
        struct stat st {};
        if (real.empty() || ::stat(real.c_str(), &st) != 0) continue;  // names nothing: no page
        const bool page = S_ISREG(st.st_mode) && IsPageName(name);
        if (!root.Contains(real)) {
          if (page || S_ISDIR(st.st_mode)) {
            problems.push_back({PreparePrintProblem::Kind::Outside, path,
                                "is a link to " + real + ", outside " + root.Real()});
          }
        } else if (page) {
          pages.push_back(path);
        }
      }
    }
    for (const std::string& name : below) {
      const std::string path = folder + (folder.ends_with('/') ? "" : "/") + name;
      const int sub = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (sub < 0) {
        problems.push_back({PreparePrintProblem::Kind::FolderUnlisted, path, Reason(errno)});
      } else {
        folders.emplace_back(path, sub);
      }
    }
    ::closedir(dir);
  }
  std::sort(pages.begin(), pages.end());
  return pages;
}

void Prepare(const std::string& page, const platform::WriteRoot& root, std::vector<PreparePrintProblem>& problems) {
  switch (RewritePageForPrinting(page, root)) {
    case PrintBreakResult::Rewritten:
    case PrintBreakResult::Unchanged:
      return;
    case PrintBreakResult::NotOpened:
      problems.push_back({PreparePrintProblem::Kind::NotOpened, page, {}});
      return;
    case PrintBreakResult::Failed:
      problems.push_back({PreparePrintProblem::Kind::Failed, page, {}});
      return;
    case PrintBreakResult::Outside:
      problems.push_back({PreparePrintProblem::Kind::Outside, page,
                          "leads to " + platform::RealPath(platform::ResolveCase(page)) + ", outside " +
                              (root.IsSet() ? root.Real() : std::string("its folder"))});
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
      const platform::WriteRoot root(resolved);
      for (const std::string& page : PagesBelow(resolved, root, problems)) Prepare(page, root, problems);
    } else if (type == std::filesystem::file_type::not_found) {
      problems.push_back({PreparePrintProblem::Kind::NoSuchPath, path, {}});
    } else if (ec) {
      // There, but it cannot be looked at (a folder above it is locked).
      problems.push_back({PreparePrintProblem::Kind::FolderUnlisted, path, ec.message()});
    } else {
      Prepare(path, platform::WriteRoot(platform::ParentFolder(resolved)), problems);
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
