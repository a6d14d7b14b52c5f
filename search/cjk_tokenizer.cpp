#include "search/cjk_tokenizer.h"

#include <string_view>
#include <utility>
#include <vector>

#include "search/fts5_api.h"
#include "search/text_decode.h"

namespace search {
namespace {

using TokenFn = int (*)(void*, int, const char*, int, int, int);

struct Tokenizer {
  fts5_tokenizer parent{};  // porter over the word tokenizer
  Fts5Tokenizer* parentInstance = nullptr;
  // The word tokenizer alone. highlight() and snippet() read only where
  // each token lies, and porter keeps every token where it found it, so
  // their passes over a page's text leave the stemming out.
  fts5_tokenizer words{};
  Fts5Tokenizer* wordsInstance = nullptr;
};

// Hands the parent's tokens of a slice on with offsets into the whole text.
struct ShiftedSink {
  void* ctx;
  TokenFn xToken;
  int offset;
};

int ShiftToken(void* p, int tflags, const char* token, int n, int start, int end) {
  auto* sink = static_cast<ShiftedSink*>(p);
  return sink->xToken(sink->ctx, tflags, token, n, start + sink->offset, end + sink->offset);
}

int Create(void* userData, const char** args, int nArgs, Fts5Tokenizer** out) {
  auto* api = static_cast<fts5_api*>(userData);
  void* porterData = nullptr;
  fts5_tokenizer porter{};
  if (api->xFindTokenizer(api, "porter", &porterData, &porter) != SQLITE_OK) return SQLITE_ERROR;
  static const char* kDefaultArgs[] = {"unicode61", "remove_diacritics", "2"};
  if (nArgs == 0) {
    args = kDefaultArgs;
    nArgs = 3;
  }
  auto* self = new Tokenizer;
  self->parent = porter;
  const int rc = porter.xCreate(porterData, args, nArgs, &self->parentInstance);
  if (rc != SQLITE_OK) {
    delete self;
    return rc;
  }
  void* wordsData = nullptr;
  if (api->xFindTokenizer(api, args[0], &wordsData, &self->words) != SQLITE_OK ||
      self->words.xCreate(wordsData, args + 1, nArgs - 1, &self->wordsInstance) != SQLITE_OK) {
    self->wordsInstance = nullptr;  // those passes then stem as well
  }
  *out = reinterpret_cast<Fts5Tokenizer*>(self);
  return SQLITE_OK;
}

void Delete(Fts5Tokenizer* p) {
  auto* self = reinterpret_cast<Tokenizer*>(p);
  if (self->parentInstance) self->parent.xDelete(self->parentInstance);
  if (self->wordsInstance) self->words.xDelete(self->wordsInstance);
  delete self;
}

// One run of CJK characters, given as (start, end) byte offsets per character.
int EmitRun(const char* text, const std::vector<std::pair<int, int>>& chars, int flags, void* ctx,
            TokenFn xToken) {
  auto emit = [&](int tflags, int start, int end) { return xToken(ctx, tflags, text + start, end - start, start, end); };
  const std::size_t n = chars.size();
  if (flags & FTS5_TOKENIZE_QUERY) {
    // The chain of two-character words, then the last character again: the
    // phrase then spans one position per character, so that a highlight
    // (one character per position, below) covers the whole run.
    for (std::size_t k = 0; k + 1 < n; ++k) {
      if (int rc = emit(0, chars[k].first, chars[k + 1].second)) return rc;
    }
    return emit(0, chars[n - 1].first, chars[n - 1].second);
  }
  // Each position holds the two-character word starting there and the
  // single character. Where a highlight is to be placed (FTS5_TOKENIZE_AUX),
  // a position stands for its own character only: the two-character words
  // overlap, and FTS5's highlight() and snippet() repeat text when matches
  // at neighbouring positions overlap.
  const bool aux = (flags & FTS5_TOKENIZE_AUX) != 0;
  for (std::size_t k = 0; k < n; ++k) {
    if (k + 1 < n) {
      const int end = aux ? chars[k].second : chars[k + 1].second;
      if (int rc = xToken(ctx, 0, text + chars[k].first, chars[k + 1].second - chars[k].first, chars[k].first, end))
        return rc;
      if (int rc = emit(FTS5_TOKEN_COLOCATED, chars[k].first, chars[k].second)) return rc;
    } else if (int rc = emit(0, chars[k].first, chars[k].second)) {
      return rc;
    }
  }
  return SQLITE_OK;
}

int Tokenize(Fts5Tokenizer* p, void* ctx, int flags, const char* text, int nText, TokenFn xToken) {
  auto* self = reinterpret_cast<Tokenizer*>(p);
  const std::string_view s(text, nText > 0 ? static_cast<std::size_t>(nText) : 0);
  const bool unstemmed = (flags & FTS5_TOKENIZE_AUX) && self->wordsInstance;
  const fts5_tokenizer& parent = unstemmed ? self->words : self->parent;
  Fts5Tokenizer* const parentInstance = unstemmed ? self->wordsInstance : self->parentInstance;
  auto parentSlice = [&](std::size_t from, std::size_t to) -> int {
    if (to <= from) return SQLITE_OK;
    ShiftedSink sink{ctx, xToken, static_cast<int>(from)};
    return parent.xTokenize(parentInstance, &sink, flags, text + from, static_cast<int>(to - from), ShiftToken);
  };
  std::vector<std::pair<int, int>> run;
  std::size_t sliceStart = 0;
  std::size_t i = 0;
  while (i < s.size()) {
    if (static_cast<unsigned char>(s[i]) < 0x80) {
      ++i;
      continue;
    }
    const std::size_t cpStart = i;
    if (!IsCjkCharacter(NextCodePoint(s, i))) continue;
    if (int rc = parentSlice(sliceStart, cpStart)) return rc;
    run.clear();
    run.emplace_back(static_cast<int>(cpStart), static_cast<int>(i));
    while (i < s.size() && static_cast<unsigned char>(s[i]) >= 0x80) {
      std::size_t next = i;
      if (!IsCjkCharacter(NextCodePoint(s, next))) break;
      run.emplace_back(static_cast<int>(i), static_cast<int>(next));
      i = next;
    }
    if (int rc = EmitRun(text, run, flags, ctx, xToken)) return rc;
    sliceStart = i;
  }
  return parentSlice(sliceStart, s.size());
}

}  // namespace

bool IsCjkCharacter(char32_t cp) {
  if (cp < 0x1100) return false;
  return (cp <= 0x11FF) ||                      // Hangul Jamo
         (cp >= 0x2E80 && cp <= 0x2FDF) ||      // CJK and Kangxi radicals
         (cp >= 0x3005 && cp <= 0x3007) ||      // iteration marks, ideographic zero
         (cp >= 0x3040 && cp <= 0x31FF) ||      // kana, Bopomofo, Hangul compatibility Jamo
         (cp >= 0x3400 && cp <= 0x4DBF) ||      // CJK extension A
         (cp >= 0x4E00 && cp <= 0x9FFF) ||      // CJK unified ideographs
         (cp >= 0xA960 && cp <= 0xA97F) ||      // Hangul Jamo extended A
         (cp >= 0xAC00 && cp <= 0xD7FF) ||      // Hangul syllables, Jamo extended B
         (cp >= 0xF900 && cp <= 0xFAFF) ||      // compatibility ideographs
         (cp >= 0xFF66 && cp <= 0xFFDC) ||      // halfwidth katakana and Hangul
         (cp >= 0x20000 && cp <= 0x3FFFF);      // supplementary ideographic planes
}

bool RegisterTokenizer(sqlite3* db) {
  fts5_api* api = Fts5Api(db);
  if (!api || api->iVersion < 2) return false;
  static fts5_tokenizer methods = {Create, Delete, Tokenize};
  return api->xCreateTokenizer(api, kTokenizerName, api, &methods, nullptr) == SQLITE_OK;
}

}  // namespace search
