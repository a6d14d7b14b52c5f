#pragma once
// What `quiro --search QUERY [--limit N]` runs: a search of the document
// root that the start-up would use, after bringing its index up to date.
// Needs no display. Nothing here prints: the command line writes `out` to
// stdout and `notes` to stderr, and exits with `status`.

#include <cstddef>
#include <string>
#include <vector>

#include "search/search_index.h"

namespace search {

/// Hits printed when --limit is not given.
inline constexpr std::size_t kDefaultCommandLimit = 20;
/// Largest --limit.
inline constexpr std::size_t kMaxCommandLimit = 1000000;

struct SearchCommandResult {
  int status = 2;                  // 0 hits, 1 none, 2 usage error or failure
  std::string out;                 // "PATH\tTITLE\n" per hit, best first
  std::vector<std::string> notes;  // lines for stderr
};

/// Searches the document root the start-up would use (the current folder's
/// TOVY.INI, else the default one), after creating or updating its index.
/// With `verbose`, the notes say which index answered (and why the shared
/// one did not).
SearchCommandResult SearchDocumentRoot(const std::string& query, std::size_t limit, bool verbose = false);

/// The same for a given document root.
SearchCommandResult SearchRoot(const std::string& root, const std::string& query, std::size_t limit,
                               bool verbose = false);

/// What `quiro --shared-index` runs (as root, from the package trigger):
/// builds or updates the shared index of the document root the start-up
/// would use. Status 0 when it was made, 2 otherwise.
SearchCommandResult BuildSharedIndexOfDocumentRoot();

/// Reads the N of "--limit N": a whole number from 1 to kMaxCommandLimit.
bool ParseCommandLimit(const std::string& text, std::size_t& limit);

/// One output line for `hit`, with its newline; tabs and line breaks in the
/// title become blanks.
std::string FormatHitLine(const Hit& hit);

}  // namespace search
