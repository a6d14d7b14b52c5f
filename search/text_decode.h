#pragma once
// Character sets of document pages, turned into UTF-8 for the index.

#include <string>
#include <string_view>

#include "platform/text.h"

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

// The UTF-8 helpers live with the other text helpers.
using platform::AppendCodePoint;
using platform::NextCodePoint;
using platform::Utf8SequenceLength;

/// `text` with every invalid UTF-8 sequence replaced by U+FFFD.
std::string SanitizeUtf8(std::string_view text);

/// The longest prefix of `text` of at most `maxBytes` bytes that does not
/// end inside a UTF-8 sequence.
std::string_view TruncateUtf8(std::string_view text, std::size_t maxBytes);

}  // namespace search
