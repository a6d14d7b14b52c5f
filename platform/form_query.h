#pragma once
// The values of a submitted HTML form, as they stand in the query string of
// a GET request, turned back into the text the user typed.

#include <string>
#include <string_view>

namespace platform {

/// The value of field `key` in `query` (the part of a URL after "?", without
/// "#fragment"), still encoded: "" when the field is missing.
std::string_view FormFieldRaw(std::string_view query, std::string_view key);

/// `encoded` (a field value with "+" for blanks and %XX escapes) as UTF-8,
/// read in `charset`, the character set of the page whose form sent it. A
/// form sends its page's charset: "UTF-8" and its aliases are read as UTF-8
/// (invalid bytes become U+FFFD), "windows-1252", "ISO-8859-1", "ASCII" and
/// their aliases as Windows-1252. With an empty or other label the bytes are
/// read as UTF-8 when they are valid UTF-8, else as Windows-1252, the charset
/// pages that declare none are served in. A form that is not UTF-8 writes
/// each character its charset cannot hold as a numeric character reference
/// ("&#20869;", "&#x5185;"); those become the character again.
std::string DecodeFormValue(std::string_view encoded, std::string_view charset = {});

/// The search words of a query string: field "q", read in the charset a
/// "_charset_" field names (the engine fills such a hidden field in with the
/// charset it sent the form in), else as DecodeFormValue guesses.
std::string DecodeSearchQuery(std::string_view query);

}  // namespace platform
