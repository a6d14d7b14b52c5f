#pragma once
// Find in page: a small bar over the top edge of the browser view with an
// entry, Previous and Next, the number of matches and a close button. It
// searches everything the view shows, the documents of every frame included,
// ignoring letter case and wrapping around at the end; the engine selects
// the current match and scrolls to it. The count covers every frame and is
// made once typing pauses.
//
// Keys in the entry: Enter finds the next match, Shift+Enter the previous
// one. Escape closes the bar; the window passes it here (CloseOnEscape),
// ahead of its own Escape accelerator.

#include <gtkmm.h>
#include <webkit2/webkit2.h>

#include <string>
#include <vector>

#include "app/gobject_ptr.h"

namespace quiro {

class CFindBar {
 public:
  /// The bar for `webView`; hidden until Open().
  explicit CFindBar(WebKitWebView* webView);
  ~CFindBar();
  CFindBar(const CFindBar&) = delete;
  CFindBar& operator=(const CFindBar&) = delete;

  /// The bar's widget, to be laid over the view.
  Gtk::Widget& GetWidget() { return m_box; }
  Gtk::Entry& GetEntry() { return m_entry; }

  /// Shows the bar with the focus in the entry and its text selected; a text
  /// already there is searched again.
  void Open();
  /// Opens the bar with the first of `texts` that the page holds (the
  /// entry shows it), trying them in order; with none found, the last.
  void OpenWith(std::vector<std::string> texts);
  /// Hides the bar, takes the highlights away and gives the focus back to
  /// the view.
  void Close();
  bool IsOpen() const { return m_box.get_visible(); }

  void FindNext();
  void FindPrevious();

  /// Matches of the last search (-1 before one has answered or with no
  /// text), and the text the bar shows for it.
  int GetMatchCount() const { return m_matches; }
  std::string GetCountText() const { return m_count.get_text(); }

  /// Escape while the focus is inside the open bar closes it; returns
  /// whether it did.
  bool CloseOnEscape(const GdkEventKey* event);

 private:
  void Search();
  /// Moves to the next (or previous) match of the last search; with new
  /// text typed since, or none made yet, starts one.
  void Repeat(bool forward);
  void ShowCount(int matches);
  bool TryNextText();
  void CountMatches();
  void OnCounted(int matches);
  void OnFailed();
  static void CountedThunk(WebKitFindController*, guint matchCount, gpointer self);
  static void FailedThunk(WebKitFindController*, gpointer self);

  quiro::GObjectPtr<WebKitWebView> m_webView;  // keeps the finder's view alive
  WebKitFindController* m_pFinder;
  Gtk::Box m_box{Gtk::ORIENTATION_HORIZONTAL, 4};
  Gtk::SearchEntry m_entry;
  Gtk::Button m_previous;
  Gtk::Button m_next;
  Gtk::Label m_count;
  Gtk::Button m_close;
  int m_matches = -1;
  std::vector<std::string> m_untried;  // OpenWith()'s texts still to try while the entry shows its last
  std::string m_trying;
  sigc::connection m_countTimer;  // counts the matches once typing pauses
  std::string m_countedText;      // the text of the last count asked for
  int m_countsAsked = 0;          // counts asked for and not answered yet
};

}  // namespace quiro
