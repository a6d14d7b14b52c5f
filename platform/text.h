#pragma once
// Byte-string helpers. Strings are UTF-8 bytes; case folding touches the
// ASCII letters a-z only, so lengths never change and multi-byte sequences
// are never split.

#include <string>
#include <string_view>

namespace platform {

/// Upper-cased copy: a-z become A-Z, every other byte is kept.
std::string ToUpperAscii(std::string_view text);

/// The same into `out`, reusing its storage: for loops that upper-case one
/// line after another.
void ToUpperAsciiInto(std::string_view text, std::string& out);

/// Three-way comparison ignoring ASCII letter case (like _mbsicmp).
int CompareNoCase(std::string_view a, std::string_view b);

/// Equality ignoring ASCII letter case.
bool EqualsNoCase(std::string_view a, std::string_view b);

/// True when `text` begins with `prefix` (letter case ignored). A text
/// shorter than the prefix is compared whole, so it never matches.
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

/// True when `text` ends with `suffix` (letter case ignored).
bool EndsWithNoCase(std::string_view text, std::string_view suffix);

/// Appends `text` to `out` as a text-mode file stores it: every "\n" as
/// CR LF, every other byte unchanged.
void AppendTextMode(std::string_view text, std::string& out);

/// Replaces every occurrence of `from` by `to` (letter case significant).
std::string ReplaceAll(std::string text, std::string_view from, std::string_view to);

}  // namespace platform
