#include "app/print_controller.h"

#include <gtk/gtkunixprint.h>

#include "app/core/doc_site.h"
#include "app/gobject_ptr.h"
#include "app/print_page_printer.h"
#include "app/print_worker.h"
#include "app/quiro_view.h"
#include "app/web_engine.h"
#include "builder/catalogue_config.h"
#include "platform/doc_uri.h"
#include "printall/printer.h"
#include "printall/page_rewriter.h"
#include "printall/print_all_run.h"
#include "printall/print_report.h"
#include "res/strings.h"

namespace quiro {

namespace {

// ---------------------------------------------------------------------------
// Print: a frame's document in a hidden view of its own, through the dialog.

struct FramePrintJob {
  GObjectPtr<WebKitWebView> view;
  GWeakPtr<GtkWindow> parent;
  bool loadFailed = false;
};

// The job's view and the job go; `data` is the job, owned by its view's
// signals until now.
void EndFramePrintJob(FramePrintJob* data) {
  const std::unique_ptr<FramePrintJob> job(data);
  gtk_widget_destroy(GTK_WIDGET(job->view.get()));
}

gboolean RunFramePrintDialog(gpointer data) {
  auto* job = static_cast<FramePrintJob*>(data);
  GObjectPtr<WebKitPrintOperation> operation(webkit_print_operation_new(job->view.get()));
  // Once printing has started, the operation's "finished" owns it and the job.
  g_signal_connect(operation.get(), "finished", G_CALLBACK(+[](WebKitPrintOperation* op, gpointer d) {
                     const GObjectPtr<WebKitPrintOperation> done(op);
                     EndFramePrintJob(static_cast<FramePrintJob*>(d));
                   }),
                   job);
  WebKitPrintOperationResponse response =
      webkit_print_operation_run_dialog(operation.get(), job->parent.Get().get());
  if (response == WEBKIT_PRINT_OPERATION_RESPONSE_CANCEL) {
    g_signal_handlers_disconnect_by_data(operation.get(), job);
    operation.reset();
    EndFramePrintJob(job);
  } else {
    static_cast<void>(operation.release());
  }
  return G_SOURCE_REMOVE;
}

// `memoryText`, when not empty, is the document's page rewritten for
// printing and held in memory; it is printed in place of the file `path`.
void PrintDocumentAt(const std::string& url, Gtk::Window* parent, const platform::DocSite& site,
                     const std::string& path = std::string(), std::string memoryText = std::string()) {
  // The view's signals own the job; EndFramePrintJob ends it.
  FramePrintJob* job = std::make_unique<FramePrintJob>().release();
  job->view = NewHiddenPrintView();
  if (parent != nullptr) job->parent.Reset(parent->gobj());
  g_signal_connect(job->view.get(), "load-failed",
                   G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent, gchar*, GError*, gpointer d) -> gboolean {
                     static_cast<FramePrintJob*>(d)->loadFailed = true;
                     return FALSE;
                   }),
                   job);
  g_signal_connect(job->view.get(), "load-changed",
                   G_CALLBACK(+[](WebKitWebView* view, WebKitLoadEvent event, gpointer d) {
                     if (event != WEBKIT_LOAD_FINISHED) return;
                     g_signal_handlers_disconnect_by_data(view, d);
                     auto* frameJob = static_cast<FramePrintJob*>(d);
                     if (frameJob->loadFailed) {
                       // Nothing to print: the document is gone.
                       g_idle_add([](gpointer j) -> gboolean {
                         EndFramePrintJob(static_cast<FramePrintJob*>(j));
                         return G_SOURCE_REMOVE;
                       }, d);
                       return;
                     }
                     // The dialog runs a loop of its own: not from inside
                     // the engine's signal.
                     g_idle_add(RunFramePrintDialog, d);
                   }),
                   job);
  if (memoryText.empty()) {
    webkit_web_view_load_uri(job->view.get(), url.c_str());
  } else {
    LoadPageForPrinting(job->view.get(), path, std::move(memoryText), site);
  }
}

// Print of a PDF the view shows: the file itself goes to the printer the
// user picks, as a job named after the file. (The engine prints its PDF
// viewer's page, which holds nothing.) `job` is the reference PrintPdfFile
// handed over with it; `data` the weak reference of the window to show
// problems over.
void OnPdfJobSent(GtkPrintJob* job, gpointer data, const GError* error) {
  const GObjectPtr<GtkPrintJob> sent(job);
  const std::unique_ptr<GWeakPtr<GtkWindow>> weakParent(static_cast<GWeakPtr<GtkWindow>*>(data));
  if (error != nullptr) {
    const GObjectPtr<GtkWindow> parent = weakParent->Get();
    CPrintController::ShowPrintProblems(parent != nullptr ? Glib::wrap(parent.get()) : nullptr,
                                        res::FormatString(res::IDS_PDF_NOT_PRINTED, {error->message}));
  }
}

