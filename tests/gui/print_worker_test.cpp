// Print All runs with real hidden WebKit views, printing to PDF files.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/core/doc_site.h"
#include "app/print_page_printer.h"
#include "app/print_worker.h"
#include "app/test_probe.h"
#include "print_test_support.h"
#include "printall/print_all_run.h"

namespace {

using gui_test::RunUntil;
using testing_support::TempDir;

class PrintWorkerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!print_test::InitGtk()) GTEST_SKIP() << "needs a display";
    setenv("VESK_DRIVE_C", dir_.path().c_str(), 1);
  }
  void TearDown() override {
    if (print_test::InitGtk()) printAll_.StopAll();
  }

  struct Outcome {
    std::optional<quiro::PrintAllResult> result;
    std::vector<std::string> statuses;
  };

  // Starts a run; `outcome` collects its progress and result.
  void Start(const std::string& start, const std::string& pdfFolder, int pauseMs, Outcome& outcome) {
    quiro::PrintAllOptions options;
    options.startPath = start;
    options.site = *quiro::SiteHolder().Snapshot();
    options.destination.pdfFolder = pdfFolder;
    options.pauseMs = pauseMs;
    options.showStatus = [&outcome](const std::string& t) { outcome.statuses.push_back(t); };
    options.finished = [&outcome](const quiro::PrintAllResult& r) { outcome.result = r; };
    ASSERT_TRUE(printAll_.Start(std::move(options)));
  }

  static std::vector<std::string> PdfFilesIn(const std::string& folder) {
    std::vector<std::string> files;
    if (!std::filesystem::exists(folder)) return files;
    for (const auto& e : std::filesystem::directory_iterator(folder)) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
  }

  TempDir dir_;
  quiro::PrintAllService printAll_;
};

