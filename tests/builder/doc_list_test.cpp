#include "builder/doc_list.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "common/temp_dir.h"
#include "platform/ini.h"

namespace {

using testing_support::TempDir;

std::vector<std::string> Names(CDocList& list) {
  std::vector<std::string> names;
  for (CDocList::Position p = list.GetHeadPosition(); p;) names.push_back(list.GetNext(p).partNum);
  return names;
}

TEST(DocListTest, CatalogueFromSectionsAndIndexPages) {
  TempDir dir;
  const std::string root = dir.root();
  dir.Write("A/readme.txt", "");
  dir.Write("B/index.htm", "<title>Beta From Page</title><META name=\"SUBJECT\" content=\"intro\">");
  dir.Write("C/index.htm", "<TITLE>Gamma</TITLE>");
  dir.Write("D/index.htm", "no title here");
  dir.MakeDir("E");    // three keys but no TITLE, and no page
  dir.MakeDir("web");  // a web address needs only a folder and a section
  dir.Write("plainfile", "");
  const std::string ini = dir.Write("TOVY.INI",
                                    "[MAIN]\nDocumentRoot=.\n"
                                    "[A]\nTITLE=Alpha\nLINKTYPE=docsnewwindow\n"
                                    "[B]\nTITLE=Beta From Ini\n"
                                    "[E]\nTYPE=X\nLINK=y\nLINKTYPE=DOCS\n"
                                    "[Web]\nTITLE=Site\nLINKTYPE=EXTERNAL\nLINK=https://w.example/\n"
                                    "[Ghost]\nTYPE=A\nTITLE=No folder\nLINK=x\n");
  platform::ClearIniCache();

  CDocList list;
  list.ScanDocumentFolder(root);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"A", "B", "C", "D", "E", "web"}));
  std::vector<std::string> lines;
  list.ReadCatalogue(root, ini, "system", [&](const std::string& line) { lines.push_back(line); });
  ASSERT_EQ(Names(list), (std::vector<std::string>{"A", "B", "C", "web"}));
  EXPECT_EQ(lines.size(), 6u);

  CDocList::Position p = list.GetHeadPosition();
  const CDocEntry& a = list.GetNext(p);
  EXPECT_EQ(a.Title, "Alpha");
  EXPECT_EQ(a.Type, "SYSTEM");
  EXPECT_EQ(a.link, "A/index.htm");
  EXPECT_EQ(a.linktype, "DOCSNEWWINDOW");
  const CDocEntry& b = list.GetNext(p);
  EXPECT_EQ(b.Title, "Beta From Page");
  EXPECT_EQ(b.Type, "INTRO");
  const CDocEntry& c = list.GetNext(p);
  EXPECT_EQ(c.Title, "Gamma");
  EXPECT_EQ(c.Type, "SYSTEM");
  EXPECT_EQ(list.GetNext(p).link, "https://w.example/");
  EXPECT_FALSE(p);
}

// A document folder or index page that is a link leading out of the root is
// read as no page at all; links that stay inside are read as before.
TEST(DocListTest, IndexPagesBehindLinksOutOfTheRootAreNotRead) {
  TempDir dir;
  dir.Write("private/index.htm", "<TITLE>Private Title</TITLE>");
  dir.Write("docs/inside/index.htm", "<TITLE>Inside</TITLE>");
  const std::string root = dir.MakeDir("docs") + "/";
  ASSERT_EQ(::symlink((dir / "private").c_str(), (root + "folder-out").c_str()), 0);
  dir.MakeDir("docs/page-out");
  ASSERT_EQ(::symlink((dir / "private/index.htm").c_str(), (root + "page-out/index.htm").c_str()), 0);
  ASSERT_EQ(::symlink("inside", (root + "alias").c_str()), 0);
  const std::string ini = dir.Write("docs/TOVY.INI", "[MAIN]\nDocumentRoot=.\n");
  platform::ClearIniCache();

  CDocList list;
  list.ScanDocumentFolder(root);
  list.ReadCatalogue(root, ini, "system", nullptr);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"alias", "inside"}));
  for (CDocList::Position p = list.GetHeadPosition(); p;) EXPECT_EQ(list.GetNext(p).Title, "Inside");
}

TEST(DocListTest, PercentFolderEndsTheScan) {
  TempDir dir;
  for (const char* name : {"a", "%stop", "b"}) dir.MakeDir(name);
  CDocList list;
  list.ScanDocumentFolder(dir.root());
  EXPECT_EQ(Names(list), (std::vector<std::string>{}));  // "%stop" sorts first
  CDocList none;
  none.ScanDocumentFolder(dir / "missing/");
  EXPECT_TRUE(none.IsEmpty());
}

TEST(DocListTest, TypeLookupsAndPositions) {
  CDocList list;
  auto add = [&](const char* name, const char* type) {
    auto entry = std::make_unique<CDocEntry>(name);
    entry->Type = type;
    return list.AddTail(std::move(entry));
  };
  add("1", "INTRO");
  const auto second = add("2", "SYSTEM");
  add("3", "INTRO");
  const auto last = add("4", "SYSTEM");
  EXPECT_TRUE(list.HasType("SYSTEM"));
  EXPECT_FALSE(list.HasType("system"));
  EXPECT_EQ(list.CountType("INTRO"), 2);
  EXPECT_EQ(list.CountType("NONE"), 0);
  EXPECT_EQ(list.FindFirstOfType("SYSTEM"), second);
  EXPECT_EQ(list.FindNextOfType("SYSTEM", second), last);
  EXPECT_FALSE(list.FindNextOfType("SYSTEM", last));
  EXPECT_FALSE(list.FindFirstOfType("NONE"));
  EXPECT_FALSE(list.FindNextOfType("SYSTEM", CDocList::Position()));

  // Positions of the other entries survive a removal.
  list.RemoveAt(second);
  EXPECT_EQ(list.FindFirstOfType("SYSTEM"), last);
  EXPECT_EQ(list.GetAt(last).partNum, "4");
  EXPECT_EQ(Names(list), (std::vector<std::string>{"1", "3", "4"}));
  EXPECT_EQ(list.GetCount(), 3u);
}

}  // namespace
