// `quiro --build-only [--verbose]` run as a process on temporary trees.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "common/temp_dir.h"

namespace {

using testing_support::Exists;
using testing_support::ReadFile;
using testing_support::TempDir;

struct ProcessResult {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs quiro with `args` in folder `cwd`, drive C at `drive`.
ProcessResult Quiro(const std::vector<std::string>& args, const std::string& cwd, const std::string& drive) {
  TempDir capture;
  const std::string outPath = capture / "out";
  const std::string errPath = capture / "err";
  const pid_t child = ::fork();
  if (child == 0) {
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0 || ::chdir(cwd.c_str()) != 0)
      ::_exit(120);
    ::setenv("VESK_DRIVE_C", drive.c_str(), 1);
    std::vector<char*> argv{const_cast<char*>(QUIRO_EXE)};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(QUIRO_EXE, argv.data());
    ::_exit(121);
  }
  ProcessResult run;
  int status = 0;
  if (child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status))
    run.status = WEXITSTATUS(status);
  run.out = ReadFile(outPath);
  run.err = ReadFile(errPath);
  return run;
}

class BuildOnlyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    docs.Write("sb_in.htm",
               "<!--QVXTAG:HEAD -->\n<HTML>\n<!--QVXTAG:/HEAD -->\n"
               "<!--QVXTAG:IMPORTANT -->\nimportant\n<!--QVXTAG:/IMPORTANT -->\n"
               "<!--QVXTAG:INTRO -->\nintro\n<!--QVXTAG:/INTRO -->\n"
               "<!--QVXTAG:GUIDES -->\nguides\n<!--QVXTAG:/GUIDES -->\n"
               "<!--QVXTAG:FOOT -->\n</HTML>\n");
    docs.Write("Guide/index.htm", "<title>User Guide</title><META name=\"SUBJECT\" content=\"guides\">");
    docs.Write("Broken/index.htm", "no title");
  }
  void WriteIni(const std::string& extra) {
    work.Write("TOVY.INI", "[MAIN]\r\nDocumentRoot=" + docs.path() + "\r\n" + extra);
  }
  TempDir drive;
  TempDir work;
  TempDir docs;
};

TEST_F(BuildOnlyTest, PrintsTheStartPageAndWritesTheSite) {
  WriteIni("");
  const ProcessResult run = Quiro({"--build-only"}, work.path(), drive.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, docs.root() + "DocFrame.htm\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(ReadFile(docs / "sidebar.htm"), "<HTML>\r\nintro\r\nguides\r\n</HTML>");
  EXPECT_EQ(ReadFile(docs / "GUIDES.HTM"),
            "<A href=\"file://" + docs.root() + "Guide/index.htm\">User Guide</A><br><br></HTML>");
}

TEST_F(BuildOnlyTest, VerboseExplainsEachDecisionOnStderr) {
  WriteIni("");
  const ProcessResult run = Quiro({"--build-only", "--verbose"}, work.path(), drive.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, docs.root() + "DocFrame.htm\n");
  for (const std::string& expected :
       {"catalogue INI: " + work.path() + "/TOVY.INI\n", "document root: " + docs.root() + "\n",
        std::string("document Guide: kept, described by its index page (type GUIDES)\n"),
        std::string("document Broken: dropped"), "wrote " + docs.root() + "sidebar.htm\n",
        "wrote " + docs.root() + "GUIDES.HTM\n", std::string("could not rename "),
        "showing " + docs.root() + "DocFrame.htm\n"}) {
    EXPECT_NE(run.err.find(expected), std::string::npos) << expected << "\nin:\n" << run.err;
  }
}

TEST_F(BuildOnlyTest, SkippedStartUpPrintsNothingAndCountsDown) {
  WriteIni("SkipsLeft=2\r\n");
  ProcessResult run = Quiro({"--build-only"}, work.path(), drive.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(ReadFile(work / "TOVY.INI"), "[MAIN]\r\nDocumentRoot=" + docs.path() + "\r\nSkipsLeft=1\r\n");
  EXPECT_FALSE(Exists(docs / "sidebar.htm"));

  run = Quiro({"--build-only", "--verbose"}, work.path(), drive.path());
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("start-up skipped, SkipsLeft now 0"), std::string::npos) << run.err;

  run = Quiro({"--build-only"}, work.path(), drive.path());
  EXPECT_EQ(run.out, docs.root() + "DocFrame.htm\n");
  EXPECT_TRUE(Exists(docs / "sidebar.htm"));
}

TEST_F(BuildOnlyTest, MissingEverythingStillExitsCleanly) {
  // No INI and no default folder: the start page of the default root.
  const ProcessResult run = Quiro({"--build-only"}, work.path(), drive.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, drive.path() + "/VESK/DOCS/DocFrame.htm\n");
}

}  // namespace
