#include "platform/viewer_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/temp_dir.h"

namespace {

using platform::LoadViewerState;
using platform::SaveViewerState;
using platform::ViewerState;
using testing_support::ReadFile;
using testing_support::TempDir;

TEST(ViewerState, KeptAndReadBackInAFolderMadeForIt) {
  TempDir dir;
  const std::string file = dir / "state/quiro/state.ini";
  EXPECT_EQ(LoadViewerState(file).textSize, 2);  // nothing kept yet: the defaults
  EXPECT_FALSE(LoadViewerState(file).hasGeometry);

  ViewerState state;
  state.textSize = 4;
  state.hasGeometry = true;
  state.x = -20;
  state.y = 40;
  state.width = 640;
  state.height = 900;
  state.maximized = true;
  ASSERT_TRUE(SaveViewerState(state, file));
  const ViewerState back = LoadViewerState(file);
  EXPECT_EQ(back.textSize, 4);
  EXPECT_TRUE(back.hasGeometry);
  EXPECT_EQ(back.x, -20);
  EXPECT_EQ(back.y, 40);
  EXPECT_EQ(back.width, 640);
  EXPECT_EQ(back.height, 900);
  EXPECT_TRUE(back.maximized);
}

TEST(ViewerState, DamagedValuesKeepTheirDefaults) {
  struct Case {
    const char* text;
    int textSize;
    bool hasGeometry;
  };
  const std::vector<Case> cases = {
      {"[Viewer]\nTextSize=9\nX=0\nY=0\nWidth=800\nHeight=600\n", 2, true},
      {"[Viewer]\nTextSize=-1\nWidth=800\nHeight=600\n", 2, false},  // no position
      {"[Viewer]\nTextSize=0\nX=0\nY=0\nWidth=5\nHeight=600\n", 0, false},
      {"[Viewer]\nTextSize=small\nX=0\nY=0\nWidth=800\nHeight=99999999\n", 2, false},
      {"[Viewer]\nTextSize=3x\nX=0\nY=1e3\nWidth=800\nHeight=600\n", 2, false},
      {"\x01\x02 binary \xff\n", 2, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TempDir dir;
    const ViewerState state = LoadViewerState(dir.Write("state.ini", c.text));
    EXPECT_EQ(state.textSize, c.textSize);
    EXPECT_EQ(state.hasGeometry, c.hasGeometry);
  }
}

TEST(ViewerState, AFileThatCannotBeWrittenChangesNothing) {
  TempDir dir;
  ViewerState state;
  state.textSize = 3;
  dir.Write("plain", "a file where a folder should be");
  EXPECT_FALSE(SaveViewerState(state, dir / "plain/quiro/state.ini"));
  EXPECT_EQ(ReadFile(dir / "plain"), "a file where a folder should be");
  EXPECT_FALSE(SaveViewerState(state, ""));
  EXPECT_EQ(LoadViewerState("").textSize, 2);
}

}  // namespace
