#include "app/print_page_printer.h"

#include <fcntl.h>
#include <gtk/gtk.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "app/core/doc_site.h"
#include "app/gobject_ptr.h"
#include "app/web_engine.h"
#include "platform/doc_request.h"
#include "platform/paths.h"
#include "printall/printer.h"
#include "printall/empty_sheets.h"
#include "res/strings.h"

namespace quiro {

struct CHiddenPagePrinter::Page {
  /// Where the page in the view is: loading, loaded and waiting to be
  /// printed, printing, printed into its file and waiting to be handed on,
  /// or ended (also before any page: nothing to end).
  enum class Step { Idle, Loading, Ready, Printing, Printed, Ended };
  GObjectPtr<WebKitWebView> view;
  GObjectPtr<WebKitPrintOperation> operation;  ///< while the page prints
  Step step = Step::Idle;
  StepFn loaded;   ///< while Loading
  StepFn printed;  ///< while Printing
  /// How a page ended while nobody waited for it (its web process went while
  /// it was Ready, or it was handed on); Print and Deliver answer with it.
  std::optional<PageOutcome> ended;
  /// The page ended unprinted: its PDF file, should the engine still write
  /// it (a print whose web process went), is taken away again.
  bool discardFile = false;
  int printTimeoutMs = 0;
  guint timeout = 0;
  bool loadFailed = false;
  bool printFailed = false;
  std::string outputFile;  ///< the page's PDF file (in the spool folder when it goes to a printer)
  std::string printer;     ///< the printer that gets the file; empty for the PDF folder
  std::string title;
  std::string problem;
  int jobId = 0;
  GObjectPtr<GCancellable> cancellable;  ///< the frameset question; cancelled when the view goes
  bool closing = false;  ///< its view is being closed
};

namespace {

using Page = CHiddenPagePrinter::Page;

void StopTimeout(Page* page) {
  if (page->timeout != 0) {
    g_source_remove(page->timeout);
    page->timeout = 0;
  }
}

std::string DefaultProblem(PagePrintResult result) {
  switch (result) {
    case PagePrintResult::Printed: return {};
    case PagePrintResult::LoadFailed: return res::LoadString(res::IDS_PAGE_NOT_LOADED);
    case PagePrintResult::PrintFailed: return res::LoadString(res::IDS_PAGE_NOT_PRINTED);
    case PagePrintResult::TimedOut: return res::LoadString(res::IDS_PAGE_TIMED_OUT);
    case PagePrintResult::Cancelled: return res::LoadString(res::IDS_PAGE_CANCELLED);
    case PagePrintResult::Frameset: return res::LoadString(res::IDS_PAGE_FRAMESET);
  }
  return {};
}

// What a page that never reached a view ready for it became.
PageOutcome NotLoaded() {
  PageOutcome outcome;
  outcome.result = PagePrintResult::LoadFailed;
  outcome.problem = DefaultProblem(outcome.result);
  return outcome;
}

// Calls whoever waits for a step of the page, once.
void EndStep(CHiddenPagePrinter::StepFn& step, const std::optional<PageOutcome>& outcome) {
  CHiddenPagePrinter::StepFn call = std::move(step);
  step = nullptr;
  if (call) call(outcome);
}

// Ends the page: tells whoever waits for it (its load or its printing), once.
// The view itself stays until the run closes it.
void Finish(Page* page, PagePrintResult result) {
  StopTimeout(page);
  if (page->view != nullptr) g_signal_handlers_disconnect_by_data(page->view.get(), page);
  const Page::Step was = page->step;
  if (was == Page::Step::Idle || was == Page::Step::Ended) return;
  page->step = Page::Step::Ended;
  PageOutcome outcome;
  outcome.result = result;
  outcome.title = page->title;
  outcome.jobId = page->jobId;
  if (result == PagePrintResult::Printed && page->printer.empty()) outcome.outputFile = page->outputFile;
  if (result != PagePrintResult::Printed) {
    outcome.problem = page->problem.empty() ? DefaultProblem(result) : page->problem;
    // The placeholder claimed for this page would be an empty, broken PDF.
    if (!page->outputFile.empty()) ::unlink(page->outputFile.c_str());
    page->discardFile = true;
  }
  if (was == Page::Step::Loading) {
    EndStep(page->loaded, outcome);
  } else if (was == Page::Step::Printing) {
    EndStep(page->printed, outcome);
  } else {
    page->ended = std::move(outcome);
  }
}

gboolean OnTimeout(gpointer data) {
  auto* page = static_cast<Page*>(data);
  page->timeout = 0;
  Finish(page, PagePrintResult::TimedOut);
  // The page's web process stopped answering: end it, so that the next view
  // related to this one gets a fresh one instead of waiting out its time too.
  webkit_web_view_terminate_web_process(page->view.get());
  return G_SOURCE_REMOVE;
}

void StartTimeout(Page* page, int ms) {
  StopTimeout(page);
  page->timeout = g_timeout_add(static_cast<guint>(ms > 0 ? ms : 1), OnTimeout, page);
}

void OnPrintFailed(WebKitPrintOperation*, GError* error, gpointer data) {
  auto* page = static_cast<Page*>(data);
  page->printFailed = true;
  if (error != nullptr && page->problem.empty()) page->problem = error->message;
}

// Whether the file ends as a whole PDF does: with "%%EOF" in its last
// kilobyte. The engine may report a page printed whose web process died
// while it wrote the file; that file stops short.
bool EndsAsPdf(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  char tail[1024];
  ssize_t got = 0;
  const off_t size = ::lseek(fd, 0, SEEK_END);
  if (size > 0) got = ::pread(fd, tail, sizeof tail, size > 1024 ? size - 1024 : 0);
  ::close(fd);
  return got > 0 && std::string_view(tail, static_cast<std::size_t>(got)).find("%%EOF") != std::string_view::npos;
}

// The page's PDF is complete: without its trailing empty sheets it stays in
// the PDF folder or goes to the printer as a job named after the page.
PagePrintResult HandOn(Page* page) {
  std::string error;
  TrimTrailingEmptySheets(page->outputFile, error);  // a failure leaves the file as printed
  if (page->printer.empty()) return PagePrintResult::Printed;
  // A page without a title is named by its file ("003-CH2.HTM.pdf").
  const std::string name =
      !page->title.empty() ? page->title : page->outputFile.substr(page->outputFile.find_last_of('/') + 1);
  const printall::PrintJob job = printall::SubmitPdf(page->printer, page->outputFile, name);
  ::unlink(page->outputFile.c_str());
  page->outputFile.clear();
  if (job.id == 0) {
    page->problem = job.problem;
    return PagePrintResult::PrintFailed;
  }
  page->jobId = job.id;
  return PagePrintResult::Printed;
}

// A page that ended unprinted while the engine still had its PDF file open
// loses the file the engine wrote after all.
void DiscardFile(Page* page) {
  if (page->discardFile && !page->outputFile.empty()) ::unlink(page->outputFile.c_str());
}

void OnPrintFinished(WebKitPrintOperation* operation, gpointer data) {
  auto* page = static_cast<Page*>(data);
  g_signal_handlers_disconnect_by_data(operation, page);
  page->operation.reset();
  if (page->step != Page::Step::Printing) {  // ended meanwhile (its web process went)
    DiscardFile(page);
    return;
  }
  // The page's file is written. The view stays until the run closes it,
  // but lets its page go: fifty loaded pages in one web process slow every
  // later page down.
  webkit_web_view_load_uri(page->view.get(), "about:blank");
  if (page->printFailed || !EndsAsPdf(page->outputFile)) {
    Finish(page, PagePrintResult::PrintFailed);
    return;
  }
  // Nothing the view does now can change the file.
  StopTimeout(page);
  g_signal_handlers_disconnect_by_data(page->view.get(), page);
  page->step = Page::Step::Printed;
  EndStep(page->printed, std::nullopt);
}

// The name of GTK's print-to-file printer, as GTK spells it in the user's
// language.
const char* PrintToFilePrinterName() { return g_dgettext("gtk30", "Print to File"); }

// Every page is printed to a PDF file first, also one for a printer: the
// engine's own jobs would all be called "quiro job #N", and a printer that
// refuses them would not be noticed.
void StartPrinting(Page* page, int timeoutMs) {
  GObjectPtr<WebKitPrintOperation> operation(webkit_print_operation_new(page->view.get()));
  CGError error;
  const GCharPtr uri(g_filename_to_uri(page->outputFile.c_str(), nullptr, error.Out()));
  if (uri == nullptr) {
    operation.reset();
    Finish(page, PagePrintResult::PrintFailed);
    return;
  }
  const GObjectPtr<GtkPrintSettings> settings(gtk_print_settings_new());
  gtk_print_settings_set_printer(settings.get(), PrintToFilePrinterName());
  gtk_print_settings_set(settings.get(), GTK_PRINT_SETTINGS_OUTPUT_URI, uri.get());
  gtk_print_settings_set(settings.get(), GTK_PRINT_SETTINGS_OUTPUT_FILE_FORMAT, "pdf");
  webkit_print_operation_set_print_settings(operation.get(), settings.get());
  WebKitPrintOperation* printing = operation.get();
  page->operation = std::move(operation);
  g_signal_connect(printing, "failed", G_CALLBACK(OnPrintFailed), page);
  g_signal_connect(printing, "finished", G_CALLBACK(OnPrintFinished), page);
  StartTimeout(page, timeoutMs);
  webkit_print_operation_print(printing);
}

gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError* error, gpointer data) {
  auto* page = static_cast<Page*>(data);
  page->loadFailed = true;
  if (error != nullptr && page->problem.empty()) page->problem = error->message;
  return FALSE;
}

void OnWebProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason, gpointer data) {
  auto* page = static_cast<Page*>(data);
  Finish(page, page->step == Page::Step::Printing ? PagePrintResult::PrintFailed
                                                   : PagePrintResult::LoadFailed);
}

void OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer data) {
  if (event != WEBKIT_LOAD_FINISHED) return;
  auto* page = static_cast<Page*>(data);
  g_signal_handlers_disconnect_by_data(view, page);
  if (page->loadFailed) {
    Finish(page, PagePrintResult::LoadFailed);
    return;
  }
  // A page the program's scheme will not serve loads as its error page, with
  // the error's status: printing that would pass it off as the document.
  WebKitWebResource* resource = webkit_web_view_get_main_resource(view);
  WebKitURIResponse* response = resource != nullptr ? webkit_web_resource_get_response(resource) : nullptr;
  const guint status = response != nullptr ? webkit_uri_response_get_status_code(response) : 0;
  if (status >= 400) {
    page->problem = res::FormatString(res::IDS_PAGE_ERROR_STATUS, {std::to_string(status)});
    Finish(page, PagePrintResult::LoadFailed);
    return;
  }
  g_signal_connect(view, "web-process-terminated", G_CALLBACK(OnWebProcessTerminated), page);
  // A frameset prints as one blank sheet: find out first. The page's title
  // names its job (a view in no window may not have it as a property yet).
  if (page->cancellable == nullptr) page->cancellable.reset(g_cancellable_new());
  webkit_web_view_evaluate_javascript(
      view, "[document.querySelector('frameset') !== null, String(document.title)]", -1, nullptr, nullptr,
      page->cancellable.get(),
      [](GObject* source, GAsyncResult* result, gpointer data) {
        CGError error;
        const GObjectPtr<JSCValue> value(
            webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, error.Out()));
        const bool cancelled = g_error_matches(error.Get(), G_IO_ERROR, G_IO_ERROR_CANCELLED);
        bool frameset = false;
        std::string title;
        if (value != nullptr && jsc_value_is_array(value.get())) {
          const GObjectPtr<JSCValue> first(jsc_value_object_get_property_at_index(value.get(), 0));
          const GObjectPtr<JSCValue> second(jsc_value_object_get_property_at_index(value.get(), 1));
          frameset = jsc_value_to_boolean(first.get());
          const GCharPtr text(jsc_value_to_string(second.get()));
          title = text != nullptr ? text.get() : "";
        }
        if (cancelled) return;  // the view, and its page, are gone
        auto* page = static_cast<Page*>(data);
        if (page->step != Page::Step::Loading) return;  // ended meanwhile
        page->title = title;
        if (frameset) {
          Finish(page, PagePrintResult::Frameset);
          return;
        }
        // Loaded: the page waits in its view until it is its turn to print.
        // Only its web process going can end it meanwhile.
        StopTimeout(page);
        page->step = Page::Step::Ready;
        EndStep(page->loaded, std::nullopt);
      },
      page);
}

