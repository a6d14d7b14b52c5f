#include "app/main_frame.h"

#include <gdk/gdk.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "app/accessible.h"
#include "app/commands.h"
#include "app/print_worker.h"
#include "app/quiro_doc.h"
#include "platform/viewer_state.h"
#include "res/toolbar_pixels.h"

namespace res = quiro::res;

namespace {

constexpr int kMinButtonWidth = 50;

// How far a window moves from a place another instance's window holds.
constexpr int kCascadeStep = 32;
// The window's size on a first start, where the screen has room for it.
constexpr int kFirstWidth = 1000;
constexpr int kFirstHeight = 740;

// The lock-key panes, left to right: Caps Lock, Num Lock, Scroll Lock.
constexpr int kIndicatorIds[3] = {res::IDS_INDICATOR_CAPS, res::IDS_INDICATOR_NUM, res::IDS_INDICATOR_SCRL};
// What a screen reader reads for each pane: the key and whether it is on.
constexpr int kIndicatorOnNames[3] = {res::IDS_CAPS_LOCK_ON, res::IDS_NUM_LOCK_ON, res::IDS_SCROLL_LOCK_ON};
constexpr int kIndicatorOffNames[3] = {res::IDS_CAPS_LOCK_OFF, res::IDS_NUM_LOCK_OFF, res::IDS_SCROLL_LOCK_OFF};

// Themed icons standing in for toolbar images that are not compiled in.
constexpr const char* kFallbackIcons[] = {
    "go-previous",     "go-next",        "process-stop", "view-refresh",
    "go-home",         "image-missing",  "edit-find",    "document-print",
    "format-text-bold", "document-print-preview",
};

// The pictures drawn when the program was built; they stay in the program's
// memory, so the pixbuf only points at them.
Glib::RefPtr<Gdk::Pixbuf> LoadToolbarImage(int image, bool hot) {
  if (image < 0 || image >= QUIRO_TOOLBAR_IMAGE_COUNT) return {};
  const quiro_toolbar_pixels& p = quiro_toolbar_images[hot ? 1 : 0][image];
  if (p.rgba == nullptr || p.width <= 0 || p.height <= 0) return {};
  return Gdk::Pixbuf::create_from_data(p.rgba, Gdk::COLORSPACE_RGB, true, 8, p.width, p.height, p.width * 4);
}

// The action that marks the current text size among the font size items.
constexpr const char* kTextSizeAction = "text-size";

Glib::RefPtr<Gio::MenuItem> MakeMenuItem(const res::MenuEntry& e) {
  if (const int level = quiro::TextSizeOfCommand(e.id); level >= 0) {
    Glib::RefPtr<Gio::MenuItem> item = Gio::MenuItem::create(res::MenuText(e), "");
    item->set_action_and_target(std::string("win.") + kTextSizeAction, Glib::Variant<int>::create(level));
    return item;
  }
  const quiro::Command* cmd = quiro::FindCommand(e.id);
  return Gio::MenuItem::create(res::MenuText(e), cmd ? cmd->DetailedAction() : std::string("win."));
}

// Builds a menu model from entries [begin, end): separators start a new
// section, kSubMenu...kEndSubMenu nest.
Glib::RefPtr<Gio::Menu> BuildMenuModel(const res::MenuEntry*& it, const res::MenuEntry* end) {
  Glib::RefPtr<Gio::Menu> menu = Gio::Menu::create();
  Glib::RefPtr<Gio::Menu> section = Gio::Menu::create();
  for (; it != end; ++it) {
    if (it->id == res::kPopup || it->id == res::kEndSubMenu) break;
    if (it->id == res::kSeparator) {
      menu->append_section(section);
      section = Gio::Menu::create();
    } else if (it->id == res::kSubMenu) {
      std::string label = res::MenuText(*it);
      ++it;
      Glib::RefPtr<Gio::Menu> sub = BuildMenuModel(it, end);
      section->append_submenu(label, sub);
      if (it == end) break;
    } else {
      section->append_item(MakeMenuItem(*it));
    }
  }
  menu->append_section(section);
  return menu;
}

}  // namespace

