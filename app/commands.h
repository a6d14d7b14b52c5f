#pragma once
// The window's commands, one row each: the command id (its string resource
// holds the status-bar prompt before "\n" and the tooltip after it), the
// action that carries it in the window's "win" group, its accelerator and
// its handler. The menus, the toolbar, the accelerators and the status-bar
// prompts are all made from this table and the menu and toolbar layouts in
// res/strings.h.

#include <span>
#include <glibmm/ustring.h>

#include <string>
#include <vector>

class CMainFrame;

namespace quiro {

struct Command {
  int id;
  const char* action;  ///< action name, without "win."
  const char* accel;   ///< GTK accelerators, separated by blanks; "" for none
  bool toggle;         ///< a shown/hidden switch (its menu item carries a check mark)
  void (*handler)(CMainFrame& frame);

  std::string Prompt() const;   ///< status-bar prompt
  std::string Tooltip() const;  ///< tooltip ("" when none)
  std::string DetailedAction() const { return std::string("win.") + action; }
  std::vector<Glib::ustring> Accelerators() const;
};

/// Every command of the window.
std::span<const Command> Commands();

/// The command with id `id`, or nullptr.
const Command* FindCommand(int id);

/// The text size (0 smallest to 4 largest) a font size command sets, or -1
/// when `id` is no font size command.
int TextSizeOfCommand(int id);

}  // namespace quiro