TEST_F(PrintWorkerTest, PrintsTheListedPagesInOrderOnePdfEach) {
  std::string doc = print_test::WriteDocument(dir_);
  // What the command line says Print All prints while chapter 2 is shown.
  testing_support::ProgramRun list =
      testing_support::RunProgram(QUIRO_BINARY, {"--list-print-pages", doc + "/ch2.htm"});
  ASSERT_EQ(list.status, 0) << list.err;
  std::vector<std::string> pages = print_test::Lines(list.out);
  ASSERT_EQ(pages.size(), 5u);  // index, ch1, ch2, sub/deep, sub/../ch1

  Outcome outcome;
  Start(FindPrintStartPage(doc + "/ch2.htm"), dir_ / "out", 0, outcome);
  ASSERT_TRUE(RunUntil([&] { return outcome.result.has_value(); }, 120000));

  const quiro::PrintAllResult& result = *outcome.result;
  EXPECT_FALSE(result.cancelled);
  EXPECT_EQ(result.pagesRecorded, 5);
  EXPECT_EQ(result.viewsCreated, 5);
  EXPECT_EQ(result.pagesPrinted, 5);
  ASSERT_EQ(result.outputFiles.size(), pages.size());
  EXPECT_EQ(PdfFilesIn(dir_ / "out"), result.outputFiles);  // nothing else left behind

  const char* marks[] = {"Indexmark", "Chapterone", "Chaptertwo", "Deeppage", "Chapterone"};
  for (std::size_t i = 0; i < pages.size(); ++i) {
    SCOPED_TRACE(pages[i]);
    EXPECT_EQ(std::filesystem::path(result.outputFiles[i]).filename().string(),
              quiro::PdfFileNameFor(static_cast<int>(i) + 1, pages[i]));
    EXPECT_NE(print_test::PdfText(result.outputFiles[i]).find(marks[i]), std::string::npos);
    ASSERT_LT(i, outcome.statuses.size());
    EXPECT_EQ(outcome.statuses[i], "Printing page " + std::to_string(i + 1) + ": " + pages[i]);
  }

  // The bordered table of chapter 1 starts a sheet of its own; the index,
  // without one, is a single sheet.
  EXPECT_EQ(print_test::PdfPageCount(result.outputFiles[0]), 1);
  ASSERT_EQ(print_test::PdfPageCount(result.outputFiles[1]), 2);
  EXPECT_EQ(print_test::PdfText(result.outputFiles[1], 1, 1).find("Tablecell"), std::string::npos);
  EXPECT_NE(print_test::PdfText(result.outputFiles[1], 2, 2).find("Tablecell"), std::string::npos);
  // The document lies outside the document root: it was printed from its
  // rewritten text held in memory, and the file was left as it was.
  EXPECT_EQ(testing_support::ReadFile(doc + "/ch1.htm").find("page-break-before"),
            std::string::npos);
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

TEST_F(PrintWorkerTest, PrintsTheSampleGuideAsListed) {
  const char* sample = std::getenv("QUIRO_TEST_SAMPLE");
  if (sample == nullptr || !std::filesystem::exists(std::string(sample) + "/docs/guide/index.htm"))
    GTEST_SKIP() << "no sample documents";
  // A copy: printing rewrites the pages.
  std::filesystem::copy(std::string(sample) + "/docs/guide", dir_ / "guide",
                        std::filesystem::copy_options::recursive);
  testing_support::ProgramRun list =
      testing_support::RunProgram(QUIRO_BINARY, {"--list-print-pages", dir_ / "guide/ch3.htm"});
  ASSERT_EQ(list.status, 0) << list.err;
  std::vector<std::string> pages = print_test::Lines(list.out);
  ASSERT_GE(pages.size(), 2u);

  Outcome outcome;
  Start(FindPrintStartPage(dir_ / "guide/ch3.htm"), dir_ / "out", 0, outcome);
  ASSERT_TRUE(RunUntil([&] { return outcome.result.has_value(); }, 120000));
  ASSERT_EQ(outcome.result->outputFiles.size(), pages.size());
  for (std::size_t i = 0; i < pages.size(); ++i) {
    EXPECT_EQ(std::filesystem::path(outcome.result->outputFiles[i]).filename().string(),
              quiro::PdfFileNameFor(static_cast<int>(i) + 1, pages[i]));
    // No printout ends on an empty sheet ("Getting Started" printed a blank third).
    const std::string& file = outcome.result->outputFiles[i];
    const int sheets = print_test::PdfPageCount(file);
    ASSERT_GE(sheets, 1) << pages[i];
    EXPECT_NE(print_test::PdfText(file, sheets, sheets).find_first_not_of(" \n\f"), std::string::npos)
        << pages[i] << " ends on an empty sheet";
    if (EndsWith(pages[i], "/CH1.HTM")) {
      EXPECT_EQ(sheets, 2);
    }
  }
}

TEST_F(PrintWorkerTest, TwoRunsAtOnceBothComplete) {
  std::string doc = print_test::WriteDocument(dir_);
  Outcome first, second;
  Start(doc + "/index.htm", dir_ / "out", 0, first);
  Start(doc + "/index.htm", dir_ / "out", 0, second);
  EXPECT_EQ(quiro::TestProbe::RunningPrintAllRuns(printAll_), 2);
  ASSERT_TRUE(RunUntil([&] { return first.result && second.result; }, 180000));
  EXPECT_EQ(first.result->pagesPrinted, 5);
  EXPECT_EQ(second.result->pagesPrinted, 5);
  // Into one folder, neither run overwrote the other's files.
  std::vector<std::string> files = PdfFilesIn(dir_ / "out");
  ASSERT_EQ(files.size(), 10u);
  for (const std::string& f : files) EXPECT_GE(print_test::PdfPageCount(f), 1) << f;
  EXPECT_EQ(quiro::TestProbe::RunningPrintAllRuns(printAll_), 0);
}

TEST_F(PrintWorkerTest, NothingPrintableEndsAtOnceWithoutThePause) {
  Outcome outcome;
  Start(dir_ / "missing.htm", dir_ / "out", 60000, outcome);
  auto begin = std::chrono::steady_clock::now();
  ASSERT_TRUE(RunUntil([&] { return outcome.result.has_value(); }, 30000));
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(20));
  EXPECT_EQ(outcome.result->pagesRecorded, 0);
  EXPECT_EQ(outcome.result->viewsCreated, 0);
  EXPECT_TRUE(outcome.statuses.empty());
  EXPECT_TRUE(PdfFilesIn(dir_ / "out").empty());
}