CMainFrame::CMainFrame(const Glib::RefPtr<Gtk::Application>& app, CQuiroDoc& doc,
                       std::shared_ptr<quiro::SiteHolder> site, quiro::Services& services)
    : Gtk::ApplicationWindow(app),
      m_doc(doc),
      m_services(services),
      m_pView(std::make_unique<CQuiroView>(std::move(site))) {
  CQuiroView* view = m_pView.get();
  m_pPrintController = std::make_unique<quiro::CPrintController>(
      *view, m_services.printAll, this, [view] { return view->GetCurrentURL(); },
      [this](const std::string& text) { SetMessageText(text); });
  CreateActions();
  CreateTextSizeActions();
  CreateKeyboardActions();
  CreateMenuBar();
  CreateToolBar();
  CreateStatusBar();

  m_pView->signal_title_changed().connect([this](const std::string& title) { m_doc.SetTitle(title); });
  m_pView->signal_navigation_decided().connect(sigc::mem_fun(*this, &CMainFrame::ApplyNavigationDecision));
  m_pView->signal_web_process_gone().connect([this](const std::string& why) {
    SetMessageText(why);
    m_goneMessage = why;
  });
  // The link under the pointer names its target in the message pane, as
  // long as the pointer stays on it.
  m_pView->signal_link_hovered().connect([this](const std::string& target) {
    if (!target.empty()) {
      SetMessageText(target);
      m_linkShown = true;
    } else if (m_linkShown) {
      SetIdleMessage();
    }
  });
  // The message about a gone web process lasts until a page is shown again.
  m_pView->signal_document_complete().connect([this](const std::string&, const std::string&, bool topLevel) {
    if (!topLevel || m_goneMessage.empty() || m_pView->ShowsGonePage()) return;
    if (m_strMessage == m_goneMessage) SetIdleMessage();
    m_goneMessage.clear();
  });
  m_pView->signal_handed_off().connect(sigc::mem_fun(*this, &CMainFrame::ReportHandOff));

  m_layout.pack_start(*m_pMenuBar, Gtk::PACK_SHRINK);
  m_layout.pack_start(m_wndToolBar, Gtk::PACK_SHRINK);
  m_pFindBar = std::make_unique<quiro::CFindBar>(view->GetWebView());
  // A page opened from the search results shows the words searched for.
  m_pView->signal_history_navigation().connect([this] { m_searchArrival.Forget(); });
  m_pView->signal_document_complete().connect([this](const std::string& frame, const std::string& url, bool top) {
    std::vector<std::string> words = m_searchArrival.DocumentComplete(frame, url, top);
    if (!words.empty()) m_pFindBar->OpenWith(std::move(words));
  });
  m_viewOverlay.add(m_pView->GetWidget());
  m_viewOverlay.add_overlay(m_pFindBar->GetWidget());
  m_layout.pack_start(m_viewOverlay, Gtk::PACK_EXPAND_WIDGET);
  m_layout.pack_start(m_statusRow, Gtk::PACK_SHRINK);
  add(m_layout);
  m_layout.show_all();
  // Escape closes the find bar while the focus is in it, ahead of the
  // Escape accelerator (Stop).
  signal_key_press_event().connect([this](GdkEventKey* event) { return m_pFindBar->CloseOnEscape(event); },
                                   false);

  m_doc.signal_title_changed().connect(sigc::mem_fun(*this, &CMainFrame::UpdateCaption));
  UpdateCaption(m_doc.GetTitle());
  RestoreViewerState();
}

void CMainFrame::RestoreViewerState() {
  const platform::ViewerState state = platform::LoadViewerState(platform::ViewerStateFile());
  m_pView->SetTextSize(state.textSize);
  GdkDisplay* display = gdk_display_get_default();
  m_place = std::make_unique<platform::WindowPlaceEntry>(platform::WindowPlacesFolder(),
                                                         display != nullptr ? gdk_display_get_name(display) : "");
  // The window opens no larger than its monitor's work area: a small
  // screen, or a size kept from a larger monitor than this one.
  GdkMonitor* monitor = nullptr;
  if (display != nullptr) {
    monitor = state.hasGeometry ? gdk_display_get_monitor_at_point(display, state.x, state.y)
                                : gdk_display_get_primary_monitor(display);
    if (monitor == nullptr) monitor = gdk_display_get_monitor(display, 0);
  }
  GdkRectangle area{};
  if (monitor != nullptr) gdk_monitor_get_workarea(monitor, &area);
  int width = state.hasGeometry ? state.width : kFirstWidth;
  int height = state.hasGeometry ? state.height : kFirstHeight;
  if (area.width > 0) width = std::min(width, area.width);
  if (area.height > 0) height = std::min(height, area.height);
  set_default_size(width, height);
  if (state.hasGeometry) {
    // Instances started together would open on top of each other; each
    // later one goes a step down the diagonal, staying on the monitor.
    platform::WindowPlace place{state.x, state.y};
    platform::PlaceBounds bounds;
    if (monitor != nullptr) {
      bounds = {area.x, area.y, std::max(area.x, area.x + area.width - width),
                std::max(area.y, area.y + area.height - height)};
    }
    place = platform::FreeWindowPlace(place, m_place->Others(), kCascadeStep, monitor != nullptr ? &bounds : nullptr);
    move(place.x, place.y);
    m_place->Update(place);
  }
  if (state.maximized) maximize();
}

