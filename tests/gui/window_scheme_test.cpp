// A document set written on the original platform, shown through the
// program's scheme: names in the wrong letter case, backslashes and drive
// letters in its frames, links, stylesheet, images and iframe.

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

#include "app/doc_scheme.h"
#include "platform/doc_uri.h"
#include "common/run_program.h"
#include "gui_fixture.h"

namespace gui_test {
namespace {

// A 1x1 GIF of one colour, shown enlarged.
std::string Gif(unsigned char r, unsigned char g, unsigned char b) {
  const unsigned char bytes[] = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, r, g, b, 0, 0, 0,
                                 '!', 0xf9, 4, 0, 0, 0, 0, 0, ',', 0, 0, 0, 0, 1, 0, 1, 0, 0,
                                 2, 2, 0x44, 1, 0, ';'};
  return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

class SchemeWindowTest : public WindowTest {
 protected:
  // The root is C:\VESK\DOCS, as the set's drive-letter links expect; every
  // file is named in a case other than its links use.
  void WriteWindowsSite() {
    root_ = dir_.root() + "drivec/VESK/DOCS/";
    const std::string docs = "drivec/VESK/DOCS/";
    dir_.Write("TOVY.INI", "[MAIN]\r\nDocumentRoot=C:\\VESK\\DOCS\r\nAutoRebuild=0\r\n");
    dir_.Write(docs + "DocFrame.htm",
               "<HTML><HEAD><TITLE>Vesk Docs</TITLE></HEAD><FRAMESET COLS=\"220,*\">"
               "<FRAME NAME=\"sidebar\" SRC=\"SIDEBAR.HTM\"><FRAME NAME=\"content\" SRC=\"Guide\\INDEX.HTM\">"
               "</FRAMESET></HTML>\r\n");
    dir_.Write(docs + "sidebar.htm",
               "<HTML><BODY><P>Sidebar frame</P>\r\n"
               "<A ID=\"ch1\" HREF=\"file:///C:/VESK/DOCS/guide/CH1.HTM\" TARGET=\"content\">Chapter one</A>\r\n"
               "</BODY></HTML>\r\n");
    dir_.Write(docs + "style.css", "body { background: #ffffcc; } h1 { color: #cc0000; }\r\n");
    dir_.Write(docs + "images/magenta.gif", Gif(255, 0, 255));
    dir_.Write(docs + "images/green.gif", Gif(0, 160, 0));
    dir_.Write(docs + "images/blue.htm",
               "<HTML><BODY STYLE=\"background:#3060ff;color:white\"><B>Blue iframe</B></BODY></HTML>\r\n");
    // "caf\xe9": windows-1252, no character set declared.
    dir_.Write(docs + "guide/index.htm",
               "<HTML><HEAD><TITLE>Guide</TITLE><LINK REL=\"stylesheet\" HREF=\"..\\Style.CSS\"></HEAD><BODY>\r\n"
               "<H1>Guide caf\xe9</H1>\r\n"
               "<IMG SRC=\"../IMAGES/Magenta.GIF\" WIDTH=60 HEIGHT=60> magenta\r\n"
               "<IMG SRC=\"C:\\VESK\\DOCS\\Images\\GREEN.gif\" WIDTH=60 HEIGHT=60> green<BR>\r\n"
               "<IFRAME SRC=\"file:///C:/VESK/DOCS/images/BLUE.HTM\" WIDTH=300 HEIGHT=80></IFRAME>\r\n"
               "</BODY></HTML>\r\n");
    dir_.Write(docs + "guide/ch1.htm", "<HTML><BODY><H1>Chapter one</H1></BODY></HTML>\r\n");
  }

  // The colours the view shows now.
  std::set<guint32> ColoursOnScreen() {
    Gtk::Widget& view = View().GetWidget();
    const Gtk::Allocation a = view.get_allocation();
    gdk_display_sync(gdk_display_get_default());
    Glib::RefPtr<Gdk::Pixbuf> shot =
        Gdk::Pixbuf::create(view.get_window(), a.get_x(), a.get_y(), a.get_width(), a.get_height());
    std::set<guint32> colours;
    for (int y = 0; y < shot->get_height(); ++y) {
      const guint8* row = shot->get_pixels() + y * shot->get_rowstride();
      for (int x = 0; x < shot->get_width(); ++x, row += shot->get_n_channels())
        colours.insert(row[0] << 16 | row[1] << 8 | row[2]);
    }
    return colours;
  }

