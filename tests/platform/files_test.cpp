#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/file.h>
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

TEST(OutputFile, WriteErrorsAreReported) {
  OutputFile out;
  ASSERT_TRUE(out.Create("/dev/full"));
  out.WriteText(std::string(200 * 1024, 'x'));
  EXPECT_FALSE(out.Flush());
  EXPECT_FALSE(out.Close());
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
  EXPECT_TRUE(RenameFile(dir / "A.CLA", dir / "a.class"));
  EXPECT_EQ(ReadFile(dir / "a.class"), "a");
  EXPECT_FALSE(RenameFile(dir / "b.cla", dir / "b.class"));
  EXPECT_EQ(ReadFile(dir / "b.class"), "old");
  EXPECT_FALSE(RenameFile(dir / "missing", dir / "x"));
}

TEST(FileOps, CopyReplacesTheTargetOrChangesNothing) {
  TempDir dir;
  dir.Write("blank_in.htm", "blank");
  dir.Write("IMPORTAN.HTM", "old");
  EXPECT_TRUE(CopyFile(dir / "BLANK_IN.HTM", dir / "importan.htm"));
  EXPECT_EQ(ReadFile(dir / "IMPORTAN.HTM"), "blank");
  EXPECT_FALSE(CopyFile(dir / "nodocs.htm", dir / "importan.htm"));
  EXPECT_EQ(ReadFile(dir / "IMPORTAN.HTM"), "blank");
  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListDirectory(dir.path(), entries));
  EXPECT_EQ(entries.size(), 2u);  // no temporary file left behind
}

TEST(FileOps, RemoveReplaceReadOnly) {
  TempDir dir;
  const std::string page = dir.Write("p.htm", "x");
  chmod(page.c_str(), 0444);
  EXPECT_TRUE(ClearReadOnly(dir / "P.HTM"));
  struct stat st {};
  stat(page.c_str(), &st);
  EXPECT_TRUE(st.st_mode & S_IWUSR);
  EXPECT_FALSE(ClearReadOnly(dir / "missing"));
  dir.Write("p.htm~", "new");
  EXPECT_TRUE(ReplaceFile(dir / "p.htm~", page));
  EXPECT_EQ(ReadFile(page), "new");
  EXPECT_TRUE(RemoveFile(dir / "P.htm"));
  EXPECT_FALSE(RemoveFile(page));
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