bool CMainFrame::on_configure_event(GdkEventConfigure* event) {
  if (m_place) {
    int x = 0, y = 0;
    get_position(x, y);
    m_place->Update({x, y});
  }
  return Gtk::ApplicationWindow::on_configure_event(event);
}

// Kept when the window closes. A file that cannot be written changes nothing.
void CMainFrame::SaveViewerState() {
  platform::ViewerState state;
  state.textSize = m_pView->GetTextSize();
  state.maximized = m_maximized;
  if (!m_maximized) {
    state.hasGeometry = true;
    get_position(state.x, state.y);
    get_size(state.width, state.height);
  } else {
    // The size to come back to is the one before maximizing: keep what was kept.
    const platform::ViewerState kept = platform::LoadViewerState(platform::ViewerStateFile());
    state.hasGeometry = kept.hasGeometry;
    state.x = kept.x;
    state.y = kept.y;
    state.width = kept.width;
    state.height = kept.height;
  }
  platform::SaveViewerState(state, platform::ViewerStateFile());
}

bool CMainFrame::on_window_state_event(GdkEventWindowState* event) {
  m_maximized = (event->new_window_state & GDK_WINDOW_STATE_MAXIMIZED) != 0;
  return Gtk::ApplicationWindow::on_window_state_event(event);
}

CMainFrame::~CMainFrame() {
  GdkKeymap* keymap = gdk_keymap_get_for_display(gdk_display_get_default());
  if (keymap) g_signal_handlers_disconnect_by_data(keymap, this);
  // The print controller lets go of the view first; the view's widget goes
  // with the layout, the view itself afterwards.
  m_pPrintController.reset();
  remove();
  m_viewOverlay.Gtk::Container::remove(m_pFindBar->GetWidget());
  m_viewOverlay.remove();
}

bool CMainFrame::on_delete_event(GdkEventAny* event) {
  if (m_services.printAll.RunsHandingOver() > 0) {
    Gtk::MessageDialog ask(*this, res::LoadString(res::IDS_CLOSE_DURING_PRINT_ALL), false,
                           Gtk::MESSAGE_QUESTION, Gtk::BUTTONS_NONE, true);
    ask.set_title(res::LoadString(res::IDS_APP_TITLE));
    ask.add_button(res::MenuLabel(res::LoadString(res::IDS_CLOSE_KEEP_OPEN)), Gtk::RESPONSE_CANCEL);
    ask.add_button(res::MenuLabel(res::LoadString(res::IDS_CLOSE_ANYWAY)), Gtk::RESPONSE_OK);
    ask.set_default_response(Gtk::RESPONSE_CANCEL);
    if (ask.run() != Gtk::RESPONSE_OK) return true;  // the window stays
    // The run may have ended while the question was open; then nothing waits.
    if (Glib::RefPtr<Gtk::Application> app = get_application()) {
      app->hold();
      m_services.printAll.WhenPagesHandedOver([app] { app->release(); });
    }
  }
  SaveViewerState();
  return Gtk::ApplicationWindow::on_delete_event(event);
}

// Caption: "<page title> - quiro", the document's title first.
void CMainFrame::UpdateCaption(const std::string& docTitle) {
  set_title(docTitle + " - " + res::LoadString(res::IDS_APP_TITLE));
}

