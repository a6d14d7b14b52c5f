// What the viewer keeps between runs: the text size and the window's size
// and position, in $XDG_STATE_HOME/quiro/state.ini.

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

}  // namespace
}  // namespace gui_test
