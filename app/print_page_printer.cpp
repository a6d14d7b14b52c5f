#include "app/print_page_printer.h"

#include <fcntl.h>
#include <gtk/gtk.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "app/web_engine.h"
#include "platform/paths.h"

namespace quiro {

struct CHiddenPagePrinter::Page {
  WebKitWebView* view = nullptr;
  WebKitPrintOperation* operation = nullptr;
  DoneFn done;
  int printTimeoutMs = 0;
  guint timeout = 0;
  bool loadFailed = false;
  bool printFailed = false;
  std::string outputFile;  ///< the page's PDF file; empty when it goes to the printer
};

namespace {

using Page = CHiddenPagePrinter::Page;

void StopTimeout(Page* page) {
  if (page->timeout != 0) {
    g_source_remove(page->timeout);
    page->timeout = 0;
  }
}

// Ends the page's job: calls its done function once. The view itself stays
// until the run closes it.
void Finish(Page* page, PagePrintResult result) {
  StopTimeout(page);
  if (page->view != nullptr) g_signal_handlers_disconnect_by_data(page->view, page);
  if (!page->done) return;
  CHiddenPagePrinter::DoneFn done = std::move(page->done);
  page->done = nullptr;
  std::string output = result == PagePrintResult::Printed ? page->outputFile : std::string();
  if (result != PagePrintResult::Printed && !page->outputFile.empty()) {
    // The placeholder claimed for this page would be an empty, broken PDF.
    ::unlink(page->outputFile.c_str());
  }
  done(result, output);
}

gboolean OnTimeout(gpointer data) {
  auto* page = static_cast<Page*>(data);
  page->timeout = 0;
  Finish(page, PagePrintResult::TimedOut);
  // The run's views share one web process, and it stopped answering: end it,
  // so that the next page gets a fresh one instead of waiting out its time too.
  webkit_web_view_terminate_web_process(page->view);
  return G_SOURCE_REMOVE;
}

void StartTimeout(Page* page, int ms) {
  StopTimeout(page);
  page->timeout = g_timeout_add(static_cast<guint>(ms > 0 ? ms : 1), OnTimeout, page);
}

void OnPrintFailed(WebKitPrintOperation*, GError*, gpointer data) {
  static_cast<Page*>(data)->printFailed = true;
}

void OnPrintFinished(WebKitPrintOperation* operation, gpointer data) {
  auto* page = static_cast<Page*>(data);
  g_signal_handlers_disconnect_by_data(operation, page);
  page->operation = nullptr;
  g_object_unref(operation);
  // The printing system has the page now. The view stays until the run
  // closes it, but lets its page go: fifty loaded pages in one web process
  // slow every later page down.
  webkit_web_view_load_uri(page->view, "about:blank");
  Finish(page, page->printFailed ? PagePrintResult::PrintFailed : PagePrintResult::Printed);
}

// The name of GTK's print-to-file printer, as GTK spells it in the user's
// language.
const char* PrintToFilePrinterName() { return g_dgettext("gtk30", "Print to File"); }

void StartPrinting(Page* page, int timeoutMs) {
  WebKitPrintOperation* operation = webkit_print_operation_new(page->view);
  if (!page->outputFile.empty()) {
    GError* error = nullptr;
    gchar* uri = g_filename_to_uri(page->outputFile.c_str(), nullptr, &error);
    if (uri == nullptr) {
      g_clear_error(&error);
      g_object_unref(operation);
      Finish(page, PagePrintResult::PrintFailed);
      return;
    }
    GtkPrintSettings* settings = gtk_print_settings_new();
    gtk_print_settings_set_printer(settings, PrintToFilePrinterName());
    gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_URI, uri);
    gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_FILE_FORMAT, "pdf");
    webkit_print_operation_set_print_settings(operation, settings);
    g_object_unref(settings);
    g_free(uri);
  }
  // Without print settings the job goes to the system's default printer.
  page->operation = operation;
  g_signal_connect(operation, "failed", G_CALLBACK(OnPrintFailed), page);
  g_signal_connect(operation, "finished", G_CALLBACK(OnPrintFinished), page);
  StartTimeout(page, timeoutMs);
  webkit_print_operation_print(operation);
}

gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError*, gpointer data) {
  static_cast<Page*>(data)->loadFailed = true;
  return FALSE;
}

void OnWebProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason, gpointer data) {
  auto* page = static_cast<Page*>(data);
  Finish(page, page->operation != nullptr ? PagePrintResult::PrintFailed
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
  g_signal_connect(view, "web-process-terminated", G_CALLBACK(OnWebProcessTerminated), page);
  StartPrinting(page, page->printTimeoutMs);
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
    gchar* absolute = g_canonicalize_filename(folder, nullptr);
    destination.pdfFolder = absolute;
    g_free(absolute);
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

CHiddenPagePrinter::CHiddenPagePrinter(PrintDestination destination)
    : m_destination(std::move(destination)) {}

CHiddenPagePrinter::~CHiddenPagePrinter() { CloseAll(); }

WebKitWebView* CHiddenPagePrinter::FirstView() const {
  return m_pages.empty() ? nullptr : m_pages.front()->view;
}

int CHiddenPagePrinter::CreateView() {
  WebKitWebView* view = NewHiddenPrintView(FirstView());
  if (view == nullptr) return -1;
  auto page = std::make_unique<Page>();
  page->view = view;
  m_pages.push_back(std::move(page));
  return static_cast<int>(m_pages.size()) - 1;
}

void CHiddenPagePrinter::LoadAndPrint(int index, const std::string& path, int number,
                                      DoneFn done) {
  if (index < 0 || index >= ViewCount()) {
    done(PagePrintResult::LoadFailed, std::string());
    return;
  }
  Page* page = m_pages[static_cast<std::size_t>(index)].get();
  page->done = std::move(done);
  page->loadFailed = false;
  page->printFailed = false;
  page->outputFile.clear();
  if (m_destination.ToPdf()) {
    g_mkdir_with_parents(m_destination.pdfFolder.c_str(), 0755);
    page->outputFile = ClaimPdfFile(m_destination.pdfFolder, number, path);
    if (page->outputFile.empty()) {
      Finish(page, PagePrintResult::PrintFailed);
      return;
    }
  }
  // Links arrive in upper case; the file may be spelt otherwise on disk.
  std::string uri = platform::PathToFileUrl(platform::ResolveCase(path));
  page->printTimeoutMs = m_printTimeoutMs;
  g_signal_connect(page->view, "load-changed", G_CALLBACK(OnLoadChanged), page);
  g_signal_connect(page->view, "load-failed", G_CALLBACK(OnLoadFailed), page);
  g_signal_connect(page->view, "web-process-terminated", G_CALLBACK(OnWebProcessTerminated),
                   page);
  StartTimeout(page, m_loadTimeoutMs);
  webkit_web_view_load_uri(page->view, uri.c_str());
}

void CHiddenPagePrinter::CloseAll() {
  std::vector<std::unique_ptr<Page>> pages = std::move(m_pages);
  m_pages.clear();
  // Close the related views first and the run's first view last.
  for (auto it = pages.rbegin(); it != pages.rend(); ++it) {
    Page* page = it->get();
    StopTimeout(page);
    if (page->operation != nullptr) {
      g_signal_handlers_disconnect_by_data(page->operation, page);
      g_object_unref(page->operation);
      page->operation = nullptr;
    }
    Finish(page, PagePrintResult::Cancelled);
    g_signal_handlers_disconnect_by_data(page->view, page);
    gtk_widget_destroy(GTK_WIDGET(page->view));
    g_object_unref(page->view);
    page->view = nullptr;
  }
}

}  // namespace quiro
