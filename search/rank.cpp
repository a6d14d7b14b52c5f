#include "search/rank.h"

#include <cmath>
#include <string>

#include "search/fts5_api.h"

namespace search {
namespace {

constexpr double kK1 = 1.2;
constexpr double kB = 0.75;

// What stays the same for every row of one query.
struct QueryData {
  std::vector<double> idf;  // per phrase
  std::vector<double> freq;  // per phrase, reused for each row
  double averageLength = 1;
};

int CountRow(const Fts5ExtensionApi*, Fts5Context*, void* count) {
  ++*static_cast<std::int64_t*>(count);
  return SQLITE_OK;
}

QueryData* MakeQueryData(const Fts5ExtensionApi* api, Fts5Context* ctx, int& rc) {
  auto* data = new QueryData;
  const int phrases = api->xPhraseCount(ctx);
  sqlite3_int64 rows = 0;
  sqlite3_int64 tokens = 0;
  rc = api->xRowCount(ctx, &rows);
  if (rc == SQLITE_OK) rc = api->xColumnTotalSize(ctx, -1, &tokens);
  data->averageLength = rows > 0 ? static_cast<double>(tokens) / static_cast<double>(rows) : 1;
  if (data->averageLength <= 0) data->averageLength = 1;
  data->idf.assign(static_cast<std::size_t>(phrases), 1.0);
  data->freq.assign(static_cast<std::size_t>(phrases), 0.0);
  for (int i = 0; rc == SQLITE_OK && phrases > 1 && i < phrases; ++i) {
    std::int64_t hits = 0;
    rc = api->xQueryPhrase(ctx, i, &hits, CountRow);
    double idf = std::log((static_cast<double>(rows) - hits + 0.5) / (hits + 0.5));
    if (idf <= 0.0) idf = 1e-6;
    data->idf[static_cast<std::size_t>(i)] = idf;
  }
  return data;
}

void Bm25(const Fts5ExtensionApi* api, Fts5Context* ctx, sqlite3_context* out, int nArgs, sqlite3_value** args) {
  auto* lengths = static_cast<DocumentLengths*>(api->xUserData(ctx));
  int rc = SQLITE_OK;
  auto* data = static_cast<QueryData*>(api->xGetAuxdata(ctx, 0));
  if (!data) {
    data = MakeQueryData(api, ctx, rc);
    const int set = api->xSetAuxdata(ctx, data, [](void* p) { delete static_cast<QueryData*>(p); });
    if (rc == SQLITE_OK) rc = set;
  }
  // Each phrase's hits are walked on their own: cheaper than the engine's
  // list of every hit in document order, which ranking does not need.
  double weights[8];
  for (int c = 0; c < 8; ++c) weights[c] = c < nArgs ? sqlite3_value_double(args[c]) : 1.0;
  for (std::size_t phrase = 0; rc == SQLITE_OK && phrase < data->freq.size(); ++phrase) {
    Fts5PhraseIter iter;
    int column = 0;
    int offset = 0;
    rc = api->xPhraseFirst(ctx, static_cast<int>(phrase), &iter, &column, &offset);
    double freq = 0;
    for (; rc == SQLITE_OK && column >= 0; api->xPhraseNext(ctx, &iter, &column, &offset))
      freq += column < 8 ? weights[column] : 1.0;
    data->freq[phrase] = freq;
  }
  double length = 0;
  const sqlite3_int64 rowid = api->xRowid(ctx);
  if (lengths && rowid >= 0 && static_cast<std::uint64_t>(rowid) < lengths->tokens.size() &&
      lengths->tokens[static_cast<std::size_t>(rowid)] != 0) {
    length = lengths->tokens[static_cast<std::size_t>(rowid)];
  } else if (rc == SQLITE_OK) {
    int n = 0;
    rc = api->xColumnSize(ctx, -1, &n);
    length = n;
  }
  if (rc != SQLITE_OK) {
    sqlite3_result_error_code(out, rc);
    return;
  }
  double score = 0;
  const double norm = kK1 * (1 - kB + kB * length / data->averageLength);
  for (std::size_t i = 0; i < data->freq.size(); ++i) {
    const double f = data->freq[i];
    score += data->idf[i] * (f * (kK1 + 1)) / (f + norm);
  }
  sqlite3_result_double(out, -score);
}

// SQLite's variable-length integer, as FTS5 stores column sizes.
std::size_t GetVarint(const unsigned char* p, std::size_t n, std::uint64_t& v) {
  v = 0;
  for (std::size_t i = 0; i < n && i < 9; ++i) {
    if (i == 8) {
      v = (v << 8) | p[i];
      return 9;
    }
    v = (v << 7) | (p[i] & 0x7F);
    if (!(p[i] & 0x80)) return i + 1;
  }
  return 0;
}

}  // namespace

bool RegisterRankFunction(sqlite3* db, DocumentLengths* lengths) {
  fts5_api* api = Fts5Api(db);
  return api && api->xCreateFunction(api, kRankFunctionName, lengths, Bm25, nullptr) == SQLITE_OK;
}

int LoadDocumentLengths(sqlite3* db, const char* table, DocumentLengths& lengths) {
  lengths.tokens.clear();
  lengths.loaded = false;
  const std::string sql = std::string("SELECT id, sz FROM \"") + table + "_docsize\"";
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
  if (rc != SQLITE_OK) return rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    const sqlite3_int64 id = sqlite3_column_int64(stmt, 0);
    const auto* p = static_cast<const unsigned char*>(sqlite3_column_blob(stmt, 1));
    std::size_t n = static_cast<std::size_t>(sqlite3_column_bytes(stmt, 1));
    if (id < 0 || id > (1 << 26) || !p) continue;  // far-off rowids stay looked up
    std::uint64_t total = 0;
    while (n > 0) {
      std::uint64_t v = 0;
      const std::size_t used = GetVarint(p, n, v);
      if (used == 0) break;
      total += v;
      p += used;
      n -= used;
    }
    if (lengths.tokens.size() <= static_cast<std::size_t>(id)) lengths.tokens.resize(static_cast<std::size_t>(id) + 1, 0);
    lengths.tokens[static_cast<std::size_t>(id)] = static_cast<std::uint32_t>(std::min<std::uint64_t>(total, UINT32_MAX));
  }
  sqlite3_finalize(stmt);
  if (rc != SQLITE_DONE) return rc;
  lengths.loaded = true;
  return SQLITE_OK;
}

}  // namespace search
