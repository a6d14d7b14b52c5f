// The print options of the command line, run as the program itself.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "common/run_program.h"
#include "common/temp_dir.h"

namespace {

using testing_support::Exists;
using testing_support::ProgramRun;
using testing_support::ReadFile;
using testing_support::RunProgram;
using testing_support::TempDir;

ProgramRun RunQuiro(const TempDir& dir, const std::vector<std::string>& args) {
  return RunProgram(QUIRO_BINARY, args, {dir.path(), {}});
}

const std::string kBordered = "<table border=\"1\">\n</table>\n";

TEST(PrintCommandLine, PreparePrintRewritesPagesAndFolders) {
  TempDir d;
  const std::string single = d.Write("one.htm", kBordered);
  const std::string deep = d.Write("tree/a/B.HTML", kBordered);
  const std::string upper = d.Write("tree/C.Htm", kBordered);
  const std::string other = d.Write("tree/notes.txt", kBordered);
  const ProgramRun o = RunQuiro(d, {"--prepare-print", "ONE.HTM", "tree"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  for (const auto& page : {single, deep, upper}) {
    EXPECT_NE(ReadFile(page).find("page-break-before"), std::string::npos) << page;
  }
  EXPECT_EQ(ReadFile(other), kBordered);

  // A missing path is reported; the others are still done.
  const std::string later = d.Write("later.htm", kBordered);
  const ProgramRun missing = RunQuiro(d, {"--prepare-print", "nothing-here", "later.htm"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("nothing-here"), std::string::npos);
  EXPECT_NE(ReadFile(later).find("page-break-before"), std::string::npos);
}

TEST(PrintCommandLine, ListPrintPagesShowsTheWalkAndChangesNothing) {
  TempDir d;
  const std::string index = d.Write("DOC/index.htm", "<a href=\"A.htm\">a</a>\n" + kBordered + "<a href=\"SUB/b.htm\">b</a>\n");
  const std::string a = d.Write("DOC/a.htm", "<a href=\"index.htm\">back</a>\n");
  d.Write("DOC/sub/b.htm", "x\n");
  ASSERT_EQ(chmod(a.c_str(), 0444), 0);
  // Each page by its name on disk, whatever the case of the links.
  const std::string expected = index + "\n" + d.root() + "DOC/a.htm\n" + d.root() + "DOC/sub/b.htm\n";

  for (const std::string& page : {d.root() + "DOC/sub/b.htm", std::string("DOC/a.htm"),
                                  "file://" + d.root() + "DOC/a.htm#top"}) {
    const ProgramRun o = RunQuiro(d, {"--list-print-pages", page});
    EXPECT_EQ(o.status, 0) << page << ": " << o.err;
    EXPECT_EQ(o.out, expected) << page;
  }
  EXPECT_EQ(ReadFile(index).find("page-break-before"), std::string::npos);
  struct stat st {};
  ASSERT_EQ(stat(a.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
}

TEST(PrintCommandLine, ListPrintPagesRefusesWhatIsNoReadableLocalPage) {
  TempDir d;
  for (const std::string page : {"http://example.com/a.htm", "about:blank", "missing.htm"}) {
    const ProgramRun o = RunQuiro(d, {"--list-print-pages", page});
    EXPECT_EQ(o.status, 1) << page;
    EXPECT_EQ(o.out, "") << page;
    EXPECT_NE(o.err.find(page), std::string::npos) << page;
  }
}

}  // namespace

