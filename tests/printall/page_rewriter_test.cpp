#include "printall/page_rewriter.h"
#include "printall/print_all_run.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "common/temp_dir.h"
#include "common/unprivileged.h"

namespace {

using testing_support::Exists;
using testing_support::ReadFile;
using testing_support::TempDir;

std::string Block(const std::string& colour) {
  return "<STYLE>\r\np.page {page-break-before: always}\r\n</STYLE>\r\n"
         "<p class=\"page\"><font SIZE=\"1\" COLOR=\"" +
         colour + "\">.</font></p class=\"page\">\r\n";
}

// Lines joined with CR LF, each line ending in one.
std::string Crlf(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) out += line + "\r\n";
  return out;
}

struct Case {
  const char* name;
  std::string input;
  std::string expected;  // empty: the page stays byte for byte as it was
};

TEST(PageRewriter, RewritesExactlyAsExpected) {
  const std::string white = Block("#ffffff");
  const std::vector<Case> cases = {
      {"no table at all", "<html>\n<a href=\"x.htm\">x</a>\n</html>\n", ""},
      {"tables without a trigger", "<table>\n<tr><td>1</td></tr>\n</table>\n<table border=1>\n</table>\n", ""},
      {"unquoted border or another attribute first is no trigger",
       "<table border=1>\n<table width=\"5\" border=\"1\">\n</table>\n", ""},
      {"bordered table start in any letter case, more attributes after",
       "<p>before</p>\n<table BORDER=\"1\" width=\"100%\">\n<tr><td>x</td></tr>\n</table>\n",
       Crlf({"<p>before</p>"}) + white +
           Crlf({"<table BORDER=\"1\" width=\"100%\">", "<tr><td>x</td></tr>", "</table>"})},
      {"figure three lines after a plain table start",
       "<TABLE>\n<tr>\n<td>\n<td class=\"Figure-Frame\">pic</td>\n</table>\nafter\n",
       white + Crlf({"<TABLE>", "<tr>", "<td>", "<td class=\"Figure-Frame\">pic</td>", "</table>", "after"})},
      {"outer plain table, inner bordered one gets the block",
       "<table>\n<tr><td>\n<table border=\"1\">\n</table>\n</td></tr>\n</table>\n",
       Crlf({"<table>", "<tr><td>"}) + white +
           Crlf({"<table border=\"1\">", "</table>", "</td></tr>", "</table>"})},
      {"two bordered tables get a block each",
       "<table border=\"1\">\n</table>\n<table border=\"1\">\n</table>\n",
       white + Crlf({"<table border=\"1\">", "</table>"}) + white +
           Crlf({"<table border=\"1\">", "</table>"})},
      {"two figures in one table get one block",
       "<table>\n<td class=\"figure head\">a</td>\n<td class=\"FIGURE HEAD\">b</td>\n</table>\n",
       white + Crlf({"<table>", "<td class=\"figure head\">a</td>", "<td class=\"FIGURE HEAD\">b</td>", "</table>"})},
      {"a trigger outside any hold does nothing", "<td class=\"figure-head\">x</td>\n", ""},
      {"page-break-before after blocks throws the pass away",
       "<table border=\"1\">\n</table>\n<p style=\"Page-Break-Before: always\">\n", ""},
      {"page-break-before inside a hold throws the pass away",
       "<table>\n<p style=\"page-break-before:auto\">\n<td class=\"figure-frame\">\n", ""},
      {"colour from a quoted BGCOLOR, upper-cased, without #",
       "<body bgcolor=\"#ffffcc\">\n<table border=\"1\">\n",
       Crlf({"<body bgcolor=\"#ffffcc\">"}) + Block("FFFFCC") + Crlf({"<table border=\"1\">"})},
      {"colour from the first # after BGCOLOR anywhere on the line",
       "<body bgcolor=white><a href=\"#top\">up</a>\n<table border=\"1\">\n",
       Crlf({"<body bgcolor=white><a href=\"#top\">up</a>"}) + Block("TOP") + Crlf({"<table border=\"1\">"})},
      {"a table start's own BGCOLOR counts for its block",
       "<body bgcolor=\"#111111\">\n<table border=\"1\" bgcolor=\"#abcdef\">\n",
       Crlf({"<body bgcolor=\"#111111\">"}) + Block("ABCDEF") + Crlf({"<table border=\"1\" bgcolor=\"#abcdef\">"})},
      {"BGCOLOR inside a hold is not looked at",
       "<table>\n<tr bgcolor=\"#123456\">\n<td class=\"figure-frame\">\n",
       white + Crlf({"<table>", "<tr bgcolor=\"#123456\">", "<td class=\"figure-frame\">"})},
      {"a last line without line end gets CR LF", "<table border=\"1\">\n</table>",
       white + Crlf({"<table border=\"1\">", "</table>"})},
      {"a page ending inside an open hold gets one empty line more",
       "<table border=\"1\">\n</table>\n<table>\n<tr>\n",
       white + Crlf({"<table border=\"1\">", "</table>", "<table>", "<tr>", ""})},
      {"a table start without trigger restarts the hold",
       "<table>\nA\n<table>\nB\n<td class=\"figure head\">\n",
       Crlf({"<table>", "A"}) + white + Crlf({"<table>", "B", "<td class=\"figure head\">"})},
      {"CR LF and lone LF input, other bytes kept",
       "<table border=\"1\">\r\na\rb\r\n\xc3\xa9\x01\n",
       white + Crlf({"<table border=\"1\">", "a\rb", "\xc3\xa9\x01"})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string page = dir.Write("CH1.HTM", c.input);
    // The pass held in memory gives what the file will hold, and no file.
    std::string memory;
    const PrintBreakResult inMemory = RewritePageInMemory(page, memory);
    EXPECT_EQ(memory, c.expected);
    EXPECT_FALSE(Exists(page + "~"));
    const PrintBreakResult result = RewritePageForPrinting(page);
    EXPECT_EQ(inMemory, result);
    const std::string want = c.expected.empty() ? c.input : c.expected;
    EXPECT_EQ(ReadFile(page), want);
    EXPECT_EQ(result, c.expected.empty() ? PrintBreakResult::Unchanged : PrintBreakResult::Rewritten);
    EXPECT_FALSE(Exists(page + "~"));
    // A second pass never changes a page again.
    EXPECT_EQ(RewritePageForPrinting(page), PrintBreakResult::Unchanged);
    EXPECT_EQ(ReadFile(page), want);
  }
}

TEST(PageRewriter, PatternsAreFoundAnywhereInLongLines) {
  // Lines are searched in blocks of 64 KiB: put each pattern across and
  // beside a block boundary.
  for (std::size_t at : {65536u - 21u, 65536u - 9u, 65536u - 1u, 65536u, 65536u + 7u, 3u * 65536u - 4u}) {
    SCOPED_TRACE(at);
    const std::string pad(at, 'x');
    TempDir dir;
    const std::string bordered = pad + "<Table Border=\"1\">" + std::string(100, 'y');
    const std::string figure = "<table>\n" + pad + "<td class=\"figure frame\">";
    const std::string colour = pad + "bgcolor=\"#c0ffee\"";
    const std::string abandon = pad + "style=\"page-break-BEFORE\"";

    const std::string one = dir.Write("one.htm", bordered + "\n");
    EXPECT_EQ(RewritePageForPrinting(one), PrintBreakResult::Rewritten);
    EXPECT_EQ(ReadFile(one), Block("#ffffff") + bordered + "\r\n");

    const std::string two = dir.Write("two.htm", colour + "\n" + figure + "\n");
    EXPECT_EQ(RewritePageForPrinting(two), PrintBreakResult::Rewritten);
    EXPECT_EQ(ReadFile(two), colour + "\r\n" + Block("C0FFEE") + "<table>\r\n" + pad +
                                 "<td class=\"figure frame\">\r\n");

    const std::string three = dir.Write("three.htm", "<table border=\"1\">\n" + abandon + "\n");
    EXPECT_EQ(RewritePageForPrinting(three), PrintBreakResult::Unchanged);
  }
}

const std::string kBordered = "<html>\n<table border=\"1\">\n<tr><td>x</td></tr>\n</table>\n</html>\n";

TEST(PageRewriter, MissingPagesFoldersAndSpecialFilesAreLeftAlone) {
  TempDir dir;
  EXPECT_EQ(RewritePageForPrinting(dir / "none.htm"), PrintBreakResult::NotOpened);
  EXPECT_FALSE(Exists(dir / "none.htm~"));
  EXPECT_FALSE(Exists(dir / "none.htm"));
  EXPECT_EQ(RewritePageForPrinting(""), PrintBreakResult::NotOpened);

  dir.MakeDir("folder.htm");
  EXPECT_EQ(RewritePageForPrinting(dir / "folder.htm"), PrintBreakResult::NotOpened);
  EXPECT_FALSE(Exists(dir / "folder.htm~"));

  // A FIFO would block the pass for ever and a device may never end.
  ASSERT_EQ(mkfifo((dir / "pipe.htm").c_str(), 0644), 0);
  EXPECT_EQ(RewritePageForPrinting(dir / "pipe.htm"), PrintBreakResult::NotOpened);
  EXPECT_EQ(RewritePageForPrinting("/dev/zero"), PrintBreakResult::NotOpened);
}

TEST(PageRewriter, NameIsResolvedWithoutRegardToCaseAndBackslashes) {
  TempDir dir;
  const std::string page = dir.Write("guide/ch1.htm", kBordered);
  InsertPrintPageBreaks(dir.path() + "\\GUIDE\\CH1.HTM");
  EXPECT_NE(ReadFile(page).find("page-break-before"), std::string::npos);
  EXPECT_FALSE(Exists(page + "~"));
  EXPECT_FALSE(Exists(dir / "guide/CH1.HTM~"));
}

TEST(PageRewriter, ReadOnlyPageIsRewrittenAndKeepsItsOtherPermissions) {
  TempDir dir;
  const std::string page = dir.Write("ro.htm", kBordered);
  ASSERT_EQ(chmod(page.c_str(), 0440), 0);
  EXPECT_EQ(RewritePageForPrinting(page), PrintBreakResult::Rewritten);
  struct stat st {};
  ASSERT_EQ(stat(page.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  // Read-only is cleared even when nothing else changes.
  const std::string plain = dir.Write("plain.htm", "text\n");
  ASSERT_EQ(chmod(plain.c_str(), 0444), 0);
  EXPECT_EQ(RewritePageForPrinting(plain), PrintBreakResult::Unchanged);
  ASSERT_EQ(stat(plain.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST(PageRewriter, PagesOutsideTheRootOrInARootTheUserCannotWriteAreRewrittenInMemory) {
  TempDir dir;
  const std::string root = dir.MakeDir("docs") + "/";
  const std::string inside = dir.Write("docs/in.htm", kBordered);
  const std::string outside = dir.Write("mine/page.htm", kBordered);
  ASSERT_EQ(chmod(outside.c_str(), 0444), 0);
  ASSERT_EQ(symlink(outside.c_str(), (root + "link.htm").c_str()), 0);
  std::string expected;
  ASSERT_EQ(RewritePageInMemory(inside, expected), PrintBreakResult::Rewritten);

  struct Case {
    std::string page;
    std::string root;
    bool onDisk;
  };
  for (const Case& c : {Case{outside, root, false}, Case{root + "LINK.HTM", root, false},
                        Case{outside, "", false}, Case{inside, root, true}}) {
    SCOPED_TRACE(c.page + " in " + c.root);
    EXPECT_EQ(MayRewriteOnDisk(c.page, c.root), c.onDisk);
    const PrintSource source = PreparePageForPrinting(c.page, c.root);
    EXPECT_EQ(source.result, PrintBreakResult::Rewritten);
    EXPECT_EQ(source.inMemory, !c.onDisk);
    EXPECT_EQ(source.text, c.onDisk ? "" : expected);
  }
  EXPECT_EQ(ReadFile(inside), expected);
  InsertPrintPageBreaks(outside, root);
  EXPECT_EQ(ReadFile(outside), kBordered);
  struct stat st {};
  ASSERT_EQ(stat(outside.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
  EXPECT_FALSE(Exists(outside + "~"));

  // A root owned by someone else (a system install), seen by a desktop user.
  const std::string page = dir.Write("docs/sub/ch1.htm", kBordered);
  const int status = testing_support::RunUnprivileged(
      [&] {
        if (geteuid() != 0) return chmod((root + "sub").c_str(), 0555);
        return chmod(dir.path().c_str(), 0755);
      },
      [&] {
        if (MayRewriteOnDisk(page, root)) return 1;
        InsertPrintPageBreaks(page, root);
        const PrintSource source = PreparePageForPrinting(page, root);
        return source.inMemory && source.text == expected ? 0 : 2;
      });
  chmod((root + "sub").c_str(), 0755);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadFile(page), kBordered);
  EXPECT_FALSE(Exists(page + "~"));
}

TEST(PageRewriter, SymbolicLinkStaysALink) {
  TempDir dir;
  const std::string target = dir.Write("real.htm", kBordered);
  ASSERT_EQ(symlink(target.c_str(), (dir / "link.htm").c_str()), 0);
  EXPECT_EQ(RewritePageForPrinting(dir / "link.htm"), PrintBreakResult::Rewritten);
  struct stat st {};
  ASSERT_EQ(lstat((dir / "link.htm").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_NE(ReadFile(target).find("page-break-before"), std::string::npos);
}

TEST(PageRewriter, NothingOutsideTheRootIsWrittenOrChanged) {
  TempDir dir;
  const std::string root = dir.MakeDir("docs");
  const std::string outside = dir.Write("mine/page.htm", kBordered);
  ASSERT_EQ(chmod(outside.c_str(), 0444), 0);
  ASSERT_EQ(symlink(outside.c_str(), (root + "/link.htm").c_str()), 0);
  EXPECT_EQ(RewritePageForPrinting(root + "/link.htm", platform::WriteRoot(root)), PrintBreakResult::Outside);
  // A link planted as the copy's name goes as a link; the copy is made anew.
  const std::string page = dir.Write("docs/ch1.htm", kBordered);
  ASSERT_EQ(symlink(outside.c_str(), (page + "~").c_str()), 0);
  EXPECT_EQ(RewritePageForPrinting(page, platform::WriteRoot(root)), PrintBreakResult::Rewritten);
  struct stat st {};
  EXPECT_NE(lstat((page + "~").c_str(), &st), 0);
  EXPECT_NE(ReadFile(page).find("page-break-before"), std::string::npos);
  EXPECT_EQ(ReadFile(outside), kBordered);
  ASSERT_EQ(stat(outside.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
}

// Runs `fn` in a child process and returns its exit status (-1 on a signal).
template <typename Fn>
int InChild(Fn fn) {
  const pid_t pid = fork();
  if (pid == 0) _exit(fn());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(PageRewriter, FullDiskKeepsThePageAndLeavesNoTemporaryFile) {
  TempDir dir;
  std::string big = "<table border=\"1\">\n";
  while (big.size() < 400000) big += "<tr><td>a row of the table that fills the disk</td></tr>\n";
  const std::string page = dir.Write("big.htm", big);
  const int status = InChild([&] {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit {100000, 100000};
    setrlimit(RLIMIT_FSIZE, &limit);
    return static_cast<int>(RewritePageForPrinting(page));
  });
  EXPECT_EQ(status, static_cast<int>(PrintBreakResult::Failed));
  EXPECT_EQ(ReadFile(page), big);
  EXPECT_FALSE(Exists(page + "~"));
}

// Address and thread sanitizers end the process where an allocation fails,
// instead of throwing std::bad_alloc as the program expects.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
TEST(PageRewriter, LineTooLongForMemoryLeavesThePageQuietly) {
  // A sparse file: 400 MB of zero bytes without a line break, in a child
  // whose address space is capped well below that.
  TempDir dir;
  const std::string page = dir / "huge.htm";
  dir.Write("huge.htm", "<table border=\"1\">");
  ASSERT_EQ(truncate(page.c_str(), 400L << 20), 0);
  const int status = InChild([&] {
    long pages = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
      if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
      std::fclose(f);
    }
    const rlim_t cap = static_cast<rlim_t>(pages) * sysconf(_SC_PAGESIZE) + (150L << 20);
    struct rlimit limit {cap, cap};
    setrlimit(RLIMIT_AS, &limit);
    const bool rewriteFailed = RewritePageForPrinting(page) == PrintBreakResult::Failed;
    // The link collector reads the page as far as it can and goes on.
    PrintAllRun run;
    run.dryRun = true;
    PrintLinkedPages(page, run);
    return (rewriteFailed ? 1 : 0) + (run.pageCount == 1 ? 2 : 0);
  });
  EXPECT_EQ(status, 3);
  EXPECT_FALSE(Exists(page + "~"));
  struct stat st {};
  ASSERT_EQ(stat(page.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 400L << 20);
}
#endif

TEST(PageRewriter, PageLockedByAnotherProcessIsNotTouched) {
  TempDir dir;
  const std::string page = dir.Write("locked.htm", kBordered);
  int ready[2], release[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(release), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    const int fd = open(page.c_str(), O_RDONLY);
    flock(fd, LOCK_SH);
    char c = 'x';
    (void)!write(ready[1], &c, 1);
    (void)!read(release[0], &c, 1);
    _exit(0);
  }
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  EXPECT_EQ(RewritePageForPrinting(page), PrintBreakResult::NotOpened);
  EXPECT_EQ(ReadFile(page), kBordered);
  EXPECT_FALSE(Exists(page + "~"));
  (void)!write(release[1], &c, 1);
  waitpid(pid, nullptr, 0);
  // Once the other process is done, the page is rewritten.
  EXPECT_EQ(RewritePageForPrinting(page), PrintBreakResult::Rewritten);
  for (int fd : {ready[0], ready[1], release[0], release[1]}) close(fd);
}

TEST(PageRewriter, PageDeletedWhileBeingReadIsNotBroughtBack) {
  TempDir dir;
  std::string big = "<table border=\"1\">\n";
  while (big.size() < 30'000'000) big += "<tr><td>a row that keeps the pass busy for a while</td></tr>\n";
  const std::string page = dir.Write("gone.htm", big);
  big.clear();
  std::atomic<bool> deleted{false};
  std::thread remover([&] {
    // The temporary file appears once the pass has the page open.
    while (!Exists(page + "~")) std::this_thread::yield();
    deleted = unlink(page.c_str()) == 0;
  });
  const PrintBreakResult result = RewritePageForPrinting(page);
  remover.join();
  ASSERT_TRUE(deleted);
  EXPECT_FALSE(Exists(page + "~"));
  // Unless the pass had already finished when the page went, it must not
  // have been put back.
  if (result != PrintBreakResult::Rewritten) {
    EXPECT_EQ(result, PrintBreakResult::Failed);
  }
  EXPECT_FALSE(Exists(page));
}

std::string RewrittenBig(std::string& original) {
  original = "<body bgcolor=\"#00ff00\">\n";
  std::string expected = Crlf({"<body bgcolor=\"#00ff00\">"});
  for (int t = 0; t < 200; ++t) {
    original += "<table border=\"1\">\n";
    expected += Block("00FF00") + Crlf({"<table border=\"1\">"});
    for (int r = 0; r < 200; ++r) {
      original += "<tr><td>cell</td></tr>\n";
      expected += "<tr><td>cell</td></tr>\r\n";
    }
  }
  return expected;
}

TEST(PageRewriter, TwoThreadsAtOnceNeverDamageThePage) {
  std::string original;
  const std::string expected = RewrittenBig(original);
  for (int round = 0; round < 20; ++round) {
    TempDir dir;
    const std::string page = dir.Write("page.htm", original);
    std::atomic<int> go{0};
    PrintBreakResult results[2];
    std::vector<std::thread> threads;
    for (int i = 0; i < 2; ++i) {
      threads.emplace_back([&, i] {
        ++go;
        while (go < 2) std::this_thread::yield();
        results[i] = RewritePageForPrinting(page);
      });
    }
    for (auto& t : threads) t.join();
    ASSERT_EQ(ReadFile(page), expected) << "round " << round;
    EXPECT_FALSE(Exists(page + "~"));
    const int rewritten = (results[0] == PrintBreakResult::Rewritten) + (results[1] == PrintBreakResult::Rewritten);
    EXPECT_EQ(rewritten, 1) << "round " << round;
  }
}

TEST(PageRewriter, PassesInSeveralProcessesNeverDamageThePage) {
  std::string original;
  const std::string expected = RewrittenBig(original);
  for (int round = 0; round < 10; ++round) {
    TempDir dir;
    const std::string page = dir.Write("page.htm", original);
    std::vector<pid_t> children;
    for (int i = 0; i < 3; ++i) {
      const pid_t pid = fork();
      if (pid == 0) {
        // Two passes per process: a thread and the process itself.
        std::thread other([&] { RewritePageForPrinting(page); });
        RewritePageForPrinting(page);
        other.join();
        _exit(0);
      }
      children.push_back(pid);
    }
    for (pid_t pid : children) {
      int status = 0;
      waitpid(pid, &status, 0);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const std::string now = ReadFile(page);
    ASSERT_TRUE(now == expected) << "round " << round << ": page damaged (" << now.size() << " bytes)";
    EXPECT_FALSE(Exists(page + "~"));
  }
}

}  // namespace
