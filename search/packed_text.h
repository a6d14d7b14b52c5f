#pragma once
// Page text kept small in the index file: each page's body is stored
// deflated, and the connection's SQL function quiro_inflate() gives it back
// to the full-text table (which reads its content through a view) when a
// snippet is made or an entry is replaced.

#include <sqlite3.h>

#include <string>
#include <string_view>

namespace search {

/// The SQL function's name: quiro_inflate(blob) -> text.
inline constexpr const char* kInflateFunctionName = "quiro_inflate";

/// `text` deflated (zlib format, a fast level).
std::string PackText(std::string_view text);

/// The text `packed` holds; false when it is no output of PackText (or
/// would unpack to more than `limit` bytes), `out` then empty.
bool UnpackText(std::string_view packed, std::string& out, std::size_t limit);

/// Registers quiro_inflate with the connection: NULL stays NULL, a blob
/// that does not unpack gives "" (a damaged entry shows no snippet).
bool RegisterInflateFunction(sqlite3* db);

}  // namespace search