void CMainFrame::CreateActions() {
  Glib::RefPtr<Gtk::Application> app = get_application();
  for (const quiro::Command& cmd : quiro::Commands()) {
    Glib::RefPtr<Gio::SimpleAction> action =
        cmd.toggle ? Gio::SimpleAction::create_bool(cmd.action, true) : Gio::SimpleAction::create(cmd.action);
    if (cmd.id == res::ID_VIEW_TOOLBAR) m_toolbarAction = action;
    if (cmd.id == res::ID_VIEW_STATUS_BAR) m_statusBarAction = action;
    auto handler = cmd.handler;
    action->signal_activate().connect([this, handler](const Glib::VariantBase&) { handler(*this); });
    add_action(action);
    if (app && *cmd.accel) app->set_accels_for_action(cmd.DetailedAction(), cmd.Accelerators());
  }
}

// The font size items are one choice of five, the current size marked: a
// stateful action whose target is the size. The zoom keys step through the
// sizes, or go back to Medium.
void CMainFrame::CreateTextSizeActions() {
  m_textSizeAction = Gio::SimpleAction::create_radio_integer(kTextSizeAction, m_pView->GetTextSize());
  m_textSizeAction->signal_activate().connect([this](const Glib::VariantBase& target) {
    if (target.is_of_type(Glib::VariantType("i")))
      m_pView->SetTextSize(Glib::VariantBase::cast_dynamic<Glib::Variant<int>>(target).get());
  });
  add_action(m_textSizeAction);
  m_pView->signal_text_size_changed().connect(
      [this](int level) { m_textSizeAction->set_state(Glib::Variant<int>::create(level)); });

  struct Zoom {
    const char* action;
    const char* accels;
    int step;  // 0: back to Medium
  };
  constexpr Zoom kZooms[] = {
      {"text-larger", "<Control>equal <Control>plus <Control>KP_Add", +1},
      {"text-smaller", "<Control>minus <Control>KP_Subtract", -1},
      {"text-medium", "<Control>0 <Control>KP_0", 0},
  };
  Glib::RefPtr<Gtk::Application> app = get_application();
  for (const Zoom& z : kZooms) {
    Glib::RefPtr<Gio::SimpleAction> action = Gio::SimpleAction::create(z.action);
    action->signal_activate().connect([this, step = z.step](const Glib::VariantBase&) {
      m_pView->SetTextSize(step == 0 ? 2 : m_pView->GetTextSize() + step);
    });
    add_action(action);
    if (app) {
      const quiro::Command zoom{0, z.action, z.accels, false, nullptr};
      app->set_accels_for_action(zoom.DetailedAction(), zoom.Accelerators());
    }
  }
}

// F6 and Shift+F6 move the focus from pane to pane: the toolbar, then each
// frame of the page (or the page, when it has none), and round again. F7
// turns caret browsing on and off.
void CMainFrame::CreateKeyboardActions() {
  struct Key {
    const char* action;
    const char* accels;
    void (CMainFrame::*run)();
  };
  constexpr Key kKeys[] = {
      {"next-pane", "F6", &CMainFrame::FocusNextPane},
      {"previous-pane", "<Shift>F6", &CMainFrame::FocusPreviousPane},
      {"caret-browsing", "F7", &CMainFrame::ToggleCaretBrowsing},
  };
  Glib::RefPtr<Gtk::Application> app = get_application();
  for (const Key& k : kKeys) {
    Glib::RefPtr<Gio::SimpleAction> action = Gio::SimpleAction::create(k.action);
    action->signal_activate().connect([this, run = k.run](const Glib::VariantBase&) { (this->*run)(); });
    add_action(action);
    if (app) {
      const quiro::Command key{0, k.action, k.accels, false, nullptr};
      app->set_accels_for_action(key.DetailedAction(), key.Accelerators());
    }
  }
}

void CMainFrame::FocusNextPane() { MoveFocusBetweenPanes(+1); }
void CMainFrame::FocusPreviousPane() { MoveFocusBetweenPanes(-1); }

void CMainFrame::MoveFocusBetweenPanes(int direction) {
  Gtk::Widget& web = m_pView->GetWidget();
  Gtk::Widget* focus = get_focus();
  const bool inView = focus != nullptr && (focus == &web || focus->is_ancestor(web));
  const bool toolbarShown = m_wndToolBar.get_visible();
  // Out of the page's last frame (or first, going back) the focus goes to
  // the toolbar; without a toolbar, round to the page's other end.
  m_pView->MoveFocusAcrossFrames(direction, !inView, [this, direction, inView, toolbarShown](bool leaves) {
    if (!leaves) return;
    if (toolbarShown && FocusToolbar()) return;
    if (inView) m_pView->MoveFocusAcrossFrames(direction, true, [](bool) {});
  });
}

