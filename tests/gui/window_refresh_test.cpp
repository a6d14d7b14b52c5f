// Refresh in a frameset, the sequence that used to end in a blank grey page,
// and what the view shows when its web process goes.

#include <regex>

#include "gui_fixture.h"
#include "res/strings.h"

namespace gui_test {
namespace {

using testing_support::ReadFile;
namespace res = quiro::res;

class RefreshTest : public WindowTest {
 protected:
  // Counts the ends of the view's web process.
  void CountWebProcessEnds() {
    g_signal_connect(Web(), "web-process-terminated",
                     G_CALLBACK(+[](WebKitWebView*, WebKitWebProcessTerminationReason, gpointer count) {
                       ++*static_cast<int*>(count);
                     }),
                     &ends_);
  }
  // Runs command `id` and waits until frame `frame` completes a document
  // ending in `suffix`.
  bool CommandShows(int id, const std::string& frame, const std::string& suffix) {
    completed_.erase(frame);
    Frame().SendCommand(id);
    return WaitForFrameLocation(frame, suffix);
  }
  bool OpenInContent(const std::string& page) {
    completed_.erase("content");
    View().Navigate2(root_ + page, "content");
    return WaitForFrameLocation("content", page);
  }
  int ends_ = 0;
};

TEST_F(RefreshTest, RefreshKeepsEachFrameWhereItIsAndHistoryGoesOn) {
  WriteSmallSite();
  StartAndWaitReady();
  Click("sidebar", "two");
  ASSERT_TRUE(WaitForFrameLocation("content", "page2.htm"));

  completed_.clear();
  Frame().SendCommand(res::ID_VIEW_REFRESH);
  // Both frames load again, each at the page it showed; the frameset itself
  // is not loaded again.
  EXPECT_TRUE(WaitForFrameLocation("content", "page2.htm"));
  EXPECT_TRUE(WaitForFrameLocation("sidebar", "side.htm"));
  Settle(Web());
  EXPECT_EQ(LastCompleted(""), "");

  EXPECT_TRUE(CommandShows(res::ID_GO_BACK, "content", "page1.htm"));
  EXPECT_TRUE(CommandShows(res::ID_GO_FORWARD, "content", "page2.htm"));
}

// The steps after which the engine's web process crashed: Your Computer,
// Hardware, F5, Alt+Left three times, Alt+Right, Your Computer, Back four
// times, Start Page, Help and Support, Back.
TEST_F(RefreshTest, TheSampleSequenceEndsOnThePageItShould) {
  const char* sample = std::getenv("QUIRO_TEST_SAMPLE");
  std::filesystem::copy(sample && *sample ? sample : QUIRO_TEST_SAMPLE_DIR, dir_.path(),
                        std::filesystem::copy_options::recursive);
  StartAndWaitReady();
  ASSERT_TRUE(WaitForFrameLocation("content", "importan.htm"));
  CountWebProcessEnds();
  // The page the system page's "Hardware" link opens.
  std::smatch hardware;
  const std::string sys = ReadFile(root_ + "sys.htm");
  ASSERT_TRUE(std::regex_search(sys, hardware, std::regex("href=\"([^\"]+)\">Hardware<")));

  ASSERT_TRUE(OpenInContent("sys.htm"));
  ASSERT_TRUE(OpenInContent(hardware[1]));
  EXPECT_TRUE(CommandShows(res::ID_VIEW_REFRESH, "content", hardware[1]));  // the place is kept
  EXPECT_TRUE(CommandShows(res::ID_GO_BACK, "content", "sys.htm"));
  EXPECT_TRUE(CommandShows(res::ID_GO_BACK, "content", "importan.htm"));
  Frame().SendCommand(res::ID_GO_BACK);  // at the start of the history: nothing
  Settle(Web());
  EXPECT_TRUE(CommandShows(res::ID_GO_FORWARD, "content", "sys.htm"));
  ASSERT_TRUE(OpenInContent("sys.htm"));
  // Back pressed faster than the pages load: the steps are taken one after
  // the other, in the frame, and the frameset is not loaded again.
  completed_.clear();
  for (int i = 0; i < 4; ++i) {
    Frame().SendCommand(res::ID_GO_BACK);
    Settle(Web());
  }
  EXPECT_TRUE(WaitForFrameLocation("content", "importan.htm"));
  RunUntil([&] { return !webkit_web_view_is_loading(Web()); });
  Settle(Web());
  EXPECT_EQ(LastCompleted(""), "");
  EXPECT_TRUE(CommandShows(res::ID_GO_START_PAGE, "content", "importan.htm"));
  ASSERT_TRUE(OpenInContent("CONTACT.HTM"));
  EXPECT_TRUE(CommandShows(res::ID_GO_BACK, "content", "importan.htm"));
  Settle(Web());
  EXPECT_EQ(ends_, 0);
  EXPECT_EQ(Eval(Web(), "String(window.frames.length)"), "2");
}

TEST_F(RefreshTest, AGoneWebProcessLeavesAPageThatSaysSoAndReloads) {
  WriteSmallSite();
  StartAndWaitReady();
  const std::string start = webkit_web_view_get_uri(Web());
  auto showsGonePage = [&] {
    return RunUntil([&] {
      const gchar* uri = webkit_web_view_get_uri(Web());
      return uri != nullptr && std::string(uri) == start + "#quiro-web-process-gone" &&
             Eval(Web(), "document.getElementById('reload').getAttribute('href')") == start;
    });
  };
  struct Way {
    const char* what;
    std::function<void()> recover;
  };
  const std::vector<Way> ways = {
      {"the Reload link", [&] { Eval(Web(), "document.getElementById('reload').click(); true"); }},
      {"Refresh", [&] { Frame().SendCommand(res::ID_VIEW_REFRESH); }},
      {"Start Page", [&] { Frame().SendCommand(res::ID_GO_START_PAGE); }},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.what);
    webkit_web_view_terminate_web_process(Web());
    ASSERT_TRUE(showsGonePage());
    EXPECT_EQ(Frame().GetMessageText(), "The part of the viewer that shows pages was stopped.");
    const std::string text = Eval(Web(), "document.body.innerText");
    EXPECT_NE(text.find("This page could not be shown"), std::string::npos) << text;
    EXPECT_NE(text.find("Reload"), std::string::npos) << text;
    EXPECT_EQ(Eval(Web(), "String(document.scripts.length)"), "0");
    EXPECT_NE(Eval(Web(), "document.head.innerHTML").find("Content-Security-Policy"), std::string::npos);

    completed_.clear();
    way.recover();
    EXPECT_TRUE(WaitForFrameLocation("content", "page1.htm"));
    EXPECT_TRUE(WaitForFrameLocation("", "DocFrame.htm"));
  }
}

// The view's own marker of the page after a gone web process cannot be set
// by a page: Refresh of a page that carries it reloads that page.
TEST_F(RefreshTest, APageCannotSetTheMarkOfTheGonePage) {
  WriteSmallSite();
  dir_.Write("docs/marked.htm",
             "<html data-quiro-gone=\"file:///etc/passwd\"><head><title>Marked</title></head>"
             "<body><p>x</p></body></html>\n");
  StartAndWaitReady();
  View().Navigate2(root_ + "marked.htm");
  ASSERT_TRUE(WaitForFrameLocation("", "marked.htm"));
  completed_.clear();
  Frame().SendCommand(res::ID_VIEW_REFRESH);
  EXPECT_TRUE(WaitForFrameLocation("", "marked.htm"));
  Settle(Web());
  EXPECT_TRUE(EndsWith(webkit_web_view_get_uri(Web()), "marked.htm")) << webkit_web_view_get_uri(Web());
}

}  // namespace
}  // namespace gui_test
