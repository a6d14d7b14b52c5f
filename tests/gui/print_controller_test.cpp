// Print and Print All in the real window: the confirmation, what a run
// prints, and which frame Print prints.

#include <cups/cups.h>
#include <gtk/gtkunixprint.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <set>
#include <thread>
#include <string>
#include <vector>

#include "app/print_controller.h"
#include "app/viewer.h"
#include "app/print_worker.h"
#include "app/services.h"
#include "app/test_probe.h"
#include "app/web_engine.h"
#include "common/cups_scheduler.h"
#include "common/run_program.h"
#include "gui_fixture.h"
#include "print_test_support.h"
#include "res/strings.h"

namespace {

using gui_test::RunUntil;

// Every message the window's status bar is given, as it is given: a run's
// "Printing page N" messages can follow each other faster than a test polls.
class StatusMessages {
 public:
  explicit StatusMessages(Gtk::Statusbar& bar) : bar_(GTK_WIDGET(bar.gobj())) {
    handler_ = g_signal_connect(bar_, "text-pushed", G_CALLBACK(&StatusMessages::Pushed), this);
  }
  ~StatusMessages() { g_signal_handler_disconnect(bar_, handler_); }
  bool Saw(const std::string& text) const { return std::find(seen_.begin(), seen_.end(), text) != seen_.end(); }

 private:
  static void Pushed(GtkStatusbar*, guint, gchar* text, gpointer data) {
    static_cast<StatusMessages*>(data)->seen_.emplace_back(text != nullptr ? text : "");
  }
  GtkWidget* bar_;
  gulong handler_ = 0;
  std::vector<std::string> seen_;
};

// What a dialog showed, read when it appeared.
struct SeenDialog {
  bool seen = false;
  std::string text;
  std::string title;
  GtkMessageType type = GTK_MESSAGE_OTHER;
  std::set<int> responses;
  GtkWindow* parent = nullptr;
};

// Answers the next dialog that appears with `response`, noting what it showed.
class DialogAnswerer {
 public:
  DialogAnswerer(int response, SeenDialog& seen) : response_(response), seen_(seen) {
    source_ = g_timeout_add(20, &DialogAnswerer::Poll, this);
  }
  ~DialogAnswerer() {
    if (source_ != 0) g_source_remove(source_);
  }

 private:
  static gboolean Poll(gpointer data) {
    auto* self = static_cast<DialogAnswerer*>(data);
    GList* windows = gtk_window_list_toplevels();
    GtkDialog* found = nullptr;
    for (GList* w = windows; w != nullptr; w = w->next) {
      if (GTK_IS_DIALOG(w->data) && gtk_widget_get_visible(GTK_WIDGET(w->data))) {
        found = GTK_DIALOG(w->data);
      }
    }
    g_list_free(windows);
    if (found == nullptr) return G_SOURCE_CONTINUE;
    SeenDialog& seen = self->seen_;
    seen.seen = true;
    seen.title = gtk_window_get_title(GTK_WINDOW(found)) ? gtk_window_get_title(GTK_WINDOW(found)) : "";
    seen.parent = gtk_window_get_transient_for(GTK_WINDOW(found));
    if (GTK_IS_MESSAGE_DIALOG(found)) {
      gchar* text = nullptr;
      g_object_get(found, "text", &text, "message-type", &seen.type, nullptr);
      seen.text = text ? text : "";
      g_free(text);
      for (int r : {GTK_RESPONSE_OK, GTK_RESPONSE_CANCEL, GTK_RESPONSE_YES, GTK_RESPONSE_NO,
                    GTK_RESPONSE_CLOSE}) {
        if (gtk_dialog_get_widget_for_response(found, r) != nullptr) seen.responses.insert(r);
      }
    }
    gtk_dialog_response(found, self->response_);
    self->source_ = 0;
    return G_SOURCE_REMOVE;
  }

  int response_;
  SeenDialog& seen_;
  guint source_ = 0;
};

class PrintCommandTest : public gui_test::WindowTest {
 protected:
  void SetUp() override {
    gui_test::WindowTest::SetUp();
    setenv("QUIRO_PRINT_TO_PDF_DIR", (dir_ / "printed").c_str(), 1);
    setenv("QUIRO_PRINT_ALL_PAUSE_MS", "0", 1);
  }
  void TearDown() override {
    if (app_) app_->GetProbe().GetServices().printAll.StopAll();
    unsetenv("QUIRO_PRINT_TO_PDF_DIR");
    unsetenv("QUIRO_PRINT_ALL_PAUSE_MS");
    gui_test::WindowTest::TearDown();
  }

