#include "app/print_worker.h"

#include <gio/gio.h>
#include <glib.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <system_error>
#include <thread>
#include <vector>

#include "app/test_probe.h"
#include "builder/catalogue_config.h"
#include "printall/printer.h"
#include "printall/page_rewriter.h"
#include "printall/print_all_run.h"
#include "res/strings.h"

namespace quiro {

namespace {

// State of one run shared by the worker and the main loop. The printer is
// reached through a weak reference: only the main thread owns it, so its
// views are always destroyed there.
struct RunShared {
  std::stop_source stop;
  std::weak_ptr<CHiddenPagePrinter> printer;
  // Main thread only:
  PrintAllOptions options;
  PrintAllResult result;
  bool walking = true;
  // The printer's jobs, by page index in the report; written on the main
  // thread, read by the worker after the walk.
  std::mutex jobsMutex;
  std::vector<std::pair<std::size_t, int>> jobs;
};

struct RunRecord {
  std::shared_ptr<RunShared> shared;
  std::shared_ptr<CHiddenPagePrinter> printer;
  std::jthread thread;
};

}  // namespace

// The runs of one service and who waits for their pages to be handed over.
// Main thread only. The workers' last requests reach it through a weak
// reference: a run's requests answered after the service went find nothing.
struct PrintAllRuns {
  std::list<std::unique_ptr<RunRecord>> runs;
  std::vector<std::function<void()>> waiters;

  int HandingOver() const {
    int walking = 0;
    for (const auto& run : runs) walking += run->shared->walking ? 1 : 0;
    return walking;
  }

