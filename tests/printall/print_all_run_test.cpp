#include "printall/print_all_run.h"

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "common/temp_dir.h"
#include "printall/page_rewriter.h"

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;

std::string Link(const std::string& target) { return "<a href=\"" + target + "\">" + target + "</a>\n"; }

// Walks from `start` with a printer that records the order it was called in.
std::vector<std::string> Walk(const std::string& start, PrintAllRun* out = nullptr) {
  PrintAllRun run;
  std::vector<std::string> printed;
  run.printPage = [&](const std::string& path, PrintAllRun& r) {
    EXPECT_EQ(&r, &run);
    EXPECT_EQ(r.pagePaths[r.pageCount - 1], path);  // recorded before it is printed
    printed.push_back(path);
    return printed.size() % 2 == 1;  // every other page "creates an instance"
  };
  PrintLinkedPages(start, run);
  std::vector<std::string> recorded(run.pagePaths.begin(), run.pagePaths.begin() + run.pageCount);
  EXPECT_EQ(recorded, printed);
  EXPECT_EQ(run.browserCount, static_cast<int>((printed.size() + 1) / 2));
  if (out) {
    out->pageCount = run.pageCount;
    out->pagePaths = run.pagePaths;
    out->browserCount = run.browserCount;
  }
  return recorded;
}

TEST(LinkCollector, DepthFirstInLineOrderEachPageOnce) {
  TempDir d;
  const std::string start = d.Write("doc/index.htm",
                                    Link("a.htm") + Link("b.htm") + "<p>" + Link("INDEX.HTM") + Link("a.htm"));
  d.Write("doc/a.htm", Link("c.htm#part") + Link("a.htm") + Link("../doc/b.htm"));
  d.Write("doc/b.htm", "no links\n");
  d.Write("doc/c.htm", Link("index.htm"));
  const std::string f = d.root() + "doc/";
  const std::vector<std::string> onDisk = {start, f + "a.htm", f + "c.htm", f + "../doc/b.htm", f + "b.htm"};
  EXPECT_EQ(Walk(start), onDisk);
  // Pages are recorded by their names on disk, the start page too.
  EXPECT_EQ(Walk(d.root() + "DOC/INDEX.HTM"), onDisk);
}

