#include "builder/page_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "platform/paths.h"

namespace {

struct Redirect {
  std::string root;
  std::string folder;
};

// A redirect belongs to the thread that runs the build.
thread_local std::optional<Redirect> t_redirect;

}  // namespace

std::string PagePath(const std::string& root, const std::string& name) {
  if (t_redirect && t_redirect->root == root) return t_redirect->folder + name;
  return root + name;
}

platform::WriteRoot PageWriteRoot(const std::string& root) {
  return platform::WriteRoot(t_redirect && t_redirect->root == root ? t_redirect->folder : root);
}

PageFolderRedirect::PageFolderRedirect(const std::string& root, const std::string& folder) {
  t_redirect = Redirect{root, folder};
}

PageFolderRedirect::~PageFolderRedirect() { t_redirect.reset(); }

bool CanWritePages(const std::string& root, const std::vector<std::string>& pages, std::string& why) {
  if (::euidaccess(root.c_str(), W_OK) != 0) {
    why = "the folder cannot be written (" + std::string(std::strerror(errno)) + ")";
    return false;
  }
  for (const std::string& page : pages) {
    const std::string path = platform::ResolveCase(root + page);
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && !S_ISLNK(st.st_mode) && ::euidaccess(path.c_str(), W_OK) != 0) {
      why = path + " cannot be written (" + std::string(std::strerror(errno)) + ")";
      return false;
    }
  }
  return true;
}

bool ExplainsAFailedWrite(const std::string& line) {
  return line.starts_with("could not write all of ") || line.starts_with("could not create the per-user folder ");
}
