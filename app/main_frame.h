#pragma once
// The single top-level window: menu bar, toolbar, the browser view and the
// status bar. Every command is an action of the window ("win.<name>", the
// table in app/commands.h). The frame connects the view's reports to the
// toolbar, the status bar and the document's title.

#include <gtkmm.h>

#include <array>
#include <memory>
#include <string>

#include "app/core/search_arrival.h"
#include "app/find_bar.h"
#include "app/print_controller.h"
#include "app/quiro_view.h"
#include "app/services.h"
#include "platform/window_places.h"
#include "res/strings.h"

class CQuiroDoc;

class CMainFrame : public Gtk::ApplicationWindow {
 public:
  /// Builds the bars and the view. `doc` carries the title shown in the caption.
  /// `site`: the document site the window's view shows; `services`: the
  /// application's, which outlive the window.
  CMainFrame(const Glib::RefPtr<Gtk::Application>& app, CQuiroDoc& doc, std::shared_ptr<quiro::SiteHolder> site,
             quiro::Services& services);
  ~CMainFrame() override;
  CMainFrame(const CMainFrame&) = delete;
  CMainFrame& operator=(const CMainFrame&) = delete;

  /// The frame's only view.
  CQuiroView& GetActiveView() { return *m_pView; }
  /// Find in page, over the view.
  quiro::CFindBar& GetFindBar() { return *m_pFindBar; }
  /// Print and Print All for the view.
  quiro::CPrintController& GetPrintController() { return *m_pPrintController; }
  /// What the application owns and the window's commands use.
  quiro::Services& GetServices() { return m_services; }

  /// Shows or hides toolbar button `index` (0-8). Showing a visible button or
  /// hiding a hidden one changes nothing.
  void ShowToolbarButton(int index, bool show);
  bool IsToolbarButtonVisible(int index) const;

  /// Puts `text` into the status bar's message pane.
  void SetMessageText(const std::string& text);
  /// The text now in the message pane.
  std::string GetMessageText() const { return m_strMessage; }
  /// Back to the idle text, "Ready".
  void SetIdleMessage();

  /// The lock-key panes' texts as shown ("" when the key is off).
  std::string GetIndicatorText(int paneIndex) const;

  // Widgets, for the view's dialogs and for tests.
  Gtk::Toolbar& GetToolBar() { return m_wndToolBar; }
  Gtk::ToolItem& GetToolbarItem(int index) { return *m_buttons[index]; }
  /// The arrow at the toolbar's end that opens the buttons that do not fit
  /// (nullptr when the toolkit made none).
  GtkWidget* GetOverflowArrow() { return m_pOverflowArrow; }
  Gtk::Statusbar& GetStatusBar() { return m_wndStatusBar; }
  Gtk::MenuBar* GetMenuBar() { return m_pMenuBar; }
  Gtk::Menu& GetFontMenu() { return *m_pFontMenu; }
  /// Whether button `index` now shows its hot image.
  bool IsButtonHot(int index) const { return m_hot[index]; }

  /// Runs the command with id `id` as if chosen from a menu or the toolbar.
  void SendCommand(int id);

  /// F6 and Shift+F6: the focus to the next or previous pane (the toolbar,
  /// each frame of the page).
  void FocusNextPane();
  void FocusPreviousPane();
  /// Whether the keyboard focus is on a toolbar button.
  bool ToolbarHasFocus();
  /// F7: caret browsing on or off; the status bar says which.
  void ToggleCaretBrowsing();

  /// View > Toolbar and View > Status Bar: show or hide the bar.
  void ToggleToolBar();
  void ToggleStatusBar();

 protected:
  /// Closing while Print All still has pages to hand to the printer asks
  /// first; closed anyway, the window goes and the program stays until the
  /// pages are handed over.
  bool on_delete_event(GdkEventAny* event) override;
  bool on_window_state_event(GdkEventWindowState* event) override;
  /// Where the window stands is told to the other running instances.
  bool on_configure_event(GdkEventConfigure* event) override;

 private:
  void CreateActions();
  void CreateTextSizeActions();
  void CreateKeyboardActions();
  void MoveFocusBetweenPanes(int direction);
  bool FocusToolbar();
  void CreateMenuBar();
  void CreateToolBar();
  void CreateStatusBar();
  void ConnectPrompts(Gtk::MenuShell& shell, const quiro::res::MenuEntry*& entry,
                      const quiro::res::MenuEntry* end);
  void ShowPromptWhileSelected(Gtk::MenuItem& item, int id);
  void ApplyNavigationDecision(const quiro::NavigationDecision& decision);
  void ReportHandOff(bool chm, quiro::HandOff outcome);
  void SetButtonHot(int index, bool hot);
  bool CreateOverflowItem(Gtk::ToolItem& button, int index);
  void OnDropDown(Gtk::ToolItem& item, Gtk::ToggleButton& arrow, GdkEvent* trigger);
  void OnKeymapStateChanged();
  void UpdateCaption(const std::string& docTitle);
  /// The text size and the window's size and position as kept from the
  /// last run ($XDG_STATE_HOME/quiro/state.ini), and keeping them again.
  /// A kept position where another running instance's window already
  /// stands moves a step down and to the right.
  void RestoreViewerState();
  void SaveViewerState();

  CQuiroDoc& m_doc;
  quiro::Services& m_services;
  Gtk::Box m_layout{Gtk::ORIENTATION_VERTICAL};
  Gtk::MenuBar* m_pMenuBar = nullptr;
  Gtk::Toolbar m_wndToolBar;
  std::array<Gtk::ToolItem*, quiro::res::kToolbarButtonCount> m_buttons{};
  std::array<Gtk::Image*, quiro::res::kToolbarButtonCount> m_images{};
  std::array<Glib::RefPtr<Gdk::Pixbuf>, quiro::res::kToolbarButtonCount> m_normal{};
  std::array<Glib::RefPtr<Gdk::Pixbuf>, quiro::res::kToolbarButtonCount> m_hotImages{};
  std::array<bool, quiro::res::kToolbarButtonCount> m_hot{};
  bool m_openingFontMenu = false;
  GtkWidget* m_pOverflowArrow = nullptr;  // the toolbar's own
  Gtk::Menu* m_pFontMenu = nullptr;  // owned by the Font button
  std::unique_ptr<CQuiroView> m_pView;
  std::unique_ptr<quiro::CPrintController> m_pPrintController;
  Gtk::Overlay m_viewOverlay;
  std::unique_ptr<quiro::CFindBar> m_pFindBar;
  quiro::SearchArrival m_searchArrival;
  Gtk::Box m_statusRow{Gtk::ORIENTATION_HORIZONTAL, 2};  // the status bar and the lock-key panes
  Gtk::Statusbar m_wndStatusBar;
  std::array<Gtk::Frame, 3> m_indicatorFrames;
  std::array<Gtk::Label, 3> m_indicators;
  std::string m_strMessage;
  bool m_linkShown = false;   // the message pane names the link under the pointer
  std::string m_goneMessage;  // the message about a gone web process, while it stands
  Glib::RefPtr<Gio::SimpleAction> m_toolbarAction;
  Glib::RefPtr<Gio::SimpleAction> m_statusBarAction;
  Glib::RefPtr<Gio::SimpleAction> m_textSizeAction;
  bool m_markingSizes = false;  // the overflow menu's size items are being marked
  bool m_maximized = false;
  std::unique_ptr<platform::WindowPlaceEntry> m_place;  // this instance among the running ones
};
