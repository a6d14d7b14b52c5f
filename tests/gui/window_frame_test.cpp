// The main frame: menus, accelerators, toolbar, status bar and its panes.

#include "gui_fixture.h"
#include "res/strings.h"

// The few X calls that lock and unlock Caps Lock; Xlib's own headers clash
// with the C++ bindings' names, so they are declared here.
extern "C" {
struct _XDisplay;
struct _XDisplay* gdk_x11_display_get_xdisplay(GdkDisplay* display);
int XkbLockModifiers(struct _XDisplay* display, unsigned int device, unsigned int affect, unsigned int values);
int XSync(struct _XDisplay* display, int discard);
}

namespace gui_test {
namespace {

namespace res = quiro::res;

std::vector<std::string> ItemLabels(Gtk::MenuShell& shell) {
  std::vector<std::string> labels;
  for (Gtk::Widget* w : shell.get_children())
    if (auto* item = dynamic_cast<Gtk::MenuItem*>(w); item && !dynamic_cast<Gtk::SeparatorMenuItem*>(w))
      labels.push_back(item->get_label());
  return labels;
}

Gtk::MenuItem* FindItem(Gtk::MenuShell& shell, const std::string& label) {
  for (Gtk::Widget* w : shell.get_children()) {
    auto* item = dynamic_cast<Gtk::MenuItem*>(w);
    if (!item) continue;
    if (item->get_label() == label) return item;
    if (Gtk::Menu* sub = item->get_submenu())
      if (Gtk::MenuItem* found = FindItem(*sub, label)) return found;
  }
  return nullptr;
}

void Cross(Gtk::Widget& widget, GdkEventType type) {
  GdkEvent* event = gdk_event_new(type);
  event->crossing.window = GDK_WINDOW(g_object_ref(widget.get_window()->gobj()));
  event->crossing.send_event = TRUE;
  event->crossing.mode = GDK_CROSSING_NORMAL;
  event->crossing.detail = GDK_NOTIFY_ANCESTOR;
  gdk_event_set_device(event, gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())));
  gtk_widget_event(widget.gobj(), event);
  gdk_event_free(event);
}

TEST_F(WindowTest, MenusCarryTheirTextsMnemonicsAndAccelerators) {
  WriteSmallSite();
  StartAndWaitReady();
  Gtk::MenuBar& bar = *Frame().GetMenuBar();
  EXPECT_EQ(ItemLabels(bar), (std::vector<std::string>{"_File", "_View", "_Go"}));
  EXPECT_EQ(ItemLabels(*FindItem(bar, "_File")->get_submenu()),
            (std::vector<std::string>{"_Open...", "_Print...", "_Close"}));
  EXPECT_EQ(ItemLabels(*FindItem(bar, "_View")->get_submenu()),
            (std::vector<std::string>{"_Toolbar", "_Status Bar", "Fo_nts", "Sto_p", "_Refresh"}));
  EXPECT_EQ(ItemLabels(*FindItem(bar, "Fo_nts")->get_submenu()),
            (std::vector<std::string>{"Largest", "Large", "Medium", "Small", "Smallest"}));
  EXPECT_EQ(ItemLabels(*FindItem(bar, "_Go")->get_submenu()),
            (std::vector<std::string>{"_Back", "_Forward", "_Start Page"}));
  EXPECT_EQ(ItemLabels(Frame().GetFontMenu()),
            (std::vector<std::string>{"Lar_gest", "_Larger", "_Medium", "_Smaller", "Sm_allest"}));

  auto accels = [&](const char* action) { return app_->get_accels_for_action(action); };
  EXPECT_EQ(accels("win.open"), std::vector<Glib::ustring>{"<Primary>o"});
  EXPECT_EQ(accels("win.print"), std::vector<Glib::ustring>{"<Primary>p"});
  EXPECT_EQ(accels("win.stop"), std::vector<Glib::ustring>{"Escape"});
  EXPECT_EQ(accels("win.refresh"), std::vector<Glib::ustring>{"F5"});
  EXPECT_EQ(accels("win.back"), std::vector<Glib::ustring>{"<Alt>Left"});
  EXPECT_EQ(accels("win.forward"), std::vector<Glib::ustring>{"<Alt>Right"});

  // A font entry of either menu sets the text size.
  FindItem(bar, "Smallest")->activate();
  EXPECT_NEAR(webkit_web_view_get_zoom_level(Web()), 0.7, 1e-9);
  FindItem(Frame().GetFontMenu(), "Lar_gest")->activate();
  EXPECT_NEAR(webkit_web_view_get_zoom_level(Web()), 1.5, 1e-9);
}