  // A frameset whose two frames act on posted messages: "use" acts like a
  // click into the frame, "open" follows a link into the "content" frame.
  void WriteSite() {
    dir_.Write("TOVY.INI", "[MAIN]\r\nDocumentRoot=docs\r\nAutoRebuild=0\r\n");
    dir_.Write("docs/DocFrame.htm",
               "<html><head><title>Manual</title></head>\n"
               "<frameset cols=\"200,*\"><frame name=\"sidebar\" src=\"side.htm\">\n"
               "<frame name=\"content\" src=\"guide/ch1.htm\"></frameset></html>\n");
    const std::string actions =
        "<script>window.addEventListener('message', function (e) {\n"
        "  if (e.data === 'use') document.dispatchEvent(new MouseEvent('mousedown'));\n"
        "  if (e.data === 'open') document.getElementById('open').click(); });</script>\n";
    dir_.Write("docs/side.htm", "<html><body>\n" + actions +
                                    "<a id=\"open\" href=\"guide/ch2.htm\" target=\"content\">Two</a>\n"
                                    "</body></html>\n");
    dir_.Write("docs/guide/index.htm", print_test::Page("Guideindex",
                                                        "<a href=\"ch1.htm\">one</a>\n"
                                                        "<a href=\"ch2.htm\">two</a>\n"));
    dir_.Write("docs/guide/ch1.htm", print_test::Page("Chapterone", actions));
    dir_.Write("docs/guide/ch2.htm",
               print_test::Page("Chaptertwo", "<table BORDER=\"1\"><tr><td>Cell</td></tr></table>\n"));
  }

  void PostToFrame(const std::string& frame, const std::string& message) {
    gui_test::Eval(Web(), "window.frames['" + frame + "'].postMessage('" + message + "', '*'); true");
  }

