#pragma once
// A private folder for one fuzzing process, on a RAM file system when there
// is one (the rewriter stores each page durably, which is slow on a disk).

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz_support {

inline const std::string& Folder() {
  static const std::string folder = [] {
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string tmpl = std::string(base) + "/quiro-fuzz-XXXXXX";
    if (!mkdtemp(tmpl.data())) std::abort();
    return tmpl;
  }();
  return folder;
}

inline void WriteFile(const std::string& path, const unsigned char* data, std::size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (size && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
}

inline std::string ReadFile(const std::string& path) {
  std::string out;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return out;
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  std::fclose(f);
  return out;
}

inline bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

}  // namespace fuzz_support
