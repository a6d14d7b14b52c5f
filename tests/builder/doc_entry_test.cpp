#include "builder/doc_entry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/temp_dir.h"
#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace {

using testing_support::TempDir;

CDocEntry Entry(const std::string& linktype, const std::string& link) {
  CDocEntry entry("Doc");
  entry.Title = "T<b>&";
  entry.linktype = linktype;
  entry.link = link;
  return entry;
}

TEST(LinkMarkupTest, AnchorsByLinkKind) {
  const std::string root = "/docs/";
  EXPECT_EQ(Entry("DOCS", "Doc/index.htm").MakeAnchor(root),
            "<A href=\"file:///docs/Doc/index.htm\">T<b>&</A><br><br>");
  EXPECT_EQ(Entry("DOCSNEWWINDOW", "Doc/a.htm").MakeAnchor(root),
            "<A href=\"file:///docs/Doc/a.htm\" target=\"_blank\">T<b>&</A><br><br>");
  EXPECT_EQ(Entry("INTERNAL", "/opt/x.htm").MakeAnchor(root),
            "<A href=\"file:///opt/x.htm\" >T<b>&</A><br><br>");
  EXPECT_EQ(Entry("INTERNALNEWWINDOW", "/opt/x.htm").MakeAnchor(root),
            "<A href=\"file:///opt/x.htm\" target=\"_blank\">T<b>&</A><br><br>");
  EXPECT_EQ(Entry("EXTERNAL", "https://a.example/").MakeAnchor(root),
            "<A href=\"https://a.example/\">T<b>&</A><br><br>");
  EXPECT_EQ(Entry("EXTERNALNEWWINDOW", "https://a.example/").MakeAnchor(root),
            "<A href=\"https://a.example/\" target=\"_blank\">T<b>&</A><br><br>");
  EXPECT_EQ(Entry("NOLINK", "x").MakeAnchor(root), "<A>T<b>&</A><br><br>");
  EXPECT_EQ(Entry("FAKE", "x.htm").MakeAnchor(root), "<A href=\"file:///docs/x.htm\">T<b>&</A><br><br>");
  // A Windows-style root is joined unchanged.
  EXPECT_EQ(Entry("DOCS", "Doc\\index.htm").MakeAnchor("C:\\VESK\\DOCS\\"),
            "<A href=\"file:///C:\\VESK\\DOCS\\Doc\\index.htm\">T<b>&</A><br><br>");
}

TEST(LinkMarkupTest, HrefValuesByLinkKind) {
  const std::string root = "/docs/";
  EXPECT_EQ(Entry("DOCS", "a.htm").MakeHrefValue(root), "\"file:///docs/a.htm\" ");
  EXPECT_EQ(Entry("DOCSNEWWINDOW", "a.htm").MakeHrefValue(root), "\"file:///docs/a.htm\" target=\"_blank\"");
  EXPECT_EQ(Entry("INTERNAL", "/o.htm").MakeHrefValue(root), "\"file:///o.htm\" ");
  EXPECT_EQ(Entry("INTERNAL", "o.htm").MakeHrefValue(root), "\"file:///o.htm\" ");
  EXPECT_EQ(Entry("INTERNALNEWWINDOW", "/o.htm").MakeHrefValue(root), "\"file:///o.htm\" target=\"_blank\"");
  EXPECT_EQ(Entry("EXTERNAL", "http://w/").MakeHrefValue(root), "\"http://w/\"");
  EXPECT_EQ(Entry("EXTERNALNEWWINDOW", "http://w/").MakeHrefValue(root), "\"http://w/\" target=\"_blank\"");
  EXPECT_EQ(Entry("NOLINK", "x").MakeHrefValue(root), "<A");
  EXPECT_EQ(Entry("MISSPELT", "a.htm").MakeHrefValue(root), "\"file:///docs/a.htm\"");
}

