#include "printall/print_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

PrintedPage Sent(const std::string& title) { return {"/d/" + title + ".htm", title, true, ""}; }
PrintedPage Lost(const std::string& title, const std::string& why) { return {"/d/G/CH" + title + ".HTM", title, false, why}; }

TEST(PrintReport, StatusAndMessageSayWhatHappened) {
  struct Case {
    const char* what;
    PrintRunReport report;
    std::string status;
    std::string problems;
  };
  std::vector<PrintedPage> sixteen(16, Sent("p"));
  std::vector<PrintedPage> twelveLost(12, Lost("", "Printer not found"));
  for (std::size_t i = 0; i < twelveLost.size(); ++i) twelveLost[i].problem += " " + std::to_string(i);
  const std::vector<Case> cases = {
      {"all sent", {"PDF", "", sixteen}, "Print All: 16 pages sent to PDF", ""},
      {"one page", {"Q", "", {Sent("Intro")}}, "Print All: 1 page sent to Q", ""},
      {"refused before the first page",
       {"Q", "The printer \"Q\" is not accepting jobs: out of paper.", {}},
       "Print All: no page printed: The printer \"Q\" is not accepting jobs: out of paper.",
       "Nothing was printed. The printer \"Q\" is not accepting jobs: out of paper."},
      {"every page lost for one reason",
       {"Q", "", {Lost("A", "Printer not found"), Lost("B", "Printer not found")}},
       "Print All: no page printed: Printer not found",
       "None of the 2 pages was printed. Printer not found."},
      {"some lost, each named by title or file name",
       {"Q", "", {Sent("Guide"), Lost("Setup", "the job was aborted"), Sent("x"), Lost("", "the page did not load.")}},
       "Print All: 2 of 4 pages sent to Q; 2 not printed",
       "2 pages of 4 were not printed.\nPage 2, Setup: the job was aborted.\nPage 4, CH.HTM: the page did not load."},
      {"a shared reason written in lower case starts its sentence with a capital",
       {"Q", "", {Lost("A", "the job was cancelled"), Lost("B", "the job was cancelled")}},
       "Print All: no page printed: the job was cancelled",
       "None of the 2 pages was printed. The job was cancelled."},
      {"one of two lost", {"Q", "", {Sent("a"), Lost("b", "")}},
       "Print All: 1 of 2 pages sent to Q; 1 not printed",
       "1 page of 2 was not printed.\nPage 2, b: the reason is not known."},
      {"no page could be opened", {"Q", "", {}}, "Print All: no page could be opened", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(PrintRunStatus(c.report), c.status);
    EXPECT_EQ(PrintRunProblems(c.report), c.problems);
  }

  // A long list of different reasons stops after ten, with a count.
  const std::string many = PrintRunProblems({"Q", "", twelveLost});
  EXPECT_EQ(many.rfind("None of the 12 pages was printed.\nPage 1, CH.HTM: Printer not found 0.\n", 0), 0u) << many;
  EXPECT_NE(many.find("\nPage 10, CH.HTM: Printer not found 9.\n... and 2 more."), std::string::npos) << many;
  EXPECT_EQ(PrintRunStatus({"Q", "", twelveLost}), "Print All: no page printed");
}

}  // namespace