bool CMainFrame::FocusToolbar() {
  if (ToolbarHasFocus()) return true;
  unset_focus();
  return m_wndToolBar.child_focus(Gtk::DIR_TAB_FORWARD);
}

bool CMainFrame::ToolbarHasFocus() {
  Gtk::Widget* focus = get_focus();
  return focus != nullptr && focus->is_ancestor(m_wndToolBar);
}

void CMainFrame::ToggleCaretBrowsing() {
  const bool on = !m_pView->IsCaretBrowsing();
  m_pView->SetCaretBrowsing(on);
  SetMessageText(res::LoadString(on ? res::IDS_CARET_BROWSING_ON : res::IDS_CARET_BROWSING_OFF));
}

void CMainFrame::SendCommand(int id) {
  if (const quiro::Command* cmd = quiro::FindCommand(id)) activate_action(cmd->action);
}

void CMainFrame::ToggleToolBar() {
  bool show = !m_wndToolBar.get_visible();
  m_wndToolBar.set_visible(show);
  m_toolbarAction->change_state(show);
}

void CMainFrame::ToggleStatusBar() {
  bool show = !m_wndStatusBar.get_visible();
  m_wndStatusBar.set_visible(show);
  m_statusRow.set_visible(show);
  m_statusBarAction->change_state(show);
}

void CMainFrame::ApplyNavigationDecision(const quiro::NavigationDecision& d) {
  auto apply = [this](int index, quiro::ButtonChange change) {
    if (change != quiro::ButtonChange::Keep) ShowToolbarButton(index, change == quiro::ButtonChange::Show);
  };
  apply(res::kFindButton, d.find);
  apply(res::kPrintButton, d.print);
  apply(res::kPrintAllButton, d.printAll);
}

// A help file link whose viewer is missing or fails says so; the page stays.
void CMainFrame::ReportHandOff(bool chm, quiro::HandOff outcome) {
  if (outcome == quiro::HandOff::Started) return;
  int id = res::IDS_VIEWER_NOT_STARTED;
  if (outcome == quiro::HandOff::NoViewer) id = res::IDS_NO_VIEWER;
  if (outcome == quiro::HandOff::NotFound) id = res::IDS_VIEWER_NOT_FOUND;
  if (outcome == quiro::HandOff::Refused) id = res::IDS_VIEWER_REFUSED;
  SetMessageText(res::FormatString(id, {res::LoadString(chm ? res::IDS_KIND_CHM : res::IDS_KIND_HLP)}));
}

void CMainFrame::CreateMenuBar() {
  Glib::RefPtr<Gio::Menu> bar = Gio::Menu::create();
  const res::MenuEntry* it = std::begin(res::kMainMenu);
  const res::MenuEntry* end = std::end(res::kMainMenu);
  while (it != end) {
    if (it->id != res::kPopup) {
      ++it;
      continue;
    }
    std::string label = res::MenuText(*it);
    ++it;
    bar->append_submenu(label, BuildMenuModel(it, end));
  }
  m_pMenuBar = Gtk::manage(new Gtk::MenuBar(bar));
  const res::MenuEntry* entry = std::begin(res::kMainMenu);
  ConnectPrompts(*m_pMenuBar, entry, std::end(res::kMainMenu));

  Glib::RefPtr<Gio::Menu> font = Gio::Menu::create();
  for (const res::MenuEntry& e : res::kFontMenu) font->append_item(MakeMenuItem(e));
  m_pFontMenu = Gtk::manage(new Gtk::Menu(font));
  entry = std::begin(res::kFontMenu);
  ConnectPrompts(*m_pFontMenu, entry, std::end(res::kFontMenu));
}

// While the pointer rests on a menu item the status bar shows its prompt.
// The menu widgets stand in the order of the menu entries they were made
// from (separators aside), so each item is paired with its entry.
void CMainFrame::ConnectPrompts(Gtk::MenuShell& shell, const res::MenuEntry*& entry, const res::MenuEntry* end) {
  for (Gtk::Widget* child : shell.get_children()) {
    auto* item = dynamic_cast<Gtk::MenuItem*>(child);
    if (!item || dynamic_cast<Gtk::SeparatorMenuItem*>(child)) continue;
    while (entry != end && (entry->id == res::kSeparator || entry->id == res::kEndSubMenu)) ++entry;
    if (entry == end) return;
    const res::MenuEntry& e = *entry++;
    if (e.id > 0) {
      ShowPromptWhileSelected(*item, e.id);
      quiro::SetAccessibleText(*item, quiro::AccessibleName(std::string(item->get_label())), res::CommandPrompt(e.id));
    }
    if (Gtk::Menu* sub = item->get_submenu()) ConnectPrompts(*sub, entry, end);
  }
}

