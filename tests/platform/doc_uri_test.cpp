#include "platform/doc_uri.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utime.h>

#include <atomic>
#include <thread>

#include "common/temp_dir.h"
#include "platform/confined.h"
#include "platform/doc_request.h"
#include "platform/paths.h"

using namespace platform;
using testing_support::TempDir;

namespace {

struct MappingCase {
  const char* from;
  const char* to;
};

TEST(DocUri, PathsAndFileUrlsBelowTheRootMapToTheScheme) {
  // Drive C is /d; the root is C:\VESK\DOCS.
  const std::string root = "/d/VESK/DOCS/";
  const MappingCase cases[] = {
      {"/d/VESK/DOCS/DocFrame.htm", "quiro://doc/DocFrame.htm"},
      {"/D/vesk/docs/guide/ch 1.htm", "quiro://doc/guide/ch%201.htm"},
      {"/d/VESK/DOCS/a#b/%x.htm", "quiro://doc/a%23b/%25x.htm"},
      {"/d/VESK/DOCS/caf\xc3\xa9.htm", "quiro://doc/caf%C3%A9.htm"},
      {"/d/VESK/DOCS/guide/../sys.htm", "quiro://doc/sys.htm"},
      {"\\VESK\\DOCS\\x.htm", "quiro://doc/x.htm"},  // drive-relative
      {"file:///d/VESK/DOCS/guide/index.htm#top", "quiro://doc/guide/index.htm#top"},
      {"file:///C:/VESK/DOCS/images/BLUE.HTM", "quiro://doc/images/BLUE.HTM"},
      {"file:///c:/vesk/docs/a%20b.htm?q#f", "quiro://doc/a%20b.htm?q#f"},
      {"C:\\VESK\\DOCS\\x.htm", "quiro://doc/x.htm"},
      {"c:/vesk/docs/sub/y.gif#top", "quiro://doc/sub/y.gif#top"},
      {"/d/VESK/DOCS/", ""},
      {"/d/VESK/DOCS/../etc/passwd", ""},
      {"/d/VESK/DOCSx/a.htm", ""},
      {"/d/VESK/DOCS/.quiro/search", ""},
      {"..\\Style.CSS", ""},
      {"https://example.com/", ""},
      {"D:\\VESK\\DOCS\\x.htm", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(PathToDocUri(c.from, root, "/d"), c.to) << c.from;
}

TEST(DocUri, SchemeUrlsMapBackToFileUrlsAndPaths) {
  const std::string root = "/srv/Docs/";
  const MappingCase cases[] = {
      {"quiro://doc/DocFrame.htm", "file:///srv/Docs/DocFrame.htm"},
      {"QUIRO://DOC/guide/ch%201.htm#sec", "file:///srv/Docs/guide/ch%201.htm#sec"},
      {"quiro://doc/a%23b.htm?x=1", "file:///srv/Docs/a%23b.htm?x=1"},
      {"quiro://doc/caf%C3%A9.htm", "file:///srv/Docs/caf%C3%A9.htm"},
      {"quiro://doc/.quiro/search?q=disk", ""},
      {"file:///srv/Docs/x.htm", ""},
      {"quiro://other/x.htm", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(DocUriToFileUrl(c.from, root), c.to) << c.from;
  EXPECT_EQ(DocUriToPath("quiro://doc/guide/ch%201.htm#sec", root), "/srv/Docs/guide/ch 1.htm");
}

class DocRequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.Write("drive/VESK/DOCS/style.css", "body{}");
    dir.Write("drive/VESK/DOCS/images/magenta.gif", "GIF89a");
    dir.Write("drive/VESK/DOCS/images/blue.htm", "<p>blue</p>");
    dir.Write("drive/VESK/DOCS/guide/index.htm",
              "<HTML><A HREF=\"file:///C:/VESK/DOCS/images/BLUE.HTM\">b</A>"
              "<IMG SRC='C:\\VESK\\DOCS\\images\\Magenta.GIF'><IMG src=../IMAGES/Magenta.GIF>"
              "<A href=\"file:///etc/passwd\">p</A><!-- <a href=\"C:\\x\"> --></HTML>");
    dir.Write("drive/VESK/DOCS/utf8.htm", "<meta charset=\"utf-8\"><p>x</p>");
    dir.Write("drive/VESK/DOCS/manual.pdf", "%PDF-1.4");
    dir.Write("drive/VESK/DOCS/Same.htm", "upper");
    dir.Write("drive/VESK/DOCS/same.htm", "lower");
    dir.Write("drive/VESK/DOCS/sidebar.htm", "<p>root's</p>");
    dir.Write("drive/secret.htm", "secret");
    dir.MakeDir("drive/VESK/DOCS/folder");
    ASSERT_EQ(::mkfifo((dir / "drive/VESK/DOCS/pipe.htm").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", (dir / "drive/VESK/DOCS/zero.gif").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "drive/secret.htm").c_str(), (dir / "drive/VESK/DOCS/link.htm").c_str()), 0);
    site = {dir / "drive/VESK/DOCS/", "", dir / "drive", {}, {}};
  }
  std::string BodyOf(const std::string& uri) { return ResolveDocRequest(uri, site).body; }

  TempDir dir;
  DocSite site;
};

TEST_F(DocRequestTest, FilesAreFoundInAnyCaseBehindBackslashesAndDriveLetters) {
  struct Case {
    const char* uri;
    DocReply::Kind kind;
    const char* file;  // below the root
    const char* type;
  };
  const Case cases[] = {
      {"quiro://doc/STYLE.CSS", DocReply::Kind::File, "style.css", "text/css"},
      {"quiro://doc/guide/..%5CStyle.CSS", DocReply::Kind::File, "style.css", "text/css"},
      {"quiro://doc/guide/..\\Style.CSS", DocReply::Kind::File, "style.css", "text/css"},
      {"quiro://doc/guide/../IMAGES/Magenta.GIF", DocReply::Kind::File, "images/magenta.gif", "image/gif"},
      {"quiro://doc/C:%5CVESK%5CDOCS%5Cimages%5CMagenta.GIF", DocReply::Kind::File, "images/magenta.gif",
       "image/gif"},
      {"quiro://doc/Manual.PDF", DocReply::Kind::File, "manual.pdf", "application/pdf"},
      {"quiro://doc/images/BLUE.HTM", DocReply::Kind::Page, "images/blue.htm", "text/html; charset=windows-1252"},
      {"quiro://doc/utf8.htm", DocReply::Kind::Page, "utf8.htm", "text/html"},
      {"quiro://doc/guide\\INDEX.htm", DocReply::Kind::Page, "guide/index.htm", "text/html; charset=utf-8"},
      {"quiro://doc/SAME.HTM", DocReply::Kind::Page, "Same.htm", "text/html; charset=windows-1252"},
      {"quiro://doc/same.htm", DocReply::Kind::Page, "same.htm", "text/html; charset=windows-1252"},
  };
  for (const Case& c : cases) {
    const DocReply reply = ResolveDocRequest(c.uri, site);
    EXPECT_EQ(reply.kind, c.kind) << c.uri << ": " << reply.body;
    EXPECT_EQ(reply.path, site.root + c.file) << c.uri;
    EXPECT_EQ(reply.contentType, c.type) << c.uri;
    EXPECT_EQ(reply.kind == DocReply::Kind::File, static_cast<bool>(reply.file)) << c.uri;
  }
  // An HTML page behind a backslash replaces itself with its clean address.
  EXPECT_NE(BodyOf("quiro://doc/guide\\INDEX.htm").find("location.replace(\"quiro://doc/guide/index.htm\")"),
            std::string::npos);
}

TEST_F(DocRequestTest, PagesGetTheirDriveAndFileLinksBelowTheRootMapped) {
  EXPECT_EQ(BodyOf("quiro://doc/guide/index.htm"),
            "<HTML><A HREF=\"quiro://doc/images/BLUE.HTM\">b</A>"
            "<IMG SRC='quiro://doc/images/Magenta.GIF'><IMG src=../IMAGES/Magenta.GIF>"
            "<A href=\"file:///etc/passwd\">p</A><!-- <a href=\"C:\\x\"> --></HTML>");
  EXPECT_EQ(MapLinksToScheme("<a href=" + site.root + "x.htm title=\"C:\\VESK\\DOCS\\y\">C:\\VESK\\DOCS\\z", site),
            "<a href=quiro://doc/x.htm title=\"quiro://doc/y\">C:\\VESK\\DOCS\\z");
  EXPECT_EQ(MapLinksToScheme("<a href=\"unclosed", site), "<a href=\"unclosed");
  // Text held in memory for printing stands in for its page at the page's address.
  const MemoryPage inside = MemoryPageFor(site.root + "guide/Ch 1.htm", "<img src=\"C:\\VESK\\DOCS\\a.gif\">", site);
  EXPECT_EQ(inside.baseUri, "quiro://doc/guide/Ch%201.htm");
  EXPECT_EQ(inside.text, "<img src=\"quiro://doc/a.gif\">");
  EXPECT_EQ(inside.encoding, "windows-1252");
  EXPECT_EQ(MapLinksToScheme("a < b and c<d>", site), "a < b and c<d>");
}

TEST_F(DocRequestTest, RequestsThatMustBeRefused) {
  struct Case {
    std::string uri;
    int status;
  };
  const Case cases[] = {
      {"quiro://doc/../secret.htm", 403},
      {"quiro://doc/%2e%2e/secret.htm", 403},
      {"quiro://doc/%2E%2E%5Csecret.htm", 403},
      {"quiro://doc/C:/secret.htm", 403},
      {"quiro://doc/file:///etc/passwd", 403},
      {"quiro://doc/link.htm", 403},
      {"quiro://doc/index.htm%00.gif", 400},
      {"quiro://doc/" + std::string(5000, 'a'), 414},
      {"quiro://doc/" + std::string(300, 'a') + ".htm", 414},
      {"quiro://doc/missing.htm", 404},
      {"quiro://doc/folder", 403},
      {"quiro://doc/", 403},
      {"quiro://doc/pipe.htm", 403},
      {"quiro://doc/zero.gif", 403},
      {"quiro://doc/.quiro/other", 404},
      {"http://example.com/", 400},
  };
  for (const Case& c : cases) {
    const DocReply reply = ResolveDocRequest(c.uri, site);
    EXPECT_EQ(reply.kind, DocReply::Kind::Error) << c.uri.substr(0, 80);
    EXPECT_EQ(reply.status, c.status) << c.uri.substr(0, 80);
    EXPECT_FALSE(reply.file);
    EXPECT_EQ(reply.body.find("secret"), std::string::npos);
  }
  const DocReply search = ResolveDocRequest("quiro://doc/.quiro/search?x=1&q=disk+drive%21", site);
  EXPECT_EQ(search.kind, DocReply::Kind::Search);
  EXPECT_EQ(search.query, "disk drive!");
}

TEST_F(DocRequestTest, TheOverlayServesGeneratedPagesUnlessTheRootsAreNewer) {
  site.overlay = dir.MakeDir("overlay") + "/";
  dir.Write("overlay/sidebar.htm", "<p>user's</p>");
  EXPECT_EQ(BodyOf("quiro://doc/SIDEBAR.HTM"), "<p>user's</p>");
  EXPECT_EQ(ResolveDocRequest("quiro://doc/style.css", site).path, site.root + "style.css");
  // The administrator rebuilt the root since: the root's page is newer.
  const utimbuf old{1000, 1000};
  ASSERT_EQ(::utime((site.overlay + "sidebar.htm").c_str(), &old), 0);
  EXPECT_EQ(BodyOf("quiro://doc/sidebar.htm"), "<p>root's</p>");
}

TEST_F(DocRequestTest, OpenedPagesAndWhatTheyReferToAreServedButNotReadAcrossOrigins) {
  dir.Write("mine/page.htm",
            "<link rel=stylesheet href=\"Look.css\"><img src='PIC.GIF#x'><frame src=sub\\frame.htm>"
            "<a href=\"out.gif\">o</a><a href=\"http://example.com/x.gif\">w</a><a href=\"../elsewhere/other.htm\">e</a>");
  dir.Write("mine/look.css", "@import 'more.css'; body { background: url( \"bg.gif\" ) }");
  for (const char* name : {"mine/pic.gif", "mine/bg.gif", "mine/more.css", "mine/unnamed.gif"}) dir.Write(name, "GIF89a");
  dir.Write("mine/sub/frame.htm", "<p>frame</p>");
  dir.Write("elsewhere/other.htm", "<p>other</p>");
  ASSERT_EQ(::symlink((dir / "drive/secret.htm").c_str(), (dir / "mine/out.gif").c_str()), 0);
  site.openedFiles = {RealPath(dir / "mine/page.htm")};
  const std::string page = PathToOpenedFileUri(dir / "mine/page.htm");
  EXPECT_EQ(DocUriToFileUrl(page, site.root), PathToFileUrl(dir / "mine/page.htm"));
  // What a reply refers to, the scheme keeps for the requests that follow.
  auto ask = [&](const std::string& path, const char* origin = "") {
    DocReply reply = ResolveDocRequest(PathToOpenedFileUri(dir / path), site, origin);
    site.referencedFiles.insert(reply.references.begin(), reply.references.end());
    return reply;
  };
  EXPECT_EQ(ask("mine/unnamed.gif").status, 403);  // not before the page names it, nor after
  EXPECT_EQ(ask("mine/page.htm").kind, DocReply::Kind::Page);
  EXPECT_EQ(ask("mine/look.css").kind, DocReply::Kind::File);
  for (const char* path : {"mine/pic.gif", "mine/PIC.gif", "mine/bg.gif", "mine/more.css", "mine/sub/frame.htm"}) {
    EXPECT_EQ(ask(path, "quiro://file").status, 200) << path;
  }
  // The root's files stay open to the opened page's links, not to its scripts.
  EXPECT_EQ(ResolveDocRequest("quiro://doc/style.css", site).kind, DocReply::Kind::File);
  EXPECT_EQ(ResolveDocRequest("quiro://doc/style.css", site, "quiro://doc").kind, DocReply::Kind::File);
  EXPECT_EQ(ResolveDocRequest("quiro://doc/style.css", site, "quiro://file").status, 403);
  struct Case {
    std::string path;
    const char* origin;
    const char* title;
  };
  const Case cases[] = {
      {"mine/unnamed.gif", "", "Not opened"},
      {"mine/out.gif", "", "Not opened"},  // named, but a link out of the folder
      {"elsewhere/other.htm", "", "Not opened"},  // named, but outside the folder
      {"drive/secret.htm", "", "Not opened"},
      {"mine/../drive/secret.htm", "", "Not opened"},
      {"mine", "", "Not opened"},
      {"mine/page.htm", "quiro://doc", "Refused"},  // a script of a document page
      {"mine/pic.gif", "quiro://doc", "Refused"},
      {"mine/pic.gif", "null", "Refused"},
  };
  for (const Case& c : cases) {
    const DocReply reply = ask(c.path, c.origin);
    EXPECT_EQ(reply.status, 403) << c.path << " " << c.origin;
    EXPECT_NE(reply.body.find(c.title), std::string::npos) << c.path << " " << c.origin;
    EXPECT_FALSE(reply.file);
  }
  site.openedFiles.clear();
  EXPECT_EQ(ResolveDocRequest(page, site).status, 403);
}

TEST_F(DocRequestTest, ANameFlippedBetweenAPageAndALinkOutNeverServesWhatLiesOutside) {
  dir.Write("drive/private.htm", "PRIVATE TEXT");
  const std::string inside = dir.Write("drive/VESK/DOCS/inside.htm", "<p>inside</p>");
  const std::string flip = dir / "drive/VESK/DOCS/flip.htm";
  const std::string spare = dir / "drive/VESK/DOCS/flip.new";
  // A link that stays inside is followed, written absolute or relative.
  ASSERT_EQ(::symlink(inside.c_str(), (dir / "drive/VESK/DOCS/images/abs.htm").c_str()), 0);
  ASSERT_EQ(::symlink("../inside.htm", (dir / "drive/VESK/DOCS/images/rel.htm").c_str()), 0);
  EXPECT_EQ(BodyOf("quiro://doc/images/abs.htm"), "<p>inside</p>");
  EXPECT_EQ(BodyOf("quiro://doc/images/rel.htm"), "<p>inside</p>");
  ASSERT_EQ(::link(inside.c_str(), flip.c_str()), 0);
  std::atomic<bool> done{false};
  std::thread flipper([&] {
    while (!done) {
      ::unlink(spare.c_str());
      ::symlink((dir / "drive/private.htm").c_str(), spare.c_str());
      ::rename(spare.c_str(), flip.c_str());
      ::link(inside.c_str(), spare.c_str());
      ::rename(spare.c_str(), flip.c_str());
    }
  });
  int served = 0;
  int refused = 0;
  // On a busy machine the two threads may take turns in long slices: go on
  // until requests have met both states of the name, within a bound.
  for (int i = 0; i < 3000 || ((served == 0 || refused == 0) && i < 200000); ++i) {
    const DocReply reply = ResolveDocRequest("quiro://doc/flip.htm", site);
    ASSERT_EQ(reply.body.find("PRIVATE"), std::string::npos) << i;
    (reply.kind == DocReply::Kind::Page ? served : refused)++;
  }
  done = true;
  flipper.join();
  if (served == 0 || refused == 0) GTEST_SKIP() << "the flips never met a request in both states";
}

}  // namespace
