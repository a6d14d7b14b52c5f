#pragma once
// Reading one document page for the index: HTML pages, text files and PDF
// documents, chosen by the name's extension.

#include <string>
#include <string_view>

#include "search/html_text.h"

namespace search {

enum class PageKind { None, Html, Text, Pdf };

/// ".htm"/".html" -> Html, ".txt" -> Text, ".pdf" -> Pdf (letter case
/// ignored); None for every other name.
PageKind KindOfPage(std::string_view name);

/// Bytes read from a page at most; the rest of a larger HTML or text page is
/// not indexed, and a larger PDF is indexed by its name only.
inline constexpr std::size_t kMaxPageBytes = 64u << 20;

/// Reads the page open as `fd` (taken over and closed) and takes its text.
/// False when `fd` is not open, cannot be read or is no regular file (a
/// FIFO). A broken or password-protected PDF reads as true with no text.
bool ReadPageText(int fd, PageKind kind, PageText& out);
/// The same for the page at `path`, opened without blocking; every link on
/// the way is followed.
bool ReadPageText(const std::string& path, PageKind kind, PageText& out);

/// The text of a PDF document given as its bytes (title from its
/// information dictionary, body from every page).
PageText ExtractPdfText(std::string_view bytes);

}  // namespace search
