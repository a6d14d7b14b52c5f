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

/// Appends code point `cp` as UTF-8 (U+FFFD for surrogates and values past
/// U+10FFFF).
void AppendCodePoint(char32_t cp, std::string& out);

/// Length of the valid UTF-8 sequence at `s[i]` (1 to 4), or 0 when the
/// bytes there are no valid sequence.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i);

/// Decodes the sequence at `s[i]` (U+FFFD for an invalid one) and advances `i`.
char32_t NextCodePoint(std::string_view s, std::size_t& i);

/// Appends Windows-1252 `bytes` to `out` as UTF-8.
void AppendWindows1252(std::string_view bytes, std::string& out);

/// Appends UTF-16 `bytes` (no byte order mark) to `out` as UTF-8. An
/// unpaired surrogate or an odd last byte becomes U+FFFD, and the result is
/// false: the text did not come through whole.
bool AppendUtf16AsUtf8(std::string_view bytes, bool bigEndian, std::string& out);

/// Appends UTF-8 `text` to `out` as UTF-16 code units. False, with `out`
/// unfinished, at the first invalid UTF-8 sequence.
bool AppendUtf8AsUtf16(std::string_view text, bool bigEndian, std::string& out);

}  // namespace platform