  // What the user sees of each part, read from the documents.
  std::string Shown() {
    return Eval(Web(),
                "(function() {"
                "  var d = frames['content'].document;"
                "  var img = d.images;"
                "  var inner = d.querySelector('iframe').contentDocument;"
                "  return [frames['sidebar'].document.body.innerText.indexOf('Sidebar frame') >= 0,"
                "          getComputedStyle(d.body).backgroundColor, d.querySelector('h1').innerText,"
                "          img[0].complete && img[0].naturalWidth, img[1].complete && img[1].naturalWidth,"
                "          inner && inner.body ? inner.body.innerText.trim() : ''].join('|');"
                "})()");
  }
};

TEST_F(SchemeWindowTest, WindowsWrittenDocumentSetShowsEveryPart) {
  WriteWindowsSite();
  StartAndWaitReady();
  // The frame named behind a backslash replaces itself with its clean address.
  ASSERT_TRUE(WaitForFrameLocation("content", "/guide/index.htm"));
  ASSERT_TRUE(RunUntil([&] { return Shown() == "true|rgb(255, 255, 204)|Guide caf\xc3\xa9|1|1|Blue iframe"; }))
      << Shown();
  // The program's logic still sees local paths.
  EXPECT_EQ(View().GetCurrentURL().rfind(root_, 0), 0u) << View().GetCurrentURL();

  // The window shows every part: the stylesheet's yellow, both images and
  // the iframe's blue.
  auto onScreen = [&] {
    const std::set<guint32> colours = ColoursOnScreen();
    return colours.count(0xffffcc) && colours.count(0xff00ff) && colours.count(0x00a000) && colours.count(0x3060ff);
  };
  EXPECT_TRUE(RunUntil(onScreen));
  EXPECT_TRUE(app_->GetProbe().SaveScreenshot(OutputPath("windows_site.png")));

  // A link to a drive-letter file URL, clicked in the sidebar, loads the
  // chapter into the content frame (the frames share one origin now).
  Eval(Web(), "frames['sidebar'].document.getElementById('ch1').click(); true");
  ASSERT_TRUE(WaitForFrameLocation("content", "/guide/CH1.HTM"));
  EXPECT_TRUE(RunUntil([&] { return View().GetCurrentURL() == root_ + "guide/CH1.HTM"; })) << View().GetCurrentURL();
}

TEST_F(SchemeWindowTest, APageOutsideTheRootOpensAsBeforeAndStaysAsItWas) {
  WriteSmallSite();
  const std::string page =
      "<html><head><title>Mine</title></head><body>\n<p>Before</p>\n"
      "<table border=\"1\"><tr><td>cell</td></tr></table>\n</body></html>\n";
  const std::string mine = dir_.Write("mine/page.htm", page);
  ASSERT_EQ(::chmod(mine.c_str(), 0444), 0);
  StartAndWaitReady();
  // What File > Open does with the chosen file.
  View().Navigate2(mine, "content");
  ASSERT_TRUE(WaitForFrameLocation("content", "mine/page.htm"));
  EXPECT_EQ(View().GetCurrentURL(), mine);
  EXPECT_EQ(testing_support::ReadFile(mine), page);
  struct stat st {};
  ASSERT_EQ(::stat(mine.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
}

TEST_F(SchemeWindowTest, ADocumentPageCannotReadTheFilesOfAnOpenedPage) {
  WriteSmallSite();
  const std::string mine = dir_.Write("mine/page.htm",
                                      "<html><head><link rel=\"stylesheet\" href=\"style.css\"></head>"
                                      "<body><p>Opened page text</p></body></html>\n");
  dir_.Write("mine/style.css", "body { background: #3060ff; }\n");
  const std::string secret = dir_.Write("mine/secret.txt", "PRIVATE TEXT");
  const std::string picture = dir_.Write("mine/pic.gif", Gif(255, 0, 0));
  dir_.Write("docs/pic.gif", Gif(0, 0, 255));
  StartAndWaitReady();
  View().Navigate2(mine, "content");
  ASSERT_TRUE(WaitForFrameLocation("content", "mine/page.htm"));
  // The opened page itself gets the stylesheet beside it.
  EXPECT_TRUE(RunUntil([&] { return ColoursOnScreen().count(0x3060ff) > 0; }));
  // A script of the document page asks for the file beside it, and for the
  // opened page itself.
  auto read = [&](const std::string& path) {
    return Eval(Web(),
                "(function() { try { var x = new XMLHttpRequest(); x.open('GET', '" +
                    platform::PathToOpenedFileUri(path) +
                    "', false); x.send(); return x.status + ' ' + x.responseText; }"
                    " catch (e) { return 'refused ' + e.name; } })()");
  };
  for (const std::string& path : {secret, mine}) {
    const std::string got = read(path);
    EXPECT_EQ(got.find("PRIVATE"), std::string::npos) << got;
    EXPECT_EQ(got.find("Opened page text"), std::string::npos) << got;
  }
  // Nor can it show a file beside the page that the page does not name.
  auto width = [&](const std::string& uri) {
    Eval(Web(), "(function() { var i = new Image(); i.id = 'probe'; i.src = '" + uri +
                    "'; document.body.appendChild(i); return true; })()");
    RunUntil([&] { return Eval(Web(), "String(document.getElementById('probe').complete)") == "true"; });
    const std::string shown = Eval(Web(), "String(document.getElementById('probe').naturalWidth)");
    Eval(Web(), "document.getElementById('probe').remove(); true");
    return shown;
  };
  ASSERT_EQ(Eval(Web(), "String(!!document.body)"), "true");
  EXPECT_EQ(width(platform::PathToOpenedFileUri(picture)), "0");
  EXPECT_EQ(width("quiro://doc/pic.gif"), "1");
}

TEST_F(SchemeWindowTest, TheSearchPageIsServedByWhoeverSetsIt) {
  WriteSmallSite();
  StartAndWaitReady();
  auto bodyText = [&] { return Eval(Web(), "document.body ? document.body.innerText : ''"); };
  Frame().GetServices().scheme.SetSearchHandler(nullptr);  // without the window's own
  View().Navigate2("quiro://doc/.quiro/search?q=disk+drive");
  ASSERT_TRUE(RunUntil([&] { return bodyText().find("Search is not available.") != std::string::npos; }));
  Frame().GetServices().scheme.SetSearchHandler([](const std::string& words) { return "<p>Found: " + words + "</p>"; });
  View().Refresh();
  EXPECT_TRUE(RunUntil([&] { return bodyText().find("Found: disk drive") != std::string::npos; })) << bodyText();
  Frame().GetServices().scheme.SetSearchHandler(nullptr);
}

TEST_F(SchemeWindowTest, ARootTheUserCannotWriteShowsItsSiteAndNoFileInItChanges) {
  // A system install of the sample: readable by all, written by its owner
  // only. As root the viewer runs as nobody; otherwise the root is read-only.
  namespace fs = std::filesystem;
  const bool asRoot = ::geteuid() == 0;
  const std::string site = dir_ / "site";
  fs::copy(QUIRO_TEST_SAMPLE_DIR, site, fs::copy_options::recursive);
  const std::string home = dir_.MakeDir("home");
  ASSERT_EQ(::chmod(asRoot ? dir_.path().c_str() : (site + "/docs").c_str(), asRoot ? 0755 : 0555), 0);
  auto files = [&] {
    std::map<std::string, std::string> all;
    for (const auto& entry : fs::recursive_directory_iterator(site)) {
      if (entry.is_regular_file()) all[entry.path()] = testing_support::ReadFile(entry.path());
    }
    return all;
  };
  const auto before = files();
  std::vector<std::string> args = {QUIRO_BINARY, "--screenshot", home + "/shot.png", "--exit-after-screenshot"};
  std::vector<std::string> env = {"HOME=" + home, "XDG_CACHE_HOME=" + home + "/cache"};
  if (asRoot) {
    // nobody gets a copy of the display's key that it may read.
    if (const char* key = std::getenv("XAUTHORITY")) {
      fs::copy_file(key, home + "/xauth");
      ASSERT_EQ(::chown((home + "/xauth").c_str(), 65534, 65534), 0);
      env.push_back("XAUTHORITY=" + home + "/xauth");
    }
    ASSERT_EQ(::chown(home.c_str(), 65534, 65534), 0);
    args.insert(args.begin(), {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
  }
  const testing_support::ProgramRun run =
      testing_support::RunProgram(args[0], {args.begin() + 1, args.end()}, {site, env});
  ::chmod((site + "/docs").c_str(), 0755);
  ASSERT_EQ(run.status, 0) << run.err;
  // nobody cannot use root's runtime folder for the web process sandbox:
  // the pages are shown without it, and that is said once.
  if (asRoot) {
    EXPECT_NE(run.err.find("quiro: pages run without the web process sandbox: XDG_RUNTIME_DIR"), std::string::npos)
        << run.err;
  }
  fs::copy_file(home + "/shot.png", OutputPath("read_only_root.png"), fs::copy_options::overwrite_existing);
  EXPECT_TRUE(testing_support::Exists(home + "/cache/quiro/roots"));
  EXPECT_EQ(files(), before);
}

}  // namespace
}  // namespace gui_test