void CMainFrame::ShowPromptWhileSelected(Gtk::MenuItem& item, int id) {
  item.signal_select().connect([this, id] { SetMessageText(res::CommandPrompt(id)); });
  item.signal_deselect().connect([this] { SetIdleMessage(); });
}

void CMainFrame::CreateToolBar() {
  m_wndToolBar.set_toolbar_style(Gtk::TOOLBAR_BOTH);
  // Buttons that do not fit go into the overflow menu behind the toolbar's
  // arrow, so the window can be as narrow as half a small screen.
  m_wndToolBar.set_show_arrow(true);
  // Its arrow would look just like the Font button's drop-down arrow, which
  // stands right before it when the window is narrow: it shows "more" and
  // says what it opens.
  gtk_container_forall(GTK_CONTAINER(m_wndToolBar.gobj()), [](GtkWidget* child, gpointer self) {
    if (GTK_IS_TOGGLE_BUTTON(child)) static_cast<CMainFrame*>(self)->m_pOverflowArrow = child;
  }, this);
  if (m_pOverflowArrow != nullptr) {
    if (GtkWidget* image = gtk_bin_get_child(GTK_BIN(m_pOverflowArrow)); image != nullptr && GTK_IS_IMAGE(image))
      gtk_image_set_from_icon_name(GTK_IMAGE(image), "view-more-horizontal-symbolic", GTK_ICON_SIZE_BUTTON);
    gtk_widget_set_tooltip_text(m_pOverflowArrow, res::LoadString(res::IDS_TOOLBAR_MORE).c_str());
    quiro::SetAccessibleText(m_pOverflowArrow, res::LoadString(res::IDS_TOOLBAR_MORE));
  }
  for (std::size_t i = 0; i < res::kToolbarButtonCount; ++i) {
    const res::ToolbarButton& b = res::kToolbar[i];
    m_normal[i] = LoadToolbarImage(b.image, false);
    m_hotImages[i] = LoadToolbarImage(b.image, true);
    Gtk::Image* image = m_normal[i] ? Gtk::manage(new Gtk::Image(m_normal[i]))
                                    : Gtk::manage(new Gtk::Image(kFallbackIcons[b.image],
                                                                 Gtk::ICON_SIZE_LARGE_TOOLBAR));
    // The hot picture is taller than the normal one; the image keeps the
    // larger size in both states, so the toolbar and the page below it stay
    // where they are while the pointer moves over the buttons.
    int width = 0, height = 0;
    for (const Glib::RefPtr<Gdk::Pixbuf>& p : {m_normal[i], m_hotImages[i]})
      if (p) {
        width = std::max(width, p->get_width());
        height = std::max(height, p->get_height());
      }
    if (width > 0) image->set_size_request(width, height);
    m_images[i] = image;
    std::string label = res::LoadString(b.label);
    Gtk::ToolButton* button;
    if (b.dropDown) {
      auto* menuButton = Gtk::manage(new Gtk::MenuToolButton(*image, label));
      menuButton->set_menu(*m_pFontMenu);
      menuButton->set_arrow_tooltip_text(res::CommandTooltip(b.command));
      // The arrow opens the menu under the whole button, not under the arrow.
      if (auto* box = dynamic_cast<Gtk::Container*>(menuButton->get_child())) {
        std::vector<Gtk::Widget*> parts = box->get_children();
        if (parts.size() == 2) {
          if (auto* arrow = dynamic_cast<Gtk::ToggleButton*>(parts[1])) {
            arrow->signal_button_press_event().connect(
                [this, menuButton, arrow](GdkEventButton* event) {
                  if (event->button != 1 || event->type != GDK_BUTTON_PRESS) return false;
                  OnDropDown(*menuButton, *arrow, reinterpret_cast<GdkEvent*>(event));
                  return true;
                },
                false);
            // Opened from the keyboard, the menu comes up under the arrow;
            // move it to the same place.
            arrow->signal_toggled().connect([this, menuButton, arrow] {
              if (m_openingFontMenu || !arrow->get_active() || !m_pFontMenu->get_visible()) return;
              // The arrow's lower-left corner in the button's coordinates.
              int ax = 0, ay = 0;
              arrow->translate_coordinates(*menuButton, 0, arrow->get_allocated_height(), ax, ay);
              int dy = menuButton->get_allocated_height() - ay + 1;
              g_object_set(m_pFontMenu->gobj(), "rect-anchor-dx", -ax, "rect-anchor-dy", dy, nullptr);
              gtk_menu_reposition(m_pFontMenu->gobj());
            });
          }
        }
      }
      button = menuButton;
    } else {
      button = Gtk::manage(new Gtk::ToolButton(*image, label));
    }
    const std::string tooltip = res::CommandTooltip(b.command);
    const std::string prompt = res::CommandPrompt(b.command);
    button->set_tooltip_text(tooltip);
    button->set_is_important(true);
    // Buttons are at least 50 pixels wide, so short labels line up.
    button->set_size_request(kMinButtonWidth, -1);
    if (const quiro::Command* cmd = quiro::FindCommand(b.command))
      gtk_actionable_set_action_name(GTK_ACTIONABLE(button->gobj()), cmd->DetailedAction().c_str());

    // A screen reader reads the tooltip as the button's name and the prompt
    // as what it does.
    const std::string name = quiro::AccessibleName(tooltip);
    quiro::SetAccessibleText(*button, name, prompt);

    // Hot image and status-bar prompt while the pointer is over the button.
    int index = static_cast<int>(i);
    int command = b.command;
    std::vector<Gtk::Widget*> targets;
    if (Gtk::Widget* child = button->get_child()) {
      if (auto* box = dynamic_cast<Gtk::Container*>(child); box && !dynamic_cast<Gtk::Button*>(child))
        targets = box->get_children();
      else
        targets.push_back(child);
    }
    for (Gtk::Widget* target : targets) {
      if (dynamic_cast<Gtk::Button*>(target)) quiro::SetAccessibleText(*target, name, prompt);
      target->add_events(Gdk::ENTER_NOTIFY_MASK | Gdk::LEAVE_NOTIFY_MASK);
      target->signal_enter_notify_event().connect([this, index, command](GdkEventCrossing*) {
        SetButtonHot(index, true);
        SetMessageText(res::CommandPrompt(command));
        return false;
      });
      target->signal_leave_notify_event().connect([this, index](GdkEventCrossing*) {
        SetButtonHot(index, false);
        SetIdleMessage();
        return false;
      });
    }
    button->signal_create_menu_proxy().connect(
        [this, button, index] { return CreateOverflowItem(*button, index); }, false);
    m_buttons[i] = button;
    m_wndToolBar.append(*button);
  }
}

