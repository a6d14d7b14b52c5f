#pragma once
// `quiro --search QUERY [--limit N]`: searches the document root that the
// start-up would use, after bringing its index up to date. Needs no display.
// Nothing here prints: the caller writes `out` to stdout and `notes` to
// stderr, and exits with `status`.

#include <string>
#include <vector>

#include "search/search_index.h"

namespace search {

/// Hits printed when --limit is not given.
inline constexpr std::size_t kDefaultCommandLimit = 20;

struct SearchCommandResult {
  int status = 2;                  // 0 hits, 1 none, 2 usage error or failure
  std::string out;                 // "PATH\tTITLE\n" per hit, best first
  std::vector<std::string> notes;  // lines for stderr
};

/// `args` starts with "--search". The root comes from the current folder's
/// TOVY.INI, else the default one.
SearchCommandResult RunSearchCommand(const std::vector<std::string>& args);

/// The same for a given document root (tests, other callers).
SearchCommandResult SearchRoot(const std::string& root, const std::string& query, std::size_t limit);

/// One output line for `hit`, with its newline; tabs and line breaks in the
/// title become blanks.
std::string FormatHitLine(const Hit& hit);

}  // namespace search
