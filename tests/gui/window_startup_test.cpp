// Start-up of the window: order of showing and building, the first page, the
// caption, the last completed document, bad document roots and the window's
// command line.

#include <gdk/gdk.h>

#include <cstdlib>
#include <set>

#include "app/quiro_doc.h"
#include "app/viewer.h"
#include "builder/site_builder.h"
#include "gui_fixture.h"
#include "search/indexer.h"

namespace gui_test {
namespace {

using testing_support::Exists;

// Counts the distinct colours of a few rows of the window as the X server
// holds them: a drawn menu bar and toolbar give many, an undrawn window one.
int DistinctColoursOnScreen(Gtk::Window& window) {
  Glib::RefPtr<Gdk::Window> w = window.get_window();
  if (!w) return 0;
  Glib::RefPtr<Gdk::Pixbuf> shot = Gdk::Pixbuf::create(w, 0, 0, w->get_width(), 80);
  if (!shot) return 0;
  std::set<guint32> colours;
  const guint8* pixels = shot->get_pixels();
  int channels = shot->get_n_channels();
  for (int y = 0; y < shot->get_height(); y += 2)
    for (int x = 0; x < shot->get_width(); x += 2) {
      const guint8* p = pixels + y * shot->get_rowstride() + x * channels;
      colours.insert((guint32(p[0]) << 16) | (guint32(p[1]) << 8) | p[2]);
    }
  return static_cast<int>(colours.size());
}

TEST_F(WindowTest, WindowIsOnScreenAndDrawnBeforeTheBuildWritesItsFirstPage) {
  const char* sample = std::getenv("QUIRO_TEST_SAMPLE");
  std::string sampleDir = sample && *sample ? sample : QUIRO_TEST_SAMPLE_DIR;
  ASSERT_TRUE(Exists(sampleDir + "/TOVY.INI"));
  std::filesystem::copy(sampleDir, dir_.path(), std::filesystem::copy_options::recursive);
  ASSERT_FALSE(Exists(root_ + "sidebar.htm"));

  bool mappedAtBuild = false, sidebarBeforeBuild = true;
  int coloursAtBuild = 0, builds = 0;
  std::vector<std::string> shown;
  StartApp([&](const CQuiroApp::ShowPageFn& showPage) {
    ++builds;
    mappedAtBuild = Frame().get_mapped() && Frame().get_window() && Frame().get_window()->is_viewable();
    coloursAtBuild = DistinctColoursOnScreen(Frame());
    sidebarBeforeBuild = Exists(root_ + "sidebar.htm");
    // The builder's request is the first navigation: nothing loaded before it.
    EXPECT_EQ(webkit_web_view_get_uri(Web()), nullptr);
    BuildSite([&](const std::string& path) {
      shown.push_back(path);
      showPage(path);
    });
  });
  EXPECT_FALSE(app_->GetProbe().HasBuildRun()) << "the build ran before the window was drawn";
  ASSERT_TRUE(RunUntil([&] { return app_->GetProbe().IsStartPageReady(); }));
  EXPECT_EQ(builds, 1);
  EXPECT_TRUE(mappedAtBuild);
  EXPECT_GT(coloursAtBuild, 4) << "the window's bars were not on screen when the build started";
  EXPECT_FALSE(sidebarBeforeBuild);
  EXPECT_TRUE(Exists(root_ + "sidebar.htm"));
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(shown[0].find("DocFrame.htm"), std::string::npos);

  // The start page's frames are there and the caption follows its title.
  EXPECT_TRUE(WaitForFrameLocation("content", ".htm"));
  EXPECT_TRUE(WaitForFrameLocation("sidebar", "sidebar.htm"));
  EXPECT_EQ(Frame().get_title(), "Vesk Documents - quiro");
  EXPECT_TRUE(RunUntil([&] { return app_->GetProbe().ViewShowsSomething(); }, 5000));
  Settle(Web());
  std::string shot = OutputPath("start_page.png");
  EXPECT_TRUE(app_->GetProbe().SaveScreenshot(shot));
  std::printf("screenshot of the main window: %s\n", shot.c_str());
}

TEST_F(WindowTest, FramesetLoadsAndCurrentUrlHoldsTheLastCompletedDocumentAsAPath) {
  WriteSmallSite();
  std::vector<std::string> completed;
  StartAndWaitReady();
  EXPECT_TRUE(WaitForFrameLocation("content", "page1.htm"));
  EXPECT_TRUE(WaitForFrameLocation("sidebar", "side.htm"));
  // The frameset completes after its frames, so it is the last document.
  EXPECT_EQ(View().GetCurrentURL(), root_ + "DocFrame.htm");
  EXPECT_EQ(Frame().get_title(), "Small Site - quiro");

  // A frame loaded later becomes the current document.
  Click("sidebar", "two");
  ASSERT_TRUE(RunUntil([&] { return View().GetCurrentURL() == root_ + "page2.htm"; }));
}

// The site the window shows is made when the build has ended: a build that
// moves the document root leaves the window on the new root, whose pages
// come through the program's scheme, and Start Page goes there too.
TEST_F(WindowTest, TheSiteIsMadeOnceTheBuildHasEnded) {
  WriteSmallSite();
  WriteSmallSite("moved");
  dir_.Write("TOVY.INI", "[MAIN]\r\nDocumentRoot=docs\r\nAutoRebuild=0\r\n");
  StartApp([&](const CQuiroApp::ShowPageFn& showPage) {
    dir_.Write("TOVY.INI", "[MAIN]\r\nDocumentRoot=moved\r\nAutoRebuild=0\r\n");
    showPage(root_ + "DocFrame.htm");
  });
  ASSERT_TRUE(RunUntil([&] { return app_->GetProbe().IsStartPageReady(); }));
  EXPECT_STREQ(webkit_web_view_get_uri(Web()), "quiro://doc/DocFrame.htm");
  EXPECT_EQ(View().GetCurrentURL(), root_ + "DocFrame.htm");
  View().Navigate2("about:blank");
  ASSERT_TRUE(RunUntil([&] { return View().GetCurrentURL() == "about:blank"; }));
  Frame().SendCommand(quiro::res::ID_GO_START_PAGE);
  EXPECT_TRUE(RunUntil([&] { return View().GetCurrentURL() == root_ + "DocFrame.htm"; }));
}

TEST_F(WindowTest, CaptionFollowsThePageTitle) {
  WriteSmallSite();
  StartAndWaitReady();
  EXPECT_EQ(Frame().get_title(), "Small Site - quiro");
  Eval(Web(), "document.title = 'Renamed'; true");
  EXPECT_TRUE(RunUntil([&] { return Frame().get_title() == "Renamed - quiro"; }));
  EXPECT_EQ(app_->GetDocument()->GetTitle(), "Renamed");
  View().Navigate2(root_ + "page1.htm");
  EXPECT_TRUE(RunUntil([&] { return Frame().get_title() == "Page One - quiro"; }));
}

TEST_F(WindowTest, SkippedStartUpLeavesTheViewEmpty) {
  WriteSmallSite();
  dir_.Write("TOVY.INI", "[MAIN]\r\nDocumentRoot=docs\r\nAutoRebuild=0\r\nSkipsLeft=2\r\n");
  StartAndWaitReady();
  Settle();
  EXPECT_EQ(webkit_web_view_get_uri(Web()), nullptr);
  EXPECT_EQ(Frame().get_title(), "Untitled - quiro");
  EXPECT_TRUE(View().GetCurrentURL().empty());
}

TEST_F(WindowTest, MissingStartPageOrDocumentRootEndsStartUpQuietly) {
  // A root without DocFrame.htm: the start-up still completes and the window stays.
  dir_.Write("TOVY.INI", "[MAIN]\r\nDocumentRoot=docs\r\nAutoRebuild=0\r\n");
  dir_.MakeDir("docs");
  StartAndWaitReady();
  // The view shows the engine's page for the missing start page; the
  // status bar is idle.
  EXPECT_TRUE(EndsWith(webkit_web_view_get_uri(Web()), "/DocFrame.htm"));
  EXPECT_EQ(Frame().GetMessageText(), "Ready");
  // Start Page and Find with nothing there do not take the window down.
  Frame().SendCommand(quiro::res::ID_GO_START_PAGE);
  Frame().SendCommand(quiro::res::ID_GO_SEARCH_THE_WEB);
  RunUntil([&] { return !webkit_web_view_is_loading(Web()); });
  Settle(Web());
  EXPECT_TRUE(Frame().get_visible());
  EXPECT_TRUE(EndsWith(webkit_web_view_get_uri(Web()), "/DocFrame.htm"));
}

TEST_F(WindowTest, SearchIndexIsBuiltBehindTheStartPage) {
  WriteSmallSite();
  dir_.Write("docs/guide/fan.htm", "<html><head><title>Cooling</title></head><body>The fan spins.</body></html>");
  StartAndWaitReady();
  // The start page was ready before the indexer even started.
  search::BackgroundIndexer* indexer = app_->GetSearchIndexer();
  ASSERT_NE(indexer, nullptr);
  EXPECT_EQ(indexer->GetStatus().state, search::BackgroundIndexer::State::NotStarted);
  ASSERT_TRUE(RunUntil([&] { return indexer->GetStatus().state == search::BackgroundIndexer::State::Ready; }));
  const auto hits = indexer->Search("FAN", 20, false).hits;
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].path, root_ + "guide/fan.htm");
  EXPECT_TRUE(Exists(dir_ / "cache/quiro/search"));
}

