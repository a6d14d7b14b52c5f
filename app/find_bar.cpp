#include "app/find_bar.h"

#include "res/strings.h"

namespace quiro {

namespace {

// More matches than this are not counted one by one.
constexpr guint kMaxMatches = 1000;
constexpr guint32 kFindOptions = WEBKIT_FIND_OPTIONS_CASE_INSENSITIVE | WEBKIT_FIND_OPTIONS_WRAP_AROUND;

// The bar reads as a tab hanging from the top edge of the page.
constexpr const char* kFindBarCss =
    ".quiro-find-bar { background-color: @theme_bg_color; border: 1px solid @borders; border-top-width: 0;"
    " border-radius: 0 0 5px 5px; padding: 3px 6px; }";

std::string WithNumber(int id, guint n) { return res::FormatString(id, {std::to_string(n)}); }

void SetIconButton(Gtk::Button& button, const char* icon, int tooltip) {
  button.set_image_from_icon_name(icon, Gtk::ICON_SIZE_BUTTON);
  button.set_relief(Gtk::RELIEF_NONE);
  button.set_tooltip_text(res::LoadString(tooltip));
  button.set_can_focus(false);
}

}  // namespace

CFindBar::CFindBar(WebKitWebView* webView)
    : m_webView(quiro::NewRef(webView)),
      m_pFinder(webkit_web_view_get_find_controller(webView)) {
  m_entry.set_placeholder_text(res::LoadString(res::IDS_FIND_PLACEHOLDER));
  m_entry.set_width_chars(20);
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
  g_signal_handlers_disconnect_by_data(m_pFinder, this);
}

void CFindBar::Open() {
  m_box.show();
  m_entry.grab_focus();
  m_entry.select_region(0, -1);
  if (!m_entry.get_text().empty()) Search();
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
    m_matches = -1;
    m_count.set_text("");
    return;
  }
  webkit_find_controller_search(m_pFinder, text.c_str(), kFindOptions, kMaxMatches);
  webkit_find_controller_count_matches(m_pFinder, text.c_str(), kFindOptions, kMaxMatches);
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
  static_cast<CFindBar*>(self)->ShowCount(matchCount > kMaxMatches ? static_cast<int>(kMaxMatches) + 1
                                                                   : static_cast<int>(matchCount));
}

void CFindBar::FailedThunk(WebKitFindController*, gpointer self) { static_cast<CFindBar*>(self)->ShowCount(0); }

}  // namespace quiro
