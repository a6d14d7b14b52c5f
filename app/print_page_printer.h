#pragma once
// Hidden browser views that print one page each, for Print All.
//
// Everything here runs on the GTK main thread. A run owns one
// CHiddenPagePrinter. A view made related to another shares that view's web
// process; one made without gets a web process of its own, so two pages can
// be loaded and printed side by side. A view stays alive until the run
// closes it or all of them.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/doc_request.h"

typedef struct _WebKitWebView WebKitWebView;

namespace quiro {

/// Where printed pages go: a printer, or one PDF file per page in a folder
/// ($QUIRO_PRINT_TO_PDF_DIR).
struct PrintDestination {
  std::string pdfFolder;  ///< empty: the printer
  std::string printer;    ///< the printer's queue name, for jobs handed to it
  bool ToPdf() const { return !pdfFolder.empty(); }
  /// Where the pages went, for the user: the printer's name or the folder.
  std::string Name() const { return ToPdf() ? pdfFolder : printer; }
};

/// The destination the user chose: a PDF folder when $QUIRO_PRINT_TO_PDF_DIR
/// is set and not empty, else the printer (its name is filled in once the
/// default printer has been asked for).
PrintDestination PrintDestinationFromEnvironment();

/// File name of the PDF of the page printed as number `number` of a run:
/// "001-INDEX.HTM.pdf" for page 1 with path ".../INDEX.HTM".
std::string PdfFileNameFor(int number, const std::string& pagePath);

/// Loads the page file `file` into `view` for printing: through the
/// program's scheme when it lies below the document root, else as a file
/// URL; with `memoryText`, that text (the page rewritten for printing, held
/// in memory because the file may not be rewritten) at the page's address.
void LoadPageForPrinting(WebKitWebView* view, const std::string& file, std::string memoryText,
                         const platform::DocSite& site);

enum class PagePrintResult {
  Printed,      ///< handed to the printer (or written to its PDF file)
  LoadFailed,   ///< the page could not be loaded; nothing printed
  PrintFailed,  ///< the page could not be printed, or the printer refused the job
  TimedOut,     ///< the view stopped answering
  Cancelled,    ///< the run was stopped first
  Frameset,     ///< a frameset, which would print as a blank sheet: not printed
};

/// What became of one page.
struct PageOutcome {
  PagePrintResult result = PagePrintResult::Cancelled;
  std::string outputFile;  ///< the PDF file written (PDF destination only)
  std::string title;       ///< the page's title: the name of its job
  std::string problem;     ///< why it was not printed, as a sentence
  int jobId = 0;           ///< the printer's job (printer destination only)
};

class CHiddenPagePrinter {
 public:
  /// The end of a page's load or of its printing: no outcome when the page
  /// is ready for its next step, else what became of the page (it goes no
  /// further).
  using StepFn = std::function<void(const std::optional<PageOutcome>& failure)>;

  /// Pages are loaded from `site`.
  CHiddenPagePrinter(PrintDestination destination, platform::DocSite site);
  ~CHiddenPagePrinter();
  CHiddenPagePrinter(const CHiddenPagePrinter&) = delete;
  CHiddenPagePrinter& operator=(const CHiddenPagePrinter&) = delete;

  /// Creates a new hidden view; returns its index, or -1 when it could not
  /// be created. The view shares the web process of view `relatedTo` while
  /// that one is open; otherwise it gets one of its own.
  int CreateView(int relatedTo = -1);

  /// Destroys view `index`; a page still in it ends as
  /// PagePrintResult::Cancelled. Indexes of the other views stay as they are.
  void CloseView(int index);

  /// Loads the local page `path` into view `index` for printing as page
  /// `number` of the run (its PDF file is claimed now) and waits for the load
  /// to end: finished, failed, web process gone, or 30 s without an answer.
  /// A frameset ends the page (PagePrintResult::Frameset). `loaded` is called
  /// once, on the main thread. With `memoryText`, that text (the page
  /// rewritten for printing, held in memory) is loaded in place of the file,
  /// at the page's address.
  void Load(int index, const std::string& path, int number, StepFn loaded,
            std::string memoryText = std::string());

  /// Prints the page view `index` has loaded into its PDF file, without a
  /// dialog. `printed` is called once, on the main thread, when the file is
  /// complete (the page then waits for Deliver) or when the page could not
  /// be printed (also when it was lost since it was loaded).
  void Print(int index, StepFn printed);

  /// Hands on the page view `index` has printed: its PDF file, with the
  /// empty sheets at its end taken off, stays in the PDF folder or goes, as
  /// a job named after the page's title, to the printer. Returns what became
  /// of the page (PagePrintResult::Printed when the printer took it).
  PageOutcome Deliver(int index);

  /// Destroys every view; pending pages end with PagePrintResult::Cancelled.
  void CloseAll();

  /// Views created so far, closed ones included.
  int ViewCount() const { return static_cast<int>(m_pages.size()); }

  struct Page;

 private:
  Page* PageAt(int index) const;  ///< null for an index no view was made at

  int m_loadTimeoutMs = 30000;
  int m_printTimeoutMs = 60000;
  PrintDestination m_destination;
  platform::DocSite m_site;
  std::string m_spoolFolder;  ///< private folder of the PDF files on their way to the printer
  std::vector<std::unique_ptr<Page>> m_pages;
};

}  // namespace quiro
