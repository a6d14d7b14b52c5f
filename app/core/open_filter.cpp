#include "app/core/open_filter.h"

namespace quiro {

namespace {

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    std::size_t at = s.find(sep, start);
    parts.push_back(s.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) return parts;
    start = at + 1;
  }
}

std::string CaseFreePattern(const std::string& pattern) {
  if (pattern == "*.*") return "*";
  std::string out;
  for (char c : pattern) {
    bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (letter) {
      char lower = static_cast<char>(c | 0x20), upper = static_cast<char>(c & ~0x20);
      out += '[';
      out += lower;
      out += upper;
      out += ']';
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::vector<OpenFilter> ParseOpenFilter(const std::string& text) {
  std::vector<OpenFilter> filters;
  std::vector<std::string> parts = Split(text, '|');
  for (std::size_t i = 0; i + 1 < parts.size() && !parts[i].empty(); i += 2) {
    OpenFilter filter{parts[i], {}};
    for (const std::string& pattern : Split(parts[i + 1], ';'))
      if (!pattern.empty()) filter.patterns.push_back(CaseFreePattern(pattern));
    filters.push_back(std::move(filter));
  }
  return filters;
}

std::vector<OpenFilter> OpenDialogFilters(const std::string& text, const std::string& more) {
  std::vector<OpenFilter> filters = ParseOpenFilter(text);
  for (OpenFilter& extra : ParseOpenFilter(more)) filters.push_back(std::move(extra));
  return filters;
}

}  // namespace quiro
