#pragma once
// What the viewer remembers between runs: the text size and the window's
// size and position, in a small key file under $XDG_STATE_HOME. The file is
// a convenience: a missing, unreadable or damaged file gives the defaults,
// and one that cannot be written changes nothing else.

#include <string>

namespace platform {

struct ViewerState {
  int textSize = 2;  ///< 0 smallest to 4 largest; 2 is medium
  bool hasGeometry = false;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool maximized = false;
};

/// StateHome() + "/quiro/state.ini" ("$XDG_STATE_HOME/quiro/state.ini" or
/// "~/.local/state/quiro/state.ini", see platform/xdg.h); empty without a
/// home either.
std::string ViewerStateFile();

/// The state kept in `path`; each value that is missing or out of range
/// keeps its default, and the geometry counts only when whole and sane.
ViewerState LoadViewerState(const std::string& path);

/// Writes `state` to `path` in one piece, creating its folder. False when it
/// cannot; the old file then stays as it was.
bool SaveViewerState(const ViewerState& state, const std::string& path);

}  // namespace platform
