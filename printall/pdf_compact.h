#pragma once
// Making a joined PDF small again. Each page the engine prints is a PDF of
// its own that embeds whole copies of every font it uses; joined, a document
// carries those fonts once per page. Ghostscript's pdfwrite device writes the
// file anew with each font embedded once, subset to the glyphs used.

#include <string>

namespace quiro {

/// How long CompactPdf lets Ghostscript work by default.
inline constexpr int kCompactPdfTimeoutMs = 120000;

/// Rewrites the PDF file `path` in place through Ghostscript ("gs", looked
/// up in the absolute folders of $PATH; started without a shell). Its output
/// goes to a new file beside `path` (created with O_EXCL) and takes the
/// place of `path` only when gs exited 0 within `timeoutMs`, the output is a
/// whole PDF (begins with "%PDF-", ends with "%%EOF") and is smaller; it
/// keeps the mode of `path`. Otherwise `path` stays as it was, gs is stopped
/// when it overran the limit, nothing is left behind, and the result is
/// false with the reason in `why` (gs not installed, its exit status, the
/// limit, an output that is no PDF or not smaller).
bool CompactPdf(const std::string& path, std::string& why, int timeoutMs = kCompactPdfTimeoutMs);

}  // namespace quiro