// The program's command line with the window built in.
int RunViewerWith(std::vector<std::string> args) {
  args.insert(args.begin(), "quiro");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const quiro::WindowEntries window = quiro::WindowLayerEntries();
  return quiro::RunCommandLine(static_cast<int>(args.size()), argv.data(), &window);
}

TEST_F(WindowTest, ScreenshotOptionSavesAPictureOfTheWindow) {
  WriteSmallSite();
  std::string shot = dir_ / "shot.png";
  // A file named on the command line is accepted and changes nothing.
  EXPECT_EQ(RunViewerWith({"notes.txt", "--screenshot", shot, "--exit-after-screenshot"}), 0);
  std::string png = testing_support::ReadFile(shot);
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  Glib::RefPtr<Gdk::Pixbuf> picture = Gdk::Pixbuf::create_from_file(shot);
  EXPECT_GE(picture->get_width(), 400);
  EXPECT_GE(picture->get_height(), 300);
}

TEST_F(WindowTest, ScreenshotThatCannotBeWrittenExitsWithStatus1) {
  WriteSmallSite();
  EXPECT_EQ(RunViewerWith({"--screenshot", dir_ / "no/such/folder/shot.png", "--exit-after-screenshot"}), 1);
}

// The window manager draws a window's icon from its _NET_WM_ICON property:
// the first picture there, as ARGB pixels after its width and height.
Glib::RefPtr<Gdk::Pixbuf> WindowManagerIcon(Gtk::Window& window) {
  GdkAtom type;
  gint format = 0, length = 0;
  guchar* data = nullptr;
  if (!gdk_property_get(window.get_window()->gobj(), gdk_atom_intern_static_string("_NET_WM_ICON"),
                        gdk_atom_intern_static_string("CARDINAL"), 0, 1 << 20, FALSE, &type, &format,
                        &length, &data))
    return {};
  // Format 32 comes as one C long a value.
  const long* values = reinterpret_cast<const long*>(data);
  const long count = length / static_cast<long>(sizeof(long));
  Glib::RefPtr<Gdk::Pixbuf> icon;
  if (count > 2 && values[0] > 0 && values[1] > 0 && count >= 2 + values[0] * values[1]) {
    icon = Gdk::Pixbuf::create(Gdk::COLORSPACE_RGB, true, 8, values[0], values[1]);
    for (int y = 0; y < icon->get_height(); ++y)
      for (int x = 0; x < icon->get_width(); ++x) {
        const unsigned long argb = values[2 + y * icon->get_width() + x];
        guint8* p = icon->get_pixels() + y * icon->get_rowstride() + x * 4;
        p[0] = (argb >> 16) & 0xff, p[1] = (argb >> 8) & 0xff, p[2] = argb & 0xff, p[3] = argb >> 24;
      }
  }
  g_free(data);
  return icon;
}

