// The print command-line entries, run as the program itself.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "common/temp_dir.h"

#ifdef QUIRO_BINARY

namespace {

using testing_support::Exists;
using testing_support::ReadFile;
using testing_support::TempDir;

struct Outcome {
  int status = -1;
  std::string out, err;
};

Outcome RunQuiro(const TempDir& dir, const std::vector<std::string>& args) {
  const std::string outPath = dir / ".stdout", errPath = dir / ".stderr";
  const pid_t pid = fork();
  if (pid == 0) {
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out, 1);
    dup2(err, 2);
    if (chdir(dir.path().c_str()) != 0) _exit(127);
    std::vector<char*> argv{const_cast<char*>(QUIRO_BINARY)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(QUIRO_BINARY, argv.data());
    _exit(127);
  }
  Outcome o;
  int status = 0;
  waitpid(pid, &status, 0);
  o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  o.out = ReadFile(outPath);
  o.err = ReadFile(errPath);
  unlink(outPath.c_str());
  unlink(errPath.c_str());
  return o;
}

const std::string kBordered = "<table border=\"1\">\n</table>\n";

TEST(PrintCommandLine, PreparePrintRewritesPagesAndFolders) {
  TempDir d;
  const std::string single = d.Write("one.htm", kBordered);
  const std::string deep = d.Write("tree/a/B.HTML", kBordered);
  const std::string upper = d.Write("tree/C.Htm", kBordered);
  const std::string other = d.Write("tree/notes.txt", kBordered);
  const Outcome o = RunQuiro(d, {"--prepare-print", "ONE.HTM", "tree"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  for (const auto& page : {single, deep, upper}) {
    EXPECT_NE(ReadFile(page).find("page-break-before"), std::string::npos) << page;
  }
  EXPECT_EQ(ReadFile(other), kBordered);

  // A missing path is reported; the others are still done.
  const std::string later = d.Write("later.htm", kBordered);
  const Outcome missing = RunQuiro(d, {"--prepare-print", "nothing-here", "later.htm"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("nothing-here"), std::string::npos);
  EXPECT_NE(ReadFile(later).find("page-break-before"), std::string::npos);
}

TEST(PrintCommandLine, ListPrintPagesShowsTheWalkAndChangesNothing) {
  TempDir d;
  const std::string index = d.Write("DOC/index.htm", "<a href=\"a.htm\">a</a>\n" + kBordered + "<a href=\"sub/b.htm\">b</a>\n");
  const std::string a = d.Write("DOC/a.htm", "<a href=\"index.htm\">back</a>\n");
  d.Write("DOC/sub/b.htm", "x\n");
  ASSERT_EQ(chmod(a.c_str(), 0444), 0);
  const std::string expected = index + "\n" + d.root() + "DOC/A.HTM\n" + d.root() + "DOC/SUB/B.HTM\n";

  for (const std::string& page : {d.root() + "DOC/sub/b.htm", std::string("DOC/a.htm"),
                                  "file://" + d.root() + "DOC/a.htm#top"}) {
    const Outcome o = RunQuiro(d, {"--list-print-pages", page});
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
    const Outcome o = RunQuiro(d, {"--list-print-pages", page});
    EXPECT_EQ(o.status, 1) << page;
    EXPECT_EQ(o.out, "") << page;
    EXPECT_NE(o.err.find(page), std::string::npos) << page;
  }
}

}  // namespace

#endif  // QUIRO_BINARY
