#pragma once
// Print preparation over many pages at once, and the list of what Print All
// would print: the work behind the program's --prepare-print and
// --list-print-pages options. Results are returned; nothing is printed here.

#include <string>
#include <vector>

namespace quiro {

/// Something --prepare-print could not do.
struct PreparePrintProblem {
  enum class Kind {
    NoSuchPath,      ///< a path given does not exist
    FolderUnlisted,  ///< a folder (the one given or one below it) could not be
                     ///< listed (`detail` says why); its pages were not prepared
    NotOpened,       ///< a page could not be opened (in use elsewhere?)
    Failed,          ///< a page could not be rewritten (read or write error)
    Outside,         ///< a link that really leads out of the folder given (or,
                     ///< for a page given, out of its folder): not followed,
                     ///< nothing written (`detail` says where it leads)
  };
  Kind kind;
  std::string path;
  std::string detail;
};

/// Inserts print page breaks into each page given and into every .htm and
/// .html file (any letter case) below each folder given, in sorted order.
/// Nothing outside the folder given (for a page given: its folder) is
/// written: a link to a page is followed only when the page really lies in
/// that folder, links to folders are never followed, and every change is
/// confined to it (RewritePageForPrinting). Returns what went wrong, in the
/// order it happened; the other pages are still processed.
std::vector<PreparePrintProblem> PreparePagesForPrinting(const std::vector<std::string>& paths);

/// The pages Print All would print, in printing order, while the local page
/// `location` (an absolute path) is on display. Changes nothing on disk.
/// Empty when nothing could be read.
std::vector<std::string> ListPrintPages(const std::string& location);

}  // namespace quiro