TEST_F(PrintWorkerTest, RunThatPrintsNothingSkipsThePause) {
  // The PDF folder cannot be made (a file is in the way): views are created
  // but no page reaches the printing system.
  std::string doc = print_test::WriteDocument(dir_);
  dir_.Write("blocked", "a file");
  Outcome outcome;
  Start(doc + "/index.htm", dir_ / "blocked/out", 60000, outcome);
  auto begin = std::chrono::steady_clock::now();
  ASSERT_TRUE(RunUntil([&] { return outcome.result.has_value(); }, 40000));
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(30));
  EXPECT_EQ(outcome.result->viewsCreated, 5);
  EXPECT_EQ(outcome.result->pagesPrinted, 0);
  EXPECT_TRUE(outcome.result->outputFiles.empty());
}

TEST_F(PrintWorkerTest, PagesAskingForDialogsPrintWithoutAny) {
  dir_.Write("DLG/index.htm",
             print_test::Page("Alertpage", "<script>alert('hello'); window.print();</script>\n"
                                           "<a href=\"next.htm\">next</a>\n"));
  dir_.Write("DLG/next.htm",
             print_test::Page("Questionpage", "<script>confirm('sure?'); prompt('name');</script>\n"));
  Outcome outcome;
  Start(dir_ / "DLG/index.htm", dir_ / "out", 0, outcome);
  ASSERT_TRUE(RunUntil([&] { return outcome.result.has_value(); }, 60000));
  EXPECT_EQ(outcome.result->pagesPrinted, 2);
  ASSERT_EQ(outcome.result->outputFiles.size(), 2u);
  EXPECT_NE(print_test::PdfText(outcome.result->outputFiles[1]).find("Questionpage"), std::string::npos);
  GList* windows = gtk_window_list_toplevels();
  int shown = 0;
  for (GList* w = windows; w != nullptr; w = w->next) shown += gtk_widget_get_visible(GTK_WIDGET(w->data));
  g_list_free(windows);
  EXPECT_EQ(shown, 0);
}

TEST_F(PrintWorkerTest, StoppingEndsTheClosingPauseAndClosesTheViews) {
  std::string doc = print_test::WriteDocument(dir_);
  Outcome outcome;
  Start(doc + "/ch1.htm", dir_ / "out", 60000, outcome);
  // Wait until the one page is printed; the run is then in its pause.
  ASSERT_TRUE(RunUntil([&] { return PdfFilesIn(dir_ / "out").size() == 1 &&
                                     print_test::PdfPageCount(PdfFilesIn(dir_ / "out")[0]) > 0; },
                        60000));
  RunUntil([] { return false; }, 300);
  EXPECT_FALSE(outcome.result.has_value());
  EXPECT_EQ(quiro::TestProbe::RunningPrintAllRuns(printAll_), 1);

  auto begin = std::chrono::steady_clock::now();
  printAll_.StopAll();
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(20));
  EXPECT_EQ(quiro::TestProbe::RunningPrintAllRuns(printAll_), 0);
  ASSERT_TRUE(outcome.result.has_value());
  EXPECT_TRUE(outcome.result->cancelled);
  EXPECT_EQ(outcome.result->pagesPrinted, 1);
}

TEST_F(PrintWorkerTest, StoppingInTheMiddleLeavesOnlyWholeFiles) {
  std::string doc = print_test::WriteLongDocument(dir_, 30);
  Outcome outcome;
  Start(doc + "/index.htm", dir_ / "out", 0, outcome);
  ASSERT_TRUE(RunUntil([&] { return outcome.statuses.size() >= 3; }, 60000));
  printAll_.StopAll();
  ASSERT_TRUE(outcome.result.has_value());
  EXPECT_TRUE(outcome.result->cancelled);
  EXPECT_LT(outcome.result->pagesPrinted, 31);
  // Every file left is a whole PDF: the place kept for a page that was not
  // printed is gone.
  std::vector<std::string> files = PdfFilesIn(dir_ / "out");
  EXPECT_EQ(files.size(), outcome.result->outputFiles.size());
  for (const std::string& f : files) EXPECT_EQ(print_test::PdfPageCount(f), 1) << f;
}