  std::vector<std::string> Printed() const {
    std::vector<std::string> names;
    if (!std::filesystem::exists(dir_ / "printed")) return names;
    for (const auto& e : std::filesystem::directory_iterator(dir_ / "printed"))
      names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(PrintCommandTest, CancelInTheConfirmationPrintsNothing) {
  WriteSite();
  StartAndWaitReady();
  ASSERT_FALSE(View().GetCurrentURL().empty());

  SeenDialog seen;
  {
    DialogAnswerer cancel(GTK_RESPONSE_CANCEL, seen);
    Frame().SendCommand(quiro::res::ID_FILE_PRINT_ALL);
  }
  ASSERT_TRUE(seen.seen);
  EXPECT_EQ(seen.text, quiro::res::LoadString(quiro::res::IDS_PRINT_ALL_CONFIRM));
  EXPECT_NE(seen.text.find("pages.  To print"), std::string::npos);
  EXPECT_NE(seen.text.find("button.  Do you"), std::string::npos);
  EXPECT_EQ(seen.title, "quiro");
  EXPECT_EQ(seen.type, GTK_MESSAGE_WARNING);
  EXPECT_EQ(seen.responses, (std::set<int>{GTK_RESPONSE_OK, GTK_RESPONSE_CANCEL}));
  EXPECT_EQ(seen.parent, GTK_WINDOW(Frame().gobj()));

  EXPECT_EQ(RunningPrintAllRuns(), 0);
  gui_test::Settle(Web());
  EXPECT_TRUE(Printed().empty());
}

TEST_F(PrintCommandTest, OkPrintsTheDocumentFromItsIndexWithProgress) {
  WriteSite();
  StartAndWaitReady();
  // The document on display is chapter 1; its folder's index starts the run.
  View().Navigate2(root_ + "guide/ch1.htm");
  ASSERT_TRUE(RunUntil([&] { return View().GetCurrentURL() == root_ + "guide/ch1.htm"; }));

  SeenDialog seen;
  const StatusMessages status(Frame().GetStatusBar());
  {
    DialogAnswerer ok(GTK_RESPONSE_OK, seen);
    Frame().SendCommand(quiro::res::ID_FILE_PRINT_ALL);
  }
  ASSERT_TRUE(seen.seen);
  ASSERT_EQ(RunningPrintAllRuns(), 1);

  ASSERT_TRUE(RunUntil([&] { return RunningPrintAllRuns() == 0; }, 60000));
  EXPECT_EQ(Printed(), (std::vector<std::string>{"001-index.htm.pdf", "002-ch1.htm.pdf",
                                                 "003-ch2.htm.pdf"}));
  EXPECT_TRUE(status.Saw("Printing page 2: " + root_ + "guide/ch1.htm"));
  // The run ends on what became of its pages, not on its last page.
  EXPECT_EQ(Frame().GetMessageText(), "Print All: 3 pages sent to " + dir_ / "printed");
}

// Print All with the frameset on display starts from the frame being read,
// and a frameset met on the way is not printed as a blank sheet.
TEST_F(PrintCommandTest, OnTheFramesetPrintAllWalksFromTheFrameBeingRead) {
  WriteSite();
  dir_.Write("docs/guide/index.htm", print_test::Page("Guideindex",
                                                      "<a href=\"ch1.htm\">one</a>\n<a href=\"ch2.htm\">two</a>\n"
                                                      "<a href=\"../DocFrame.htm\">all of it</a>\n"));
  StartAndWaitReady();
  ASSERT_TRUE(RunUntil([&] { return EndsWith(View().GetReadingFrame().Url(), "/guide/ch1.htm"); }));
  SeenDialog confirm;
  {
    DialogAnswerer ok(GTK_RESPONSE_OK, confirm);
    Frame().SendCommand(quiro::res::ID_FILE_PRINT_ALL);
  }
  SeenDialog problem;
  DialogAnswerer close(GTK_RESPONSE_OK, problem);
  ASSERT_TRUE(RunUntil([&] { return RunningPrintAllRuns() == 0 && problem.seen; }, 60000));
  EXPECT_EQ(Printed(), (std::vector<std::string>{"001-index.htm.pdf", "002-ch1.htm.pdf", "003-ch2.htm.pdf"}));
  EXPECT_EQ(problem.title, "quiro");
  EXPECT_EQ(problem.text,
            "1 page of 4 was not printed.\nPage 4, Manual: it is a frameset, which prints as a blank sheet.");
  EXPECT_EQ(Frame().GetMessageText(), "Print All: 3 of 4 pages sent to " + dir_ / "printed" + "; 1 not printed");
}

// A page cannot pass itself off as the program's frame reporter: a forged
// report that a private file outside the root is the frame being read
// changes nothing Print All prints.
TEST_F(PrintCommandTest, AForgedFrameReportChangesNothingPrinted) {
  WriteSite();
  const std::string secret = dir_ / "private/secret.htm";
  dir_.Write("private/secret.htm", print_test::Page("Secret", ""));
  dir_.Write("docs/guide/ch1.htm",
             print_test::Page("Chapterone",
                              "<script>window.addEventListener('message', function (e) {\n"
                              "  if (e.data !== 'forge') return;\n"
                              "  var href = 'file://" + secret + "';\n"
                              "  [window, window.top].forEach(function (w) { try {\n"
                              "    w.webkit.messageHandlers.quiroFrame.postMessage(\n"
                              "      {kind: 'use', name: 'content', href: href, top: false, frames: 0});\n"
                              "    w.webkit.messageHandlers.quiroFrame.postMessage(\n"
                              "      {kind: 'load', name: '', href: href, top: true, frames: 1});\n"
                              "  } catch (x) {} }); });</script>\n"));
  StartAndWaitReady();
  ASSERT_TRUE(RunUntil([&] { return EndsWith(View().GetReadingFrame().Url(), "/guide/ch1.htm"); }));
  PostToFrame("content", "forge");
  gui_test::Settle(Web());
  RunUntil([] { return false; }, 300);
  EXPECT_TRUE(EndsWith(View().GetReadingFrame().Url(), "/guide/ch1.htm"))
      << View().GetReadingFrame().Url();
  SeenDialog confirm;
  {
    DialogAnswerer ok(GTK_RESPONSE_OK, confirm);
    Frame().SendCommand(quiro::res::ID_FILE_PRINT_ALL);
  }
  ASSERT_TRUE(RunUntil([&] { return RunningPrintAllRuns() == 0; }, 60000));
  EXPECT_EQ(Printed(), (std::vector<std::string>{"001-index.htm.pdf", "002-ch1.htm.pdf", "003-ch2.htm.pdf"}));
}

// Picks GTK's print-to-file printer in the next print dialog, writing PDF
// to `output`, and prints, as a user would.
class PrintToFilePicker {
 public:
  explicit PrintToFilePicker(std::string output) : output_(std::move(output)) {
    source_ = g_timeout_add(20, &PrintToFilePicker::Poll, this);
  }
  ~PrintToFilePicker() {
    if (source_ != 0) g_source_remove(source_);
  }
  bool Answered() const { return source_ == 0; }

 private:
  static gboolean Poll(gpointer data) {
    auto* self = static_cast<PrintToFilePicker*>(data);
    GList* windows = gtk_window_list_toplevels();
    GtkPrintUnixDialog* dialog = nullptr;
    for (GList* w = windows; w != nullptr; w = w->next)
      if (GTK_IS_PRINT_UNIX_DIALOG(w->data) && gtk_widget_get_visible(GTK_WIDGET(w->data)))
        dialog = GTK_PRINT_UNIX_DIALOG(w->data);
    g_list_free(windows);
    if (dialog == nullptr) return G_SOURCE_CONTINUE;
    GtkPrinter* printer = gtk_print_unix_dialog_get_selected_printer(dialog);
    if (printer == nullptr || g_strcmp0(gtk_printer_get_name(printer), g_dgettext("gtk30", "Print to File")) != 0) {
      GtkPrintSettings* settings = gtk_print_settings_new();
      gtk_print_settings_set_printer(settings, g_dgettext("gtk30", "Print to File"));
      gchar* uri = g_filename_to_uri(self->output_.c_str(), nullptr, nullptr);
      gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_URI, uri);
      gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_FILE_FORMAT, "pdf");
      g_free(uri);
      gtk_print_unix_dialog_set_settings(dialog, settings);
      g_object_unref(settings);
      return G_SOURCE_CONTINUE;  // until the printer list has it selected
    }
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    self->source_ = 0;
    return G_SOURCE_REMOVE;
  }