  void CallWaitersWhenDone() {
    if (HandingOver() != 0) return;
    std::vector<std::function<void()>> done = std::move(waiters);
    waiters.clear();
    for (auto& waiter : done) waiter();
  }
};

namespace {

// Records what became of a page; main thread only.
void RecordPage(const std::shared_ptr<RunShared>& shared, const std::string& path,
                const PageOutcome& outcome) {
  PrintedPage page;
  page.path = path;
  page.title = outcome.title;
  page.sent = outcome.result == PagePrintResult::Printed;
  page.problem = outcome.problem;
  page.job = outcome.jobId;
  shared->result.report.pages.push_back(std::move(page));
  if (outcome.jobId != 0) {
    std::lock_guard lock(shared->jobsMutex);
    shared->jobs.emplace_back(shared->result.report.pages.size() - 1, outcome.jobId);
  }
}

// Runs `fn` on the main loop (the default main context), always from the
// thread that turns it. (g_main_context_invoke would run it right here on
// the worker whenever the worker could take the context.)
void PostToMainLoop(std::function<void()> fn) {
  auto* heap = new std::function<void()>(std::move(fn));
  GSource* source = g_idle_source_new();
  g_source_set_priority(source, G_PRIORITY_DEFAULT);
  g_source_set_callback(
      source,
      [](gpointer data) -> gboolean {
        (*static_cast<std::function<void()>*>(data))();
        return G_SOURCE_REMOVE;
      },
      heap, [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
  g_source_attach(source, g_main_context_default());
  g_source_unref(source);
}

// The answer to one request of a worker to the main loop.
struct Answer {
  std::mutex mutex;
  std::condition_variable_any ready;
  bool answered = false;
  int value = 0;

  void Give(int v) {
    {
      std::lock_guard lock(mutex);
      if (answered) return;
      answered = true;
      value = v;
    }
    ready.notify_all();
  }
};

constexpr int kCancelled = -1;

// Posts `work` to the main loop and waits for it to answer. Returns
// kCancelled when the run is stopped first; the main loop then answers
// "cancelled" without doing the work.
int AskMainLoop(const std::stop_token& stop, const std::shared_ptr<RunShared>& shared,
                std::function<void(CHiddenPagePrinter&, std::shared_ptr<Answer>)> work) {
  auto answer = std::make_shared<Answer>();
  PostToMainLoop([shared, answer, work = std::move(work)] {
    std::shared_ptr<CHiddenPagePrinter> printer = shared->printer.lock();
    if (shared->stop.stop_requested() || !printer) {
      answer->Give(kCancelled);
      return;
    }
    work(*printer, answer);
  });
  std::unique_lock lock(answer->mutex);
  if (!answer->ready.wait(lock, stop, [&] { return answer->answered; })) return kCancelled;
  return answer->value;
}

// Waits for `answer`; kCancelled when the run is stopped first.
int WaitFor(const std::stop_token& stop, Answer& answer) {
  std::unique_lock lock(answer.mutex);
  if (!answer.ready.wait(lock, stop, [&] { return answer.answered; })) return kCancelled;
  return answer.value;
}

constexpr int kReady = 0;  // a page's answer: printed into its file, waiting to be handed on

// Pages start printing in the order recorded, although a later page may
// load first: a page's turn comes when the page before it has started
// printing or has ended. Main thread only.
struct PrintTurn {
  bool passed = false;
  std::function<void()> next;  // the start of the page after it, waiting for this turn

  void Pass() {
    passed = true;
    std::function<void()> start = std::move(next);
    next = nullptr;
    if (start) start();
  }
  void After(std::function<void()> start) {
    if (passed) {
      start();
    } else {
      next = std::move(start);
    }
  }
};

// A page of the walk from its recording until it has been handed on or
// given up: its view and how its load and printing went.
struct HeldPage {
  std::string path;
  int view = -1;  // -1: no view could be made
  std::shared_ptr<Answer> printed = std::make_shared<Answer>();  // kReady, or 1: ended
  std::shared_ptr<PageOutcome> failure = std::make_shared<PageOutcome>();  // main thread only
};

// The pages of a walk as they pass through the views. Each page starts
// loading in a view of its own as soon as it is recorded, and prints into
// its file as soon as it has loaded, while the page recorded before it may
// still be printing: two views hold pages at a time, each with a web process
// of its own, so both cores print. Pages are handed on (to the printer or
// the PDF folder), and reported, one at a time in the order recorded. A
// page's view is related to the view of the page two before it, handed on
// by then, which then goes.
class PagePipeline {
 public:
  PagePipeline(const std::stop_token& stop, std::shared_ptr<RunShared> shared, std::string root)
      : stop_(stop), shared_(std::move(shared)), root_(std::move(root)) {}

  // A page the walk has just recorded as number `number`: hands on the page
  // two before it, then starts its load and printing. True when a view was
  // created for it.
  bool Add(const std::string& path, int number) {
    while (held_.size() >= 2 && !stop_.stop_requested()) HandOnOldest();
    if (stop_.stop_requested()) return false;
    HeldPage page;
    page.path = path;
    const int spare = spare_;
    std::shared_ptr<PrintTurn> before = std::move(lastTurn_);
    auto turn = std::make_shared<PrintTurn>();
    lastTurn_ = turn;
    page.view = AskMainLoop(stop_, shared_, [spare, turn, before](CHiddenPagePrinter& printer,
                                                                  std::shared_ptr<Answer> a) {
      const int view = printer.CreateView(spare);
      printer.CloseView(spare);
      if (view < 0) {  // a page without a view passes its turn on at once
        if (before) {
          before->After([turn] { turn->Pass(); });
        } else {
          turn->Pass();
        }
      }
      a->Give(view);
    });
    if (page.view == kCancelled) return false;
    spare_ = -1;
    const bool created = page.view >= 0;
    if (created) {
      // A page the user may not rewrite on disk is printed from its rewritten
      // text held in memory.
      auto source = std::make_shared<PrintSource>(PreparePageForPrinting(path, root_));
      const int view = page.view;
      std::shared_ptr<Answer> printed = page.printed;
      std::shared_ptr<PageOutcome> failure = page.failure;
      AskMainLoop(stop_, shared_, [view, path, number, source, printed, failure, shared = shared_, turn, before](
                                      CHiddenPagePrinter& printer, std::shared_ptr<Answer> a) {
        auto ended = [printed, failure](const std::optional<PageOutcome>& outcome) {
          if (outcome) *failure = *outcome;
          printed->Give(outcome ? 1 : kReady);
        };
        // Loaded (or not): the page prints, or gives up its turn, once the
        // page before it has had its turn.
        auto start = [view, path, number, shared, ended, turn](const std::optional<PageOutcome>& failed) {
          const std::shared_ptr<CHiddenPagePrinter> owner = shared->printer.lock();
          if (failed) {
            ended(failed);
          } else if (!owner || shared->stop.stop_requested()) {
            ended(PageOutcome{});  // Cancelled
          } else {
            if (shared->options.showStatus) {
              shared->options.showStatus(res::FormatString(res::IDS_PRINTING_PAGE, {std::to_string(number), path}));
            }
            owner->Print(view, ended);
          }
          turn->Pass();
        };
        printer.Load(
            view, path, number,
            [start, before](const std::optional<PageOutcome>& failed) {
              if (before) {
                before->After([start, failed] { start(failed); });
              } else {
                start(failed);
              }
            },
            source->inMemory ? std::move(source->text) : std::string());
        a->Give(0);
      });
    }
    held_.push_back(std::move(page));
    return created;
  }

  // The walk has ended: hands on the pages still held.
  void Flush() {
    while (!held_.empty() && !stop_.stop_requested()) HandOnOldest();
  }

  int Printed() const { return printed_; }

 private:
  void HandOnOldest() {
    HeldPage page = std::move(held_.front());
    held_.pop_front();
    const std::shared_ptr<RunShared> shared = shared_;
    const std::string path = page.path;
    if (page.view < 0) {  // no view: the page is skipped
      PostToMainLoop([shared, path] {
        PageOutcome outcome;
        outcome.result = PagePrintResult::PrintFailed;
        outcome.problem = res::LoadString(res::IDS_PAGE_NO_VIEW);
        RecordPage(shared, path, outcome);
      });
      return;
    }
    spare_ = page.view;
    const int printed = WaitFor(stop_, *page.printed);
    if (printed == kCancelled) return;
    if (printed != kReady) {
      std::shared_ptr<PageOutcome> failure = page.failure;
      PostToMainLoop([shared, path, failure] {
        if (failure->result != PagePrintResult::Cancelled && !shared->stop.stop_requested())
          RecordPage(shared, path, *failure);
      });
      return;
    }
    const int view = page.view;
    const int handed = AskMainLoop(stop_, shared, [shared, view, path](CHiddenPagePrinter& printer,
                                                                       std::shared_ptr<Answer> a) {
      const PageOutcome outcome = printer.Deliver(view);
      if (outcome.result == PagePrintResult::Printed) {
        ++shared->result.pagesPrinted;
        if (!outcome.outputFile.empty()) shared->result.outputFiles.push_back(outcome.outputFile);
      }
      if (outcome.result != PagePrintResult::Cancelled) RecordPage(shared, path, outcome);
      a->Give(static_cast<int>(outcome.result));
    });
    if (handed == static_cast<int>(PagePrintResult::Printed)) ++printed_;
  }

  const std::stop_token& stop_;
  std::shared_ptr<RunShared> shared_;
  std::string root_;
  std::deque<HeldPage> held_;  // recorded, not yet handed on; the oldest first
  std::shared_ptr<PrintTurn> lastTurn_;  // the turn of the page recorded last
  int spare_ = -1;  // the view of the page handed on last, which the next view is related to
  int printed_ = 0;
};

void PrintAllThreadProc(std::string startPath, std::string root, std::shared_ptr<RunShared> shared,
                        std::weak_ptr<PrintAllRuns> owner, RunRecord* record, int pauseMs) {
  const std::stop_token stop = shared->stop.get_token();
  PrintAllRun run;
  run.root = root;
  PagePipeline pipeline(stop, shared, root);
  run.printPage = [&pipeline](const std::string& path, PrintAllRun& r) {
    return pipeline.Add(path, r.pageCount);  // the page just recorded
  };
  PrintLinkedPages(startPath, run);
  pipeline.Flush();
  const int printed = pipeline.Printed();
  const int recorded = run.pageCount;
  const int views = run.browserCount;
  // Every page is handed over or given up by now.
  PostToMainLoop([shared, owner] {
    shared->walking = false;
    if (shared->options.walked && !shared->stop.stop_requested()) shared->options.walked(shared->result.report);
    if (const std::shared_ptr<PrintAllRuns> runs = owner.lock()) runs->CallWaitersWhenDone();
  });

  // The closing pause gives the printing system time with the pages before
  // their views go; program exit cuts it short. A run that printed nothing
  // (no view could be made, or no page reached the printing system) closes
  // its views at once.
  // Meanwhile the jobs handed to a printer are followed: one that is then
  // cancelled or aborted is a lost page after all.
  if (views > 0 && printed > 0 && pauseMs > 0 && !stop.stop_requested()) {
    std::vector<std::pair<std::size_t, int>> pending;
    {
      std::lock_guard lock(shared->jobsMutex);
      pending = shared->jobs;
    }
    std::vector<std::pair<std::size_t, std::string>> failed;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(pauseMs);
    std::mutex mutex;
    std::condition_variable_any never;
    std::unique_lock lock(mutex);
    while (!stop.stop_requested() && std::chrono::steady_clock::now() < end) {
      const auto next = pending.empty() ? end : std::min(end, std::chrono::steady_clock::now() + std::chrono::seconds(1));
      never.wait_until(lock, stop, next, [] { return false; });
      if (stop.stop_requested() || pending.empty()) continue;
      for (auto it = pending.begin(); it != pending.end();) {
        const printall::JobState state = printall::QueryJob(it->second);
        if (state.outcome == printall::JobOutcome::Waiting) {
          ++it;
          continue;
        }
        if (state.outcome == printall::JobOutcome::Failed) failed.emplace_back(it->first, state.problem);
        it = pending.erase(it);
      }
      if (!failed.empty()) {
        PostToMainLoop([shared, failed] {
          for (const auto& [index, problem] : failed) {
            PrintedPage& page = shared->result.report.pages[index];
            page.sent = false;
            page.problem = res::FormatString(res::IDS_PAGE_JOB_FAILED, {problem});
          }
          if (shared->options.jobsFailed && !shared->stop.stop_requested())
            shared->options.jobsFailed(shared->result.report);
        });
        failed.clear();
      }
    }
  }

  const bool cancelled = stop.stop_requested();
  PostToMainLoop([owner, record, recorded, views, cancelled] {
    const std::shared_ptr<PrintAllRuns> service = owner.lock();
    if (!service) return;
    std::list<std::unique_ptr<RunRecord>>& runs = service->runs;
    for (auto it = runs.begin(); it != runs.end(); ++it) {
      if (it->get() != record) continue;
      std::unique_ptr<RunRecord> done = std::move(*it);
      runs.erase(it);
      done->thread.join();  // it has nothing left to do but return
      if (done->printer) done->printer->CloseAll();
      done->printer.reset();
      PrintAllResult result = std::move(done->shared->result);
      result.pagesRecorded = recorded;
      result.viewsCreated = views;
      result.cancelled = cancelled;
      if (done->shared->options.finished) done->shared->options.finished(result);
      return;
    }
  });
}

}  // namespace

int PrintAllPauseMs() {
  const char* text = std::getenv("QUIRO_PRINT_ALL_PAUSE_MS");
  if (text != nullptr && *text != '\0') {
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (end != text && *end == '\0' && value >= 0 && value <= 3600000) {
      return static_cast<int>(value);
    }
  }
  return 60000;
}

PrintAllService::PrintAllService() : m_runs(std::make_shared<PrintAllRuns>()) {}

PrintAllService::~PrintAllService() { StopAll(); }

bool PrintAllService::Start(PrintAllOptions options) {
  auto record = std::make_unique<RunRecord>();
  record->shared = std::make_shared<RunShared>();
  record->printer = std::make_shared<CHiddenPagePrinter>(options.destination, options.site);
  record->shared->printer = record->printer;
  record->shared->result.report.destination = options.destination.Name();
  const int pauseMs = options.pauseMs;
  std::string startPath = options.startPath;
  std::string root = options.site.root;
  record->shared->options = std::move(options);
  RunRecord* raw = record.get();
  try {
    record->thread = std::jthread(PrintAllThreadProc, std::move(startPath), std::move(root), record->shared,
                                  std::weak_ptr<PrintAllRuns>(m_runs), raw, pauseMs);
  } catch (const std::system_error&) {
    return false;
  }
  m_runs->runs.push_back(std::move(record));
  return true;
}

// The probe's count is defined here, next to the runs it counts.
int TestProbe::RunningPrintAllRuns(const PrintAllService& service) {
  return static_cast<int>(service.m_runs->runs.size());
}

int PrintAllService::RunsHandingOver() const { return m_runs->HandingOver(); }

void PrintAllService::WhenPagesHandedOver(std::function<void()> done) {
  m_runs->waiters.push_back(std::move(done));
  m_runs->CallWaitersWhenDone();
}

void PrintAllService::StopAll() {
  for (auto& run : m_runs->runs) run->shared->stop.request_stop();
  // Each worker, once woken, posts its last request; answering it removes
  // the run. Keep the loop turning until all have.
  while (!m_runs->runs.empty()) g_main_context_iteration(nullptr, TRUE);
}

}  // namespace quiro