// Claims a file name for a page's PDF in `folder`: "NNN-NAME.pdf", or
// "NNN-NAME-2.pdf" and so on when that exists, so a run never overwrites a
// file (another run's, or an earlier one's). Empty when none can be made.
std::string ClaimPdfFile(const std::string& folder, int number, const std::string& pagePath) {
  std::string base = PdfFileNameFor(number, pagePath);
  std::string stem = base.substr(0, base.size() - 4);
  for (int attempt = 1; attempt <= 999; ++attempt) {
    std::string name = attempt == 1 ? base : stem + "-" + std::to_string(attempt) + ".pdf";
    std::string full = folder + "/" + name;
    int fd = ::open(full.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      ::close(fd);
      return full;
    }
    if (errno != EEXIST) return std::string();
  }
  return std::string();
}

}  // namespace

PrintDestination PrintDestinationFromEnvironment() {
  PrintDestination destination;
  const char* folder = std::getenv("QUIRO_PRINT_TO_PDF_DIR");
  if (folder != nullptr && *folder != '\0') {
    destination.pdfFolder = GCharPtr(g_canonicalize_filename(folder, nullptr)).get();
  }
  return destination;
}

std::string PdfFileNameFor(int number, const std::string& pagePath) {
  std::string::size_type cut = pagePath.find_last_of("/\\");
  std::string name = cut == std::string::npos ? pagePath : pagePath.substr(cut + 1);
  if (name.empty()) name = "page";
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "%03d-", number);
  return prefix + name + ".pdf";
}

