#pragma once
// F1: the user's guide, as a page in a window of its own
// (app/core/guide_page.h makes the page).
//
// Where the guide comes from depends on where the program runs from:
// - from its build tree (a developer's build, `scripts/run`): the README's
//   "Using the viewer" section in the source tree, which is what changes
//   with the code;
// - installed: the manual page quiro(1), formatted by `man` for 80 columns
//   and shown in the window, so no terminal or help browser is needed.
// When the first source gives nothing the other is tried, then the README
// installed with the documentation.

#include <gtkmm.h>

#include <memory>
#include <string>

namespace quiro {

/// The section of README text `readme` that starts with the heading
/// "## Using the viewer", up to the next heading of that level ("" when the
/// text has no such section).
std::string ReadmeUserSection(const std::string& readme);

/// Text as a terminal shows it: the overstrike pairs that mark bold ("X\bX")
/// and underline ("_\bX") go.
std::string StripOverstrike(const std::string& text);

/// The guide's text, from the first source that gives one ("" when none).
std::string LoadUserGuide();

/// The help window: at most one, made when the guide is first asked for and
/// gone when closed.
class HelpWindow {
 public:
  HelpWindow() = default;
  ~HelpWindow();
  HelpWindow(const HelpWindow&) = delete;
  HelpWindow& operator=(const HelpWindow&) = delete;

  /// Shows the guide over `parent`, brought to the front when already open.
  /// Returns false, showing nothing, when no guide is installed.
  bool Show(Gtk::Window* parent);

 private:
  std::unique_ptr<Gtk::Window> m_window;
};

}  // namespace quiro