TEST_F(WindowTest, WindowShowsTheProgramsIcon) {
  WriteSmallSite();
  StartAndWaitReady();
  EXPECT_EQ(app_->get_id(), CQuiroApp::kApplicationId);
  Glib::RefPtr<Gdk::Pixbuf> shown = WindowManagerIcon(Frame());
  ASSERT_TRUE(shown) << "the window has no icon for the window manager";
  // The same picture as the icon named after the application id.
  Glib::RefPtr<Gdk::Pixbuf> own = Gtk::IconTheme::get_default()->load_icon(
      CQuiroApp::kApplicationId, shown->get_width(), Gtk::ICON_LOOKUP_FORCE_SIZE);
  ASSERT_TRUE(own);
  ASSERT_EQ(own->get_width(), shown->get_width());
  ASSERT_EQ(own->get_height(), shown->get_height());
  int differing = 0;
  for (int y = 0; y < own->get_height(); ++y)
    for (int x = 0; x < own->get_width(); ++x) {
      const guint8* a = own->get_pixels() + y * own->get_rowstride() + x * own->get_n_channels();
      const guint8* b = shown->get_pixels() + y * shown->get_rowstride() + x * 4;
      for (int c = 0; c < 4; ++c)
        if (std::abs(int(a[c]) - int(b[c])) > 8) {
          ++differing;
          break;
        }
    }
  EXPECT_LT(differing, own->get_width() * own->get_height() / 50);
}

TEST_F(WindowTest, DocumentRootThatDoesNotExist) {
  dir_.Write("TOVY.INI", "[MAIN]\r\nDocumentRoot=nowhere\r\nAutoRebuild=1\r\n");
  StartAndWaitReady();
  EXPECT_TRUE(Frame().get_visible());
  EXPECT_FALSE(Exists(dir_ / "nowhere/sidebar.htm"));
}

}  // namespace
}  // namespace gui_test
