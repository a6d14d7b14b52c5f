// `quiro --print-all PAGE --to-pdf FILE`, run as a child process.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/print_all_pdf.h"
#include "print_test_support.h"

namespace {

using testing_support::ChildProcess;
using testing_support::ProgramRun;
using testing_support::RunProgram;
using testing_support::TempDir;

class PrintAllPdfTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!print_test::HaveDisplay()) GTEST_SKIP() << "needs a display";
    quiro_ = QUIRO_BINARY;
    dir_.MakeDir("tmp");
  }
  // The child's environment: its own temporary folder and drive C.
  std::vector<std::string> Env() const {
    return {"TMPDIR=" + dir_ / "tmp", "VESK_DRIVE_C=" + dir_.path()};
  }
  std::vector<std::string> LeftInTmp() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator(dir_ / "tmp", ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec))
      names.push_back(it->path().filename());
    return names;
  }

  TempDir dir_;
  std::string quiro_;
};

TEST_F(PrintAllPdfTest, OneFileWithThePagesInPrintingOrder) {
  std::string doc = print_test::WriteDocument(dir_);
  std::string pdf = dir_ / "all.pdf";
  ProgramRun r = RunProgram(quiro_, {"--print-all", doc + "/sub/deep.htm", "--to-pdf", pdf}, {"", Env()});
  ASSERT_EQ(r.status, 0) << r.err;
  // index, ch1 (two sheets: its bordered table starts one), ch2, deep, ch1 again.
  EXPECT_EQ(print_test::PdfPageCount(pdf), 7);
  std::string text = print_test::PdfText(pdf);
  std::vector<std::string> order = {"Indexmark", "Chapterone", "Tablecell", "Chaptertwo",
                                    "Deeppage", "Chapterone", "Tablecell"};
  std::string::size_type at = 0;
  for (const std::string& mark : order) {
    std::string::size_type found = text.find(mark, at);
    ASSERT_NE(found, std::string::npos) << mark << " after offset " << at;
    at = found + mark.size();
  }
  EXPECT_TRUE(LeftInTmp().empty());
  EXPECT_FALSE(std::filesystem::exists(pdf + ".part"));

  // Every page file embeds its own copy of the same fonts; the joined file
  // holds each font program once.
  const std::string bytes = testing_support::ReadFile(pdf);
  const std::regex program("/FontFile[23]? ([0-9]+) 0 R");
  std::set<std::string> programs;
  int references = 0;
  for (auto it = std::sregex_iterator(bytes.begin(), bytes.end(), program); it != std::sregex_iterator(); ++it) {
    programs.insert((*it)[1]);
    ++references;
  }
  EXPECT_GE(references, 5);  // at least one font in each of the five page files
  EXPECT_LT(programs.size(), 5u);
}