TEST_F(WindowTest, ToolbarButtonsInIndexOrderWithLabelsAndTooltips) {
  WriteSmallSite();
  StartAndWaitReady();
  EXPECT_EQ(Frame().GetToolBar().get_toolbar_style(), Gtk::TOOLBAR_BOTH);
  ASSERT_EQ(Frame().GetToolBar().get_n_items(), 9);
  const char* labels[] = {"Back", "Forward", "Stop", "Refresh", "Home", "Find", "Print", "Font", "Print All"};
  const char* tips[] = {"Back", "Forward", "Stop", "Refresh", "Start Page", "Find",
                        "Prints displayed page only", "Set font size for display",
                        " Prints entire document including links."};
  for (int i = 0; i < 9; ++i) {
    auto* button = dynamic_cast<Gtk::ToolButton*>(&Frame().GetToolbarItem(i));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(Frame().GetToolBar().get_nth_item(i), button);
    EXPECT_EQ(button->get_label(), labels[i]);
    EXPECT_EQ(button->get_child()->get_tooltip_text(), tips[i]);
    EXPECT_TRUE(button->get_is_important());
  }
  EXPECT_NE(dynamic_cast<Gtk::MenuToolButton*>(&Frame().GetToolbarItem(7)), nullptr);
}

TEST_F(WindowTest, FontButtonFaceDoesNothingAndItsArrowOpensTheMenuBelowIt) {
  WriteSmallSite();
  StartAndWaitReady();
  auto* font = dynamic_cast<Gtk::MenuToolButton*>(&Frame().GetToolbarItem(7));
  ASSERT_NE(font, nullptr);
  auto* box = dynamic_cast<Gtk::Container*>(font->get_child());
  ASSERT_NE(box, nullptr);
  std::vector<Gtk::Widget*> parts = box->get_children();
  ASSERT_EQ(parts.size(), 2u);
  auto* face = dynamic_cast<Gtk::Button*>(parts[0]);
  auto* arrow = dynamic_cast<Gtk::ToggleButton*>(parts[1]);
  ASSERT_TRUE(face && arrow);

  double zoom = webkit_web_view_get_zoom_level(Web());
  face->clicked();
  Settle(Web());
  EXPECT_FALSE(Frame().GetFontMenu().get_visible());
  EXPECT_EQ(webkit_web_view_get_zoom_level(Web()), zoom);

  GdkEvent* press = gdk_event_new(GDK_BUTTON_PRESS);
  press->button.window = GDK_WINDOW(g_object_ref(arrow->get_window()->gobj()));
  press->button.button = 1;
  press->button.time = GDK_CURRENT_TIME;
  gdk_event_set_device(press, gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())));
  gtk_widget_event(GTK_WIDGET(arrow->gobj()), press);
  gdk_event_free(press);
  ASSERT_TRUE(RunUntil([&] { return Frame().GetFontMenu().get_mapped(); }, 3000));
  Settle(Web());
  int bx = 0, by = 0, mx = 0, my = 0;
  font->get_window()->get_origin(bx, by);
  Gtk::Allocation a = font->get_allocation();
  if (!font->get_has_window()) {
    bx += a.get_x();
    by += a.get_y();
  }
  Frame().GetFontMenu().get_toplevel()->get_window()->get_origin(mx, my);
  EXPECT_EQ(mx, bx);
  EXPECT_EQ(my, by + a.get_height() + 1);
  Frame().GetFontMenu().deactivate();
  ASSERT_TRUE(RunUntil([&] { return !Frame().GetFontMenu().get_mapped() && !arrow->get_active(); }, 3000));

  // From the keyboard (Space on the focused arrow) it opens in the same place.
  arrow->grab_focus();
  for (GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
    GdkEvent* key = gdk_event_new(type);
    key->key.window = GDK_WINDOW(g_object_ref(Frame().get_window()->gobj()));
    key->key.keyval = GDK_KEY_space;
    key->key.hardware_keycode = 65;
    key->key.time = GDK_CURRENT_TIME;
    gdk_event_set_device(key, gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())));
    gtk_main_do_event(key);
    gdk_event_free(key);
  }
  ASSERT_TRUE(RunUntil([&] { return Frame().GetFontMenu().get_mapped(); }, 3000));
  Settle(Web());
  Frame().GetFontMenu().get_toplevel()->get_window()->get_origin(mx, my);
  EXPECT_EQ(mx, bx);
  EXPECT_EQ(my, by + a.get_height() + 1);
  Frame().GetFontMenu().popdown();
}

