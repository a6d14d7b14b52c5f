#pragma once
// The text a reader sees on a page, for the search index.

#include <string>
#include <string_view>

#include "search/text_decode.h"

namespace search {

/// Most text taken from one page; the rest of a larger page is not indexed.
inline constexpr std::size_t kMaxPageText = 16u << 20;

struct PageText {
  std::string title;  // UTF-8, blanks collapsed; empty when the page has none
  std::string body;   // UTF-8, blanks collapsed
  bool binary = false;  // the bytes are no text: nothing was taken
};

/// The charset of an HTML page: a BOM, then a meta element ("charset" or an
/// http-equiv Content-Type) in the first 8 KB, else Windows-1252.
CharsetChoice DetectHtmlCharset(std::string_view bytes);

/// The title and visible text of an HTML page given as its raw bytes: tags,
/// comments, attributes, scripts and styles are left out, entities decoded,
/// and blanks between blocks kept so words do not run together.
PageText ExtractHtmlText(std::string_view bytes);

/// A plain text file: a BOM names its charset; otherwise valid UTF-8 is read
/// as UTF-8 and anything else as Windows-1252.
PageText ExtractPlainText(std::string_view bytes);

/// Decodes one entity name (without "&" and ";"), e.g. "eacute"; 0 when unknown.
char32_t LookupEntity(std::string_view name);

}  // namespace search
