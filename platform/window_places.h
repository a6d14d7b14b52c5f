#pragma once
// Where the windows of the viewer's running instances stand. Every launch is
// an instance of its own, and each restores the position kept in the one
// state file; without knowing of each other, two started together would
// open exactly on top of each other. Each instance keeps a small entry in a
// folder beside that state file: a file named after its process id, holding
// its display and its window's position, locked (flock) for as long as the
// instance runs. An entry nobody holds locked belongs to an instance that has
// gone and is removed by the next one that reads it.

#include <string>
#include <vector>

namespace platform {

struct WindowPlace {
  int x = 0;
  int y = 0;
  bool operator==(const WindowPlace&) const = default;
};

/// The rectangle a window's top-left corner may take (inclusive bounds).
struct PlaceBounds {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

/// StateHome() + "/quiro/windows" (platform/xdg.h); "" without a home.
std::string WindowPlacesFolder();

/// Where a window restored at `saved` goes when the windows of other
/// instances stand at `taken`. A `saved` outside `bounds` (when given) is
/// first brought to the nearest place inside them. Then: `saved` when no
/// other stands exactly there, else the first place down the diagonal,
/// `step` pixels at a time, that no other holds. A step that would leave
/// `bounds` starts the diagonal again at the bounds' top-left corner. When
/// every place tried is held, the first step from `saved`.
WindowPlace FreeWindowPlace(WindowPlace saved, const std::vector<WindowPlace>& taken, int step,
                            const PlaceBounds* bounds = nullptr);

/// This instance's entry in `folder`, on display `display`. Without a usable
/// folder (none can be made, a link, someone else's, writable by others)
/// the entry is inactive: Update does nothing and Others finds nobody.
class WindowPlaceEntry {
 public:
  WindowPlaceEntry(std::string folder, std::string display);
  ~WindowPlaceEntry();  // removes the entry
  WindowPlaceEntry(const WindowPlaceEntry&) = delete;
  WindowPlaceEntry& operator=(const WindowPlaceEntry&) = delete;

  bool Active() const { return m_fd >= 0; }
  /// Records where this instance's window stands now.
  void Update(WindowPlace place);
  /// Where the windows of the other running instances on the same display
  /// stand; entries of instances that have gone are removed on the way.
  std::vector<WindowPlace> Others() const;

 private:
  int m_folder = -1;
  int m_fd = -1;
  std::string m_name;
  std::string m_display;
};

}  // namespace platform
