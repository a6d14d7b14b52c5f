#include "search/query.h"

#include <vector>

#include "res/strings.h"
#include "search/text_decode.h"

namespace search {
namespace {

struct Term {
  std::string text;
  bool prefix = false;
  bool orBefore = false;  // joined to the term before it by OR
};

// True for the code points the tokenizer keeps as parts of words: ASCII
// letters and digits and, roughly as unicode61 sees them, the letters of
// other scripts; punctuation and symbols are not.
bool IsWordCodePoint(char32_t cp) {
  if (cp < 0x80) return (cp >= '0' && cp <= '9') || (cp >= 'a' && cp <= 'z') || (cp >= 'A' && cp <= 'Z');
  if (cp < 0xC0) return cp == 0xAA || cp == 0xB2 || cp == 0xB3 || cp == 0xB5 || cp == 0xB9 || cp == 0xBA;
  if (cp == 0xD7 || cp == 0xF7) return false;
  if (cp >= 0x2000 && cp <= 0x2BFF) return false;  // punctuation, arrows, symbols
  if (cp >= 0x3000 && cp <= 0x303F) return cp >= 0x3005 && cp <= 0x3007;
  if (cp >= 0xFE30 && cp <= 0xFE6F) return false;  // CJK compatibility and small forms
  if (cp >= 0xFF00 && cp <= 0xFF65) {
    return (cp >= 0xFF10 && cp <= 0xFF19) || (cp >= 0xFF21 && cp <= 0xFF3A) || (cp >= 0xFF41 && cp <= 0xFF5A);
  }
  return cp != 0xFFFD && cp != 0xFEFF;
}

bool HasWordCharacters(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    if (IsWordCodePoint(NextCodePoint(text, i))) return true;
  }
  return false;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

}  // namespace

ParsedQuery ParseQuery(std::string_view query) {
  ParsedQuery parsed;
  std::string text = SanitizeUtf8(query);
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size(); ++chars) NextCodePoint(text, i);
  if (chars > kMaxQueryChars) {
    parsed.error = QueryError::TooLong;
    return parsed;
  }
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  }

  std::vector<Term> terms;
  bool pendingOr = false;
  std::size_t i = 0;
  const std::string_view s(text);
  while (i < s.size()) {
    if (IsSpace(s[i])) {
      ++i;
      continue;
    }
    Term term;
    if (s[i] == '"') {
      const std::size_t close = s.find('"', i + 1);
      const std::size_t end = close == std::string_view::npos ? s.size() : close;
      term.text = std::string(s.substr(i + 1, end - i - 1));
      i = close == std::string_view::npos ? s.size() : close + 1;
      while (i < s.size() && s[i] == '*') {
        term.prefix = true;
        ++i;
      }
    } else {
      std::size_t end = i;
      while (end < s.size() && !IsSpace(s[end]) && s[end] != '"') ++end;
      std::string_view word = s.substr(i, end - i);
      i = end;
      if (word == "OR") {
        pendingOr = !terms.empty();
        continue;
      }
      if (word == "AND") continue;
      while (!word.empty() && word.back() == '*') {
        term.prefix = true;
        word.remove_suffix(1);
      }
      term.text = std::string(word);
    }
    if (!HasWordCharacters(term.text)) continue;
    term.orBefore = pendingOr;
    pendingOr = false;
    terms.push_back(std::move(term));
  }

  if (terms.empty()) {
    parsed.error = QueryError::NoWords;
    return parsed;
  }
  if (terms.size() > kMaxQueryTerms) {
    parsed.error = QueryError::TooManyTerms;
    return parsed;
  }
  std::size_t shortPrefixes = 0;
  for (const Term& term : terms) {
    if (!term.prefix) continue;
    std::size_t chars = 0;
    for (std::size_t at = 0; at < term.text.size() && chars < kShortPrefixChars; ++chars) NextCodePoint(term.text, at);
    if (chars < kShortPrefixChars) ++shortPrefixes;
  }
  if (shortPrefixes > kMaxShortPrefixes) {
    parsed.error = QueryError::TooManyShortPrefixes;
    return parsed;
  }
  for (const Term& term : terms) {
    parsed.terms.push_back(term.text);
    if (!parsed.match.empty()) parsed.match += term.orBefore ? " OR " : " ";
    parsed.match += '"';
    for (char c : term.text) {
      if (c == '"') parsed.match += '"';
      parsed.match += c;
    }
    parsed.match += '"';
    if (term.prefix) parsed.match += '*';
  }
  return parsed;
}

std::string QueryErrorMessage(QueryError error) {
  switch (error) {
    case QueryError::None:
      return {};
    case QueryError::NoWords:
      return quiro::res::LoadString(quiro::res::IDS_QUERY_NO_WORDS);
    case QueryError::TooLong:
      return quiro::res::LoadString(quiro::res::IDS_QUERY_TOO_LONG);
    case QueryError::TooManyTerms:
      return quiro::res::LoadString(quiro::res::IDS_QUERY_TOO_MANY_TERMS);
    case QueryError::TooManyShortPrefixes:
      return quiro::res::LoadString(quiro::res::IDS_QUERY_TOO_MANY_PREFIXES);
  }
  return {};
}

}  // namespace search
