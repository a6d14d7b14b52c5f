#include "app/accessible.h"

#include <atk/atk.h>

namespace quiro {

void SetAccessibleText(GtkWidget* widget, const std::string& name, const std::string& description) {
  if (widget == nullptr) return;
  AtkObject* accessible = gtk_widget_get_accessible(widget);
  if (accessible == nullptr) return;
  atk_object_set_name(accessible, name.c_str());
  if (!description.empty()) atk_object_set_description(accessible, description.c_str());
}

void SetAccessibleText(Gtk::Widget& widget, const std::string& name, const std::string& description) {
  SetAccessibleText(widget.gobj(), name, description);
}

std::string AccessibleName(std::string_view text) {
  text = text.substr(0, text.find('\t'));
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '&' || c == '_') {
      if (i + 1 < text.size() && text[i + 1] == c) {
        out += c;
        ++i;
      }
      continue;
    }
    out += c;
  }
  const std::size_t first = out.find_first_not_of(" \t\n");
  if (first == std::string::npos) return {};
  return out.substr(first, out.find_last_not_of(" \t\n") - first + 1);
}

}  // namespace quiro
