#include "platform/form_query.h"

#include <string_view>

#include "platform/doc_uri.h"
#include "platform/text.h"

namespace platform {
namespace {

enum class FormCharset { Utf8, Windows1252, Unknown };

FormCharset CharsetOfLabel(std::string_view label) {
  for (std::string_view name : {"UTF-8", "UTF8", "UNICODE-1-1-UTF-8"})
    if (EqualsNoCase(label, name)) return FormCharset::Utf8;
  for (std::string_view name : {"WINDOWS-1252", "CP1252", "X-CP1252", "ISO-8859-1", "ISO8859-1", "LATIN1",
                                "L1", "US-ASCII", "ASCII", "ANSI_X3.4-1968"})
    if (EqualsNoCase(label, name)) return FormCharset::Windows1252;
  return FormCharset::Unknown;
}

bool IsValidUtf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t len = Utf8SequenceLength(bytes, i);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

// The code point of the numeric character reference at text[i] ("&#...;"),
// with `length` its length; 0 when there is none there or it names no
// character a form could have sent (NUL, a surrogate, past U+10FFFF).
char32_t ReferenceAt(std::string_view text, std::size_t i, std::size_t& length) {
  if (text.compare(i, 2, "&#") != 0) return 0;
  std::size_t j = i + 2;
  const bool hex = j < text.size() && (text[j] == 'x' || text[j] == 'X');
  if (hex) ++j;
  const std::size_t digitsAt = j;
  char32_t cp = 0;
  for (; j < text.size() && j - digitsAt < 8; ++j) {
    const char c = text[j];
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) break;
    cp = cp * (hex ? 16 : 10) + static_cast<char32_t>(digit);
  }
  if (j == digitsAt || j >= text.size() || text[j] != ';') return 0;
  if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  length = j + 1 - i;
  return cp;
}

std::string ExpandReferences(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    std::size_t length = 0;
    if (const char32_t cp = ReferenceAt(text, i, length)) {
      AppendCodePoint(cp, out);
      i += length;
    } else {
      out += text[i++];
    }
  }
  return out;
}

}  // namespace

std::string_view FormFieldRaw(std::string_view query, std::string_view key) {
  std::size_t pos = 0;
  while (pos <= query.size()) {
    std::size_t end = query.find('&', pos);
    if (end == std::string_view::npos) end = query.size();
    const std::string_view pair = query.substr(pos, end - pos);
    if (pair.size() > key.size() && pair.substr(0, key.size()) == key && pair[key.size()] == '=')
      return pair.substr(key.size() + 1);
    pos = end + 1;
  }
  return {};
}

std::string DecodeFormValue(std::string_view encoded, std::string_view charset) {
  std::string plus(encoded);
  for (char& c : plus)
    if (c == '+') c = ' ';
  const std::string bytes = PercentDecode(plus);
  const FormCharset named = CharsetOfLabel(charset);
  const bool utf8 = named == FormCharset::Utf8 || (named == FormCharset::Unknown && IsValidUtf8(bytes));
  std::string text;
  text.reserve(bytes.size());
  if (utf8) {
    for (std::size_t i = 0; i < bytes.size();) AppendCodePoint(NextCodePoint(bytes, i), text);
  } else {
    AppendWindows1252(bytes, text);
  }
  // A form known to be UTF-8 sends every character as it is, so a reference
  // in its value is what the user typed. Without a known charset, plain
  // ASCII may well come from a Windows-1252 form that wrote references.
  return named == FormCharset::Utf8 ? text : ExpandReferences(text);
}

std::string DecodeSearchQuery(std::string_view query) {
  const std::string charset = PercentDecode(FormFieldRaw(query, "_charset_"));
  return DecodeFormValue(FormFieldRaw(query, "q"), charset);
}

}  // namespace platform
