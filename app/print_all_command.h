#pragma once
// The view's two print commands.
//
// Print (File > Print, Ctrl+P, the toolbar's Print, Print Direct) prints the
// document the user is reading through the print dialog: in a frameset, the
// document of the frame last used (clicked, focused, scrolled, typed in),
// else that of the frame named "content".
//
// Print All (command 59394) asks for confirmation, finds the start page of
// the document on display and prints it and every page linked from it on a
// worker thread (app/print_worker.h), to the default printer or, when
// $QUIRO_PRINT_TO_PDF_DIR names a folder, into one PDF file per page there.

#include <functional>
#include <string>

class CQuiroView;

namespace Gtk {
class Window;
}

/// String 59395: the question Print All asks before it prints.
extern const char* const kPrintAllConfirmation;

/// Handler of command 59394.
void OnPrintAllCommand(CQuiroView& view);

/// Handler of commands 57607 (Print) and 57608 (Print Direct).
void OnPrintCommand(CQuiroView& view);

/// Lets the view report which of its frames the user works in, for Print.
/// Call once, right after the view's engine widget is made and before it
/// loads anything. Print works without it, falling back to the "content"
/// frame for documents loaded before.
void TrackPrintFrames(CQuiroView& view);

namespace quiro {

/// Shows the Print All confirmation (a warning with OK and Cancel, caption
/// "quiro") over `parent`; true for OK.
bool ConfirmPrintAll(Gtk::Window* parent);

/// Print All for the location `currentUrl` once confirmed: does nothing when
/// it is no local page, else starts a run at the start page found by the
/// climb. `showStatus` gets the progress texts. Returns whether a run started.
bool StartPrintAllAt(const std::string& currentUrl,
                     std::function<void(const std::string&)> showStatus);

/// The document Print would print for `view`: a frame's URL in a frameset,
/// or an empty string for the view's own page.
std::string PrintFrameUrl(CQuiroView& view);

}  // namespace quiro
