// Page text extraction and the query parser on arbitrary bytes: the first
// byte picks the reader (HTML, text file, query). Whatever comes in, the
// text is valid UTF-8 with single blanks between words and none at either
// end, and a parsed query is either an error or a quoted FTS5 expression.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "search/html_text.h"
#include "search/query.h"
#include "search/text_decode.h"

namespace {

void CheckText(std::string_view text) {
  if (search::SanitizeUtf8(text) != text) std::abort();
  if (!text.empty() && (text.front() == ' ' || text.back() == ' ')) std::abort();
  if (text.find("  ") != std::string_view::npos) std::abort();
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
  switch (data[0] % 3) {
    case 0: {
      const search::PageText page = search::ExtractHtmlText(input);
      CheckText(page.title);
      CheckText(page.body);
      break;
    }
    case 1:
      CheckText(search::ExtractPlainText(input).body);
      break;
    default: {
      const search::ParsedQuery q = search::ParseQuery(input);
      if ((q.error == search::QueryError::None) == q.match.empty()) std::abort();
      if (!q.match.empty() && q.match.front() != '"') std::abort();
      if (search::SanitizeUtf8(q.match) != q.match) std::abort();
      break;
    }
  }
  return 0;
}
