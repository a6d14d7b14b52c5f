// The check every navigation passes: page preparation before display, the
// toolbar's Find and Print buttons, help files handed to their viewer, and
// the browser commands that load pages.

#include <sys/stat.h>

#include "gui_fixture.h"
#include "res/strings.h"

namespace gui_test {
namespace {

using testing_support::Exists;
using testing_support::ReadFile;
namespace res = quiro::res;

class NavigationTest : public WindowTest {
 protected:
  // A viewer that writes its arguments, one a line, to ArgsFile().
  std::string WriteRecordingViewer() {
    std::string script = dir_.Write("bin/viewer.sh",
                                    "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" +
                                        ArgsFile() + ".tmp\"\nmv \"" + ArgsFile() + ".tmp\" \"" + ArgsFile() +
                                        "\"\n");
    chmod(script.c_str(), 0755);
    return script;
  }
  std::string ArgsFile() { return dir_ / "viewer-args.txt"; }

  // Registers `command` in the key store as the open command of compiled
  // help (`chm` true) or WinHelp files.
  void RegisterViewerCommand(bool chm, const std::string& command) {
    dir_.Write("config/vesk/registry.ini", std::string("[HKEY_LOCAL_MACHINE\\Software\\CLASSES\\") +
                                               (chm ? "chm.file" : "hlpfile") +
                                               "\\shell\\open\\command]\n@=" + command + "\n");
  }