  std::string output_;
  guint source_ = 0;
};

// Print with a PDF on display, in the content frame or as the whole page:
// the Print buttons are hidden (a PDF has no Print All), Ctrl+P and
// File > Print offer the print dialog, and what the chosen printer gets is
// the PDF file itself. A page loaded after it prints as a page again.
TEST_F(PrintCommandTest, PrintOfAnInlinePdfPrintsThePdf) {
  WriteSmallSite();
  StartAndWaitReady();
  auto shownPdf = [&] { return quiro::TestProbe::ShownPdfUrl(Frame().GetPrintController()); };

  Click("sidebar", "pdf");
  ASSERT_TRUE(RunUntil([&] { return EndsWith(shownPdf(), "/doc.pdf"); }));
  EXPECT_FALSE(Frame().IsToolbarButtonVisible(quiro::res::kPrintButton));
  EXPECT_FALSE(Frame().IsToolbarButtonVisible(quiro::res::kPrintAllButton));
  // The PDF's own document and its viewer finish loading after its
  // response; it is still what Print prints.
  gui_test::Settle(Web());
  RunUntil([] { return false; }, 500);
  EXPECT_TRUE(EndsWith(shownPdf(), "/doc.pdf")) << shownPdf();
  {
    const std::string output = dir_ / "frame-pdf.pdf";
    PrintToFilePicker pick(output);
    gtk_widget_grab_focus(GTK_WIDGET(Web()));
    Press(GDK_KEY_p, GDK_CONTROL_MASK);
    ASSERT_TRUE(RunUntil([&] { return pick.Answered(); }, 20000)) << "no print dialog";
    ASSERT_TRUE(RunUntil([&] { return print_test::PdfPageCount(output) == 1; }, 20000));
    EXPECT_NE(print_test::PdfText(output).find("Manual"), std::string::npos);
  }

  // Another page in the frame: no PDF to print, the buttons are back.
  Click("sidebar", "two");
  ASSERT_TRUE(RunUntil([&] { return EndsWith(View().GetReadingFrame().Url(), "/page2.htm"); }));
  EXPECT_EQ(shownPdf(), "");
  EXPECT_TRUE(Frame().IsToolbarButtonVisible(quiro::res::kPrintButton));

  // The PDF as the whole page, printed from the menu's command.
  View().Navigate2(root_ + "doc.pdf");
  ASSERT_TRUE(RunUntil([&] { return EndsWith(shownPdf(), "/doc.pdf"); }));
  gui_test::Settle(Web());
  {
    const std::string output = dir_ / "whole-pdf.pdf";
    PrintToFilePicker pick(output);
    Frame().SendCommand(quiro::res::ID_FILE_PRINT);
    ASSERT_TRUE(RunUntil([&] { return pick.Answered(); }, 20000)) << "no print dialog";
    ASSERT_TRUE(RunUntil([&] { return print_test::PdfPageCount(output) == 1; }, 20000));
    EXPECT_NE(print_test::PdfText(output).find("Manual"), std::string::npos);
  }
  // The print dialog's printer lookup asks for the system bus, which test
  // machines often lack; that warning is the machine's, not the program's.
  auto& problems = gui_test::LoggedProblems();
  problems.erase(std::remove_if(problems.begin(), problems.end(),
                                [](const std::string& p) { return p.find("D-Bus system bus") != std::string::npos; }),
                 problems.end());
}

// Print All confirmed on the search results: nothing is walked, and the
// status bar says why.
TEST_F(PrintCommandTest, PrintAllOnTheSearchResultsSaysWhyNothingIsPrinted) {
  WriteSmallSite();
  std::filesystem::remove(root_ + "Search.htm");
  StartAndWaitReady();
  Frame().SendCommand(quiro::res::ID_GO_SEARCH_THE_WEB);
  ASSERT_TRUE(WaitForFrameLocation("content", "/.quiro/search"));
  SeenDialog seen;
  {
    DialogAnswerer ok(GTK_RESPONSE_OK, seen);
    Frame().SendCommand(quiro::res::ID_FILE_PRINT_ALL);
  }
  EXPECT_TRUE(seen.seen);
  EXPECT_EQ(Frame().GetMessageText(), quiro::res::LoadString(quiro::res::IDS_PRINT_ALL_OWN_PAGE));
  EXPECT_EQ(RunningPrintAllRuns(), 0);
  EXPECT_TRUE(Printed().empty());
}

// The controller on a view of its own, without a window: confirmed, it
// prints nothing for a location that is no local page, and says why.
TEST_F(PrintCommandTest, NothingHappensForAWebAddress) {
  ASSERT_TRUE(print_test::InitGtk());
  Gtk::Main::init_gtkmm_internals();
  auto view = std::make_unique<CQuiroView>();
  std::string location;
  std::vector<std::string> said;
  {
    quiro::PrintAllService printAll;
    quiro::CPrintController controller(*view, printAll, nullptr, [&] { return location; },
                                       [&](const std::string& text) { said.push_back(text); });
    for (const char* where : {"http://example.com/guide/index.htm", "about:blank", ""}) {
      location = where;
      SeenDialog seen;
      {
        DialogAnswerer ok(GTK_RESPONSE_OK, seen);
        controller.OnPrintAll();
      }
      EXPECT_TRUE(seen.seen);
      EXPECT_EQ(seen.parent, nullptr);
      EXPECT_EQ(quiro::TestProbe::RunningPrintAllRuns(printAll), 0) << where;
    }
  }
  view.reset();
  const std::string notLocal = quiro::res::LoadString(quiro::res::IDS_PRINT_ALL_NOT_LOCAL);
  EXPECT_EQ(said, std::vector<std::string>(3, notLocal));
  EXPECT_TRUE(Printed().empty());
}

TEST_F(PrintCommandTest, PrintTakesTheFrameBeingRead) {
  WriteSite();
  StartAndWaitReady();
  // Before anything is used: the "content" frame.
  ASSERT_TRUE(RunUntil([&] { return EndsWith(View().GetReadingFrame().Url(), "/guide/ch1.htm"); }));

  // A click into the sidebar makes it the frame being read...
  PostToFrame("sidebar", "use");
  ASSERT_TRUE(RunUntil([&] { return EndsWith(View().GetReadingFrame().Url(), "/side.htm"); }));
  // ... until a link opens a page in the content frame.
  PostToFrame("sidebar", "open");
  ASSERT_TRUE(RunUntil([&] { return EndsWith(View().GetReadingFrame().Url(), "/guide/ch2.htm"); }));

  // A page without frames prints the view itself.
  View().Navigate2(root_ + "guide/index.htm");
  ASSERT_TRUE(RunUntil([&] { return View().GetReadingFrame().Url().empty(); }));

  // Print shows the print dialog over the window; Cancel ends it quietly.
  View().Navigate2(root_ + "DocFrame.htm");
  ASSERT_TRUE(RunUntil([&] { return EndsWith(View().GetReadingFrame().Url(), "/guide/ch1.htm"); }));
  SeenDialog seen;
  {
    DialogAnswerer cancel(GTK_RESPONSE_CANCEL, seen);
    Frame().SendCommand(quiro::res::ID_FILE_PRINT);
    RunUntil([&] { return seen.seen; }, 20000);
  }
  EXPECT_TRUE(seen.seen);
  EXPECT_EQ(seen.parent, GTK_WINDOW(Frame().gobj()));
  gui_test::Settle(Web());
  // The print dialog's printer lookup asks for the system bus, which test
  // machines often lack; that warning is the machine's, not the program's.
  auto& problems = gui_test::LoggedProblems();
  problems.erase(std::remove_if(problems.begin(), problems.end(),
                                [](const std::string& p) {
                                  return p.find("D-Bus system bus") != std::string::npos;
                                }),
                 problems.end());
}

// ---------------------------------------------------------------------------
// Print All to a printer: the default printer is checked first, jobs carry
// the pages' titles, and what went wrong is said.

class PrintToPrinterTest : public PrintCommandTest {
 protected:
  void SetUp() override {
    PrintCommandTest::SetUp();
    unsetenv("QUIRO_PRINT_TO_PDF_DIR");
  }
  void TearDown() override {
    PrintCommandTest::TearDown();
    unsetenv("CUPS_SERVER");
    cupsSetServer(nullptr);
  }
  void UseScheduler(const std::string& server) {
    setenv("CUPS_SERVER", server.c_str(), 1);
    cupsSetServer(server.c_str());
  }
  // Chapter 1 on display, Print All confirmed; returns the problem message
  // shown (not seen: empty title) once the run has ended or never started.
  SeenDialog PrintAllFromChapterOne() {
    View().Navigate2(root_ + "guide/ch1.htm");
    EXPECT_TRUE(RunUntil([&] { return View().GetCurrentURL() == root_ + "guide/ch1.htm"; }));
    SeenDialog confirm;
    {
      DialogAnswerer ok(GTK_RESPONSE_OK, confirm);
      Frame().SendCommand(quiro::res::ID_FILE_PRINT_ALL);
    }
    EXPECT_TRUE(confirm.seen);
    SeenDialog problem;
    DialogAnswerer close(GTK_RESPONSE_OK, problem);
    RunUntil([&] { return RunningPrintAllRuns() == 0; }, 60000);
    RunUntil([&] { return problem.seen; }, 1000);  // only when something was lost
    return problem;
  }
};

TEST_F(PrintToPrinterTest, WithoutAPrinterNothingIsWalkedAndTheUserIsTold) {
  WriteSite();
  StartAndWaitReady();
  UseScheduler(dir_ / "no-scheduler.sock");
  const SeenDialog problem = PrintAllFromChapterOne();
  EXPECT_EQ(RunningPrintAllRuns(), 0);
  EXPECT_EQ(problem.title, "quiro");
  EXPECT_EQ(problem.type, GTK_MESSAGE_WARNING);
  EXPECT_EQ(problem.text, "Nothing was printed. The printing service (CUPS) is not running, so there is no printer.");
  EXPECT_EQ(Frame().GetMessageText(),
            "Print All: no page printed: The printing service (CUPS) is not running, so there is no printer.");
  // Nothing was walked: the chapter with the table was not rewritten.
  EXPECT_EQ(testing_support::ReadFile(root_ + "guide/ch2.htm").find("page-break-before"), std::string::npos);
}

TEST_F(PrintToPrinterTest, ARealQueueGetsOneJobPerPageNamedAfterIt) {
  testing_support::CupsScheduler cups;
  if (!cups.skipReason().empty()) GTEST_SKIP() << cups.skipReason();
  WriteSite();
  StartAndWaitReady();
  UseScheduler(cups.server());
  const SeenDialog problem = PrintAllFromChapterOne();
  EXPECT_FALSE(problem.seen) << problem.text;
  EXPECT_EQ(Frame().GetMessageText(), "Print All: 3 pages sent to " + cups.queue());
  // One job a page, named after it, in printing order, each printed (cups-pdf
  // has written its file).
  // The pages print two at a time, but the jobs go in walking order.
  std::vector<std::pair<int, std::string>> jobsById;
  RunUntil([&] {
    jobsById.clear();
    cups_job_t* jobs = nullptr;
    const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, cups.queue().c_str(), 0, CUPS_WHICHJOBS_COMPLETED);
    for (int i = 0; i < n; ++i) jobsById.emplace_back(jobs[i].id, jobs[i].title);
    cupsFreeJobs(n, jobs);
    return jobsById.size() == 3;
  }, 30000);
  std::sort(jobsById.begin(), jobsById.end());
  std::vector<std::string> titles;
  for (const auto& job : jobsById) titles.push_back(job.second);
  EXPECT_EQ(titles, (std::vector<std::string>{"Guideindex", "Chapterone", "Chaptertwo"}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(cups.out()), std::filesystem::directory_iterator()), 3);

