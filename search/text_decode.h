#pragma once
// Character sets of document pages, turned into UTF-8 for the index.

#include <string>
#include <string_view>

namespace search {

/// The encodings a page can be read in. Other declared charsets go through
/// iconv under their own name (`Other`).
enum class Charset { Utf8, Utf16LE, Utf16BE, Windows1252, Other };

struct CharsetChoice {
  Charset charset = Charset::Windows1252;
  std::string name;           // the iconv name for Other
  std::size_t bomLength = 0;  // bytes of a byte order mark to skip
};

/// The charset a page's byte order mark names; bomLength 0 when it has none.
CharsetChoice CharsetFromBom(std::string_view bytes);

/// Maps a charset label ("UTF-8", "latin1", "Shift_JIS") to a choice, as the
/// browser does: ISO-8859-1 and ASCII read as Windows-1252, a UTF-16 label in
/// an ASCII-compatible page reads as UTF-8. False for an empty label.
bool CharsetFromLabel(std::string_view label, CharsetChoice& out);

/// Appends `bytes` decoded from `choice` to `out` as valid UTF-8; bytes that
/// cannot be decoded become U+FFFD. An Other charset that iconv does not
/// know is read as Windows-1252.
void AppendAsUtf8(std::string_view bytes, const CharsetChoice& choice, std::string& out);

/// Appends code point `cp` as UTF-8 (U+FFFD for surrogates and values past
/// U+10FFFF).
void AppendCodePoint(char32_t cp, std::string& out);

/// Length of the valid UTF-8 sequence at `s[i]` (1 to 4), or 0 when the
/// bytes there are no valid sequence.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i);

/// Decodes the sequence at `s[i]` (which must be valid) and advances `i`.
char32_t NextCodePoint(std::string_view s, std::size_t& i);

/// `text` with every invalid UTF-8 sequence replaced by U+FFFD.
std::string SanitizeUtf8(std::string_view text);

/// The longest prefix of `text` of at most `maxBytes` bytes that does not
/// end inside a UTF-8 sequence.
std::string_view TruncateUtf8(std::string_view text, std::size_t maxBytes);

}  // namespace search
