#pragma once
// The browser view: one WebKitWebView and every hook into the engine. The
// engine's signals become the view's own handlers (OnBeforeNavigate2,
// OnTitleChange, OnDocumentComplete, OnNewWindow2); the window's browser
// commands arrive as the On* command handlers below.

#include <gtkmm.h>
#include <webkit2/webkit2.h>

#include <functional>
#include <string>

class CMainFrame;
class CQuiroDoc;

class CQuiroView {
 public:
  CQuiroView();
  ~CQuiroView();
  CQuiroView(const CQuiroView&) = delete;
  CQuiroView& operator=(const CQuiroView&) = delete;

  /// The engine's widget, to be packed into the frame.
  Gtk::Widget& GetWidget() { return *m_pWidget; }
  WebKitWebView* GetWebView() const { return m_pWebView; }

  void SetParentFrame(CMainFrame* frame) { m_pFrame = frame; }
  CMainFrame* GetParentFrame() const { return m_pFrame; }
  void SetDocument(CQuiroDoc* doc) { m_pDocument = doc; }
  CQuiroDoc* GetDocument() const { return m_pDocument; }
  /// The top-level window, parent of the view's dialogs (nullptr before the
  /// view is in a window).
  Gtk::Window* GetTopWindow();
  /// Puts `text` into the frame's status-bar message pane.
  void SetMessageText(const std::string& text);

  // Browser operations.

  /// Loads `address` (a URL or a plain absolute path) into the whole view,
  /// or, with a frame name, into the frame of that name: when the page on
  /// display has no such frame a new window opens (OnNewWindow2).
  void Navigate2(const std::string& address, const char* targetFrame = nullptr);
  void GoBack();
  void GoForward();
  void Stop();
  void Refresh();
  /// Text size 0 (smallest) to 4 (largest); only text is scaled.
  void SetTextSize(int level);

  // Commands.
  void OnGoBack() { GoBack(); }
  void OnGoForward() { GoForward(); }
  void OnViewStop() { Stop(); }
  void OnViewRefresh() { Refresh(); }
  void OnGoStartPage();
  void OnGoSearchTheWeb();
  void OnViewFontsLargest() { SetTextSize(4); }
  void OnViewFontsLarge() { SetTextSize(3); }
  void OnViewFontsMedium() { SetTextSize(2); }
  void OnViewFontsSmall() { SetTextSize(1); }
  void OnViewFontsSmallest() { SetTextSize(0); }
  void OnFileOpen();
  void OnFilePrint();
  void OnFilePrintAll();

  // Engine events.

  /// The check every navigation passes, in the top window and in every
  /// frame, before anything is read. Returns true to cancel the navigation.
  bool OnBeforeNavigate2(const std::string& targetURL);
  void OnTitleChange(const std::string& text);
  /// A document (the top one or a frame's) finished loading.
  void OnDocumentComplete(const std::string& url, bool topLevel);
  /// A request for a new window. Returns the view that is to load it, or
  /// nullptr when nothing is to load it here (web addresses go to the
  /// desktop's browser).
  WebKitWebView* OnNewWindow2(const std::string& url);

  /// Location of the last document any frame completed: a local path for
  /// local pages, the URL for everything else.
  std::string m_strCurrentURL;

  /// Called whenever the top document has completed, frames included.
  std::function<void(const std::string& url)> onTopDocumentComplete;

  /// Emitted for every completed document with the name of its frame ("" for
  /// the top document) and its address as the engine reports it.
  sigc::signal<void(const std::string& frameName, const std::string& url)>& signal_document_complete() {
    return m_documentComplete;
  }

 private:
  static gboolean DecidePolicyThunk(WebKitWebView*, WebKitPolicyDecision*, WebKitPolicyDecisionType,
                                    gpointer self);
  static void TitleThunk(WebKitWebView*, GParamSpec*, gpointer self);
  static GtkWidget* CreateThunk(WebKitWebView*, WebKitNavigationAction*, gpointer self);
  static void MessageThunk(WebKitUserContentManager*, WebKitJavascriptResult*, gpointer self);

  WebKitWebView* m_pWebView = nullptr;
  Gtk::Widget* m_pWidget = nullptr;
  CMainFrame* m_pFrame = nullptr;
  CQuiroDoc* m_pDocument = nullptr;
  sigc::signal<void(const std::string&, const std::string&)> m_documentComplete;
};