void PrintPdfFile(const std::string& path, Gtk::Window* parent) {
  GtkWindow* top = parent != nullptr ? parent->gobj() : nullptr;
  GtkWidget* dialog = gtk_print_unix_dialog_new(nullptr, top);
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  // The file is printed as it is: no page ranges, scaling or layout to offer.
  gtk_print_unix_dialog_set_manual_capabilities(GTK_PRINT_UNIX_DIALOG(dialog), GtkPrintCapabilities(0));
  const int response = gtk_dialog_run(GTK_DIALOG(dialog));
  GtkPrinter* printer = gtk_print_unix_dialog_get_selected_printer(GTK_PRINT_UNIX_DIALOG(dialog));
  if (response == GTK_RESPONSE_OK && printer != nullptr) {
    const GObjectPtr<GtkPrintSettings> settings(gtk_print_unix_dialog_get_settings(GTK_PRINT_UNIX_DIALOG(dialog)));
    GtkPageSetup* setup = gtk_print_unix_dialog_get_page_setup(GTK_PRINT_UNIX_DIALOG(dialog));
    const std::size_t cut = path.find_last_of('/');
    const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    GObjectPtr<GtkPrintJob> job(gtk_print_job_new(name.c_str(), printer, settings.get(), setup));
    CGError error;
    if (!gtk_print_job_set_source_file(job.get(), path.c_str(), error.Out())) {
      CPrintController::ShowPrintProblems(parent, res::FormatString(res::IDS_PDF_NOT_PRINTED, {error.Message()}));
    } else {
      // OnPdfJobSent takes both back.
      auto weakParent = std::make_unique<GWeakPtr<GtkWindow>>(top);
      gtk_print_job_send(job.release(), OnPdfJobSent, weakParent.release(), nullptr);
    }
  }
  gtk_widget_destroy(dialog);
}

}  // namespace

CPrintController::CPrintController(CQuiroView& view, PrintAllService& printAll, Gtk::Window* parent,
                                   LocationFn location, StatusFn showStatus)
    : m_view(view),
      m_printAll(printAll),
      m_webView(NewRef(view.GetWebView())),
      m_pParent(parent),
      m_location(std::move(location)),
      m_showStatus(std::move(showStatus)) {
  g_signal_connect(m_webView.get(), "load-changed", G_CALLBACK(OnTopLoadChanged), this);
  g_signal_connect(m_webView.get(), "resource-load-started", G_CALLBACK(OnResourceLoadStarted), this);
}

CPrintController::~CPrintController() {
  *m_alive = false;
  g_signal_handlers_disconnect_by_data(m_webView.get(), this);
}

// A PDF the engine shows (in the whole view or in a frame) is known by its
// response: its viewer runs none of the page's scripts.
void CPrintController::OnResourceLoadStarted(WebKitWebView*, WebKitWebResource* resource, WebKitURIRequest*,
                                             gpointer self) {
  auto* controller = static_cast<CPrintController*>(self);
  auto* watch = new PdfWatch{controller->m_alive, controller};
  g_signal_connect_data(resource, "notify::response", G_CALLBACK(OnResourceResponse), watch,
                        [](gpointer data, GClosure*) { delete static_cast<PdfWatch*>(data); }, GConnectFlags(0));
}

void CPrintController::OnResourceResponse(WebKitWebResource* resource, GParamSpec*, gpointer data) {
  auto* watch = static_cast<PdfWatch*>(data);
  auto live = watch->alive.lock();
  WebKitURIResponse* response = webkit_web_resource_get_response(resource);
  if (!live || !*live || response == nullptr) return;
  const gchar* uri = webkit_web_resource_get_uri(resource);
  if (uri != nullptr && g_strcmp0(webkit_uri_response_get_mime_type(response), "application/pdf") == 0) {
    const std::string address = uri;
    watch->controller->m_pdfDocuments.insert(address.substr(0, address.find('#')));
  }
}

// A new top document shows no PDF before it has loaded.
void CPrintController::OnTopLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self) {
  if (event == WEBKIT_LOAD_STARTED) static_cast<CPrintController*>(self)->m_pdfDocuments.clear();
}

std::string CPrintController::PdfBeingRead() const {
  std::string address = m_view.GetReadingFrame().Url();
  if (address.empty()) {
    const gchar* shown = webkit_web_view_get_uri(m_webView.get());
    address = shown != nullptr ? shown : "";
  }
  address = address.substr(0, address.find('#'));
  return m_pdfDocuments.count(address) != 0 ? address : std::string();
}

bool CPrintController::ConfirmPrintAll(Gtk::Window* parent) {
  Gtk::MessageDialog dialog(res::LoadString(res::IDS_PRINT_ALL_CONFIRM), false, Gtk::MESSAGE_WARNING,
                            Gtk::BUTTONS_OK_CANCEL, true);
  dialog.set_title(res::LoadString(res::IDS_APP_TITLE));
  dialog.set_default_response(Gtk::RESPONSE_OK);  // Enter confirms; Escape or closing cancels
  if (parent != nullptr) dialog.set_transient_for(*parent);
  return dialog.run() == Gtk::RESPONSE_OK;
}

