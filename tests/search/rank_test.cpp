// quiro_bm25 orders rows as FTS5's own bm25 does.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <random>
#include <string>
#include <vector>

#include "search/cjk_tokenizer.h"
#include "search/rank.h"

namespace {

std::vector<long long> Order(sqlite3* db, const std::string& rank, const std::string& match) {
  const std::string sql = "SELECT rowid FROM t WHERE t MATCH ?1 ORDER BY " + rank + ", rowid";
  sqlite3_stmt* stmt = nullptr;
  EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr), SQLITE_OK);
  sqlite3_bind_text(stmt, 1, match.c_str(), -1, SQLITE_TRANSIENT);
  std::vector<long long> rows;
  while (sqlite3_step(stmt) == SQLITE_ROW) rows.push_back(sqlite3_column_int64(stmt, 0));
  sqlite3_finalize(stmt);
  return rows;
}

TEST(Ranking, SameOrderAsBuiltInBm25) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
  search::DocumentLengths lengths;
  ASSERT_TRUE(search::RegisterTokenizer(db));
  ASSERT_TRUE(search::RegisterRankFunction(db, &lengths));
  sqlite3_exec(db, "CREATE VIRTUAL TABLE t USING fts5(title, body, tokenize='quiro')", nullptr, nullptr, nullptr);
  const char* words[] = {"fan", "panel", "power", "printer", "cable", "switch", "disk", "memory"};
  std::mt19937 rng(7);
  for (int i = 1; i <= 200; ++i) {
    std::string title = words[rng() % 8];
    std::string body;
    for (int n = 5 + static_cast<int>(rng() % 60); n > 0; --n) body += std::string(words[rng() % 8]) + " ";
    const std::string sql = "INSERT INTO t(rowid, title, body) VALUES(" + std::to_string(i) + ", '" + title + "', '" + body + "')";
    sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  }
  // Half the lengths from the copy in memory, half looked up.
  ASSERT_EQ(search::LoadDocumentLengths(db, "t", lengths), SQLITE_OK);
  lengths.tokens.resize(100);
  for (const char* match : {"fan", "\"fan panel\"", "fan power", "printer OR cable", "mem*", "fan OR \"disk switch\""}) {
    EXPECT_EQ(Order(db, "quiro_bm25(t, 10.0, 1.0)", match), Order(db, "bm25(t, 10.0, 1.0)", match)) << match;
  }
  sqlite3_close(db);
}

}  // namespace