TEST_F(WindowTest, StatusBarShowsPromptsWhileThePointerRestsAndHotImages) {
  WriteSmallSite();
  StartAndWaitReady();
  EXPECT_EQ(Frame().GetMessageText(), "Ready");

  Gtk::MenuItem* open = FindItem(*Frame().GetMenuBar(), "_Open...");
  ASSERT_NE(open, nullptr);
  open->select();
  EXPECT_EQ(Frame().GetMessageText(), "Opens a document in this window.");
  open->deselect();
  EXPECT_EQ(Frame().GetMessageText(), "Ready");

  auto* home = dynamic_cast<Gtk::ToolButton*>(&Frame().GetToolbarItem(4));
  Gtk::Widget* button = home->get_child();
  ASSERT_NE(button, nullptr);
  auto* image = dynamic_cast<Gtk::Image*>(home->get_icon_widget());
  ASSERT_NE(image, nullptr);
  Glib::RefPtr<Gdk::Pixbuf> normal = image->get_pixbuf();
  Settle(Web());
  int toolbarHeight = Frame().GetToolBar().get_allocated_height();
  int pageTop = View().GetWidget().get_allocation().get_y();
  Cross(*button, GDK_ENTER_NOTIFY);
  EXPECT_EQ(Frame().GetMessageText(), "Opens your start page.");
  EXPECT_TRUE(Frame().IsButtonHot(4));
  // The taller hot picture moves neither the toolbar nor the page.
  if (normal) {
    int hotHeight = image->get_pixbuf()->get_height();
    EXPECT_TRUE(RunUntil([&] { return image->get_allocated_height() >= hotHeight; }, 2000));
  }
  Settle(Web());
  EXPECT_EQ(Frame().GetToolBar().get_allocated_height(), toolbarHeight);
  EXPECT_EQ(View().GetWidget().get_allocation().get_y(), pageTop);
  // With the pictures compiled in, the hot one replaces the normal one.
  if (normal) {
    EXPECT_NE(image->get_pixbuf(), normal);
  }
  Cross(*button, GDK_LEAVE_NOTIFY);
  EXPECT_EQ(Frame().GetMessageText(), "Ready");
  EXPECT_FALSE(Frame().IsButtonHot(4));
  if (normal) {
    EXPECT_EQ(image->get_pixbuf(), normal);
  }
}