void CPrintController::OnFilePrint() {
  if (const std::string shownPdf = PdfBeingRead(); !shownPdf.empty()) {
    const std::string pdf = LocalPathOfLocation(LocalAddress(shownPdf, m_view.Site().Root()));
    if (!pdf.empty()) {
      PrintPdfFile(pdf, m_pParent);
      return;
    }
  }
  std::string frameUrl = m_view.GetReadingFrame().Url();
  // A page the user may not rewrite on disk (outside the document root, or
  // in a root the user cannot write) prints from its rewritten text.
  const char* shown = webkit_web_view_get_uri(m_webView.get());
  const std::string address = !frameUrl.empty() ? frameUrl : shown != nullptr ? shown : "";
  const std::string root = m_view.Site().Root();
  const std::string path = LocalPathOfLocation(LocalAddress(address, root));
  if (!path.empty() && !MayRewriteOnDisk(path, root)) {
    std::string text;
    if (RewritePageInMemory(path, text) == PrintBreakResult::Rewritten) {
      PrintDocumentAt(address, m_pParent, *m_view.Site().Snapshot(), path, std::move(text));
      return;
    }
  }
  if (!frameUrl.empty()) {
    PrintDocumentAt(frameUrl, m_pParent, *m_view.Site().Snapshot());
    return;
  }
  const GObjectPtr<WebKitPrintOperation> operation(webkit_print_operation_new(m_webView.get()));
  webkit_print_operation_run_dialog(operation.get(), m_pParent != nullptr ? m_pParent->gobj() : nullptr);
}

void CPrintController::OnPrintAll() {
  if (!ConfirmPrintAll(m_pParent)) return;
  StartPrintAll();
}

bool CPrintController::StartPrintAll() {
  // In a frameset the walk starts from the frame being read: the frameset
  // itself prints as a blank sheet and links to no page.
  const std::string frameUrl = m_view.GetReadingFrame().Url();
  const std::string address = !frameUrl.empty() ? LocalAddress(frameUrl, m_view.Site().Root())
                              : m_location      ? m_location()
                                                : std::string();
  std::string location = LocalPathOfLocation(address);
  if (location.empty()) {
    // A web address or the program's own page (the search results): there
    // is no local page to walk from, which the user is told.
    const bool ownPage =
        platform::IsDocUri(address) && platform::DocUriRelativePath(address).rfind(platform::kReservedPrefix, 0) == 0;
    if (m_showStatus)
      m_showStatus(res::LoadString(ownPage ? res::IDS_PRINT_ALL_OWN_PAGE : res::IDS_PRINT_ALL_NOT_LOCAL));
    return false;
  }
  // The run may outlive the controller; progress is shown only while it lives.
  std::weak_ptr<bool> alive = m_alive;
  StatusFn status = m_showStatus;
  auto showStatus = [alive, status](const std::string& text) {
    if (auto live = alive.lock(); live && *live && status) status(text);
  };
  Gtk::Window* parent = m_pParent;
  auto showProblems = [alive, parent](const std::string& text) {
    auto live = alive.lock();
    ShowPrintProblems(live && *live ? parent : nullptr, text);
  };
  PrintAllOptions options;
  options.startPath = FindPrintStartPage(location);
  options.site = *m_view.Site().Snapshot();
  options.destination = PrintDestinationFromEnvironment();
  if (!options.destination.ToPdf()) {
    // Before anything is walked or rewritten: is there a printer to take the pages?
    const printall::PrinterStatus printer = printall::DefaultPrinter();
    if (!printer.ready) {
      PrintRunReport refused;
      refused.refusal = printer.problem;
      showStatus(PrintRunStatus(refused));
      showProblems(PrintRunProblems(refused));
      return false;
    }
    options.destination.printer = printer.name;
  }
  options.pauseMs = PrintAllPauseMs();
  options.showStatus = showStatus;
  // The run ends on what really happened; the closing pause changes nothing
  // for the user.
  options.walked = [showStatus, showProblems](const PrintRunReport& report) {
    showStatus(PrintRunStatus(report));
    const std::string problems = PrintRunProblems(report);
    if (!problems.empty()) showProblems(problems);
  };
  options.jobsFailed = [showStatus, showProblems](const PrintRunReport& report) {
    showStatus(PrintRunStatus(report));
    showProblems(PrintRunProblems(report));
  };
  return m_printAll.Start(std::move(options));
}

void CPrintController::ShowPrintProblems(Gtk::Window* parent, const std::string& text) {
  // Not modal: the run that reports may end while the user is busy elsewhere.
  auto* dialog = new Gtk::MessageDialog(text, false, Gtk::MESSAGE_WARNING, Gtk::BUTTONS_OK, false);
  dialog->set_title(res::LoadString(res::IDS_APP_TITLE));
  if (parent != nullptr) dialog->set_transient_for(*parent);
  dialog->signal_response().connect([dialog](int) {
    dialog->hide();
    Glib::signal_idle().connect_once([dialog] { delete dialog; });
  });
  dialog->show();
}

}  // namespace quiro
