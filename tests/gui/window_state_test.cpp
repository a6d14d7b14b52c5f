// What the viewer keeps between runs: the text size and the window's size
// and position, in $XDG_STATE_HOME/quiro/state.ini.

#include <fcntl.h>
#include <sys/file.h>

#include "gui_fixture.h"
#include "res/strings.h"

namespace gui_test {
namespace {

using testing_support::ReadFile;
namespace res = quiro::res;

bool HasSize(CMainFrame& frame, int width, int height) {
  int w = 0, h = 0;
  frame.get_size(w, h);
  return w == width && h == height;
}

TEST_F(WindowTest, TextSizeAndWindowGeometryComeBackAndAreKeptOnClosing) {
  WriteSmallSite();
  dir_.Write("state/quiro/state.ini", "[Viewer]\nTextSize=4\nX=30\nY=40\nWidth=900\nHeight=700\nMaximized=0\n");
  StartAndWaitReady();
  EXPECT_DOUBLE_EQ(webkit_web_view_get_zoom_level(Web()), 1.5);
  EXPECT_TRUE(RunUntil([&] { return HasSize(Frame(), 900, 700); }));

  Frame().SendCommand(res::ID_VIEW_FONTS_SMALL);
  Frame().resize(1000, 720);
  ASSERT_TRUE(RunUntil([&] { return HasSize(Frame(), 1000, 720); }));
  int x = 0, y = 0;
  Frame().get_position(x, y);
  Frame().close();
  ASSERT_TRUE(RunUntil([&] { return !Frame().get_visible(); }));
  EXPECT_EQ(ReadFile(dir_ / "state/quiro/state.ini"),
            "[Viewer]\nTextSize=1\nX=" + std::to_string(x) + "\nY=" + std::to_string(y) +
                "\nWidth=1000\nHeight=720\nMaximized=0\n");
}

// A size kept on a larger monitor than this one: the window opens no larger
// than this screen's work area (the first start's size is fitted alike).
TEST_F(WindowTest, AWindowKeptOnALargerMonitorOpensWithinThisScreen) {
  WriteSmallSite();
  dir_.Write("state/quiro/state.ini", "[Viewer]\nTextSize=2\nX=0\nY=0\nWidth=4000\nHeight=3000\nMaximized=0\n");
  ASSERT_TRUE(gtk_init_check(nullptr, nullptr));
  GdkRectangle area{};
  gdk_monitor_get_workarea(gdk_display_get_monitor_at_point(gdk_display_get_default(), 0, 0), &area);
  ASSERT_LT(area.width, 4000);
  StartAndWaitReady();
  EXPECT_TRUE(RunUntil([&] { return HasSize(Frame(), area.width, area.height); }));
}

// Two viewers already run, one at the kept position and one a step from it
// (their entries held locked, as running instances hold them); a third,
// whose instance has gone, stood two steps from it. The new window opens
// where none of the running ones stands, and says where it is.
TEST_F(WindowTest, AWindowDoesNotOpenOnTopOfAnotherInstancesWindow) {
  WriteSmallSite();
  dir_.Write("state/quiro/state.ini", "[Viewer]\nTextSize=2\nX=30\nY=40\nWidth=700\nHeight=500\nMaximized=0\n");
  ASSERT_TRUE(gtk_init_check(nullptr, nullptr));
  const std::string display = gdk_display_get_name(gdk_display_get_default());
  std::vector<int> held;
  for (const auto& [name, place] : {std::pair{"4001", "X=30\nY=40"}, std::pair{"4002", "X=62\nY=72"}}) {
    const std::string path = dir_.Write("state/quiro/windows/" + std::string(name),
                                        "Display=" + display + "\n" + place + "\n");
    held.push_back(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_EQ(::flock(held.back(), LOCK_EX | LOCK_NB), 0);
  }
  ::chmod((dir_ / "state/quiro/windows").c_str(), 0700);
  dir_.Write("state/quiro/windows/4003", "Display=" + display + "\nX=94\nY=104\n");
  StartAndWaitReady();
  int x = 0, y = 0;
  EXPECT_TRUE(RunUntil([&] {
    Frame().get_position(x, y);
    return x == 94 && y == 104;
  })) << x << "," << y;
  EXPECT_FALSE(std::filesystem::exists(dir_ / "state/quiro/windows/4003"));
  // A viewer started next would see this one there.
  EXPECT_EQ(ReadFile(dir_ / ("state/quiro/windows/" + std::to_string(::getpid()))),
            "Display=" + display + "\nX=94\nY=104\n");
  Frame().close();
  ASSERT_TRUE(RunUntil([&] { return !Frame().get_visible(); }));
  for (int fd : held) ::close(fd);
}

}  // namespace
}  // namespace gui_test
