#pragma once
// Command-line entries of the print preparation: rewriting pages for
// printing, and listing what Print All would print.

#include <string>
#include <vector>

namespace quiro {

/// quiro --prepare-print PATH...: inserts print page breaks into each page
/// given and into every .htm and .html file (any letter case) below each
/// folder given. Returns 0; 1 when a path does not exist or a page could not
/// be rewritten (each said on stderr; the others are still processed).
int RunPreparePrint(const std::vector<std::string>& paths);

/// quiro --list-print-pages PAGE: prints, one per line in printing order, the
/// pages Print All would print while PAGE (a path or a "file:" URL) is on
/// display. Changes nothing on disk. Returns 0; 1 with a message on stderr
/// when PAGE is no local page (a web address, another scheme) or nothing
/// could be read.
int RunListPrintPages(const std::string& page);

}  // namespace quiro