  // A queue that refuses jobs: said before any page, with its reason.
  ASSERT_EQ(cups.Tool("cupsreject", {"-r", "out of paper", cups.queue()}).status, 0);
  const SeenDialog refused = PrintAllFromChapterOne();
  EXPECT_EQ(refused.text, "Nothing was printed. The printer \"" + cups.queue() + "\" is not accepting jobs: out of paper.");
  EXPECT_EQ(Frame().GetMessageText(), "Print All: no page printed: The printer \"" + cups.queue() +
                                          "\" is not accepting jobs: out of paper.");
}

// A job the printer took and then lost (here: cancelled while the stopped
// queue held it) is a lost page after all: said while the run pauses.
TEST_F(PrintToPrinterTest, AJobLostAfterItWasTakenIsSaid) {
  testing_support::CupsScheduler cups;
  if (!cups.skipReason().empty()) GTEST_SKIP() << cups.skipReason();
  setenv("QUIRO_PRINT_ALL_PAUSE_MS", "30000", 1);
  WriteSite();
  StartAndWaitReady();
  UseScheduler(cups.server());
  ASSERT_EQ(cups.Tool("cupsdisable", {cups.queue()}).status, 0);
  View().Navigate2(root_ + "guide/ch1.htm");
  ASSERT_TRUE(RunUntil([&] { return View().GetCurrentURL() == root_ + "guide/ch1.htm"; }));
  SeenDialog confirm;
  {
    DialogAnswerer ok(GTK_RESPONSE_OK, confirm);
    Frame().SendCommand(quiro::res::ID_FILE_PRINT_ALL);
  }
  const std::string sent = "Print All: 3 pages sent to " + cups.queue();
  ASSERT_TRUE(RunUntil([&] { return Frame().GetMessageText() == sent; }, 30000));

  ASSERT_EQ(cups.Tool("cancel", {"-a", cups.queue()}).status, 0);
  SeenDialog problem;
  DialogAnswerer close(GTK_RESPONSE_OK, problem);
  ASSERT_TRUE(RunUntil([&] { return problem.seen; }, 20000));
  EXPECT_EQ(problem.title, "quiro");
  EXPECT_EQ(problem.text.rfind("None of the 3 pages was printed. The printer did not print it: ", 0), 0u)
      << problem.text;
  EXPECT_EQ(Frame().GetMessageText().rfind("Print All: no page printed: the printer did not print it: ", 0), 0u)
      << Frame().GetMessageText();
  EXPECT_EQ(RunningPrintAllRuns(), 1);  // still in its closing pause
}

}  // namespace

