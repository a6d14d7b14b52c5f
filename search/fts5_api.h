#pragma once
// The FTS5 extension interface of a connection, through which the index
// registers its own tokenizer and ranking function.

#include <sqlite3.h>

namespace search {

/// The connection's fts5_api, or null when SQLite was built without FTS5.
inline fts5_api* Fts5Api(sqlite3* db) {
  fts5_api* api = nullptr;
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &stmt, nullptr) != SQLITE_OK) return nullptr;
  sqlite3_bind_pointer(stmt, 1, static_cast<void*>(&api), "fts5_api_ptr", nullptr);
  sqlite3_step(stmt);
  sqlite3_finalize(stmt);
  return api;
}

}  // namespace search
