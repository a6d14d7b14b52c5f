// Searching on arbitrary bytes. The first byte picks what the rest is: a
// query put to a small fixed site, or a page that joins that site before
// the queries below run over it (so that the snippet chooser and the
// tokenizers see whatever a page may hold). Whatever comes in, a query is
// either refused as a query or answered without failing, and each snippet
// is valid UTF-8 whose highlight marks open and close in turn.

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "search/search_index.h"
#include "search/text_decode.h"

namespace {

// Each page of the guide repeats its header and navigation line, so that
// its snippets are chosen past what repeats.
const char* const kPages[][2] = {
    {"docs/guide/a.htm", "<title>Fans</title><p>Guide header</p><p>Home | Back</p>"
                         "<p>The fan turns when the board is warm. Clean the fan filter.</p>"},
    {"docs/guide/b.htm", "<title>Board</title><p>Guide header</p><p>Home | Back</p>"
                         "<p>Lift the board by its edges; the fan cable stays in place.</p>"},
    {"docs/guide/c.htm", "<title>Filter</title><p>Guide header</p><p>Home | Back</p>"
                         "<p>A clean filter keeps the board cool.</p>"},
    {"docs/other/zh.htm", "<meta charset=\"utf-8\"><title>\xE9\xA3\x8E\xE6\x89\x87</title>"
                          "<p>\xE6\xB8\x85\xE6\xB4\x81\xE9\xA3\x8E\xE6\x89\x87 fan</p>"},
};

const char* const kQueries[] = {"fan", "board*", "\"fan filter\"", "clean OR warm", "\xE9\xA3\x8E\xE6\x89\x87",
                                "header"};

void Write(const std::string& path, std::string_view bytes) {
  fuzz_support::WriteFile(path, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

search::SearchIndex& Index() {
  static const std::unique_ptr<search::SearchIndex> index = [] {
    const std::string& top = fuzz_support::Folder();
    setenv("XDG_CACHE_HOME", (top + "/cache").c_str(), 1);
    const std::string root = top + "/root/";
    for (const char* folder : {"", "docs", "docs/guide", "docs/other"}) mkdir((root + folder).c_str(), 0755);
    for (const auto& [path, text] : kPages) Write(root + path, text);
    auto made = std::make_unique<search::SearchIndex>(root);
    made->Update();
    return made;
  }();
  return *index;
}

void Check(const search::SearchResult& result, bool parsed) {
  if (result.failed || parsed != (result.error == search::QueryError::None)) std::abort();
  for (const search::Hit& hit : result.hits) {
    if (search::SanitizeUtf8(hit.snippet) != hit.snippet) std::abort();
    bool open = false;
    for (char c : hit.snippet) {
      if (c == search::kHighlightOpen || c == search::kHighlightClose) {
        if (open != (c == search::kHighlightClose)) std::abort();
        open = !open;
      }
    }
    if (open) std::abort();
  }
}

void Ask(std::string_view query, bool snippets) {
  const bool parsed = search::ParseQuery(query).error == search::QueryError::None;
  Check(Index().Search(query, 20, snippets), parsed);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
  if (data[0] % 2 == 0) {
    Ask(input, data[0] % 4 == 0);
    return 0;
  }
  // The page joins the guide, whose other pages tell what repeats.
  Index();
  Write(fuzz_support::Folder() + "/root/docs/guide/fuzzed.htm", input);
  Index().Update();
  for (const char* query : kQueries) Ask(query, true);
  return 0;
}