// ---------------------------------------------------------------------------
// Closing the window while a run prints: the real viewer in a child process
// (this test program again, running only the child's part below).

namespace {

constexpr const char* kChildFlag = "QUIRO_TEST_PRINT_ALL_CHILD";

// Child's part: once the start page is shown, Print All (answered OK), and
// once a page has been printed, the window is closed and the question that
// follows answered with Close. The run still has pages to hand over: they
// are printed before the program ends. It would then pause 60 s; ending
// does not wait for that.
SeenDialog g_closeQuestion;
int g_runsAfterShutdown = -1;

gboolean DriveViewer(gpointer) {
  static int step = 0;
  static SeenDialog seen;
  static std::unique_ptr<DialogAnswerer> answerer;
  auto* app = dynamic_cast<CQuiroApp*>(Gio::Application::get_default().get());
  if (app == nullptr || app->GetMainWnd() == nullptr) return G_SOURCE_CONTINUE;
  CMainFrame& frame = *app->GetMainWnd();
  const std::string page = std::getenv("QUIRO_TEST_PAGE");
  if (step == 0 && app->GetProbe().IsStartPageReady()) {
    frame.GetActiveView().Navigate2(page);
    step = 1;
  } else if (step == 1 && frame.GetActiveView().GetCurrentURL() == page) {
    answerer = std::make_unique<DialogAnswerer>(GTK_RESPONSE_OK, seen);
    step = 2;
    frame.SendCommand(quiro::res::ID_FILE_PRINT_ALL);
    answerer.reset();
    if (app->GetProbe().RunningPrintAllRuns() != 1) std::_Exit(3);
    // The application's own shutdown handler, connected first, has run by then.
    app->signal_shutdown().connect([app] { g_runsAfterShutdown = app->GetProbe().RunningPrintAllRuns(); });
  } else if (step == 2) {
    std::string folder = std::getenv("QUIRO_PRINT_TO_PDF_DIR");
    bool printed = false;
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator(folder, ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
      std::uintmax_t size = it->file_size(ec);
      printed = printed || (!ec && size > 0);
    }
    if (printed) {
      step = 3;
      // The question comes once the window has the close request.
      static DialogAnswerer close(GTK_RESPONSE_OK, g_closeQuestion);
      frame.close();
      return G_SOURCE_REMOVE;
    }
  }
  return G_SOURCE_CONTINUE;
}

}  // namespace

