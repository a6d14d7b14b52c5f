#include "app/find_bar.h"

#include "app/accessible.h"
#include "res/strings.h"

namespace quiro {

namespace {

// More matches than this are not counted one by one.
constexpr guint kMaxMatches = 1000;
// The pause in typing after which the matches are counted.
constexpr unsigned kCountDelayMs = 250;
constexpr guint32 kFindOptions = WEBKIT_FIND_OPTIONS_CASE_INSENSITIVE | WEBKIT_FIND_OPTIONS_WRAP_AROUND;

// The bar reads as a tab hanging from the top edge of the page.
constexpr const char* kFindBarCss =
    ".quiro-find-bar { background-color: @theme_bg_color; border: 1px solid @borders; border-top-width: 0;"
    " border-radius: 0 0 5px 5px; padding: 3px 6px; }";

std::string WithNumber(int id, guint n) { return res::FormatString(id, {std::to_string(n)}); }

void SetIconButton(Gtk::Button& button, const char* icon, int tooltip) {
  button.set_image_from_icon_name(icon, Gtk::ICON_SIZE_BUTTON);
  button.set_relief(Gtk::RELIEF_NONE);
  const std::string text = res::LoadString(tooltip);
  button.set_tooltip_text(text);
  button.set_can_focus(false);
  SetAccessibleText(button, AccessibleName(text));
}

}  // namespace

CFindBar::CFindBar(WebKitWebView* webView)
    : m_webView(quiro::NewRef(webView)),
      m_pFinder(webkit_web_view_get_find_controller(webView)) {
  m_entry.set_placeholder_text(res::LoadString(res::IDS_FIND_PLACEHOLDER));
  m_entry.set_width_chars(20);
  SetAccessibleText(m_entry, res::LoadString(res::IDS_FIND_PLACEHOLDER), res::CommandPrompt(res::ID_EDIT_FIND));
  SetIconButton(m_previous, "go-up-symbolic", res::IDS_FIND_PREVIOUS);
  SetIconButton(m_next, "go-down-symbolic", res::IDS_FIND_NEXT);
  SetIconButton(m_close, "window-close-symbolic", res::IDS_FIND_CLOSE);
  m_count.set_width_chars(12);
  m_count.set_xalign(0);

  m_box.pack_start(m_entry, Gtk::PACK_SHRINK);
  m_box.pack_start(m_previous, Gtk::PACK_SHRINK);
  m_box.pack_start(m_next, Gtk::PACK_SHRINK);
  m_box.pack_start(m_count, Gtk::PACK_SHRINK);
  m_box.pack_start(m_close, Gtk::PACK_SHRINK);
  m_box.set_halign(Gtk::ALIGN_END);
  m_box.set_valign(Gtk::ALIGN_START);
  m_box.set_margin_end(16);
  auto css = Gtk::CssProvider::create();
  css->load_from_data(kFindBarCss);
  m_box.get_style_context()->add_provider(css, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  m_box.get_style_context()->add_class("quiro-find-bar");
  m_box.show_all();
  m_box.set_no_show_all(true);
  m_box.hide();

  m_entry.signal_changed().connect(sigc::mem_fun(*this, &CFindBar::Search));
  m_entry.signal_key_press_event().connect(
      [this](GdkEventKey* event) {
        if (event->keyval != GDK_KEY_Return && event->keyval != GDK_KEY_KP_Enter) return false;
        if (event->state & GDK_SHIFT_MASK)
          FindPrevious();
        else
          FindNext();
        return true;
      },
      false);
  m_previous.signal_clicked().connect(sigc::mem_fun(*this, &CFindBar::FindPrevious));
  m_next.signal_clicked().connect(sigc::mem_fun(*this, &CFindBar::FindNext));
  m_close.signal_clicked().connect(sigc::mem_fun(*this, &CFindBar::Close));
  g_signal_connect(m_pFinder, "counted-matches", G_CALLBACK(CountedThunk), this);
  g_signal_connect(m_pFinder, "failed-to-find-text", G_CALLBACK(FailedThunk), this);
}

CFindBar::~CFindBar() {
  m_countTimer.disconnect();
  g_signal_handlers_disconnect_by_data(m_pFinder, this);
}

void CFindBar::Open() {
  m_box.show();
  m_entry.grab_focus();
  m_entry.select_region(0, -1);
  if (!m_entry.get_text().empty()) Search();
}

void CFindBar::OpenWith(std::vector<std::string> texts) {
  if (texts.empty()) return;
  m_trying = texts.front();
  m_untried.assign(texts.begin() + 1, texts.end());
  m_entry.set_text(m_trying);  // searches it
  Open();
}

// A text of OpenWith() the page does not hold gives way to the next, while
// the entry still shows what OpenWith() put there.
bool CFindBar::TryNextText() {
  if (m_trying.empty() || m_entry.get_text() != m_trying) {
    m_untried.clear();
    m_trying.clear();
    return false;
  }
  if (m_untried.empty()) return false;
  m_trying = m_untried.front();
  m_untried.erase(m_untried.begin());
  m_entry.set_text(m_trying);
  m_entry.select_region(0, -1);
  return true;
}

void CFindBar::Close() {
  if (!IsOpen()) return;
  m_box.hide();
  webkit_find_controller_search_finish(m_pFinder);
  gtk_widget_grab_focus(GTK_WIDGET(m_webView.get()));
}

void CFindBar::Search() {
  std::string text = m_entry.get_text();
  if (text.empty()) {
    webkit_find_controller_search_finish(m_pFinder);
    m_countTimer.disconnect();
    m_matches = -1;
    m_count.set_text("");
    return;
  }
  webkit_find_controller_search(m_pFinder, text.c_str(), kFindOptions, kMaxMatches);
  // Counting a long page takes the engine a while: the count is asked for
  // once typing pauses, and until it comes the bar shows none.
  m_matches = -1;
  m_count.set_text("");
  m_countTimer.disconnect();
  m_countTimer = Glib::signal_timeout().connect(
      [this] {
        CountMatches();
        return false;
      },
      kCountDelayMs);
}

void CFindBar::CountMatches() {
  m_countedText = m_entry.get_text();
  ++m_countsAsked;
  webkit_find_controller_count_matches(m_pFinder, m_countedText.c_str(), kFindOptions, kMaxMatches);
}

// The engine answers the counts in the order they were asked: only the
// answer to the last one, for the text still in the entry, is shown.
void CFindBar::OnCounted(int matches) {
  if (m_countsAsked > 0) --m_countsAsked;
  if (m_countsAsked > 0 || m_countTimer.connected() || m_entry.get_text() != m_countedText) return;
  ShowCount(matches);
}

// A text of OpenWith() not found gives way to the next; otherwise a count on
// its way will say so itself, for the text typed last.
void CFindBar::OnFailed() {
  if (TryNextText()) return;
  if (m_countsAsked > 0 || m_countTimer.connected()) return;
  ShowCount(0);
}

// Next and previous repeat the last search; with new text typed since, or
// none made yet, they start one.
void CFindBar::FindNext() { Repeat(true); }
void CFindBar::FindPrevious() { Repeat(false); }

void CFindBar::Repeat(bool forward) {
  const char* searched = webkit_find_controller_get_search_text(m_pFinder);
  if (!searched || m_entry.get_text() != searched)
    Search();
  else if (forward)
    webkit_find_controller_search_next(m_pFinder);
  else
    webkit_find_controller_search_previous(m_pFinder);
}

void CFindBar::ShowCount(int matches) {
  m_matches = matches;
  if (matches == 0)
    m_count.set_text(res::LoadString(res::IDS_FIND_NO_MATCHES));
  else if (matches == 1)
    m_count.set_text(res::LoadString(res::IDS_FIND_ONE_MATCH));
  else if (static_cast<guint>(matches) > kMaxMatches)
    m_count.set_text(WithNumber(res::IDS_FIND_MANY_MATCHES, kMaxMatches));
  else
    m_count.set_text(WithNumber(res::IDS_FIND_MATCHES, static_cast<guint>(matches)));
  if (matches == 0)
    m_entry.get_style_context()->add_class("error");
  else
    m_entry.get_style_context()->remove_class("error");
}

bool CFindBar::CloseOnEscape(const GdkEventKey* event) {
  if (!IsOpen() || event->keyval != GDK_KEY_Escape) return false;
  Gtk::Window* top = dynamic_cast<Gtk::Window*>(m_box.get_toplevel());
  Gtk::Widget* focus = top ? top->get_focus() : nullptr;
  if (!focus || !focus->is_ancestor(m_box)) return false;
  Close();
  return true;
}

// The count comes from counting (a search or next reports only what it
// found from where it stood); more than the most counted comes as G_MAXUINT.
void CFindBar::CountedThunk(WebKitFindController*, guint matchCount, gpointer self) {
  static_cast<CFindBar*>(self)->OnCounted(matchCount > kMaxMatches ? static_cast<int>(kMaxMatches) + 1
                                                                   : static_cast<int>(matchCount));
}

void CFindBar::FailedThunk(WebKitFindController*, gpointer self) { static_cast<CFindBar*>(self)->OnFailed(); }

}  // namespace quiro
