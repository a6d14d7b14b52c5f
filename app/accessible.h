#pragma once
// What assistive technology (a screen reader, over AT-SPI) reads for a
// widget: its accessible name and description.

#include <gtkmm.h>

#include <string>
#include <string_view>

namespace quiro {

/// Gives `widget` the accessible name `name` and, when not empty, the
/// description `description`. A widget without an accessible object (none
/// is made while accessibility is off) is left as it is.
void SetAccessibleText(Gtk::Widget& widget, const std::string& name, const std::string& description = {});
void SetAccessibleText(GtkWidget* widget, const std::string& name, const std::string& description = {});

/// A tooltip or menu text as a name to be read: blanks at either end and the
/// mnemonic marks ("&" or "_", a doubled one being the character itself)
/// taken away, the accelerator hint after a tab too.
std::string AccessibleName(std::string_view text);

}  // namespace quiro
