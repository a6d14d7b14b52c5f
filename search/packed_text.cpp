#include "search/packed_text.h"

#include <zlib.h>

#include <limits>

#include "search/page_text.h"

namespace search {
namespace {

// Deflate's fastest levels cost a fraction of what tokenizing costs and
// still take most of the repetition out of prose.
constexpr int kLevel = 1;

void Inflate(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return;  // the result stays NULL
  const void* p = sqlite3_value_blob(argv[0]);
  const auto n = static_cast<std::size_t>(sqlite3_value_bytes(argv[0]));
  std::string text;
  // Page bodies are at most kMaxPageBytes of source; their text no more.
  if (!UnpackText(std::string_view(static_cast<const char*>(p), p ? n : 0), text, kMaxPageBytes)) text.clear();
  sqlite3_result_text64(ctx, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

}  // namespace

std::string PackText(std::string_view text) {
  std::string out(compressBound(static_cast<uLong>(text.size())), '\0');
  uLongf size = static_cast<uLongf>(out.size());
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(text.data()),
                static_cast<uLong>(text.size()), kLevel) != Z_OK) {
    return {};
  }
  out.resize(size);
  return out;
}

bool UnpackText(std::string_view packed, std::string& out, std::size_t limit) {
  out.clear();
  if (packed.empty() || packed.size() > std::numeric_limits<uInt>::max()) return false;
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return false;
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  zs.avail_in = static_cast<uInt>(packed.size());
  char buffer[64 * 1024];
  int rc = Z_OK;
  while (rc == Z_OK) {
    zs.next_out = reinterpret_cast<Bytef*>(buffer);
    zs.avail_out = sizeof buffer;
    rc = inflate(&zs, Z_NO_FLUSH);
    if (rc != Z_OK && rc != Z_STREAM_END) break;
    out.append(buffer, sizeof buffer - zs.avail_out);
    if (out.size() > limit) rc = Z_BUF_ERROR;
    // No progress with input left over: a truncated stream.
    if (rc == Z_OK && zs.avail_in == 0 && zs.avail_out != 0) rc = Z_DATA_ERROR;
  }
  inflateEnd(&zs);
  if (rc != Z_STREAM_END || zs.avail_in != 0) {
    out.clear();
    return false;
  }
  return true;
}

bool RegisterInflateFunction(sqlite3* db) {
  return sqlite3_create_function_v2(db, kInflateFunctionName, 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, Inflate,
                                    nullptr, nullptr, nullptr) == SQLITE_OK;
}

}  // namespace search
