#pragma once
// `quiro --print-all PAGE --to-pdf FILE`: what Print All would print while
// PAGE is displayed, as one PDF file.

#include <string>
#include <vector>

namespace quiro {

/// Prints the start page found for `page` (a path or a file URL) and every
/// page the walk reaches from it into one PDF file, pages in printing order.
/// Needs a display (Xvfb will do). Returns the exit status: 0 when the file
/// was written; 1 with a message on stderr when there is no display, `page`
/// is no readable local page, nothing could be printed or the file could not
/// be written (an existing `pdfFile` is then left as it was); 130 when
/// interrupted (SIGINT/SIGTERM).
int RunPrintAllToPdf(const std::string& page, const std::string& pdfFile);

/// Joins `inputs` (PDF files, in order) into `output`, written through a
/// temporary file and a rename. A font program that several inputs embed
/// byte for byte is kept once. False, with the reason in `error` and
/// `output` untouched, on failure.
bool JoinPdfFiles(const std::vector<std::string>& inputs, const std::string& output,
                  std::string& error);

}  // namespace quiro
