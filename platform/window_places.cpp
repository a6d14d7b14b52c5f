#include "platform/window_places.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <string_view>
#include <utility>

#include "platform/xdg.h"

namespace platform {

namespace {

// How many places down the diagonal are tried before giving up.
constexpr int kMaxSteps = 100;
// An entry is a few short lines; anything larger is no entry.
constexpr off_t kMaxEntrySize = 4096;

bool MakeFolders(const std::string& folder) {
  if (folder.empty()) return true;
  struct stat st {};
  if (::stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  const std::size_t cut = folder.find_last_of('/');
  if (cut != std::string::npos && cut > 0 && !MakeFolders(folder.substr(0, cut))) return false;
  return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

bool IsEntryName(std::string_view name) {
  return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool ReadInt(std::string_view text, int& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// "Display=...", "X=...", "Y=..." lines; false unless all three are there.
bool ParseEntry(std::string_view text, std::string& display, WindowPlace& place) {
  bool haveDisplay = false, haveX = false, haveY = false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "Display") {
      display = std::string(value);
      haveDisplay = true;
    } else if (key == "X") {
      haveX = ReadInt(value, place.x);
    } else if (key == "Y") {
      haveY = ReadInt(value, place.y);
    }
  }
  return haveDisplay && haveX && haveY;
}

}  // namespace

std::string WindowPlacesFolder() {
  const std::string state = StateHome();
  return state.empty() ? std::string() : state + "/quiro/windows";
}

WindowPlace FreeWindowPlace(WindowPlace saved, const std::vector<WindowPlace>& taken, int step,
                            const PlaceBounds* bounds) {
  auto held = [&taken](WindowPlace p) { return std::find(taken.begin(), taken.end(), p) != taken.end(); };
  // A place kept for another arrangement of monitors comes onto this one.
  if (bounds != nullptr && bounds->left <= bounds->right && bounds->top <= bounds->bottom) {
    saved.x = std::clamp(saved.x, bounds->left, bounds->right);
    saved.y = std::clamp(saved.y, bounds->top, bounds->bottom);
  }
  if (!held(saved) || step <= 0) return saved;
  WindowPlace place = saved;
  for (int i = 0; i < kMaxSteps; ++i) {
    place.x += step;
    place.y += step;
    if (bounds != nullptr && (place.x > bounds->right || place.y > bounds->bottom))
      place = {bounds->left, bounds->top};
    if (!held(place)) return place;
  }
  return {saved.x + step, saved.y + step};
}

WindowPlaceEntry::WindowPlaceEntry(std::string folder, std::string display)
    : m_name(std::to_string(::getpid())), m_display(std::move(display)) {
  std::replace(m_display.begin(), m_display.end(), '\n', ' ');
  if (folder.empty() || !MakeFolders(folder)) return;
  // The folder must be the user's own and closed to others: an entry in it
  // is believed.
  m_folder = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  struct stat st {};
  if (m_folder < 0 || ::fstat(m_folder, &st) != 0 || st.st_uid != ::geteuid() || (st.st_mode & 022) != 0) {
    if (m_folder >= 0) ::close(m_folder);
    m_folder = -1;
    return;
  }
  // Made and locked under a name readers pass over, then renamed into
  // place: no reader ever sees the entry unlocked and takes it for a gone
  // instance's.
  const std::string making = "." + m_name + ".new";
  ::unlinkat(m_folder, making.c_str(), 0);
  const int fd = ::openat(m_folder, making.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::renameat(m_folder, making.c_str(), m_folder, m_name.c_str()) != 0) {
    ::unlinkat(m_folder, making.c_str(), 0);
    ::close(fd);
    return;
  }
  m_fd = fd;
}

WindowPlaceEntry::~WindowPlaceEntry() {
  if (m_fd >= 0) {
    // Only the entry this instance made: a later instance with the same
    // process id may have put its own there.
    struct stat mine {}, there {};
    if (::fstat(m_fd, &mine) == 0 && ::fstatat(m_folder, m_name.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0 &&
        mine.st_ino == there.st_ino && mine.st_dev == there.st_dev)
      ::unlinkat(m_folder, m_name.c_str(), 0);
    ::close(m_fd);
  }
  if (m_folder >= 0) ::close(m_folder);
}

void WindowPlaceEntry::Update(WindowPlace place) {
  if (m_fd < 0) return;
  const std::string text =
      "Display=" + m_display + "\nX=" + std::to_string(place.x) + "\nY=" + std::to_string(place.y) + "\n";
  if (::pwrite(m_fd, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size()))
    static_cast<void>(::ftruncate(m_fd, static_cast<off_t>(text.size())));
}

std::vector<WindowPlace> WindowPlaceEntry::Others() const {
  std::vector<WindowPlace> places;
  if (m_fd < 0) return places;
  const int listing = ::openat(m_folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* dir = listing >= 0 ? ::fdopendir(listing) : nullptr;
  if (dir == nullptr) {
    if (listing >= 0) ::close(listing);
    return places;
  }
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (!IsEntryName(name) || name == m_name) continue;
    const int fd = ::openat(m_folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || st.st_size > kMaxEntrySize) {
      ::close(fd);
      continue;
    }
    if (::flock(fd, LOCK_SH | LOCK_NB) == 0) {
      // Nobody holds it: its instance has gone.
      ::unlinkat(m_folder, name.c_str(), 0);
      ::close(fd);
      continue;
    }
    char buffer[kMaxEntrySize];
    const ssize_t n = ::pread(fd, buffer, sizeof buffer, 0);
    ::close(fd);
    std::string display;
    WindowPlace place;
    if (n > 0 && ParseEntry(std::string_view(buffer, static_cast<std::size_t>(n)), display, place) &&
        display == m_display)
      places.push_back(place);
  }
  ::closedir(dir);
  return places;
}

}  // namespace platform
