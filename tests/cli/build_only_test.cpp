// `quiro --build-only [--verbose]` run as a process on temporary trees.

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "common/run_program.h"
#include "common/temp_dir.h"

namespace {

using testing_support::Exists;
using testing_support::ProgramRun;
using testing_support::ReadFile;
using testing_support::RunProgram;
using testing_support::TempDir;

// Runs quiro with `args` in folder `cwd`, drive C at `drive`.
ProgramRun Quiro(const std::vector<std::string>& args, const std::string& cwd, const std::string& drive) {
  return RunProgram(QUIRO_BINARY, args, {cwd, {"VESK_DRIVE_C=" + drive}});
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
  const ProgramRun run = Quiro({"--build-only"}, work.path(), drive.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, docs.root() + "DocFrame.htm\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(ReadFile(docs / "sidebar.htm"), "<HTML>\r\nintro\r\nguides\r\n</HTML>");
  EXPECT_EQ(ReadFile(docs / "GUIDES.HTM"),
            "<A href=\"file://" + docs.root() + "Guide/index.htm\">User Guide</A><br><br></HTML>");
}

TEST_F(BuildOnlyTest, VerboseExplainsEachDecisionOnStderr) {
  WriteIni("");
  const ProgramRun run = Quiro({"--build-only", "--verbose"}, work.path(), drive.path());
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
  ProgramRun run = Quiro({"--build-only"}, work.path(), drive.path());
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

TEST_F(BuildOnlyTest, APageThatCannotBeWrittenKeepsItsOldVersionAndFailsTheBuild) {
  if (::access("/usr/bin/prlimit", X_OK) != 0) GTEST_SKIP() << "prlimit (util-linux) is not installed";
  WriteIni("");
  docs.Write("sb_in.htm", "<!--QVXTAG:HEAD -->\n<HTML>\n<!--QVXTAG:/HEAD -->\n"
                          "<!--QVXTAG:IMPORTANT -->\n<!--QVXTAG:/IMPORTANT -->\n<!--QVXTAG:INTRO -->\n" +
                              std::string(8000, 'i') + "\n<!--QVXTAG:/INTRO -->\n<!--QVXTAG:FOOT -->\n</HTML>\n");
  const std::string old = "<HTML>\r\nthe last good sidebar\r\n</HTML>";
  docs.Write("sidebar.htm", old);
  // No file may grow past 4 KiB (SIGXFSZ ignored: a write beyond fails).
  const ProgramRun run = RunProgram(
      "/bin/sh", {"-c", "trap '' XFSZ; exec /usr/bin/prlimit --fsize=4096 -- \"$0\" --build-only", QUIRO_BINARY},
      {work.path(), {"VESK_DRIVE_C=" + drive.path()}});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, docs.root() + "DocFrame.htm\n");
  EXPECT_NE(run.err.find("quiro: could not write all of " + docs.root() + "sidebar.htm"), std::string::npos)
      << run.err;
  EXPECT_EQ(ReadFile(docs / "sidebar.htm"), old);
}

TEST_F(BuildOnlyTest, MissingEverythingStillExitsCleanly) {
  // No INI and no default folder: the start page of the default root.
  const ProgramRun run = Quiro({"--build-only"}, work.path(), drive.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, drive.path() + "/VESK/DOCS/DocFrame.htm\n");
}

}  // namespace
