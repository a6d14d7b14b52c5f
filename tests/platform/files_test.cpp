#include "platform/files.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include "common/temp_dir.h"
#include "platform/dir.h"

using namespace platform;
using testing_support::Exists;
using testing_support::ReadFile;
using testing_support::TempDir;

namespace {
std::vector<std::string> ReadAllLines(const std::string& path) {
  InputFile in;
  EXPECT_TRUE(in.Open(path));
  std::vector<std::string> lines;
  std::string line;
  while (in.ReadLine(line) == InputFile::Read::Line) lines.push_back(line);
  return lines;
}
}  // namespace

TEST(InputFile, TextModeLines) {
  TempDir dir;
  using L = std::vector<std::string>;
  EXPECT_EQ(ReadAllLines(dir.Write("crlf", "a\r\nb\r\n")), (L{"a", "b"}));
  EXPECT_EQ(ReadAllLines(dir.Write("lf", "a\nb")), (L{"a", "b"}));
  EXPECT_EQ(ReadAllLines(dir.Write("cr", "a\rb\r\r\n\n")), (L{"a\rb\r", ""}));
  EXPECT_EQ(ReadAllLines(dir.Write("empty", "")), L{});
  EXPECT_EQ(ReadAllLines(dir.Write("nul", std::string("a\0b\n", 4))), (L{std::string("a\0b", 3)}));
  const std::string big(5 * 1024 * 1024 + 3, 'x');
  EXPECT_EQ(ReadAllLines(dir.Write("big", big + "\r\ny")), (L{big, "y"}));
}

TEST(InputFile, RewindAndFailures) {
  TempDir dir;
  InputFile in;
  EXPECT_FALSE(in.Open(dir / "missing"));
  EXPECT_FALSE(in.Open(dir.path()));  // a folder is no text file
  ASSERT_TRUE(in.Open(dir.Write("f", "one\ntwo\n")));
  std::string line;
  EXPECT_EQ(in.ReadLine(line), InputFile::Read::Line);
  EXPECT_EQ(in.ReadLine(line), InputFile::Read::Line);
  EXPECT_EQ(in.ReadLine(line), InputFile::Read::End);
  EXPECT_TRUE(in.Rewind());
  EXPECT_EQ(in.ReadLine(line), InputFile::Read::Line);
  EXPECT_EQ(line, "one");
  in.Close();
  EXPECT_EQ(in.ReadLine(line), InputFile::Read::Error);
  EXPECT_FALSE(in.Rewind());
}

TEST(InputFile, RewindAfterTheEndOfSmallAndLargeFiles) {
  TempDir dir;
  for (std::size_t size : {std::size_t{10}, std::size_t{64 * 1024}, std::size_t{200 * 1024}}) {
    const std::string body(size, 'x');
    InputFile in;
    ASSERT_TRUE(in.Open(dir.Write("f", body + "\nlast")));
    for (int pass = 0; pass < 2; ++pass) {
      std::string line;
      ASSERT_EQ(in.ReadLine(line), InputFile::Read::Line);
      EXPECT_EQ(line, body);
      ASSERT_EQ(in.ReadLine(line), InputFile::Read::Line);
      EXPECT_EQ(line, "last");
      EXPECT_EQ(in.ReadLine(line), InputFile::Read::End);
      EXPECT_TRUE(in.Rewind());
    }
  }
}

TEST(OutputFile, WritesCrLfAndNothingElse) {
  TempDir dir;
  const std::string path = dir / "out.htm";
  {
    OutputFile out;
    ASSERT_TRUE(out.Create(path));
    EXPECT_TRUE(out.WriteText("a\nb"));
    EXPECT_TRUE(out.WriteText(""));
    EXPECT_TRUE(out.Close());
  }
  EXPECT_EQ(ReadFile(path), "a\r\nb");
  OutputFile closed;
  EXPECT_FALSE(closed.WriteText("x"));
}

TEST(OutputFile, CreateEmptiesAndResolvesCase) {
  TempDir dir;
  dir.Write("importan.htm", "old content");
  OutputFile out;
  ASSERT_TRUE(out.Create(dir / "IMPORTAN.HTM"));
  out.WriteText("new");
  out.Close();
  EXPECT_EQ(ReadFile(dir / "importan.htm"), "new");
  EXPECT_FALSE(Exists(dir / "IMPORTAN.HTM"));
}