  // Makes `program` the user's default application for `type`.
  void RegisterDesktopApplication(const std::string& program, const std::string& type,
                                  const std::string& arguments = "%u") {
    setenv("XDG_DATA_HOME", (dir_ / "data").c_str(), 1);
    dir_.Write("data/applications/recorder.desktop",
               "[Desktop Entry]\nType=Application\nName=Recorder\nExec=" + program + " " + arguments +
                   "\nMimeType=" + type + ";\n");
    dir_.Write("config/mimeapps.list", "[Default Applications]\n" + type + "=recorder.desktop\n");
  }
};

TEST_F(NavigationTest, LinkInAFrameIsPreparedForPrintingBeforeItIsShown) {
  WriteSmallSite();
  StartAndWaitReady();
  ASSERT_EQ(ReadFile(root_ + "page2.htm").find("page-break-before"), std::string::npos);
  Click("sidebar", "two");
  ASSERT_TRUE(WaitForFrameLocation("content", "page2.htm"));
  EXPECT_NE(ReadFile(root_ + "page2.htm").find("page-break-before"), std::string::npos);
  // The browser read the page after it was rewritten.
  EXPECT_EQ(LastCompleted("probe"), "breaks=yes");
  EXPECT_TRUE(Frame().IsToolbarButtonVisible(res::kFindButton));
  EXPECT_TRUE(Frame().IsToolbarButtonVisible(res::kPrintButton));
}

TEST_F(NavigationTest, PdfHidesPrintButtonsAndShowsInline) {
  WriteSmallSite();
  StartAndWaitReady();
  EXPECT_TRUE(Frame().IsToolbarButtonVisible(res::kPrintButton));
  EXPECT_TRUE(Frame().IsToolbarButtonVisible(res::kPrintAllButton));
  // The PDF viewer's document reports no completion; watch the engine load
  // the file as a frame's document instead.
  std::vector<WebKitWebResource*> resources;
  g_signal_connect(Web(), "resource-load-started",
                   G_CALLBACK(+[](WebKitWebView*, WebKitWebResource* r, WebKitURIRequest*, gpointer list) {
                     static_cast<std::vector<WebKitWebResource*>*>(list)->push_back(
                         WEBKIT_WEB_RESOURCE(g_object_ref(r)));
                   }),
                   &resources);
  auto pdfShown = [&] {
    for (WebKitWebResource* r : resources) {
      WebKitURIResponse* response = webkit_web_resource_get_response(r);
      if (EndsWith(webkit_web_resource_get_uri(r), "doc.pdf") && response &&
          g_strcmp0(webkit_uri_response_get_mime_type(response), "application/pdf") == 0)
        return true;
    }
    return false;
  };
  Click("sidebar", "pdf");
  EXPECT_TRUE(RunUntil([&] { return !Frame().IsToolbarButtonVisible(res::kPrintButton); }));
  EXPECT_FALSE(Frame().IsToolbarButtonVisible(res::kPrintAllButton));
  EXPECT_TRUE(Frame().IsToolbarButtonVisible(res::kFindButton));
  // The content frame now holds the PDF: the navigation went on in the browser.
  EXPECT_TRUE(RunUntil(pdfShown));
  // The engine's own PDF viewer pages do not bring the buttons back.
  RunUntil([&] { return !webkit_web_view_is_loading(Web()); });
  Settle(Web());
  EXPECT_FALSE(Frame().IsToolbarButtonVisible(res::kPrintButton));
  EXPECT_FALSE(Frame().IsToolbarButtonVisible(res::kPrintAllButton));
  g_signal_handlers_disconnect_by_data(Web(), &resources);
  for (WebKitWebResource* r : resources) g_object_unref(r);
  // Back to an HTML page: the print buttons return.
  Click("sidebar", "two");
  EXPECT_TRUE(RunUntil([&] { return Frame().IsToolbarButtonVisible(res::kPrintButton); }));
  EXPECT_TRUE(Frame().IsToolbarButtonVisible(res::kPrintAllButton));
}

TEST_F(NavigationTest, CompiledHelpGoesToTheRegisteredViewerAndThePageStays) {
  WriteSmallSite();
  std::string viewer = WriteRecordingViewer();
  RegisterViewerCommand(true, "\"" + viewer + "\" %1");
  StartAndWaitReady();
  Click("sidebar", "chm");
  std::string argsFile = ArgsFile();
  ASSERT_TRUE(RunUntil([&] { return Exists(argsFile); })) << "the viewer was not started";
  // One argument: the target exactly as the browser reported it, fragment and all.
  EXPECT_EQ(ReadFile(argsFile), platform::PathToFileUrl(root_ + "help.chm") + "#intro\n");
  Settle(Web());
  EXPECT_TRUE(WaitForFrameLocation("content", "page1.htm", 1000));
}

TEST_F(NavigationTest, WinHelpViewerStartsDespiteTheBlankBeforePercentOne) {
  WriteSmallSite();
  std::string viewer = WriteRecordingViewer();
  // The percent rule cuts "<viewer> " (blank included): it must still start.
  RegisterViewerCommand(false, viewer + " %1");
  StartAndWaitReady();
  Click("sidebar", "hlp");
  std::string argsFile = ArgsFile();
  ASSERT_TRUE(RunUntil([&] { return Exists(argsFile); })) << "the viewer was not started";
  EXPECT_EQ(ReadFile(argsFile), platform::PathToFileUrl(root_ + "old.hlp") + "\n");
  EXPECT_EQ(quiro::TrimProgramPath("/usr/bin/hv \t "), "/usr/bin/hv");
}

TEST_F(NavigationTest, CompiledHelpLinkedFromAPlainWindowGoesToTheViewerToo) {
  WriteSmallSite();
  std::string viewer = WriteRecordingViewer();
  RegisterViewerCommand(true, "\"" + viewer + "\" %1");
  StartAndWaitReady();
  Click("sidebar", "newhelp");
  ASSERT_TRUE(RunUntil([&] { return PlainWindowCount() == 1; }));
  WebKitWebView* plain = nullptr;
  for (Gtk::Window* w : Gtk::Window::list_toplevels())
    if (w->get_child() != nullptr && WEBKIT_IS_WEB_VIEW(w->get_child()->gobj()) && w != &Frame())
      plain = WEBKIT_WEB_VIEW(w->get_child()->gobj());
  ASSERT_NE(plain, nullptr);
  RunUntil([&] { return !webkit_web_view_is_loading(plain); });
  Settle(plain);
  // The page's own jump to the help file on load is nobody's click: nothing starts.
  std::string argsFile = ArgsFile();
  EXPECT_FALSE(RunUntil([&] { return Exists(argsFile); }, 500)) << "a page started the viewer by itself";
  Eval(plain, "document.getElementById('go').click(); true");
  ASSERT_TRUE(RunUntil([&] { return Exists(argsFile); })) << "the viewer was not started";
  EXPECT_EQ(ReadFile(argsFile), platform::PathToFileUrl(root_ + "help.chm") + "\n");
}

TEST_F(NavigationTest, HelpFileWithNoViewerRegisteredIsCancelledWithAStatusMessage) {
  WriteSmallSite();
  StartAndWaitReady();
  Click("sidebar", "chm");
  EXPECT_TRUE(RunUntil([&] { return Frame().GetMessageText() == "No viewer is registered for CHM files."; }))
      << Frame().GetMessageText();
  Click("sidebar", "hlp");
  EXPECT_TRUE(RunUntil([&] { return Frame().GetMessageText() == "No viewer is registered for HLP files."; }))
      << Frame().GetMessageText();
  Settle(Web());
  EXPECT_TRUE(WaitForFrameLocation("content", "page1.htm", 1000));
  EXPECT_TRUE(Frame().get_visible());
}

TEST_F(NavigationTest, FindLoadsTheSearchPageIntoTheContentFrame) {
  WriteSmallSite();
  StartAndWaitReady();
  Frame().SendCommand(res::ID_GO_SEARCH_THE_WEB);
  EXPECT_TRUE(WaitForFrameLocation("content", "Search.htm"));
  EXPECT_TRUE(WaitForFrameLocation("sidebar", "side.htm"));
  EXPECT_EQ(PlainWindowCount(), 0);

  // Start Page replaces the whole view, even from a page outside the root.
  dir_.Write("outside/other.htm", "<html><head><title>Other</title></head><body>x</body></html>");
  View().Navigate2(dir_ / "outside/other.htm");
  ASSERT_TRUE(RunUntil([&] { return Frame().get_title() == "Other - quiro"; }));
  EXPECT_FALSE(Frame().IsToolbarButtonVisible(res::kFindButton));
  Frame().SendCommand(res::ID_GO_START_PAGE);
  EXPECT_TRUE(WaitForFrameLocation("content", "page1.htm"));
  EXPECT_TRUE(Frame().IsToolbarButtonVisible(res::kFindButton));
}

TEST_F(NavigationTest, FindWorksUnderARootWhoseNameHoldsQuotes) {
  // The address goes into a script: its characters must not end the string.
  WriteSmallSite("it's \"odd\" #1");
  StartAndWaitReady();
  ASSERT_TRUE(WaitForFrameLocation("content", "page1.htm"));
  Frame().SendCommand(res::ID_GO_SEARCH_THE_WEB);
  EXPECT_TRUE(WaitForFrameLocation("content", "Search.htm"));
  EXPECT_EQ(PlainWindowCount(), 0);
}

TEST_F(NavigationTest, OpenLoadsTheChosenFileIntoTheContentFrame) {
  WriteSmallSite();
  StartAndWaitReady();
  // Answer the dialog once it is up: choose page2.htm, then confirm until
  // the chooser has taken the choice (it reads the folder in the background).
  std::string chosen = root_ + "page2.htm";
  bool chose = false, answered = false;
  int ticks = 0;
  sigc::connection poll = Glib::signal_timeout().connect(
      [&] {
        for (Gtk::Window* w : Gtk::Window::list_toplevels()) {
          auto* dialog = dynamic_cast<Gtk::FileChooserDialog*>(w);
          if (!dialog || !dialog->get_visible()) continue;
          if (!chose) {
            // It starts in the folder of the page being read (the chooser
            // changes folder in the background).
            if (dialog->get_current_folder().empty() && ++ticks < 100) continue;
            // The filter string's eight, then PDF Files.
            EXPECT_EQ(dialog->list_filters().size(), 9u);
            if (!dialog->list_filters().empty()) {
              EXPECT_EQ(dialog->list_filters().back()->get_name(), "PDF Files");
            }
            EXPECT_EQ(dialog->get_current_folder(), root_.substr(0, root_.size() - 1));
            dialog->set_filename(chosen);
            chose = true;
          } else {
            dialog->response(Gtk::RESPONSE_OK);
            answered = true;
          }
        }
        return true;
      },
      50);
  Frame().SendCommand(res::ID_FILE_OPEN);
  poll.disconnect();
  EXPECT_TRUE(answered);
  EXPECT_TRUE(WaitForFrameLocation("content", "page2.htm"));
  EXPECT_EQ(LastCompleted("probe"), "breaks=yes");
  EXPECT_TRUE(WaitForFrameLocation("sidebar", "side.htm", 100));
}

TEST_F(NavigationTest, FindOnAPageWithoutAContentFrameOpensAWindowOfItsOwn) {
  WriteSmallSite();
  StartAndWaitReady();
  View().Navigate2(root_ + "page1.htm");
  ASSERT_TRUE(WaitForFrameLocation("", "page1.htm"));
  Frame().SendCommand(res::ID_GO_SEARCH_THE_WEB);
  EXPECT_TRUE(RunUntil([&] { return PlainWindowCount() == 1; }));
  EXPECT_TRUE(WaitForFrameLocation("", "page1.htm", 1000)) << "the main view must keep its page";
}

TEST_F(NavigationTest, LinkToANewWindowOpensAPlainWindowForLocalPages) {
  WriteSmallSite();
  StartAndWaitReady();
  Click("sidebar", "blank");
  EXPECT_TRUE(RunUntil([&] { return PlainWindowCount() == 1; }));
  EXPECT_TRUE(WaitForFrameLocation("content", "page1.htm", 1000));
}

TEST_F(NavigationTest, WebAddressForANewWindowGoesToTheDesktopsBrowser) {
  std::string viewer = WriteRecordingViewer();
  RegisterDesktopApplication(viewer, "x-scheme-handler/https");
  WriteSmallSite();
  StartAndWaitReady();
  Click("sidebar", "web");
  std::string argsFile = ArgsFile();
  ASSERT_TRUE(RunUntil([&] { return Exists(argsFile); })) << "the desktop's browser was not started";
  EXPECT_EQ(ReadFile(argsFile), "https://www.example.com/support\n");
  // Nothing opened here, and the page on display stays.
  EXPECT_EQ(PlainWindowCount(), 0);
  EXPECT_TRUE(WaitForFrameLocation("content", "page1.htm", 100));
}

TEST_F(NavigationTest, CompiledHelpFallsBackToTheDesktopsDefaultApplication) {
  std::string viewer = WriteRecordingViewer();
  // The entry's own command line is honoured: its option, and a path for %f.
  RegisterDesktopApplication(viewer, "application/x-chm", "--from-entry %f");
  WriteSmallSite();
  StartAndWaitReady();
  EXPECT_EQ(quiro::ViewerCommandLine(true), "");
  Click("sidebar", "chm");
  std::string argsFile = ArgsFile();
  ASSERT_TRUE(RunUntil([&] { return Exists(argsFile); })) << "the viewer was not started";
  EXPECT_EQ(ReadFile(argsFile), "--from-entry\n" + root_ + "help.chm\n");
}

TEST_F(NavigationTest, ABareViewerNameIsLookedUpAlongThePathNeverInTheCurrentFolder) {
  WriteSmallSite();
  const std::string viewer = WriteRecordingViewer();
  // The current folder holds a program of that name; PATH does not.
  std::filesystem::copy_file(viewer, dir_ / "viewer.sh");
  chmod((dir_ / "viewer.sh").c_str(), 0755);
  RegisterViewerCommand(true, "viewer.sh %1");
  const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", (".:" + path).c_str(), 1);
  StartAndWaitReady();
  Click("sidebar", "chm");
  EXPECT_TRUE(RunUntil([&] {
    return Frame().GetMessageText() == "The viewer program for CHM files was not found.";
  })) << Frame().GetMessageText();
  EXPECT_FALSE(Exists(ArgsFile()));
  setenv("PATH", (dir_ / "bin" + ":" + path).c_str(), 1);
  Click("sidebar", "chm");
  EXPECT_TRUE(RunUntil([&] { return Exists(ArgsFile()); })) << "the viewer along PATH was not started";
  setenv("PATH", path.c_str(), 1);
}

TEST_F(NavigationTest, TextSizesScaleTheRenderedText) {
  WriteSmallSite();
  StartAndWaitReady();
  View().Navigate2(root_ + "page1.htm");
  ASSERT_TRUE(WaitForFrameLocation("", "page1.htm"));
  auto height = [&] {
    return std::stod("0" + Eval(Web(), "document.getElementById('t').getBoundingClientRect().height"));
  };
  double medium = height();
  Frame().SendCommand(res::ID_VIEW_FONTS_SMALLEST);
  double smallest = height();
  Frame().SendCommand(res::ID_VIEW_FONTS_LARGEST);
  double largest = height();
  Frame().SendCommand(res::ID_VIEW_FONTS_LARGE);
  double large = height();
  EXPECT_GT(medium, 0);
  EXPECT_LT(smallest, medium);
  EXPECT_GT(large, medium);
  EXPECT_GT(largest, large);
  EXPECT_NEAR(webkit_web_view_get_zoom_level(Web()), 1.2, 1e-9);
}

TEST_F(NavigationTest, DirectoryBackAndForwardAtTheEnds) {
  WriteSmallSite();
  StartAndWaitReady();
  // Back and Forward with no history do nothing: the start page stays.
  Frame().SendCommand(res::ID_GO_FORWARD);
  Frame().SendCommand(res::ID_GO_BACK);
  Frame().SendCommand(res::ID_GO_BACK);
  Settle(Web());
  EXPECT_TRUE(EndsWith(webkit_web_view_get_uri(Web()), "DocFrame.htm"));
  EXPECT_EQ(Frame().get_title(), "Small Site - quiro");
  // A folder as target: the engine shows what it shows; the window stays,
  // and Refresh and Stop keep the view where it is.
  dir_.MakeDir("docs/folder");
  View().Navigate2(root_ + "folder");
  ASSERT_TRUE(RunUntil([&] {
    const char* uri = webkit_web_view_get_uri(Web());
    return uri && EndsWith(uri, "/folder") && !webkit_web_view_is_loading(Web());
  }));
  Frame().SendCommand(res::ID_VIEW_REFRESH);
  Frame().SendCommand(res::ID_VIEW_STOP);
  Settle(Web());
  EXPECT_TRUE(EndsWith(webkit_web_view_get_uri(Web()), "/folder"));
  EXPECT_TRUE(Frame().get_visible());
}

}  // namespace
}  // namespace gui_test
