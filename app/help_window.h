#pragma once
// F1: the user's guide, as plain text in a window of its own.
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

/// Shows the guide in the help window over `parent` (one window, brought to
/// the front when already open). Returns false, showing nothing, when no
/// guide is installed.
bool ShowHelp(Gtk::Window* parent);

}  // namespace quiro