TEST(OutputFile, AFailedWriteLeavesTheOldFileWholeAndNoTemporaryFile) {
  TempDir dir;
  const std::string path = dir.Write("sidebar.htm", "the old page");
  // A file size limit makes the writes fail (SIGXFSZ ignored: EFBIG).
  const pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit {100000, 100000};
    setrlimit(RLIMIT_FSIZE, &limit);
    OutputFile out;
    if (!out.Create(path)) _exit(1);
    out.WriteText(std::string(200 * 1024, 'x'));
    _exit(!out.Flush() && !out.Close() ? 0 : 2);
  }
  int status = -1;
  waitpid(child, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadFile(path), "the old page");
  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListDirectory(dir.path(), entries));
  EXPECT_EQ(entries.size(), 1u);
  // A device is never replaced.
  OutputFile device;
  EXPECT_FALSE(device.Create("/dev/null"));
}

TEST(OutputFile, OneNameIsWrittenByOneOutputAtATime) {
  TempDir dir;
  OutputFile first, second;
  ASSERT_TRUE(first.Create(dir / "sys.htm"));
  EXPECT_FALSE(second.Create(dir / "SYS.HTM"));  // letter case aside, the same page
  first.WriteText("one");
  EXPECT_TRUE(first.Close());
  EXPECT_EQ(ReadFile(dir / "sys.htm"), "one");
  EXPECT_FALSE(Exists(dir / "SYS.HTM"));
}

