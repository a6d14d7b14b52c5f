#include "printall/printer.h"

#include <cups/cups.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/cups_scheduler.h"
#include "platform/dir.h"
#include "common/temp_dir.h"

namespace {

using printall::JobOutcome;
using testing_support::CupsScheduler;
using testing_support::TempDir;

// The smallest PDF of one page that the queue's filters accept.
const char kOnePage[] =
    "%PDF-1.4\n1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj\n"
    "2 0 obj<</Type/Pages/Kids[3 0 R]/Count 1>>endobj\n"
    "3 0 obj<</Type/Page/Parent 2 0 R/MediaBox[0 0 595 842]>>endobj\n"
    "trailer<</Root 1 0 R>>\n%%EOF\n";

class Printer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    cups_ = std::make_unique<CupsScheduler>();
    if (cups_->skipReason().empty()) {
      setenv("CUPS_SERVER", cups_->server().c_str(), 1);
      cupsSetServer(cups_->server().c_str());
    }
  }
  static void TearDownTestSuite() { cups_.reset(); }
  void SetUp() override {
    if (!cups_->skipReason().empty()) GTEST_SKIP() << cups_->skipReason();
    pdf_ = dir_.Write("page.pdf", kOnePage);
  }

  // Waits, a bounded time, for the job to leave the queue.
  static printall::JobState Settled(int id) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    printall::JobState state = printall::QueryJob(id);
    while (state.outcome == JobOutcome::Waiting && std::chrono::steady_clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      state = printall::QueryJob(id);
    }
    return state;
  }

  static std::unique_ptr<CupsScheduler> cups_;
  TempDir dir_;
  std::string pdf_;
};

std::unique_ptr<CupsScheduler> Printer::cups_;

TEST_F(Printer, DefaultQueueTakesANamedJobAndPrintsIt) {
  const printall::PrinterStatus status = printall::DefaultPrinter();
  EXPECT_EQ(status.name, cups_->queue());
  EXPECT_TRUE(status.ready);
  EXPECT_FALSE(status.stopped);
  EXPECT_EQ(status.problem, "");

  const printall::PrintJob job = printall::SubmitPdf(status.name, pdf_, "Getting Started");
  ASSERT_GT(job.id, 0) << job.problem;
  EXPECT_EQ(Settled(job.id).outcome, JobOutcome::Printed);
  // The queue knows the job by its title, and cups-pdf wrote its file.
  cups_job_t* jobs = nullptr;
  const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, cups_->queue().c_str(), 0, CUPS_WHICHJOBS_ALL);
  ASSERT_EQ(n, 1);
  EXPECT_EQ(jobs[0].id, job.id);
  EXPECT_STREQ(jobs[0].title, "Getting Started");
  cupsFreeJobs(n, jobs);
  std::vector<platform::DirEntry> files;
  platform::ListDirectory(cups_->out(), files);
  EXPECT_EQ(files.size(), 1u);
}

TEST_F(Printer, ARefusingQueueIsNotReadyAndRefusesJobs) {
  ASSERT_EQ(cups_->Tool("cupsreject", {"-r", "out of paper", cups_->queue()}).status, 0);
  const printall::PrinterStatus status = printall::DefaultPrinter();
  EXPECT_FALSE(status.ready);
  EXPECT_EQ(status.problem, "The printer \"" + cups_->queue() + "\" is not accepting jobs: out of paper.");
  const printall::PrintJob job = printall::SubmitPdf(status.name, pdf_, "Refused");
  EXPECT_EQ(job.id, 0);
  EXPECT_NE(job.problem.find("not accepting jobs"), std::string::npos) << job.problem;
  ASSERT_EQ(cups_->Tool("cupsaccept", {cups_->queue()}).status, 0);
}

TEST_F(Printer, AStoppedQueueHoldsJobsAndACancelledJobFailed) {
  ASSERT_EQ(cups_->Tool("cupsdisable", {cups_->queue()}).status, 0);
  const printall::PrinterStatus status = printall::DefaultPrinter();
  EXPECT_TRUE(status.ready);
  EXPECT_TRUE(status.stopped);
  const printall::PrintJob job = printall::SubmitPdf(status.name, pdf_, "Held");
  ASSERT_GT(job.id, 0) << job.problem;
  EXPECT_EQ(printall::QueryJob(job.id).outcome, JobOutcome::Waiting);
  ASSERT_EQ(cups_->Tool("cancel", {std::to_string(job.id)}).status, 0);
  const printall::JobState state = Settled(job.id);
  EXPECT_EQ(state.outcome, JobOutcome::Failed);
  EXPECT_NE(state.problem, "");
  ASSERT_EQ(cups_->Tool("cupsenable", {cups_->queue()}).status, 0);
}

TEST_F(Printer, NoDefaultPrinterAndNoSchedulerAreSaidApart) {
  // A queue named as the user's choice that does not exist, then no
  // scheduler at all.
  setenv("LPDEST", "no-such-queue", 1);
  EXPECT_EQ(printall::DefaultPrinter().problem, "No default printer is set up.");
  unsetenv("LPDEST");

  TempDir empty;
  cupsSetServer((empty / "cups.sock").c_str());
  const printall::PrinterStatus status = printall::DefaultPrinter();
  EXPECT_EQ(status.name, "");
  EXPECT_FALSE(status.ready);
  EXPECT_EQ(status.problem, "The printing service (CUPS) is not running, so there is no printer.");
  EXPECT_EQ(printall::SubmitPdf("anything", pdf_, "x").id, 0);
  cupsSetServer(cups_->server().c_str());
}

}  // namespace
