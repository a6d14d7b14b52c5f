#pragma once
// Printing from the window: Print and Print All for one browser view.
//
// Print (File > Print, Ctrl+P, the toolbar's Print, Print Direct) prints the
// document the user is reading through the print dialog: in a frameset, the
// document of the frame last used (clicked, focused, scrolled, typed in),
// else that of the frame named "content"; a PDF shown inline goes to the
// chosen printer as the file it is.
//
// Print All (command 59394) asks for confirmation, finds the start page of
// the document on display (in a frameset, of the frame being read) and prints
// it and every page linked from it on a worker thread (app/print_worker.h),
// to the default printer or, when $QUIRO_PRINT_TO_PDF_DIR names a folder,
// into one PDF file per page there. Before a run it checks that the default
// printer exists and takes jobs; a run ends with a status line saying what
// became of its pages, and a message box when pages were lost.
//
// The controller needs no window class: it is given the view to print from,
// the window its dialogs belong to, where the view is, and where progress
// texts go.

#include <gtkmm.h>
#include <webkit2/webkit2.h>

#include <functional>
#include <memory>
#include <set>
#include <string>

#include "app/gobject_ptr.h"

class CQuiroView;

namespace quiro {

class PrintAllService;

class CPrintController {
 public:
  using LocationFn = std::function<std::string()>;
  using StatusFn = std::function<void(const std::string& text)>;

  /// `view`: the view Print prints from, which says which frame is being
  /// read; it outlives the controller. `printAll`: where runs are started,
  /// which outlives the controller and its runs. `parent`: the dialogs' parent window
  /// (may be null); `location`: the view's current location (a local path or
  /// a URL); `showStatus`: progress texts, called on the main thread only
  /// while the controller lives.
  CPrintController(CQuiroView& view, PrintAllService& printAll, Gtk::Window* parent, LocationFn location,
                   StatusFn showStatus);
  ~CPrintController();
  CPrintController(const CPrintController&) = delete;
  CPrintController& operator=(const CPrintController&) = delete;

  /// Print and Print Direct (57607, 57608).
  void OnFilePrint();
  /// Print All (59394): confirmation, then StartPrintAll().
  void OnPrintAll();
  /// Print All once confirmed: when the location is no local page (a web
  /// address, the program's own search page) it prints nothing and says why
  /// in a progress text, else starts a run at the start page found by the climb. Returns
  /// whether a run started.
  bool StartPrintAll();

  /// Shows the Print All confirmation (a warning with OK and Cancel, caption
  /// "quiro") over `parent`; true for OK.
  static bool ConfirmPrintAll(Gtk::Window* parent);

  /// Tells the user what could not be printed and why: a warning captioned
  /// "quiro" over `parent` (may be null), closed with OK; it does not wait.
  static void ShowPrintProblems(Gtk::Window* parent, const std::string& text);

 private:
  friend class TestProbe;  // reads PdfBeingRead()

  /// The address of the PDF the user is reading, when the document being
  /// read (the frame being read in a frameset, else the view's own) is a
  /// PDF the engine shows inline; else "".
  std::string PdfBeingRead() const;

  static void OnTopLoadChanged(WebKitWebView*, WebKitLoadEvent, gpointer self);
  struct PdfWatch {
    std::weak_ptr<bool> alive;
    CPrintController* controller;
  };
  static void OnResourceLoadStarted(WebKitWebView*, WebKitWebResource*, WebKitURIRequest*, gpointer self);
  static void OnResourceResponse(WebKitWebResource*, GParamSpec*, gpointer watch);

  CQuiroView& m_view;
  PrintAllService& m_printAll;
  GObjectPtr<WebKitWebView> m_webView;  // the controller's own reference of the view
  Gtk::Window* m_pParent;
  LocationFn m_location;
  StatusFn m_showStatus;
  // The addresses (without fragment) the engine answered with a PDF since
  // the top document started: a PDF shown whole or in a frame is one of
  // them. Its own document completes after its response, and other frames
  // go on loading, so no document's completion takes a PDF off.
  std::set<std::string> m_pdfDocuments;
  std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

}  // namespace quiro
