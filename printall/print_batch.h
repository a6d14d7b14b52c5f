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
    FolderUnlisted,  ///< a folder could not be read whole (`detail` says why)
    NotOpened,       ///< a page could not be opened (in use elsewhere?)
    Failed,          ///< a page could not be rewritten (read or write error)
  };
  Kind kind;
  std::string path;
  std::string detail;
};

/// Inserts print page breaks into each page given and into every .htm and
/// .html file (any letter case) below each folder given, in sorted order.
/// Returns what went wrong, in the order it happened; the other pages are
/// still processed.
std::vector<PreparePrintProblem> PreparePagesForPrinting(const std::vector<std::string>& paths);

/// The pages Print All would print, in printing order, while the local page
/// `location` (an absolute path) is on display. Changes nothing on disk.
/// Empty when nothing could be read.
std::vector<std::string> ListPrintPages(const std::string& location);

}  // namespace quiro
