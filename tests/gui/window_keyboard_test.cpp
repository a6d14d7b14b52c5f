// The window without a mouse: F6 and Shift+F6 from pane to pane, Tab and
// Enter through a frame's links, F7 for caret browsing, and what a screen
// reader is given to read.

#include <atk/atk.h>

#include "gui_fixture.h"
#include "res/strings.h"

namespace gui_test {
namespace {

namespace res = quiro::res;

// Each page tells the test which of its elements has the focus, as the
// document "focus": "<page>:<id of the element>" ("<page>:" for none).
std::string FocusReporter(const std::string& page) {
  return "<script>function report() {\n"
         "  var e = document.activeElement;\n"
         "  window.webkit.messageHandlers.quiroTest.postMessage({kind: 'load', name: 'focus', top: false,\n"
         "    href: '" + page + ":' + (e && e.id ? e.id : '')}); }\n"
         "window.addEventListener('focusin', report); window.addEventListener('focus', report);</script>\n";
}

class KeyboardTest : public WindowTest {
 protected:
  void WriteSite() {
    WriteSmallSite();
    dir_.Write("docs/side.htm", "<html><head><title>Side</title></head><body>\n" + FocusReporter("side") +
                                    "<p>Contents</p><a id=\"one\" href=\"page1.htm\" target=\"content\">One</a>\n"
                                    "<a id=\"two\" href=\"page2.htm\" target=\"content\">Two</a>\n</body></html>\n");
    dir_.Write("docs/page1.htm", "<html><head><title>Page One</title></head><body>\n" + FocusReporter("page1") +
                                     "<p>Text</p><a id=\"next\" href=\"plain.htm\">Next</a>\n</body></html>\n");
    dir_.Write("docs/plain.htm", "<html><head><title>Plain</title></head><body>\n" + FocusReporter("plain") +
                                     "<a id=\"back\" href=\"page1.htm\">Back</a>\n</body></html>\n");
  }

