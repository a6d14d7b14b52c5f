#include "platform/viewer_state.h"

#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>

#include "platform/files.h"
#include "platform/ini.h"
#include "platform/xdg.h"

namespace platform {

namespace {

constexpr const char* kSection = "Viewer";
// Sizes beyond any screen are a damaged file, not a window.
constexpr int kMinSide = 100;
constexpr int kMaxSide = 30000;
constexpr int kMaxOffset = 100000;

// Creates `folder` and the folders above it that are missing.
bool MakeFolders(const std::string& folder) {
  if (folder.empty() || IsDirectory(folder)) return true;
  const std::size_t cut = folder.find_last_of('/');
  if (cut != std::string::npos && cut > 0 && !MakeFolders(folder.substr(0, cut))) return false;
  return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

// The whole value as a decimal number; `def` for anything else, so a
// damaged value is never taken for a small one.
int Read(const char* key, int def, const std::string& path) {
  const std::string text = GetPrivateProfileString(kSection, key, "", path);
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && !text.empty() ? value : def;
}

}  // namespace

std::string ViewerStateFile() {
  const std::string state = StateHome();
  return state.empty() ? std::string() : state + "/quiro/state.ini";
}

ViewerState LoadViewerState(const std::string& path) {
  ViewerState state;
  if (path.empty()) return state;
  const int size = Read("TextSize", state.textSize, path);
  if (size >= 0 && size <= 4) state.textSize = size;
  const int width = Read("Width", -1, path);
  const int height = Read("Height", -1, path);
  const int x = Read("X", kMaxOffset + 1, path);
  const int y = Read("Y", kMaxOffset + 1, path);
  if (width >= kMinSide && width <= kMaxSide && height >= kMinSide && height <= kMaxSide &&
      std::abs(x) <= kMaxOffset && std::abs(y) <= kMaxOffset) {
    state.hasGeometry = true;
    state.x = x;
    state.y = y;
    state.width = width;
    state.height = height;
  }
  state.maximized = Read("Maximized", 0, path) == 1;
  return state;
}

bool SaveViewerState(const ViewerState& state, const std::string& path) {
  if (path.empty()) return false;
  const std::size_t cut = path.find_last_of('/');
  if (cut != std::string::npos && !MakeFolders(path.substr(0, cut))) return false;
  std::string text = "[" + std::string(kSection) + "]\n";
  text += "TextSize=" + std::to_string(state.textSize) + "\n";
  if (state.hasGeometry) {
    text += "X=" + std::to_string(state.x) + "\nY=" + std::to_string(state.y) + "\n";
    text += "Width=" + std::to_string(state.width) + "\nHeight=" + std::to_string(state.height) + "\n";
  }
  text += "Maximized=" + std::string(state.maximized ? "1" : "0") + "\n";
  return WriteFileAtomically(path, text);
}

}  // namespace platform