// Each case lays out pages (the first is the start page) and lists the pages
// the walk records after the start page, relative to the folder.
TEST(LinkCollector, EveryHrefOfALineInOrderEachExaminedAlike) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> pages;
    std::vector<std::string> walked;
  };
  const std::vector<Case> cases = {
      {"links on one line in order, the walk below one before the next",
       {{"start.htm", "<a href=\"one.htm\">1</a> <a href=\"two.htm\">2</a> <a href=\"three.html\">3</a>\n"},
        {"one.htm", "<a href=\"four.htm\">4</a><a href=\"two.htm\">2</a>\n"},
        {"two.htm", ""}, {"three.html", ""}, {"four.htm", ""}},
       {"one.htm", "four.htm", "two.htm", "three.html"}},
      {"a first HREF to a style sheet runs on to the page link; the page's own HREF still counts",
       {{"start.htm", "<link href=\"style.css\"><a href=\"three.htm\">3</a>\n"}, {"three.htm", ""}},
       {"three.htm"}},
      {"fragments go, .html keeps its L, backslashes and blanks as written",
       {{"start.htm", "<a href=\"ch2.htm#intro\">a</a><a HREF = \"sub\\four.html#x\">b</a><a href=\"x.html\">c</a>\n"},
        {"ch2.htm", ""}, {"sub/four.html", ""}, {"x.htm", ""}},
       {"ch2.htm", "sub/four.html"}},
      {"an unquoted HREF takes the next quote of the line, as the first one always did",
       {{"start.htm", "<a href=five.htm>5</a> <a href=\"six.htm\">6</a>\n"}, {"five.htm", ""}, {"six.htm", ""}},
       {"six.htm"}},
      {"web, absolute and missing targets are dropped, the rest of the line is not",
       {{"start.htm", "<a href=\"http://example.com/w.htm\">w</a><a href=\"/abs/x.htm\">x</a>"
                      "<a href=\"gone.htm\">g</a><a href=\"here.htm\">h</a>\n"},
        {"here.htm", ""}},
       {"here.htm"}},
      {"paths compare without regard to case, within a line too",
       {{"start.htm", "<a href=\"A.htm\">a</a><a href=\"a.HTM\">a</a><a href=\"START.HTM\">s</a>\n"},
        {"a.htm", "<a href=\"start.htm\">back</a><a href=\"A.HTM\">self</a>\n"}},
       {"a.htm"}},
      {"folders and pages by their names on disk; one name written two ways is one page",
       {{"start.htm", "<a href=\"Guide/CH1.HTM\">1</a><a href=\"GUIDE/ch1.htm\">1</a>\n"},
        {"Guide/Ch1.htm", "<a href=\"CH2.HTM\">2</a>\n"}, {"Guide/ch2.htm", ""}},
       {"Guide/Ch1.htm", "Guide/ch2.htm"}},
      {"a modern page written on one line",
       {{"start.htm", "<!doctype html><html><head><link rel=\"stylesheet\" href=\"s.css\"></head><body><nav>"
                      "<a href=\"intro.html\">Intro</a> <a href=\"setup.html\">Setup</a> "
                      "<a href=\"faq.html#top\">FAQ</a></nav><img src=\"x.png\"></body></html>"},
        {"intro.html", "<html><body><a href=\"start.htm\">Home</a><a href=\"setup.html\">Next</a></body></html>"},
        {"setup.html", "<html><body><a href=\"intro.html\">Prev</a><a href=\"faq.html\">Next</a></body></html>"},
        {"faq.html", ""}},
       {"intro.html", "setup.html", "faq.html"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir d;
    for (const auto& [name, text] : c.pages) d.Write(name, text);
    std::vector<std::string> expected = {d / c.pages.front().first};
    for (const std::string& page : c.walked) expected.push_back(d.root() + page);
    EXPECT_EQ(Walk(expected.front()), expected);
  }
}

TEST(LinkCollector, StartPageThatCannotBeOpenedRecordsNothing) {
  TempDir d;
  EXPECT_TRUE(Walk(d / "missing.htm").empty());
  d.MakeDir("folder.htm");
  EXPECT_TRUE(Walk(d / "folder.htm").empty());
  ASSERT_EQ(mkfifo((d / "fifo.htm").c_str(), 0644), 0);
  EXPECT_TRUE(Walk(d / "fifo.htm").empty());

  // A page held exclusively elsewhere (a rewrite under way) cannot be opened
  // shared either.
  const std::string busy = d.Write("busy.htm", Link("x.htm"));
  const int fd = open(busy.c_str(), O_RDONLY);
  ASSERT_EQ(flock(fd, LOCK_EX), 0);
  EXPECT_TRUE(Walk(busy).empty());
  close(fd);
}

TEST(LinkCollector, RecordsTheFirstFiftyAndEndsAmongUnrecordedCycles) {
  // p0 links p1 ... p59; each page links back and to its neighbours, so once
  // the record is full the pages still link in circles. Written one link a
  // line or all on one line, the walk is the same.
  for (const char* separator : {"\n", " "}) {
    SCOPED_TRACE(*separator == '\n' ? "one link a line" : "all links on one line");
    TempDir d;
    auto link = [&](int i) { return "<a href=\"p" + std::to_string(i) + ".htm\">p</a>" + separator; };
    std::string index;
    for (int i = 1; i < 60; ++i) index += link(i);
    const std::string start = d.Write("p0.htm", index);
    for (int i = 1; i < 60; ++i) {
      d.Write("p" + std::to_string(i) + ".htm", link(i % 59 + 1) + link(0) + link((i + 57) % 59 + 1));
    }
    const auto recorded = Walk(start);
    ASSERT_EQ(recorded.size(), 50u);
    EXPECT_EQ(recorded[0], start);
    for (int i = 1; i < 50; ++i) EXPECT_EQ(recorded[i], d.root() + "p" + std::to_string(i) + ".htm");
  }
}

TEST(LinkCollector, EndlessChainOfDistinctPathsEnds) {
  // Every pass through "../" gives a new path string for the same file, so
  // this one page is an endless chain of distinct pages.
  TempDir d;
  const std::string start = d.Write("doc/page.htm", Link("../doc/page.htm"));
  const auto recorded = Walk(start);
  ASSERT_EQ(recorded.size(), 50u);
  std::string expected = d.root() + "doc/";
  for (int i = 1; i < 50; ++i) expected += "../doc/";
  EXPECT_EQ(recorded[49], expected + "page.htm");
}

TEST(LinkCollector, LinksAreReadFromThePageTheRewriterLeftAndReadOnlyIsCleared) {
  TempDir d;
  const std::string start = d.Write("index.htm", "<table border=\"1\">\n" + Link("next.htm") + "</table>\n");
  const std::string next = d.Write("next.htm", "x\n");
  ASSERT_EQ(chmod(next.c_str(), 0444), 0);
  PrintAllRun run;
  run.printPage = [](const std::string& path, PrintAllRun&) {
    InsertPrintPageBreaks(path);
    return true;
  };
  PrintLinkedPages(start, run);
  ASSERT_EQ(run.pageCount, 2);
  EXPECT_EQ(run.browserCount, 2);
  EXPECT_NE(ReadFile(start).find("page-break-before"), std::string::npos);
  struct stat st {};
  ASSERT_EQ(stat(next.c_str(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IWUSR);
}

TEST(LinkCollector, DryRunChangesNothingOnDisk) {
  TempDir d;
  const std::string start = d.Write("index.htm", Link("next.htm"));
  const std::string next = d.Write("next.htm", "x\n");
  ASSERT_EQ(chmod(next.c_str(), 0444), 0);
  PrintAllRun run;
  run.dryRun = true;
  PrintLinkedPages(start, run);
  EXPECT_EQ(run.pageCount, 2);
  EXPECT_EQ(run.browserCount, 0);  // no printer given
  struct stat st {};
  ASSERT_EQ(stat(next.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
}

class StartPageClimb : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("VESK_DRIVE_C");
    if (old) saved_ = old;
    had_ = old != nullptr;
    setenv("VESK_DRIVE_C", drive_.path().c_str(), 1);
    docs_ = drive_.MakeDir("VESK/DOCS");
  }
  void TearDown() override {
    if (had_) {
      setenv("VESK_DRIVE_C", saved_.c_str(), 1);
    } else {
      unsetenv("VESK_DRIVE_C");
    }
  }
  TempDir drive_;
  std::string docs_;
  std::string saved_;
  bool had_ = false;
};

TEST_F(StartPageClimb, FindsTheNearestIndexBelowTheDocumentationRoot) {
  const std::string page = drive_.Write("VESK/DOCS/GUIDE/CH3.HTM", "");
  const std::string deep = drive_.Write("VESK/DOCS/GUIDE/PARTS/P1.HTM", "");
  const std::string loose = drive_.Write("VESK/DOCS/LOOSE.HTM", "");
  drive_.Write("VESK/index.htm", "");  // above the root: never reached
  EXPECT_EQ(FindPrintStartPage(page), page);
  EXPECT_EQ(FindPrintStartPage(loose), loose);

  drive_.Write("VESK/DOCS/GUIDE/index.htm", "");
  EXPECT_EQ(FindPrintStartPage(page), docs_ + "/GUIDE/index.htm");
  EXPECT_EQ(FindPrintStartPage(deep), docs_ + "/GUIDE/index.htm");

  // The root folder's own index page is still tested, and the root test
  // ignores letter case.
  drive_.Write("VESK/DOCS/index.htm", "");
  EXPECT_EQ(FindPrintStartPage(loose), docs_ + "/index.htm");
  const std::string lower = drive_.path() + "/vesk/docs/other/x.htm";
  drive_.Write("VESK/DOCS/OTHER/X.HTM", "");
  EXPECT_EQ(FindPrintStartPage(lower), drive_.path() + "/vesk/docs/index.htm");
}

TEST_F(StartPageClimb, RootTestStopsTheClimbInAnyLetterCase) {
  drive_.Write("VESK/index.htm", "");
  const std::string lower = drive_.path() + "/vesk/docs/guide/x.htm";
  drive_.Write("VESK/DOCS/GUIDE/X.HTM", "");
  EXPECT_EQ(FindPrintStartPage(lower), lower);
}

TEST_F(StartPageClimb, OutsideTheRootTheClimbEndsAtTheFileSystemRoot) {
  TempDir other;
  const std::string page = other.Write("a/b/c.htm", "");
  EXPECT_EQ(FindPrintStartPage(page), page);
  other.Write("index.htm", "");
  EXPECT_EQ(FindPrintStartPage(page), other.root() + "index.htm");
  EXPECT_EQ(FindPrintStartPage("/"), "/");
  EXPECT_EQ(FindPrintStartPage(""), "");
  EXPECT_EQ(FindPrintStartPage("relative.htm"), "relative.htm");
}

TEST_F(StartPageClimb, IndexHeldElsewhereIsPassedOver) {
  const std::string page = drive_.Write("VESK/DOCS/GUIDE/CH1.HTM", "");
  const std::string index = drive_.Write("VESK/DOCS/GUIDE/index.htm", "");
  drive_.Write("VESK/DOCS/index.htm", "");
  const int fd = open(index.c_str(), O_RDONLY);
  ASSERT_EQ(flock(fd, LOCK_SH), 0);
  EXPECT_EQ(FindPrintStartPage(page), docs_ + "/index.htm");
  close(fd);
  EXPECT_EQ(FindPrintStartPage(page), index);  // released at once each time
}

TEST(LocationOfView, OnlyLocalPagesQualify) {
  EXPECT_EQ(LocalPathOfLocation("file:///docs/My%20Guide/a.htm"), "/docs/My Guide/a.htm");
  EXPECT_EQ(LocalPathOfLocation("FILE:///docs/a.htm#top"), "/docs/a.htm");
  EXPECT_EQ(LocalPathOfLocation("file:///docs/a%23b.htm?x=1"), "/docs/a#b.htm");
  EXPECT_EQ(LocalPathOfLocation("/docs/a.htm"), "/docs/a.htm");
  EXPECT_EQ(LocalPathOfLocation("http://example.com/a.htm"), "");
  EXPECT_EQ(LocalPathOfLocation("https://example.com/"), "");
  EXPECT_EQ(LocalPathOfLocation("about:blank"), "");
  EXPECT_EQ(LocalPathOfLocation("docs/a.htm"), "");
  EXPECT_EQ(LocalPathOfLocation(""), "");
}

}  // namespace