CHiddenPagePrinter::CHiddenPagePrinter(PrintDestination destination, platform::DocSite site)
    : m_destination(std::move(destination)), m_site(std::move(site)) {}

CHiddenPagePrinter::~CHiddenPagePrinter() {
  CloseAll();
  if (!m_spoolFolder.empty()) ::rmdir(m_spoolFolder.c_str());  // its files went with their jobs
}

int CHiddenPagePrinter::CreateView(int relatedTo) {
  WebKitWebView* related = nullptr;
  if (const Page* page = PageAt(relatedTo)) related = page->view.get();
  GObjectPtr<WebKitWebView> view = NewHiddenPrintView(related);
  if (view == nullptr) return -1;
  auto page = std::make_unique<Page>();
  page->view = std::move(view);
  m_pages.push_back(std::move(page));
  return static_cast<int>(m_pages.size()) - 1;
}

void LoadPageForPrinting(WebKitWebView* view, const std::string& file, std::string memoryText,
                         const platform::DocSite& site) {
  if (memoryText.empty()) {
    webkit_web_view_load_uri(view, EngineAddress(file, site.root).c_str());
    return;
  }
  const platform::MemoryPage page = platform::MemoryPageFor(file, std::move(memoryText), site);
  GBytes* bytes = g_bytes_new(page.text.data(), page.text.size());
  webkit_web_view_load_bytes(view, bytes, "text/html", page.encoding.empty() ? nullptr : page.encoding.c_str(),
                             page.baseUri.c_str());
  g_bytes_unref(bytes);
}

CHiddenPagePrinter::Page* CHiddenPagePrinter::PageAt(int index) const {
  return index >= 0 && index < ViewCount() ? m_pages[static_cast<std::size_t>(index)].get() : nullptr;
}