// The entry a button gets in the overflow menu when the toolbar is too narrow
// for it: its label, running its command, with its status-bar prompt while
// selected. The Font button's entry opens the font menu's items.
bool CMainFrame::CreateOverflowItem(Gtk::ToolItem& button, int index) {
  const res::ToolbarButton& b = res::kToolbar[index];
  auto* item = Gtk::manage(new Gtk::MenuItem(res::LoadString(b.label)));
  if (b.dropDown) {
    auto* sub = Gtk::manage(new Gtk::Menu());
    std::vector<std::pair<Gtk::CheckMenuItem*, int>> sizes;
    for (const res::MenuEntry& e : res::kFontMenu) {
      auto* size = Gtk::manage(new Gtk::CheckMenuItem(res::MenuText(e), true));
      size->set_draw_as_radio(true);
      size->signal_activate().connect([this, id = e.id] {
        if (!m_markingSizes) SendCommand(id);
      });
      ShowPromptWhileSelected(*size, e.id);
      sub->append(*size);
      sizes.emplace_back(size, quiro::TextSizeOfCommand(e.id));
    }
    // Marked as the menu opens; marking an item activates it, which must not
    // run its command.
    sub->signal_show().connect([this, sizes] {
      m_markingSizes = true;
      for (const auto& [size, level] : sizes) size->set_active(level == m_pView->GetTextSize());
      m_markingSizes = false;
    });
    sub->show_all();
    item->set_submenu(*sub);
  } else {
    item->signal_activate().connect([this, id = b.command] { SendCommand(id); });
  }
  ShowPromptWhileSelected(*item, b.command);
  button.set_proxy_menu_item("quiro-overflow", *item);
  return true;
}