TEST(LinkMarkupTest, NamesThatWouldBreakTheMarkupOrTheLinkAreEncoded) {
  struct Case {
    std::string root, folder, link, linktype, href;
  };
  const std::vector<Case> cases = {
      {"/docs/", "a\"quote", "", "DOCS", "file:///docs/a%22quote/index.htm"},
      {"/docs/", "x#1", "", "DOCS", "file:///docs/x%231/index.htm"},
      {"/docs/", "what?", "", "DOCS", "file:///docs/what%3F/index.htm"},
      {"/docs/", "%41", "", "DOCS", "file:///docs/%2541/index.htm"},
      {"/docs/", "Q&A", "", "DOCSNEWWINDOW", "file:///docs/Q&amp;A/index.htm"},
      {"/docs/", "<b>\t", "", "DOCS", "file:///docs/%3Cb%3E%09/index.htm"},
      // Ordinary names keep their bytes: blanks, non-ASCII, quotes of the other kind.
      {"/my docs/", "Gr\xC3\xBC\xC3\x9F 'e'", "", "DOCS", "file:///my docs/Gr\xC3\xBC\xC3\x9F 'e'/index.htm"},
      {"/d#/", "G", "", "DOCS", "file:///d%23/G/index.htm"},
      // The catalogue's own link keeps its "#part" and its escapes.
      {"/docs/", "G#", "G#\\index.htm#intro", "DOCS", "file:///docs/G%23\\index.htm#intro"},
      {"/docs/", "G", "other/a%20b.htm", "DOCS", "file:///docs/other/a%20b.htm"},
      {"/docs/", "G", "/opt/\"x\".htm", "INTERNAL", "file:///opt/%22x%22.htm"},
      {"/docs/", "G", "http://w/?a=1&b=\"2\"", "EXTERNAL", "http://w/?a=1&amp;b=%222%22"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder + " " + c.link);
    CDocEntry entry(c.folder);
    entry.Title = "T";
    entry.link = c.link.empty() ? c.folder + "/index.htm" : c.link;
    entry.linktype = c.linktype;
    const std::string anchor = entry.MakeAnchor(c.root);
    EXPECT_EQ(anchor.substr(0, anchor.find("\"", 9) + 1), "<A href=\"" + c.href + "\"");
    EXPECT_EQ(entry.MakeHrefValue(c.root).substr(0, c.href.size() + 2), "\"" + c.href + "\"");
    if (c.link.empty()) {  // the link, once the markup is read, names the folder
      const std::string read = platform::ReplaceAll(c.href, "&amp;", "&");
      EXPECT_EQ(platform::FileUrlToPath(read), c.root + c.folder + "/index.htm");
    }
  }
}

TEST(DocEntryTest, IniSectionScores) {
  TempDir dir;
  const std::string ini = dir.Write("TOVY.INI",
                                    "[Full]\nTYPE=intro\nTITLE=Full Doc\nLINK=x.htm\nLINKTYPE=external\n"
                                    "[NoTitle]\nTYPE=A\nLINK=l\nLINKTYPE=NOLINK\n"
                                    "[PercentTitle]\nTITLE=%odd\nTYPE=A\n"
                                    "[EmptyTitle]\nTITLE=\n");
  platform::ClearIniCache();
  CDocEntry full("full");  // section names match ignoring case
  EXPECT_EQ(full.ReadIniSection(ini, "system"), 4);
  EXPECT_EQ(full.Type, "INTRO");
  EXPECT_EQ(full.Title, "Full Doc");
  EXPECT_EQ(full.link, "x.htm");
  EXPECT_EQ(full.linktype, "EXTERNAL");

  CDocEntry noTitle("NoTitle");
  EXPECT_EQ(noTitle.ReadIniSection(ini, "system"), -7);
  EXPECT_EQ(noTitle.Title, "Unknown Document");

  CDocEntry percent("PercentTitle");
  EXPECT_EQ(percent.ReadIniSection(ini, "system"), -9);

  CDocEntry empty("EmptyTitle");
  EXPECT_EQ(empty.ReadIniSection(ini, "manuals"), 1);
  EXPECT_EQ(empty.Title, "");
  EXPECT_EQ(empty.Type, "MANUALS");
  EXPECT_EQ(empty.link, "EmptyTitle/index.htm");
  EXPECT_EQ(empty.linktype, "DOCS");

  CDocEntry none("Absent");
  EXPECT_EQ(none.ReadIniSection(dir / "missing.ini", "x"), -10);
}

TEST(DocEntryTest, IndexPages) {
  TempDir dir;
  dir.Write("A/index.htm",
            "<HTML><HEAD><TITLE>Alpha Guide</TITLE>\n<meta NAME=\"subject\" CONTENT=\"manuals\">\n");
  dir.Write("B/index.htm", "<title>\nSplit\n</title>\n");  // title text on a line of its own
  dir.Write("C/index.htm", "<title>Broken\n</title>\n");   // text behind the start marker is lost
  dir.Write("D/index.htm", std::string("\0\x01\xff<title>Bin\xfe</title>", 22));

  CDocEntry a("A");
  EXPECT_EQ(a.ReadIndexPage(dir.root(), "system"), 3);
  EXPECT_EQ(a.Title, "Alpha Guide");
  EXPECT_EQ(a.Type, "MANUALS");
  EXPECT_EQ(a.link, "A/index.htm");
  EXPECT_EQ(a.linktype, "DOCS");

  CDocEntry b("B");
  EXPECT_EQ(b.ReadIndexPage(dir.root(), "system"), 3);
  EXPECT_EQ(b.Title, "Split");  // raw lines: joined without separators
  EXPECT_EQ(b.Type, "SYSTEM");

  CDocEntry c("C");
  EXPECT_EQ(c.ReadIndexPage(dir.root(), "system"), -7);

  CDocEntry d("D");
  EXPECT_EQ(d.ReadIndexPage(dir.root(), "system"), 3);
  EXPECT_EQ(d.Title, "Bin\xfe");

  CDocEntry missing("E");
  missing.Title = "kept";
  EXPECT_EQ(missing.ReadIndexPage(dir.root(), "system"), -100);
  EXPECT_EQ(missing.Title, "kept");
}

}  // namespace
