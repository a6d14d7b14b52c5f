// Find in page and the window's own shortcuts, driven by key presses as a
// user types them.

#include "app/help_window.h"
#include "gui_fixture.h"
#include "res/strings.h"

namespace gui_test {
namespace {

namespace res = quiro::res;

class FindTest : public WindowTest {
 protected:
  void Type(const std::string& text) {
    for (char c : text) Press(gdk_unicode_to_keyval(static_cast<unsigned char>(c)));
  }

  // A page for the frame "content" with three matches of "apple"; asked by
  // message, it reports its selection as the document "selection".
  void WriteApplePage() {
    dir_.Write("docs/apples.htm",
               "<html><head><title>Apples</title></head><body>\n"
               "<p>An apple a day.</p><p>Green APPLE.</p><p>Apple pie.</p><p>Help yourself.</p>\n"
               "<script>window.addEventListener('message', function() {\n"
               "  window.webkit.messageHandlers.quiroTest.postMessage({kind: 'load', name: 'selection',\n"
               "    top: false, href: String(window.getSelection())}); });</script>\n"
               "</body></html>\n");
  }
};

TEST_F(FindTest, CtrlFFindsAndCountsMatchesInTheContentFrameAndEscCloses) {
  WriteSmallSite();
  WriteApplePage();
  StartAndWaitReady();
  View().Navigate2(root_ + "apples.htm", "content");
  ASSERT_TRUE(WaitForFrameLocation("content", "apples.htm"));
  quiro::CFindBar& bar = Frame().GetFindBar();
  EXPECT_FALSE(bar.IsOpen());

  Press(GDK_KEY_f, GDK_CONTROL_MASK);
  ASSERT_TRUE(bar.IsOpen());
  EXPECT_TRUE(bar.GetEntry().is_focus());
  Type("apple");
  ASSERT_TRUE(RunUntil([&] { return bar.GetMatchCount() == 3; })) << bar.GetCountText();
  EXPECT_EQ(bar.GetCountText(), "3 matches");
  // The match is selected in the frame being read.
  Eval(Web(), "window.frames['content'].postMessage('x', '*'); true");
  ASSERT_TRUE(RunUntil([&] { return !LastCompleted("selection").empty(); }));
  EXPECT_EQ(Glib::ustring(LastCompleted("selection")).lowercase(), "apple");

  // Enter and Shift+Enter move between the matches; the count stays.
  completed_.erase("selection");
  Press(GDK_KEY_Return);
  Press(GDK_KEY_Return, GDK_SHIFT_MASK);
  Settle(Web());
  EXPECT_EQ(bar.GetMatchCount(), 3);

  // A word in the sidebar too: the count covers both frames, and Enter
  // reaches the match in the frame being read.
  bar.GetEntry().set_text("");
  Type("help");
  ASSERT_TRUE(RunUntil([&] { return bar.GetMatchCount() == 4; })) << bar.GetCountText();
  bool reached = false;
  for (int i = 0; i < 4 && !reached; ++i) {
    completed_.erase("selection");
    Eval(Web(), "window.frames['content'].postMessage('x', '*'); true");
    ASSERT_TRUE(RunUntil([&] { return completed_.count("selection") != 0; }));
    reached = LastCompleted("selection") == "Help";
    if (!reached) Press(GDK_KEY_Return);
  }
  EXPECT_TRUE(reached);

  Type("x");
  ASSERT_TRUE(RunUntil([&] { return bar.GetMatchCount() == 0; }));
  EXPECT_EQ(bar.GetCountText(), "No matches");

  // Escape closes the bar and gives the keys back to the page.
  Press(GDK_KEY_Escape);
  EXPECT_FALSE(bar.IsOpen());
  EXPECT_TRUE(View().GetWidget().is_focus());
  // Ctrl+F again selects the last text, searched anew.
  Press(GDK_KEY_f, GDK_CONTROL_MASK);
  EXPECT_TRUE(bar.IsOpen());
  int start = 0, end = 0;
  EXPECT_TRUE(bar.GetEntry().get_selection_bounds(start, end));
  EXPECT_EQ(end - start, 5);
  bar.Close();
}

TEST_F(FindTest, CtrlWCtrlQAndF1) {
  WriteSmallSite();
  StartAndWaitReady();
  EXPECT_EQ(app_->get_accels_for_action("win.close"),
            (std::vector<Glib::ustring>{"<Primary>w", "<Primary>q"}));

  // F1 from the build tree: the README's section for users.
  Press(GDK_KEY_F1);
  Gtk::Window* help = ShownWindowTitled("quiro Help");
  ASSERT_NE(help, nullptr);
  // The guide reads as a page: its heading is a heading, no Markdown shows.
  auto* page = WEBKIT_WEB_VIEW(gtk_bin_get_child(GTK_BIN(help->gobj())));
  ASSERT_TRUE(RunUntil([&] { return !webkit_web_view_is_loading(page); }));
  EXPECT_EQ(Eval(page, "document.querySelector('h2').textContent"), "Using the viewer");
  EXPECT_EQ(Eval(page, "String(document.body.innerText.indexOf('## '))"), "-1");
  help->hide();
  EXPECT_EQ(ShownWindowTitled("quiro Help"), nullptr);
  std::string guide = quiro::LoadUserGuide();
  EXPECT_EQ(guide.rfind("## Using the viewer\n", 0), 0u) << guide.substr(0, 80);
  EXPECT_NE(guide.find("Ctrl+F"), std::string::npos);

  Press(GDK_KEY_q, GDK_CONTROL_MASK);
  EXPECT_TRUE(RunUntil([&] { return !Frame().get_visible(); }, 3000));
}

TEST(UserGuideText, SectionAndOverstrike) {
  EXPECT_EQ(quiro::ReadmeUserSection("# t\n## Using the viewer\nkeys\n### sub\nmore\n## Next\nno\n"),
            "## Using the viewer\nkeys\n### sub\nmore\n");
  EXPECT_EQ(quiro::ReadmeUserSection("## Using the viewer\nlast"), "## Using the viewer\nlast");
  EXPECT_EQ(quiro::ReadmeUserSection("see ## Using the viewer here\n## Using the viewers\n"), "");
  EXPECT_EQ(quiro::StripOverstrike("N\bNA\bAM\bME\bE _\bx"), "NAME x");
}

}  // namespace
}  // namespace gui_test
