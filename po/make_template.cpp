// Writes the translation template (quiro.pot) of every text the program
// shows: the string table and the menus of res/strings.h, each English text
// once, in the table's order. Usage: make_template OUTPUT VERSION

#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "res/strings.h"

namespace {

using namespace quiro::res;

struct Message {
  std::string text;
  std::vector<std::string> uses;  // "string 1210", "menu item 57601"...
};

// `text` as a PO string: escaped, and split after each "\n" so that a text of
// several lines reads as it will show.
std::string PoString(std::string_view text) {
  std::vector<std::string> lines(1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    switch (c) {
      case '"': lines.back() += "\\\""; break;
      case '\\': lines.back() += "\\\\"; break;
      case '\t': lines.back() += "\\t"; break;
      case '\n':
        lines.back() += "\\n";
        if (i + 1 < text.size()) lines.emplace_back();
        break;
      default: lines.back() += c;
    }
  }
  if (lines.size() == 1) return "\"" + lines[0] + "\"";
  std::string out = "\"\"";
  for (const std::string& line : lines) out += "\n\"" + line + "\"";
  return out;
}

// What a translator must keep: mnemonics, shortcuts, the prompt and tooltip
// of a command, placeholders.
std::vector<std::string> Notes(std::string_view text, bool command) {
  std::vector<std::string> notes;
  if (text.find('&') != std::string_view::npos)
    notes.push_back("\"&\" marks the access key: keep one, on a letter no other item of the same menu or dialog has.");
  if (text.find('\t') != std::string_view::npos)
    notes.push_back("After the tab comes the shortcut's name; it is not shown (the toolkit writes it itself).");
  if (command && text.find('\n') != std::string_view::npos)
    notes.push_back("Before the line break: the status bar's prompt; after it: the tooltip.");
  if (text.find("%1") != std::string_view::npos)
    notes.push_back("\"%1\", \"%2\"... stand for values filled in when the text is shown; keep each one.");
  if (text.find('|') != std::string_view::npos)
    notes.push_back("Name|patterns|name|patterns...: translate the names only; keep every \"|\" and pattern.");
  return notes;
}

bool IsCommand(int id) { return id >= 32768; }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: make_template OUTPUT VERSION\n";
    return 2;
  }
  std::vector<Message> messages;
  std::map<std::string, std::size_t> index;
  std::map<std::string, bool> command;
  auto add = [&](const char* text, const std::string& use, bool isCommand) {
    if (text == nullptr || *text == '\0') return;  // separators: "" is the catalogue's header
    auto [it, added] = index.emplace(text, messages.size());
    if (added) messages.push_back(Message{text, {}});
    messages[it->second].uses.push_back(use);
    command[text] = command[text] || isCommand;
  };
  for (const StringEntry& e : kStringTable)
    add(e.text, (IsCommand(e.id) ? "command " : "string ") + std::to_string(e.id), IsCommand(e.id));
  for (const MenuEntry& e : kMainMenu)
    add(e.text, e.id > 0 ? "main menu, item " + std::to_string(e.id) : std::string("main menu"), false);
  for (const MenuEntry& e : kFontMenu) add(e.text, "Font button's menu, item " + std::to_string(e.id), false);

  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out << "# The texts of quiro, the documentation viewer.\n"
         "# Made from res/strings.h by po/make_template.cpp when the program is built.\n"
         "#\n"
         "#, fuzzy\n"
         "msgid \"\"\n"
         "msgstr \"\"\n"
         "\"Project-Id-Version: quiro "
      << argv[2]
      << "\\n\"\n"
         "\"Report-Msgid-Bugs-To: maintainers@quiro.org\\n\"\n"
         "\"PO-Revision-Date: YEAR-MO-DA HO:MI+ZONE\\n\"\n"
         "\"Last-Translator: FULL NAME <EMAIL@ADDRESS>\\n\"\n"
         "\"Language-Team: LANGUAGE <LL@li.org>\\n\"\n"
         "\"Language: \\n\"\n"
         "\"MIME-Version: 1.0\\n\"\n"
         "\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
         "\"Content-Transfer-Encoding: 8bit\\n\"\n";
  for (const Message& m : messages) {
    out << "\n";
    std::string uses;
    for (const std::string& use : m.uses) uses += (uses.empty() ? "" : "; ") + use;
    out << "#. " << uses << "\n";
    for (const std::string& note : Notes(m.text, command[m.text])) out << "#. " << note << "\n";
    out << "#: res/strings.h\n";
    out << "msgid " << PoString(m.text) << "\nmsgstr \"\"\n";
  }
  out.close();
  if (!out) {
    std::cerr << "make_template: cannot write " << argv[1] << "\n";
    return 1;
  }
  return 0;
}
