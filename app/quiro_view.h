#pragma once
// The browser view: one WebKitWebView and every hook into the engine. The
// engine's signals become the view's own handlers (OnBeforeNavigate2,
// OnTitleChange, OnDocumentComplete, OnNewWindow2), and the view reports
// upward only through its signals; it knows nothing of the window around it.

#include <gtkmm.h>
#include <webkit2/webkit2.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "app/core/doc_site.h"
#include "app/core/history_steps.h"
#include "app/core/navigation_check.h"
#include "app/core/reading_frame.h"
#include "app/external_viewer.h"
#include "app/gobject_ptr.h"
#include "app/navigation_policy.h"

class CQuiroView {
 public:
  /// A view of the application's document site `site`.
  explicit CQuiroView(std::shared_ptr<quiro::SiteHolder> site);
  /// A view without the application: of the site as it is now. The scheme
  /// does not know its site, so pages it opens outside the root do not load.
  CQuiroView();
  ~CQuiroView();
  CQuiroView(const CQuiroView&) = delete;
  CQuiroView& operator=(const CQuiroView&) = delete;

  /// The document site the view shows.
  const quiro::SiteHolder& Site() const { return *m_site; }

  /// The engine's widget, to be packed into the frame.
  Gtk::Widget& GetWidget() { return *m_pWidget; }
  WebKitWebView* GetWebView() const { return m_webView.get(); }
  /// The top-level window, parent of the view's dialogs (nullptr before the
  /// view is in a window).
  Gtk::Window* GetTopWindow();

  /// Location of the last document any frame completed: a local path for
  /// local pages, the URL for everything else ("" before the first).
  const std::string& GetCurrentURL() const { return m_strCurrentURL; }
  /// The document of the page on display the user reads (Print, Print All
  /// and File > Open act on it): in a frameset a frame, else the page itself.
  const quiro::ReadingFrame& GetReadingFrame() const { return m_readingFrame; }

  // Browser operations.

  /// Loads `address` (a URL or a plain absolute path) into the whole view,
  /// or, with a frame name, into the frame of that name: when the page on
  /// display has no such frame a new window opens (OnNewWindow2).
  void Navigate2(const std::string& address, const char* targetFrame = nullptr);
  /// Back and Forward asked for while the page of the step before still
  /// loads are taken when it has loaded, one after the other.
  void GoBack();
  void GoForward();
  void Stop();
  /// Reloads the page on display where it is: in a frameset each frame
  /// reloads the page it shows now, so the reader's place and the history
  /// stay. After the engine's web process has gone, loads the page that was
  /// shown then.
  void Refresh();
  /// Text size 0 (smallest) to 4 (largest); only text is scaled.
  void SetTextSize(int level);
  /// The text size last set (2, medium, at first).
  int GetTextSize() const { return m_textSize; }
  /// Caret browsing: a caret the arrow keys move through the page's text, as
  /// a screen reader needs to read it by line.
  void SetCaretBrowsing(bool on);
  bool IsCaretBrowsing() const;
  /// Moves the keyboard focus to the next (`direction` 1) or previous (-1)
  /// frame of the page on display, onto its first link; a page without
  /// frames counts as one. `entering`: the focus comes from outside the
  /// view, and goes to the first frame (forward) or the last. `done` is
  /// called with true when no frame lies that way and the focus is to leave
  /// the view, with false once a frame has it; not at all when the view went
  /// first.
  void MoveFocusAcrossFrames(int direction, bool entering, std::function<void(bool leaves)> done);
  /// The pointer moved onto a link (carries how to name its target, see
  /// LinkTargetText) or off it ("").
  sigc::signal<void(const std::string& target)>& signal_link_hovered() { return m_linkHovered; }
  /// The text size changed; carries the new one.
  sigc::signal<void(int level)>& signal_text_size_changed() { return m_textSizeChanged; }

  // Commands that need more than one browser operation.
  void OnGoStartPage();
  void OnGoSearchTheWeb();
  /// File > Open. The dialog starts in the folder of the page being read:
  /// the frame being read in a frameset, else the view's own page.
  void OnFileOpen();

  // Engine events.

  /// The check every navigation passes, in the top window and in every
  /// frame, before anything is read. Returns true to cancel the navigation.
  /// `userAction`: the navigation comes from the user's click or key (help
  /// files go to their viewers only then).
  bool OnBeforeNavigate2(const std::string& targetURL, bool userAction = false);
  void OnTitleChange(const std::string& text);
  /// A document (the top one or the frame `frameName`'s) finished loading.
  void OnDocumentComplete(const std::string& frameName, const std::string& url, bool topLevel);
  /// A request for a new window. Returns the view that is to load it, or
  /// nullptr when nothing is to load it here (web addresses go to the
  /// desktop's browser).
  WebKitWebView* OnNewWindow2(const std::string& url);

  // Signals.

