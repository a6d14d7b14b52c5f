#pragma once
// The index's ranking function "quiro_bm25(w0, w1, ...)": FTS5's bm25 formula
// (k1 1.2, b 0.75, column weights as arguments), with two costs of the
// built-in function taken out: document lengths come from a copy kept in
// memory instead of one table lookup per matching row, and a query of one
// phrase skips the pass that counts the rows holding it (its IDF is one
// constant factor of every score there, so the order is the same).

#include <sqlite3.h>

#include <cstdint>
#include <vector>

namespace search {

inline constexpr const char* kRankFunctionName = "quiro_bm25";

/// Token counts of every row (all columns), by rowid; a row not in it is
/// looked up in the table.
struct DocumentLengths {
  std::vector<std::uint32_t> tokens;  // 0: unknown
  std::int64_t dataVersion = -1;      // PRAGMA data_version when loaded
  std::uint64_t generation = 0;       // the owner's own write count when loaded
  bool loaded = false;
};

/// Registers quiro_bm25 on `db`, reading lengths from `lengths` (which must
/// outlive the connection). False when FTS5 is missing.
bool RegisterRankFunction(sqlite3* db, DocumentLengths* lengths);

/// Fills `lengths` from the docsize table of the FTS5 table `table`.
int LoadDocumentLengths(sqlite3* db, const char* table, DocumentLengths& lengths);

}  // namespace search