TEST_F(WindowTest, WindowFitsHalfASmallScreenWithTheToolbarInItsOverflowMenu) {
  WriteSmallSite();
  StartAndWaitReady();
  Frame().resize(640, 700);
  ASSERT_TRUE(RunUntil([&] { return Frame().get_allocated_width() == 640; }))
      << "width " << Frame().get_allocated_width();
  Settle(Web());
  EXPECT_LE(Frame().GetMenuBar()->get_allocated_width(), 640);
  EXPECT_LE(Frame().GetStatusBar().get_allocated_width(), 640);
  EXPECT_LE(Frame().GetToolBar().get_allocated_width(), 640);

  // Narrower still, the buttons that do not fit go behind the arrow, each
  // with a menu entry that runs its command.
  Frame().resize(320, 700);
  ASSERT_TRUE(RunUntil([&] { return Frame().get_allocated_width() == 320; }))
      << "width " << Frame().get_allocated_width();
  Settle(Web());
  Gtk::ToolItem& printAll = Frame().GetToolbarItem(8);
  EXPECT_FALSE(printAll.get_child_visible()) << "Print All should be in the overflow menu";
  Gtk::Widget* proxy = printAll.retrieve_proxy_menu_item();
  ASSERT_NE(proxy, nullptr);
  EXPECT_EQ(dynamic_cast<Gtk::MenuItem*>(proxy)->get_label(), "Print All");
  auto* font = dynamic_cast<Gtk::MenuItem*>(Frame().GetToolbarItem(7).retrieve_proxy_menu_item());
  ASSERT_NE(font, nullptr);
  ASSERT_NE(font->get_submenu(), nullptr);
  std::vector<Gtk::Widget*> sizes = font->get_submenu()->get_children();
  ASSERT_EQ(sizes.size(), 5u);
  dynamic_cast<Gtk::MenuItem*>(sizes[0])->activate();  // Largest
  EXPECT_NEAR(webkit_web_view_get_zoom_level(Web()), 1.5, 1e-9);
}

TEST_F(WindowTest, ToolbarAndStatusBarToggle) {
  WriteSmallSite();
  StartAndWaitReady();
  auto state = [&](const char* name) {
    bool on = false;
    Frame().get_action_state(name, on);
    return on;
  };
  EXPECT_TRUE(state("toolbar"));
  Frame().SendCommand(res::ID_VIEW_TOOLBAR);
  EXPECT_FALSE(Frame().GetToolBar().get_visible());
  EXPECT_FALSE(state("toolbar"));
  Frame().SendCommand(res::ID_VIEW_STATUS_BAR);
  EXPECT_FALSE(Frame().GetStatusBar().get_visible());
  EXPECT_FALSE(state("statusbar"));
  Frame().SendCommand(res::ID_VIEW_TOOLBAR);
  Frame().SendCommand(res::ID_VIEW_STATUS_BAR);
  EXPECT_TRUE(Frame().GetToolBar().get_visible());
  EXPECT_TRUE(Frame().GetStatusBar().get_visible());
  EXPECT_TRUE(state("toolbar") && state("statusbar"));
}

TEST_F(WindowTest, LockKeyPanesFollowTheKeyboard) {
  WriteSmallSite();
  StartAndWaitReady();
  constexpr unsigned kUseCoreKbd = 0x0100, LockMask = 1u << 1;
  struct _XDisplay* x = gdk_x11_display_get_xdisplay(gdk_display_get_default());
  XkbLockModifiers(x, kUseCoreKbd, LockMask, 0);
  XSync(x, 0);
  ASSERT_TRUE(RunUntil([&] { return Frame().GetIndicatorText(0).empty(); }, 3000));
  XkbLockModifiers(x, kUseCoreKbd, LockMask, LockMask);
  XSync(x, 0);
  EXPECT_TRUE(RunUntil([&] { return Frame().GetIndicatorText(0) == "CAP"; }, 3000));
  XkbLockModifiers(x, kUseCoreKbd, LockMask, 0);
  XSync(x, 0);
  EXPECT_TRUE(RunUntil([&] { return Frame().GetIndicatorText(0).empty(); }, 3000));
}

}  // namespace
}  // namespace gui_test