TEST_F(PrintWorkerTest, WebProcessThatDiesCostsOnlyItsPage) {
  std::string doc = print_test::WriteLongDocument(dir_, 20);
  Outcome outcome;
  Start(doc + "/index.htm", dir_ / "out", 0, outcome);
  ASSERT_TRUE(RunUntil([&] { return outcome.statuses.size() >= 5; }, 60000));
  // The page printing and the page loading next have a web process each;
  // one of them is killed.
  std::vector<pid_t> webProcesses;
  for (pid_t p : print_test::ChildrenOf(getpid())) {
    if (testing_support::ReadFile("/proc/" + std::to_string(p) + "/cmdline").find("WebKitWebProcess") !=
        std::string::npos) {
      webProcesses.push_back(p);
    }
  }
  ASSERT_EQ(webProcesses.size(), 2u);
  ASSERT_EQ(kill(webProcesses.front(), SIGKILL), 0);
  ASSERT_TRUE(RunUntil([&] { return outcome.result.has_value(); }, 90000));
  EXPECT_FALSE(outcome.result->cancelled);
  EXPECT_EQ(outcome.result->pagesRecorded, 21);
  EXPECT_GE(outcome.result->pagesPrinted, 20);  // the page in that process may be lost
  EXPECT_EQ(outcome.result->viewsCreated, 21);
  for (const std::string& f : PdfFilesIn(dir_ / "out")) EXPECT_EQ(print_test::PdfPageCount(f), 1) << f;
  // Each file holds its own page, not the one loading beside it.
  for (const std::string& f : outcome.result->outputFiles) {
    const std::string name = std::filesystem::path(f).filename().string();  // "005-page04.htm.pdf"
    const std::string mark =
        name.find("-index.") != std::string::npos ? "Longindex" : "Longpage" + std::to_string(std::stoi(name.substr(8, 2)));
    EXPECT_NE(print_test::PdfText(f).find(mark + "."), std::string::npos) << name;  // "Longpage1." is not in page 10
  }
}

TEST(PrintSettingsTest, PauseAndDestinationComeFromTheEnvironment) {
  unsetenv("QUIRO_PRINT_ALL_PAUSE_MS");
  EXPECT_EQ(quiro::PrintAllPauseMs(), 60000);
  setenv("QUIRO_PRINT_ALL_PAUSE_MS", "250", 1);
  EXPECT_EQ(quiro::PrintAllPauseMs(), 250);
  for (const char* bad : {"", "-5", "12abc", "soon", "99999999999"}) {
    setenv("QUIRO_PRINT_ALL_PAUSE_MS", bad, 1);
    EXPECT_EQ(quiro::PrintAllPauseMs(), 60000) << bad;
  }
  unsetenv("QUIRO_PRINT_ALL_PAUSE_MS");

  unsetenv("QUIRO_PRINT_TO_PDF_DIR");
  EXPECT_FALSE(quiro::PrintDestinationFromEnvironment().ToPdf());
  setenv("QUIRO_PRINT_TO_PDF_DIR", "", 1);
  EXPECT_FALSE(quiro::PrintDestinationFromEnvironment().ToPdf());
  setenv("QUIRO_PRINT_TO_PDF_DIR", "/tmp/some/../out", 1);
  EXPECT_EQ(quiro::PrintDestinationFromEnvironment().pdfFolder, "/tmp/out");
  unsetenv("QUIRO_PRINT_TO_PDF_DIR");

  EXPECT_EQ(quiro::PdfFileNameFor(1, "/d/DOC/INDEX.HTM"), "001-INDEX.HTM.pdf");
  EXPECT_EQ(quiro::PdfFileNameFor(50, "/d/DOC/sub/../CH1.HTM"), "050-CH1.HTM.pdf");
  EXPECT_EQ(quiro::PdfFileNameFor(7, "C:\\VESK\\DOCS\\A.HTM"), "007-A.HTM.pdf");
}

}  // namespace
