#include "platform/window_places.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/temp_dir.h"

namespace {

using platform::FreeWindowPlace;
using platform::PlaceBounds;
using platform::WindowPlace;
using platform::WindowPlaceEntry;
using testing_support::ReadFile;
using testing_support::TempDir;

TEST(FreeWindowPlace, StepsDownTheDiagonalPastTheWindowsThere) {
  const PlaceBounds screen{0, 0, 400, 300};
  struct Case {
    const char* what;
    WindowPlace saved;
    std::vector<WindowPlace> taken;
    const PlaceBounds* bounds;
    WindowPlace expected;
  };
  const Case cases[] = {
      {"nobody there", {30, 40}, {}, nullptr, {30, 40}},
      {"others elsewhere", {30, 40}, {{31, 40}, {0, 0}}, nullptr, {30, 40}},
      {"one there", {30, 40}, {{30, 40}}, nullptr, {62, 72}},
      {"a cascade there", {30, 40}, {{62, 72}, {30, 40}, {94, 104}}, nullptr, {126, 136}},
      {"off the screen: back to its corner", {380, 40}, {{380, 40}}, &screen, {0, 0}},
      {"its corner held too", {380, 40}, {{380, 40}, {0, 0}}, &screen, {32, 32}},
      {"negative places", {-500, -20}, {{-500, -20}}, nullptr, {-468, 12}},
      {"kept off this monitor: brought onto it", {900, -50}, {}, &screen, {400, 0}},
      {"brought onto it where another stands", {900, 300}, {{400, 300}}, &screen, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(FreeWindowPlace(c.saved, c.taken, 32, c.bounds), c.expected);
  }
  // Every place held (the one place the bounds leave): the first step.
  const PlaceBounds one{0, 0, 0, 0};
  EXPECT_EQ(FreeWindowPlace({0, 0}, {{0, 0}}, 32, &one), (WindowPlace{32, 32}));
}

// Another instance's entry: a file named like a process id, held locked
// for as long as `fd` stays open.
int HoldEntry(const TempDir& dir, const std::string& name, const std::string& text) {
  const std::string path = dir.Write("windows/" + name, text);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  return fd;
}

TEST(WindowPlaceEntry, SeesTheRunningInstancesOfItsDisplayAndClearsGoneOnes) {
  TempDir dir;
  const std::string folder = dir / "windows";
  auto entry = std::make_unique<WindowPlaceEntry>(folder, ":7");
  ASSERT_TRUE(entry->Active());
  struct stat st {};
  ASSERT_EQ(::stat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  const int live = HoldEntry(dir, "4001", "Display=:7\nX=30\nY=40\n");
  const int elsewhere = HoldEntry(dir, "4002", "Display=:8\nX=30\nY=40\n");
  const int damaged = HoldEntry(dir, "4003", "Display=:7\nX=thirty\nY=40\n");
  dir.Write("windows/4004", "Display=:7\nX=1\nY=2\n");  // nobody holds it: gone
  dir.Write("windows/.4005.new", "Display=:7\nX=5\nY=6\n");  // not yet in place
  ASSERT_EQ(::symlink((dir / "windows/4001").c_str(), (dir / "windows/4006").c_str()), 0);
  EXPECT_EQ(entry->Others(), (std::vector<WindowPlace>{{30, 40}}));
  EXPECT_FALSE(std::filesystem::exists(dir / "windows/4004"));
  EXPECT_TRUE(std::filesystem::exists(dir / "windows/.4005.new"));

  // Its own entry says where its window stands, and goes with it.
  entry->Update({62, 72});
  const std::string own = dir / ("windows/" + std::to_string(::getpid()));
  EXPECT_EQ(ReadFile(own), "Display=:7\nX=62\nY=72\n");
  entry->Update({-5, 7});
  EXPECT_EQ(ReadFile(own), "Display=:7\nX=-5\nY=7\n");
  // The instance whose entry it was has ended.
  ::close(live);
  EXPECT_TRUE(entry->Others().empty());
  EXPECT_FALSE(std::filesystem::exists(dir / "windows/4001"));
  ::close(elsewhere);
  ::close(damaged);
  entry.reset();
  EXPECT_FALSE(std::filesystem::exists(own));
}

TEST(WindowPlaceEntry, AFolderOthersMayWriteOrALinkIsNotUsed) {
  TempDir dir;
  dir.MakeDir("open");
  ::chmod((dir / "open").c_str(), 0777);
  const int held = HoldEntry(dir, "4001", "Display=:7\nX=30\nY=40\n");
  ASSERT_EQ(::symlink((dir / "windows").c_str(), (dir / "link").c_str()), 0);
  for (const std::string& folder : {dir / "open", dir / "link", std::string()}) {
    WindowPlaceEntry entry(folder, ":7");
    EXPECT_FALSE(entry.Active()) << folder;
    EXPECT_TRUE(entry.Others().empty());
    entry.Update({1, 2});
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir / "open"));
  ::close(held);
}

}  // namespace
