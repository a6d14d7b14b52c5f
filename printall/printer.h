#pragma once
// The system's printers, through the CUPS scheduler: which is the default,
// whether it takes jobs, handing it a PDF file as a named job, and what
// became of that job. Each call is one short exchange with the scheduler
// (on the local socket, or wherever CUPS_SERVER points), safe on any thread.
// Failures are results carrying a sentence for the user.

#include <string>

namespace printall {

struct PrinterStatus {
  /// The default printer's queue name; empty when there is none.
  std::string name;
  /// True when the printer exists and accepts jobs now.
  bool ready = false;
  /// True when it accepts jobs but is stopped: they wait in its queue.
  bool stopped = false;
  /// Why it cannot print, as a sentence: no printing service, no default
  /// printer, or the printer's refusal with the reason its owner gave.
  std::string problem;
};

/// The default printer as CUPS chooses it for this user: $LPDEST or
/// $PRINTER, the lpoptions files, then the scheduler's default.
PrinterStatus DefaultPrinter();

struct PrintJob {
  int id = 0;          ///< the scheduler's job id; 0 when the job was refused
  std::string problem; ///< why it was refused
};

/// Hands the PDF file `path` to printer `printer` as a job named `title`
/// (the name the queue shows). The file is read before this returns.
PrintJob SubmitPdf(const std::string& printer, const std::string& path, const std::string& title);

enum class JobOutcome { Waiting, Printed, Failed };

struct JobState {
  JobOutcome outcome = JobOutcome::Waiting;
  std::string problem;  ///< for a failed job: what the scheduler says
};

/// What became of job `id`: still queued or printing, printed, or cancelled
/// or aborted. A job the scheduler no longer knows counts as printed: jobs
/// leave its history only after they end.
JobState QueryJob(int id);

}  // namespace printall