void CHiddenPagePrinter::Load(int index, const std::string& path, int number, StepFn loaded,
                              std::string memoryText) {
  Page* page = PageAt(index);
  if (page == nullptr || page->view == nullptr || page->step != Page::Step::Idle) {
    loaded(NotLoaded());
    return;
  }
  page->step = Page::Step::Loading;
  page->loaded = std::move(loaded);
  page->loadFailed = false;
  page->printFailed = false;
  page->outputFile.clear();
  page->title.clear();
  page->problem.clear();
  page->jobId = 0;
  page->discardFile = false;
  page->printer = m_destination.ToPdf() ? std::string() : m_destination.printer;
  std::string folder = m_destination.pdfFolder;
  if (!m_destination.ToPdf()) {
    if (m_spoolFolder.empty()) {
      const GCharPtr made(g_dir_make_tmp("quiro-print-XXXXXX", nullptr));
      if (made != nullptr) m_spoolFolder = made.get();
    }
    folder = m_spoolFolder;
  } else {
    g_mkdir_with_parents(folder.c_str(), 0755);
  }
  page->outputFile = folder.empty() ? std::string() : ClaimPdfFile(folder, number, path);
  if (page->outputFile.empty()) {
    page->problem = res::FormatString(res::IDS_PAGE_NO_FILE,
                                      {folder.empty() ? res::LoadString(res::IDS_PAGE_NO_FILE_FOLDER) : folder});
    Finish(page, PagePrintResult::PrintFailed);
    return;
  }
  // Links arrive in upper case; the file may be spelt otherwise on disk.
  const std::string file = platform::ResolveCase(path);
  page->printTimeoutMs = m_printTimeoutMs;
  g_signal_connect(page->view.get(), "load-changed", G_CALLBACK(OnLoadChanged), page);
  g_signal_connect(page->view.get(), "load-failed", G_CALLBACK(OnLoadFailed), page);
  g_signal_connect(page->view.get(), "web-process-terminated", G_CALLBACK(OnWebProcessTerminated),
                   page);
  StartTimeout(page, m_loadTimeoutMs);
  LoadPageForPrinting(page->view.get(), file, std::move(memoryText), m_site);
}

namespace {

// How the page ended while nobody waited for it (lost while it waited, or
// just handed on), taken once; a page that never got that far was not loaded.
PageOutcome TakeEnded(Page* page) {
  if (page == nullptr || !page->ended) return NotLoaded();
  PageOutcome outcome = std::move(*page->ended);
  page->ended.reset();
  return outcome;
}

}  // namespace

void CHiddenPagePrinter::Print(int index, StepFn printed) {
  Page* page = PageAt(index);
  if (page == nullptr || page->step != Page::Step::Ready) {
    printed(TakeEnded(page));
    return;
  }
  page->step = Page::Step::Printing;
  page->printed = std::move(printed);
  StartPrinting(page, page->printTimeoutMs);
}

PageOutcome CHiddenPagePrinter::Deliver(int index) {
  Page* page = PageAt(index);
  // Finish keeps what became of a handed-on page, as nobody waits for it.
  if (page != nullptr && page->step == Page::Step::Printed) Finish(page, HandOn(page));
  return TakeEnded(page);
}

namespace {

// How long a view that is closed waits for its page's print to end.
constexpr auto kPrintEndWait = std::chrono::seconds(5);

// A print in progress goes on writing the page's file, through a temporary
// file beside it (in the PDF folder, or the spool folder for a printer),
// after its view is gone. Waits (a few seconds at most) until the engine
// says it finished, so that its file can be taken away and no part of it is
// left behind.
void WaitForPrintEnd(Page* page) {
  if (page->operation == nullptr) return;
  const guint tick = g_timeout_add(50, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  const auto until = std::chrono::steady_clock::now() + kPrintEndWait;
  while (page->operation != nullptr && std::chrono::steady_clock::now() < until) g_main_context_iteration(nullptr, TRUE);
  g_source_remove(tick);
}

// Destroys the page's view; a page still in it ends as cancelled.
void ClosePage(Page* page) {
  if (page->view == nullptr || page->closing) return;
  page->closing = true;
  StopTimeout(page);
  WaitForPrintEnd(page);
  if (page->cancellable != nullptr) {
    g_cancellable_cancel(page->cancellable.get());
    page->cancellable.reset();
  }
  if (page->operation != nullptr) {
    g_signal_handlers_disconnect_by_data(page->operation.get(), page);
    page->operation.reset();
  }
  Finish(page, PagePrintResult::Cancelled);
  g_signal_handlers_disconnect_by_data(page->view.get(), page);
  gtk_widget_destroy(GTK_WIDGET(page->view.get()));
  page->view.reset();
  DiscardFile(page);
  page->closing = false;
}

}  // namespace

void CHiddenPagePrinter::CloseView(int index) {
  if (Page* page = PageAt(index)) ClosePage(page);
}

void CHiddenPagePrinter::CloseAll() {
  std::vector<std::unique_ptr<Page>> pages = std::move(m_pages);
  m_pages.clear();
  // Close the views made later first: a view goes before the one it was
  // made related to.
  for (auto it = pages.rbegin(); it != pages.rend(); ++it) ClosePage(it->get());
}

}  // namespace quiro