  /// Every completed document, with the name of its frame ("" for the top
  /// document), its address as the engine reports it, and whether it is the
  /// top document (which completes after all its frames).
  sigc::signal<void(const std::string& frameName, const std::string& url, bool topLevel)>&
  signal_document_complete() {
    return m_documentComplete;
  }
  /// The page title changed (the address when the page has no title).
  sigc::signal<void(const std::string& title)>& signal_title_changed() { return m_titleChanged; }
  /// A navigation was decided; carries which toolbar buttons to show or hide.
  sigc::signal<void(const quiro::NavigationDecision& decision)>& signal_navigation_decided() {
    return m_navigationPolicy.signal_decided();
  }
  /// A help file link went to its viewer (`chm`: compiled help, else
  /// WinHelp); the navigation was cancelled whatever the outcome.
  sigc::signal<void(bool chm, quiro::HandOff outcome)>& signal_handed_off() {
    return m_navigationPolicy.signal_handed_off();
  }
  /// The top document failed to load (the engine shows its error page).
  sigc::signal<void()>& signal_load_failed() { return m_loadFailed; }
  /// The engine's web process ended (a crash, most often); the view now shows
  /// a page saying so, with a Reload link. Carries that sentence.
  sigc::signal<void(const std::string& why)>& signal_web_process_gone() { return m_webProcessGone; }
  /// A navigation through the history (Back, Forward) or a reload, in the
  /// top document or a frame, before it is decided.
  sigc::signal<void()>& signal_history_navigation() { return m_historyNavigation; }

  /// The page shown after the web process went: what happened, then a
  /// Reload link to `address`.
  static std::string WebProcessGonePage(const std::string& why, const std::string& address);
  /// The view shows the page that stands for a gone web process.
  bool ShowsGonePage() const;

 private:
  static gboolean DecidePolicyThunk(WebKitWebView*, WebKitPolicyDecision*, WebKitPolicyDecisionType,
                                    gpointer self);
  static void TitleThunk(WebKitWebView*, GParamSpec*, gpointer self);
  static GtkWidget* CreateThunk(WebKitWebView*, WebKitNavigationAction*, gpointer self);
  static void MessageThunk(WebKitUserContentManager*, WebKitJavascriptResult*, gpointer self);
  static gboolean LoadFailedThunk(WebKitWebView*, WebKitLoadEvent, gchar*, GError*, gpointer self);
  static void WebProcessTerminatedThunk(WebKitWebView*, WebKitWebProcessTerminationReason, gpointer self);
  static gboolean TabIntoViewThunk(GtkWidget* widget, GtkDirectionType direction, gpointer self);
  void OnWebProcessTerminated(WebKitWebProcessTerminationReason reason);
  std::string ToUri(const std::string& address) const;
  /// What the plain windows the view opens share with it.
  quiro::ViewLinks Links() const { return {m_site, m_viewerStarts}; }
  void StepThroughHistory(int direction);
  static void HistoryLoadingThunk(WebKitWebView*, GParamSpec*, gpointer self);
  static void MouseTargetThunk(WebKitWebView*, WebKitHitTestResult* hit, guint, gpointer self);
  static void LoadChangedThunk(WebKitWebView*, WebKitLoadEvent event, gpointer self);
  /// The engine's PDF viewer reported (`kind`) from inside a frame whose
  /// own document, the PDF, runs no script: the frames showing a PDF are
  /// looked up from the top document and reported for it.
  void ReportPdfFrames(quiro::FrameReport::Kind kind);

  std::shared_ptr<quiro::SiteHolder> m_site;
  // Points at the view while it lives, for engine answers that come later.
  std::shared_ptr<CQuiroView*> m_self = std::make_shared<CQuiroView*>(this);
  quiro::GObjectPtr<WebKitWebView> m_webView;  // the view's own reference
  // Help-file viewers started from the view and the plain windows it opens.
  std::shared_ptr<quiro::ViewerStartGate> m_viewerStarts = std::make_shared<quiro::ViewerStartGate>();
  Gtk::Widget* m_pWidget = nullptr;
  std::string m_strCurrentURL;
  int m_textSize = 2;
  quiro::HistorySteps m_historySteps;
  quiro::ReadingFrame m_readingFrame;
  std::string m_goneAddress;  // the address the page after a gone web process stands for
  std::string m_goneShownAs;  // the address that page is shown under
  std::pair<std::string, std::string> m_goneFrame;     // the frame read then: its name and address
  std::pair<std::string, std::string> m_restoreFrame;  // that frame, while its frameset reloads
  quiro::NavigationPolicy m_navigationPolicy{true, *m_site, *m_viewerStarts};  // the view prepares pages for printing
  sigc::signal<void(const std::string&, const std::string&, bool)> m_documentComplete;
  sigc::signal<void(const std::string&)> m_titleChanged;
  sigc::signal<void(int)> m_textSizeChanged;
  sigc::signal<void(const std::string&)> m_linkHovered;
  sigc::signal<void()> m_loadFailed;
  sigc::signal<void(const std::string&)> m_webProcessGone;
  sigc::signal<void()> m_historyNavigation;
};