// The font menu, left-aligned, one pixel below the button's lower-left corner.
void CMainFrame::OnDropDown(Gtk::ToolItem& item, Gtk::ToggleButton& arrow, GdkEvent* trigger) {
  g_object_set(m_pFontMenu->gobj(), "rect-anchor-dx", 0, "rect-anchor-dy", 1, nullptr);
  gtk_menu_popup_at_widget(m_pFontMenu->gobj(), GTK_WIDGET(item.gobj()), GDK_GRAVITY_SOUTH_WEST,
                           GDK_GRAVITY_NORTH_WEST, trigger);
  // The menu is up: pressing the arrow in does not open it a second time.
  m_openingFontMenu = true;
  arrow.set_active(true);
  m_openingFontMenu = false;
}

void CMainFrame::SetButtonHot(int index, bool hot) {
  if (m_hot[index] == hot) return;
  m_hot[index] = hot;
  const Glib::RefPtr<Gdk::Pixbuf>& pixbuf = hot ? m_hotImages[index] : m_normal[index];
  if (pixbuf) m_images[index]->set(pixbuf);
}

void CMainFrame::ShowToolbarButton(int index, bool show) {
  if (index < 0 || index >= static_cast<int>(res::kToolbarButtonCount)) return;
  m_buttons[index]->set_visible(show);
}

bool CMainFrame::IsToolbarButtonVisible(int index) const {
  if (index < 0 || index >= static_cast<int>(res::kToolbarButtonCount)) return false;
  return m_buttons[index]->get_visible();
}

void CMainFrame::CreateStatusBar() {
  for (int i = 0; i < 3; ++i) {
    m_indicators[i].set_width_chars(static_cast<int>(res::LoadString(kIndicatorIds[i]).size()) + 1);
    m_indicatorFrames[i].set_shadow_type(Gtk::SHADOW_IN);
    m_indicatorFrames[i].add(m_indicators[i]);
  }
  // The panes stand in a row of their own beside the status bar: the status
  // bar hides its children from assistive technology.
  m_statusRow.pack_start(m_wndStatusBar, Gtk::PACK_EXPAND_WIDGET);
  for (int i = 0; i < 3; ++i) {
    m_indicatorFrames[i].set_margin_top(2);
    m_indicatorFrames[i].set_margin_bottom(2);
    m_statusRow.pack_start(m_indicatorFrames[i], Gtk::PACK_SHRINK);
  }
  m_statusRow.set_margin_end(4);
  SetIdleMessage();

  GdkKeymap* keymap = gdk_keymap_get_for_display(gdk_display_get_default());
  if (keymap) {
    g_signal_connect_swapped(keymap, "state-changed", G_CALLBACK(+[](CMainFrame* self) {
                               self->OnKeymapStateChanged();
                             }),
                             this);
  }
  OnKeymapStateChanged();
}

void CMainFrame::OnKeymapStateChanged() {
  GdkKeymap* keymap = gdk_keymap_get_for_display(gdk_display_get_default());
  bool on[3] = {false, false, false};
  if (keymap) {
    on[0] = gdk_keymap_get_caps_lock_state(keymap);
    on[1] = gdk_keymap_get_num_lock_state(keymap);
    on[2] = gdk_keymap_get_scroll_lock_state(keymap);
  }
  for (int i = 0; i < 3; ++i) {
    m_indicators[i].set_text(on[i] ? res::LoadString(kIndicatorIds[i]) : std::string());
    const std::string name = res::LoadString(on[i] ? kIndicatorOnNames[i] : kIndicatorOffNames[i]);
    quiro::SetAccessibleText(m_indicators[i], name);
    quiro::SetAccessibleText(m_indicatorFrames[i], name);
  }
}

std::string CMainFrame::GetIndicatorText(int paneIndex) const {
  if (paneIndex < 0 || paneIndex > 2) return {};
  return m_indicators[paneIndex].get_text();
}

void CMainFrame::SetMessageText(const std::string& text) {
  m_linkShown = false;
  m_strMessage = text;
  m_wndStatusBar.remove_all_messages();
  m_wndStatusBar.push(text);
  // The status bar hides its label from assistive technology; its own name
  // carries the message.
  quiro::SetAccessibleText(m_wndStatusBar, text);
}

void CMainFrame::SetIdleMessage() { SetMessageText(res::LoadString(res::IDS_IDLE_MESSAGE)); }
