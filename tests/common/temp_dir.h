#pragma once
// A real temporary folder for a test, removed with everything in it when the
// test ends; plus small helpers to lay out files in it.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace testing_support {

class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "quiro-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    // Give back write permission first so read-only test files go too.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ec);
    }
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  /// The folder, without a trailing "/".
  const std::string& path() const { return path_; }
  /// The folder with a trailing "/", as the program's roots are written.
  std::string root() const { return path_ + "/"; }
  /// Absolute path of `rel` inside the folder.
  std::string operator/(const std::string& rel) const { return path_ + "/" + rel; }

  /// Writes `content` byte for byte to `rel`, creating folders on the way.
  std::string Write(const std::string& rel, const std::string& content) const {
    std::filesystem::path p = std::filesystem::path(path_) / rel;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << content;
    return p.string();
  }
  std::string MakeDir(const std::string& rel) const {
    std::filesystem::path p = std::filesystem::path(path_) / rel;
    std::filesystem::create_directories(p);
    return p.string();
  }

 private:
  std::string path_;
};

/// The whole content of a file, byte for byte ("" when it cannot be read).
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool Exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

}  // namespace testing_support
