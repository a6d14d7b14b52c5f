#include "builder/page_folder.h"

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
    if (::access(path.c_str(), F_OK) == 0 && ::euidaccess(path.c_str(), W_OK) != 0) {
      why = path + " cannot be written (" + std::string(std::strerror(errno)) + ")";
      return false;
    }
  }
  return true;
}