TEST(PrintAllWindowChild, Run) {
  if (std::getenv(kChildFlag) == nullptr) GTEST_SKIP() << "run by ClosingTheWindowDuringARun";
  g_timeout_add(20, DriveViewer, nullptr);
  char name[] = "quiro";
  char* argv[] = {name, nullptr};
  int status = quiro::RunViewer({}, argv[0]);
  // The application's shutdown stopped and joined the run.
  if (g_runsAfterShutdown != 0) status = 4;
  if (!g_closeQuestion.seen || g_closeQuestion.title != "quiro" ||
      g_closeQuestion.text.find("Close anyway?") == std::string::npos)
    status = 5;
  std::exit(status);
}

TEST(PrintAllWindowTest, ClosingTheWindowDuringARunAsksAndHandsOverEveryPage) {
  if (!print_test::HaveDisplay()) GTEST_SKIP() << "needs a display";
  testing_support::TempDir dir;
  dir.Write("TOVY.INI", "[MAIN]\r\nDocumentRoot=docs\r\nAutoRebuild=0\r\n");
  dir.Write("docs/DocFrame.htm", "<html><body>Start</body></html>\n");
  std::string doc = print_test::WriteLongDocument(dir, 50);
  std::string self = std::filesystem::canonical("/proc/self/exe");

  testing_support::ChildProcess child(
      self, {"--gtest_filter=PrintAllWindowChild.Run"},
      {dir.path(),
       {std::string(kChildFlag) + "=1", "QUIRO_TEST_PAGE=" + doc + "/index.htm",
        "QUIRO_PRINT_TO_PDF_DIR=" + dir / "printed", "QUIRO_PRINT_ALL_PAUSE_MS",
        "VESK_DRIVE_C=" + dir / "drivec", "XDG_CONFIG_HOME=" + dir / "config",
        "XDG_STATE_HOME=" + dir / "state"},
       40000});

  // Note the viewer's helper processes while it runs.
  std::set<pid_t> helpers;
  testing_support::ProgramRun run = child.Wait([&] {
    for (pid_t p : print_test::ChildrenOf(child.pid())) helpers.insert(p);
  });
  ASSERT_NE(run.status, 5) << "no question before closing\n" << run.err;
  ASSERT_EQ(run.status, 0) << "the viewer did not end by itself within 40 s\n" << run.err;
  EXPECT_FALSE(helpers.empty());
  auto gone = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (pid_t p : helpers) {
    while (print_test::ProcessExists(p) && std::chrono::steady_clock::now() < gone)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(print_test::ProcessExists(p)) << "helper " << p << " left behind";
  }
  // Every page was handed over, each whole.
  std::vector<std::string> printed;
  for (const auto& e : std::filesystem::directory_iterator(dir / "printed")) printed.push_back(e.path());
  EXPECT_EQ(printed.size(), 50u);
  for (const std::string& f : printed) EXPECT_EQ(print_test::PdfPageCount(f), 1) << f;
}