TEST(ConfinedWrites, NoWriteFollowsALinkOrLeavesTheRoot) {
  TempDir dir;
  const std::string victim = dir.Write("victim/file", "victim");
  ASSERT_EQ(chmod(victim.c_str(), 0444), 0);
  const std::string root = dir.MakeDir("root");
  const WriteRoot within(root);
  ASSERT_EQ(symlink(victim.c_str(), (root + "/page.htm").c_str()), 0);
  ASSERT_EQ(symlink((dir / "victim/new").c_str(), (root + "/dangling.htm").c_str()), 0);
  ASSERT_EQ(symlink((dir / "victim").c_str(), (root + "/out").c_str()), 0);

  OutputFile out;  // replaces the link, never writes through it
  ASSERT_TRUE(out.Create(within, root + "/page.htm"));
  out.WriteText("new");
  EXPECT_TRUE(out.Close());
  struct stat st {};
  ASSERT_EQ(lstat((root + "/page.htm").c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_TRUE(WriteFileAtomically(root + "/dangling.htm", "x"));
  EXPECT_FALSE(Exists(dir / "victim/new"));

  // Through a folder link leading out of the root: refused.
  EXPECT_FALSE(out.Create(within, root + "/out/file"));
  EXPECT_FALSE(CopyFile(root + "/page.htm", root + "/out/copy", within));
  EXPECT_FALSE(ClearReadOnly(root + "/out/file", within));
  ASSERT_EQ(symlink(victim.c_str(), (root + "/link").c_str()), 0);
  EXPECT_FALSE(ClearReadOnly(root + "/link", within));
  EXPECT_FALSE(RemoveFile(root + "/out/file", within));
  EXPECT_FALSE(RenameFile(root + "/out/file", root + "/taken", within));
  EXPECT_TRUE(RemoveFile(root + "/link", within));  // the link goes, its target stays
  EXPECT_FALSE(OutputFile().Create(WriteRoot(), root + "/x"));  // an unset root allows nothing

  EXPECT_EQ(ReadFile(victim), "victim");
  ASSERT_EQ(stat(victim.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
}

TEST(Locks, ExclusiveOpensExcludeEachOtherAcrossProcesses) {
  TempDir dir;
  const std::string page = dir.Write("p.htm", "x\n");
  InputFile first;
  ASSERT_TRUE(first.Open(page, Lock::Exclusive));
  InputFile second;
  EXPECT_FALSE(second.Open(page, Lock::Exclusive));
  EXPECT_FALSE(second.Open(page, Lock::Shared));
  EXPECT_TRUE(second.Open(page, Lock::None));
  pid_t child = fork();
  if (child == 0) {
    InputFile other;
    _exit(other.Open(page, Lock::Exclusive) ? 1 : 0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  first.Close();
  EXPECT_TRUE(second.Open(page, Lock::Exclusive));
  InputFile reader;
  EXPECT_FALSE(reader.Open(page, Lock::Shared));
  second.Close();
  InputFile a, b;
  EXPECT_TRUE(a.Open(page, Lock::Shared));
  EXPECT_TRUE(b.Open(page, Lock::Shared));
}

TEST(Locks, FailedExclusiveCreateDoesNotEmptyTheFile) {
  TempDir dir;
  const std::string temp = dir.Write("p.htm~", "someone else's output");
  OutputFile holder;
  const int fd = open(temp.c_str(), O_RDONLY);
  ASSERT_EQ(flock(fd, LOCK_EX), 0);
  OutputFile out;
  EXPECT_FALSE(out.Create(temp, Lock::Exclusive));
  EXPECT_EQ(ReadFile(temp), "someone else's output");
  close(fd);
}

TEST(FileOps, RenameNeverReplaces) {
  TempDir dir;
  dir.Write("a.cla", "a");
  dir.Write("b.cla", "b");
  dir.Write("b.class", "old");
  const WriteRoot root(dir.path());
  EXPECT_TRUE(RenameFile(dir / "A.CLA", dir / "a.class", root));
  EXPECT_EQ(ReadFile(dir / "a.class"), "a");
  EXPECT_FALSE(RenameFile(dir / "b.cla", dir / "b.class", root));
  EXPECT_EQ(ReadFile(dir / "b.class"), "old");
  EXPECT_FALSE(RenameFile(dir / "missing", dir / "x", root));
}

TEST(FileOps, CopyReplacesTheTargetOrChangesNothing) {
  TempDir dir;
  dir.Write("blank_in.htm", "blank");
  dir.Write("IMPORTAN.HTM", "old");
  const WriteRoot root(dir.path());
  EXPECT_TRUE(CopyFile(dir / "BLANK_IN.HTM", dir / "importan.htm", root));
  EXPECT_EQ(ReadFile(dir / "IMPORTAN.HTM"), "blank");
  EXPECT_FALSE(CopyFile(dir / "nodocs.htm", dir / "importan.htm", root));
  EXPECT_EQ(ReadFile(dir / "IMPORTAN.HTM"), "blank");
  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListDirectory(dir.path(), entries));
  EXPECT_EQ(entries.size(), 2u);  // no temporary file left behind
}

TEST(FileOps, RemoveAndReadOnly) {
  TempDir dir;
  const WriteRoot root(dir.path());
  const std::string page = dir.Write("p.htm", "x");
  chmod(page.c_str(), 0444);
  EXPECT_TRUE(ClearReadOnly(dir / "P.HTM", root));
  struct stat st {};
  stat(page.c_str(), &st);
  EXPECT_TRUE(st.st_mode & S_IWUSR);
  EXPECT_FALSE(ClearReadOnly(dir / "missing", root));
  EXPECT_TRUE(RemoveFile(dir / "P.htm", root));
  EXPECT_FALSE(RemoveFile(page, root));
  EXPECT_TRUE(WriteFileAtomically(dir / "w", "data"));
  EXPECT_EQ(ReadFile(dir / "w"), "data");
  std::string whole;
  EXPECT_TRUE(ReadWholeFile(dir / "W", whole));
  EXPECT_EQ(whole, "data");
}

TEST(ListDirectory, CaseInsensitiveOrderAndFailures) {
  TempDir dir;
  dir.MakeDir("beta");
  dir.MakeDir("Alpha");
  dir.Write("gamma.txt", "");
  dir.MakeDir("_x");
  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListDirectory(dir.path(), entries));
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].name, "Alpha");
  EXPECT_EQ(entries[1].name, "beta");
  EXPECT_EQ(entries[2].name, "gamma.txt");
  EXPECT_FALSE(entries[2].isDirectory);
  EXPECT_EQ(entries[3].name, "_x");  // "_" sorts after the letters, as upper case
  EXPECT_FALSE(ListDirectory(dir / "missing", entries));
  EXPECT_TRUE(entries.empty());
}