  // Presses `key` and waits until the focus has moved: to the toolbar
  // ("toolbar") or to an element a page reports.
  std::string PressAndSeeFocus(guint key, guint modifiers = 0) {
    completed_.erase("focus");
    const bool wasToolbar = Frame().ToolbarHasFocus();
    Press(key, modifiers);
    RunUntil([&] { return !LastCompleted("focus").empty() || (!wasToolbar && Frame().ToolbarHasFocus()); }, 3000);
    Settle(Web());
    if (Frame().ToolbarHasFocus()) return "toolbar";
    return LastCompleted("focus");
  }
};

TEST_F(KeyboardTest, F6CyclesToolbarSidebarAndContentBothWays) {
  WriteSite();
  StartAndWaitReady();
  Settle(Web());
  // Wherever the focus starts, F6 reaches the toolbar within a round.
  for (int i = 0; i < 3 && !Frame().ToolbarHasFocus(); ++i) PressAndSeeFocus(GDK_KEY_F6);
  ASSERT_TRUE(Frame().ToolbarHasFocus());

  EXPECT_EQ(PressAndSeeFocus(GDK_KEY_F6), "side:one");
  EXPECT_EQ(Eval(Web(), "document.activeElement.name"), "sidebar");
  EXPECT_EQ(PressAndSeeFocus(GDK_KEY_F6), "page1:next");
  EXPECT_EQ(Eval(Web(), "document.activeElement.name"), "content");
  EXPECT_EQ(PressAndSeeFocus(GDK_KEY_F6), "toolbar");

  EXPECT_EQ(PressAndSeeFocus(GDK_KEY_F6, GDK_SHIFT_MASK), "page1:next");
  EXPECT_EQ(PressAndSeeFocus(GDK_KEY_F6, GDK_SHIFT_MASK), "side:one");
  EXPECT_EQ(PressAndSeeFocus(GDK_KEY_F6, GDK_SHIFT_MASK), "toolbar");
}

TEST_F(KeyboardTest, TabAndEnterFollowALinkAndF6WorksOnAPageWithoutFrames) {
  WriteSite();
  StartAndWaitReady();
  Settle(Web());
  for (int i = 0; i < 3 && !Frame().ToolbarHasFocus(); ++i) PressAndSeeFocus(GDK_KEY_F6);
  // Tab from the toolbar lands on the first frame's first link, with no stop
  // on the frameset page between.
  ASSERT_EQ(PressAndSeeFocus(GDK_KEY_Tab), "side:one");
  EXPECT_EQ(PressAndSeeFocus(GDK_KEY_Tab), "side:two");
  Press(GDK_KEY_Return);
  ASSERT_TRUE(WaitForFrameLocation("content", "page2.htm"));

  // One page, no frames: toolbar and page take turns.
  View().Navigate2(root_ + "plain.htm");
  ASSERT_TRUE(WaitForFrameLocation("", "plain.htm"));
  for (int i = 0; i < 3 && !Frame().ToolbarHasFocus(); ++i) PressAndSeeFocus(GDK_KEY_F6);
  ASSERT_TRUE(Frame().ToolbarHasFocus());
  EXPECT_EQ(PressAndSeeFocus(GDK_KEY_F6), "plain:back");
  EXPECT_EQ(PressAndSeeFocus(GDK_KEY_F6), "toolbar");
  EXPECT_EQ(PressAndSeeFocus(GDK_KEY_F6, GDK_SHIFT_MASK), "plain:back");
  Press(GDK_KEY_Return);
  EXPECT_TRUE(WaitForFrameLocation("", "page1.htm"));
}

TEST_F(KeyboardTest, F7TogglesCaretBrowsingAndSaysSo) {
  WriteSite();
  StartAndWaitReady();
  WebKitSettings* settings = webkit_web_view_get_settings(Web());
  EXPECT_FALSE(webkit_settings_get_enable_caret_browsing(settings));
  Press(GDK_KEY_F7);
  EXPECT_TRUE(webkit_settings_get_enable_caret_browsing(settings));
  EXPECT_EQ(Frame().GetMessageText(), res::LoadString(res::IDS_CARET_BROWSING_ON));
  Press(GDK_KEY_F7);
  EXPECT_FALSE(webkit_settings_get_enable_caret_browsing(settings));
  EXPECT_EQ(Frame().GetMessageText(), "Caret browsing is off.");
}

// What the toolkit hands a screen reader, read here without the bus.
TEST_F(KeyboardTest, ControlsCarryTheNamesAndDescriptionsAScreenReaderReads) {
  WriteSite();
  StartAndWaitReady();
  auto name = [](GtkWidget* w) { return std::string(atk_object_get_name(gtk_widget_get_accessible(w))); };
  auto description = [](GtkWidget* w) {
    const char* d = atk_object_get_description(gtk_widget_get_accessible(w));
    return std::string(d ? d : "");
  };
  const struct {
    int button;
    const char* name;
    const char* description;
  } kButtons[] = {
      {0, "Back", "Goes back one step."},
      {4, "Start Page", "Opens your start page."},
      {7, "Set font size for display", "Change Font size."},
      {8, "Prints entire document including links.", "Prints entire document."},
  };
  for (const auto& b : kButtons) {
    GtkWidget* button = gtk_bin_get_child(GTK_BIN(Frame().GetToolbarItem(b.button).gobj()));
    if (GTK_IS_BOX(button)) button = GTK_WIDGET(g_list_first(gtk_container_get_children(GTK_CONTAINER(button)))->data);
    EXPECT_EQ(name(button), b.name);
    EXPECT_EQ(description(button), b.description);
  }
  EXPECT_EQ(name(GTK_WIDGET(Frame().GetFindBar().GetEntry().gobj())), "Find in page");

  // The lock panes say their key and its state, and follow it.
  std::vector<std::string> panes;
  Gtk::Widget* statusBar = &Frame().GetStatusBar();
  for (Gtk::Widget* w : statusBar->get_parent() ? dynamic_cast<Gtk::Container*>(statusBar->get_parent())->get_children()
                                                : std::vector<Gtk::Widget*>{})
    if (w != statusBar) panes.push_back(name(w->gobj()));
  EXPECT_EQ(panes, (std::vector<std::string>{"Caps Lock off", "Num Lock off", "Scroll Lock off"}));
  // The message pane's text is the status bar's name.
  Frame().SetMessageText("Printing");
  EXPECT_EQ(name(GTK_WIDGET(statusBar->gobj())), "Printing");
}

}  // namespace
}  // namespace gui_test
