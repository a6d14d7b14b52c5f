#pragma once
// Print All runs: one worker thread per run walks the linked pages and has
// the GTK main loop create, load and print a hidden view for each page.
//
// WebKit objects live on the main thread only. The worker asks the main loop
// for each step and waits for its answer; a stop request (program exit) wakes
// every wait, and the main loop then answers pending requests with
// "cancelled".

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/print_page_printer.h"
#include "printall/print_report.h"

namespace quiro {

/// The closing pause after a run's walk: $QUIRO_PRINT_ALL_PAUSE_MS when it is
/// a number of milliseconds (0 or more), else 60000.
int PrintAllPauseMs();

struct PrintAllResult {
  int pagesRecorded = 0;  ///< pages the walk recorded (at most 50)
  int viewsCreated = 0;   ///< hidden views created
  int pagesPrinted = 0;   ///< pages the printing system took
  bool cancelled = false; ///< the run was stopped before it ended
  std::vector<std::string> outputFiles;  ///< PDF files written, in printing order
  /// Each recorded page and what became of it, in printing order.
  PrintRunReport report;
};

struct PrintAllOptions {
  std::string startPath;  ///< the local start page (found by the climb)
  platform::DocSite site;  ///< the document site the run stays in and loads pages from
  PrintDestination destination;
  int pauseMs = 60000;
  /// Shows progress ("Printing page 3: /path"); called on the main thread.
  std::function<void(const std::string& text)> showStatus;
  /// Called on the main thread once the walk has ended and every page has
  /// been handed over or given up (before the closing pause).
  std::function<void(const PrintRunReport& report)> walked;
  /// Called on the main thread when jobs the printer had taken failed later
  /// (cancelled or aborted), seen during the closing pause; the report then
  /// counts those pages as lost.
  std::function<void(const PrintRunReport& report)> jobsFailed;
  /// Called on the main thread once the run has ended and its views are closed.
  std::function<void(const PrintAllResult& result)> finished;
};

struct PrintAllRuns;

/// The Print All runs of one owner (the application, or a command-line
/// mode): it starts them, knows which still hand pages over and stops them
/// all. Runs are independent: several may print at the same time. Main
/// thread only; the service stops every run of its own when it goes.
class PrintAllService {
 public:
  PrintAllService();
  ~PrintAllService();
  PrintAllService(const PrintAllService&) = delete;
  PrintAllService& operator=(const PrintAllService&) = delete;

  /// Starts a run on a worker thread of its own. Returns false when the
  /// thread could not be started (nothing is printed then).
  bool Start(PrintAllOptions options);

  /// Runs whose walk goes on: they still have pages to hand to the printer.
  int RunsHandingOver() const;

  /// Calls `done` on the main thread once no run has pages left to hand over
  /// (at once when none has).
  void WhenPagesHandedOver(std::function<void()> done);

  /// Stops every run: wakes its waits, answers its pending requests on the
  /// main loop with "cancelled", joins its thread and closes its hidden
  /// views. Returns once no run is left.
  void StopAll();

 private:
  friend class TestProbe;  // counts the runs
  std::shared_ptr<PrintAllRuns> m_runs;
};

}  // namespace quiro