TEST_F(PrintAllPdfTest, ReadOnlyPageOutsideTheRootPrintsAsManySheetsAsAWritableCopy) {
  // The root is C:\VESK\DOCS on the child's drive C; the bordered table
  // starts a second sheet.
  const std::string page =
      print_test::Page("Chapterone", "<table BORDER=\"1\">\n<tr><td>Tablecell</td></tr>\n</table>\n");
  const std::string inside = dir_.Write("VESK/DOCS/guide/ch1.htm", page);
  const std::string outside = dir_.Write("mine/ch1.htm", page);
  ASSERT_EQ(::chmod(outside.c_str(), 0444), 0);
  for (const std::string& file : {inside, outside}) {
    ProgramRun r = RunProgram(quiro_, {"--print-all", file, "--to-pdf", file + ".pdf"}, {"", Env()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(print_test::PdfPageCount(file + ".pdf"), 2) << file;
  }
  // The copy in the root was rewritten; the user's own page was not touched.
  EXPECT_NE(testing_support::ReadFile(inside).find("page-break-before"), std::string::npos);
  EXPECT_EQ(testing_support::ReadFile(outside), page);
  struct stat st {};
  ASSERT_EQ(::stat(outside.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
}

TEST_F(PrintAllPdfTest, BadInputEndsWithAMessageAndNoFile) {
  std::string doc = print_test::WriteDocument(dir_);
  // An earlier file of that name stays as it was.
  std::string pdf = dir_.Write("out.pdf", "earlier");
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> env;
    const char* says;
  };
  std::vector<Case> cases = {
      {{"--print-all", doc + "/index.htm", "--to-pdf", pdf}, {"DISPLAY", "WAYLAND_DISPLAY"},
       "needs a display"},
      {{"--print-all", "http://example.com/index.htm", "--to-pdf", pdf}, {}, "not a local page"},
      {{"--print-all", doc + "/nothere.htm", "--to-pdf", pdf}, {}, "cannot read"},
      {{"--print-all", doc, "--to-pdf", pdf}, {}, "cannot read"},
      {{"--print-all", doc + "/index.htm", "--to-pdf", dir_ / "no/such/folder.pdf"}, {},
       "cannot write"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> env = Env();
    env.insert(env.end(), c.env.begin(), c.env.end());
    ProgramRun r = RunProgram(quiro_, c.args, {"", env});
    SCOPED_TRACE(c.args[1]);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_EQ(testing_support::ReadFile(pdf), "earlier");
  }
  EXPECT_TRUE(LeftInTmp().empty());

}

TEST_F(PrintAllPdfTest, APageShownAsAnErrorPageIsLostAndTheRunFails) {
  // The link leads out of the root, which the scheme refuses with an error page.
  const std::string index = dir_.Write("VESK/DOCS/guide/index.htm",
                                       print_test::Page("Indexmark", "<a href=\"out.htm\">out</a>\n"));
  dir_.Write("mine/private.htm", print_test::Page("Privatemark", ""));
  ASSERT_EQ(::symlink((dir_ / "mine/private.htm").c_str(), (dir_ / "VESK/DOCS/guide/out.htm").c_str()), 0);
  const std::string pdf = dir_ / "out.pdf";
  ProgramRun r = RunProgram(quiro_, {"--print-all", index, "--to-pdf", pdf}, {"", Env()});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("error page"), std::string::npos) << r.err;
  EXPECT_EQ(print_test::PdfText(pdf).find("Privatemark"), std::string::npos);
}

TEST_F(PrintAllPdfTest, InterruptedRunEndsPromptlyAndLeavesNoProcess) {
  std::string doc = print_test::WriteLongDocument(dir_, 50);
  std::string pdf = dir_ / "long.pdf";
  ChildProcess child(quiro_, {"--print-all", doc + "/index.htm", "--to-pdf", pdf}, {"", Env(), 20000});
  // Wait until pages are being printed, then note the child's helpers.
  auto isWebProcess = [](pid_t p) {
    return testing_support::ReadFile("/proc/" + std::to_string(p) + "/cmdline")
               .find("WebKitWebProcess") != std::string::npos;
  };
  std::set<pid_t> helpers;
  int webProcesses = 0;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  for (;;) {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "no page was printed";
    helpers = print_test::ChildrenOf(child.pid());
    webProcesses = 0;
    for (pid_t p : helpers) webProcesses += isWebProcess(p) ? 1 : 0;
    int printed = 0;
    // Files come and go in there while the child works: no step may throw.
    std::error_code ec;
    for (const std::string& name : LeftInTmp()) {
      for (auto it = std::filesystem::directory_iterator(dir_ / ("tmp/" + name), ec);
           !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        std::uintmax_t size = it->file_size(ec);
        printed += !ec && size > 0 ? 1 : 0;
      }
    }
    if (printed >= 3 && webProcesses > 0) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(webProcesses, 2);  // one for the page printing, one for the page loading next

  kill(child.pid(), SIGTERM);
  EXPECT_EQ(child.Wait().status, 130);
  auto gone = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (pid_t p : helpers) {
    while (print_test::ProcessExists(p) && std::chrono::steady_clock::now() < gone)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(print_test::ProcessExists(p)) << "helper " << p << " left behind";
  }
  EXPECT_FALSE(std::filesystem::exists(pdf));
  EXPECT_TRUE(LeftInTmp().empty());
}

TEST(JoinPdfFilesTest, RefusesWhatIsNoPdfAndKeepsTheTarget) {
  TempDir dir;
  std::string target = dir.Write("target.pdf", "old");
  std::string error;
  EXPECT_FALSE(quiro::JoinPdfFiles({}, target, error));
  EXPECT_FALSE(quiro::JoinPdfFiles({dir.Write("a.pdf", "not a pdf at all")}, target, error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(quiro::JoinPdfFiles({dir / "missing.pdf"}, target, error));
  EXPECT_EQ(testing_support::ReadFile(target), "old");
  EXPECT_FALSE(std::filesystem::exists(target + ".part"));
}

}  // namespace
