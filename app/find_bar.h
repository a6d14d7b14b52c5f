#pragma once
// Find in page: a small bar over the top edge of the browser view with an
// entry, Previous and Next, the number of matches and a close button. It
// searches everything the view shows, the documents of every frame included,
// ignoring letter case and wrapping around at the end; the engine selects
// the current match and scrolls to it. The count covers every frame.
//
// Keys in the entry: Enter finds the next match, Shift+Enter the previous
// one. Escape closes the bar; the window passes it here (CloseOnEscape),
// ahead of its own Escape accelerator.

#include <gtkmm.h>
#include <webkit2/webkit2.h>

#include <string>

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
};

}  // namespace quiro
