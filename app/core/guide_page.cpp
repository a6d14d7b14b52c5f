#include "app/core/guide_page.h"

#include <string_view>
#include <vector>

#include "platform/doc_request.h"

namespace quiro {

namespace {

constexpr const char* kStyle =
    "body{font-family:sans-serif;line-height:1.45;margin:1em 1.5em;max-width:46em}"
    "h1,h2,h3{line-height:1.2}pre{background:#f3f3f3;padding:.6em .8em;overflow-x:auto}"
    "code{font-family:monospace}"
    "@media (prefers-color-scheme: dark){body{background:#222;color:#ddd}pre{background:#333}}";

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return s;
}

bool IsBlank(std::string_view line) { return TrimLeft(line).empty(); }

bool IsIndentedCode(std::string_view line) {
  return line.substr(0, 4) == "    " || (!line.empty() && line.front() == '\t');
}

// The heading level of a "# ..." line, 0 for other lines.
int HeadingLevel(std::string_view line) {
  std::size_t n = 0;
  while (n < line.size() && line[n] == '#') ++n;
  return n >= 1 && n <= 6 && n < line.size() && line[n] == ' ' ? static_cast<int>(n) : 0;
}

// The text after a list marker ("- ", "* ", "+ ", "1. "), or npos.
std::size_t ListItemStart(std::string_view line, bool& ordered) {
  const std::string_view t = TrimLeft(line);
  const std::size_t indent = line.size() - t.size();
  if (indent > 3 || t.size() < 2) return std::string_view::npos;
  if ((t[0] == '-' || t[0] == '*' || t[0] == '+') && t[1] == ' ') {
    ordered = false;
    return indent + 2;
  }
  std::size_t digits = 0;
  while (digits < t.size() && digits < 9 && t[digits] >= '0' && t[digits] <= '9') ++digits;
  if (digits > 0 && digits + 1 < t.size() && (t[digits] == '.' || t[digits] == ')') && t[digits + 1] == ' ') {
    ordered = true;
    return indent + digits + 2;
  }
  return std::string_view::npos;
}

// Inline markup of one block's text: `code`, **strong**, [text](target)
// as its text; everything else escaped as it stands.
std::string Inline(std::string_view text) {
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '`') {
      const std::size_t close = text.find('`', i + 1);
      if (close != std::string_view::npos) {
        out += "<code>" + platform::EscapeHtml(text.substr(i + 1, close - i - 1)) + "</code>";
        i = close + 1;
        continue;
      }
    }
    if (text.substr(i, 2) == "**") {
      const std::size_t close = text.find("**", i + 2);
      if (close != std::string_view::npos && close > i + 2) {
        out += "<strong>" + Inline(text.substr(i + 2, close - i - 2)) + "</strong>";
        i = close + 2;
        continue;
      }
    }
    if (text[i] == '[') {
      const std::size_t close = text.find("](", i + 1);
      const std::size_t end = close == std::string_view::npos ? close : text.find(')', close + 2);
      if (end != std::string_view::npos && text.substr(i + 1, close - i - 1).find('[') == std::string_view::npos) {
        out += Inline(text.substr(i + 1, close - i - 1));
        i = end + 1;
        continue;
      }
    }
    out += platform::EscapeHtml(text.substr(i, 1));
    ++i;
  }
  return out;
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

std::string MarkdownBody(std::string_view text) {
  const std::vector<std::string_view> lines = Lines(text);
  std::string out;
  std::size_t i = 0;
  while (i < lines.size()) {
    const std::string_view line = lines[i];
    if (IsBlank(line)) {
      ++i;
      continue;
    }
    if (const int level = HeadingLevel(line)) {
      const std::string tag = "h" + std::to_string(level);
      std::string_view title = TrimLeft(line.substr(static_cast<std::size_t>(level)));
      while (!title.empty() && (title.back() == '#' || title.back() == ' ')) title.remove_suffix(1);
      out += "<" + tag + ">" + Inline(title) + "</" + tag + ">\n";
      ++i;
      continue;
    }
    if (TrimLeft(line).substr(0, 3) == "```") {
      std::string code;
      for (++i; i < lines.size() && TrimLeft(lines[i]).substr(0, 3) != "```"; ++i)
        code += std::string(lines[i]) + "\n";
      ++i;  // the closing fence (or the end)
      out += "<pre>" + platform::EscapeHtml(code) + "</pre>\n";
      continue;
    }
    if (IsIndentedCode(line)) {
      std::size_t end = i;
      while (end < lines.size() && (IsIndentedCode(lines[end]) || IsBlank(lines[end]))) ++end;
      while (end > i && IsBlank(lines[end - 1])) --end;
      std::string code;
      for (; i < end; ++i) {
        const std::string_view l = lines[i];
        code += std::string(l.front() == '\t' ? l.substr(1) : l.substr(std::min<std::size_t>(4, l.size()))) + "\n";
      }
      out += "<pre>" + platform::EscapeHtml(code) + "</pre>\n";
      continue;
    }
    bool ordered = false;
    if (ListItemStart(line, ordered) != std::string_view::npos) {
      const bool listOrdered = ordered;
      out += listOrdered ? "<ol>\n" : "<ul>\n";
      while (i < lines.size()) {
        bool itemOrdered = false;
        const std::size_t start = ListItemStart(lines[i], itemOrdered);
        if (start == std::string_view::npos || itemOrdered != listOrdered) break;
        std::string item(lines[i].substr(start));
        // Lines that go on the item: indented, up to a blank line or the next item.
        for (++i; i < lines.size() && !IsBlank(lines[i]) && TrimLeft(lines[i]).size() < lines[i].size(); ++i) {
          bool o = false;
          if (ListItemStart(lines[i], o) != std::string_view::npos) break;
          item += " " + std::string(TrimLeft(lines[i]));
        }
        out += "<li>" + Inline(item) + "</li>\n";
        while (i < lines.size() && IsBlank(lines[i]) && i + 1 < lines.size() &&
               ListItemStart(lines[i + 1], itemOrdered) != std::string_view::npos && itemOrdered == listOrdered)
          ++i;
      }
      out += listOrdered ? "</ol>\n" : "</ul>\n";
      continue;
    }
    // A paragraph: up to a blank line or a line that starts another block.
    std::string paragraph;
    for (; i < lines.size() && !IsBlank(lines[i]); ++i) {
      bool o = false;
      if (!paragraph.empty() && (HeadingLevel(lines[i]) || TrimLeft(lines[i]).substr(0, 3) == "```" ||
                                 ListItemStart(lines[i], o) != std::string_view::npos))
        break;
      paragraph += (paragraph.empty() ? "" : " ") + std::string(TrimLeft(lines[i]));
    }
    out += "<p>" + Inline(paragraph) + "</p>\n";
  }
  return out;
}

}  // namespace

std::string GuidePageHtml(const std::string& text, const std::string& title) {
  const bool markdown = !text.empty() && text.front() == '#';
  std::string page = "<!DOCTYPE html><html><head><meta charset=\"utf-8\">" + platform::OwnPagePolicy() +
                     "<title>" + platform::EscapeHtml(title) + "</title><style>" + kStyle + "</style></head><body>\n";
  page += markdown ? MarkdownBody(text) : "<pre>" + platform::EscapeHtml(text) + "</pre>\n";
  return page + "</body></html>\n";
}

}  // namespace quiro
