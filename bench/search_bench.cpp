// The search index on a generated site of 10,000 pages of about 20 KB (100
// document folders of 100 pages, in the style of ../shared/bench/gen_site.py:
// headings, paragraphs and a table, here with a larger vocabulary of rare
// words so that queries differ in how many pages they match), side by side
// with its floors:
//
//   first full index          vs  reading every page once
//                                 (and FTS5 indexing the extracted text alone)
//   update, nothing changed   vs  a stat walk of the same files
//   query latency p50/p95 over 100 queries (words, phrases, prefixes)
//
//   build/bench/search_bench --benchmark_counters_tabular=true
//
// The site and the index cache live in a temporary folder removed at exit.

#include <benchmark/benchmark.h>
#include <dirent.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/files.h"
#include "search/cjk_tokenizer.h"
#include "search/html_text.h"
#include "search/packed_text.h"
#include "search/query.h"
#include "search/rank.h"
#include "search/search_index.h"

namespace {

// QUIRO_BENCH_FOLDERS sets another number of folders (a smaller site).
const int kFolders = std::getenv("QUIRO_BENCH_FOLDERS") ? std::max(1, std::atoi(std::getenv("QUIRO_BENCH_FOLDERS"))) : 100;
constexpr int kPagesPerFolder = 100;
constexpr std::size_t kPageBytes = 20000;

const char* const kLorem[] = {
    "lorem", "ipsum", "dolor", "sit", "amet", "consectetur", "adipiscing", "elit", "sed", "do", "eiusmod",
    "tempor", "incididunt", "ut", "labore", "et", "dolore", "magna", "aliqua", "enim", "ad", "minim",
    "veniam", "quis", "nostrud", "exercitation", "ullamco", "laboris", "nisi", "aliquip", "ex", "ea",
    "commodo", "consequat", "duis", "aute", "irure", "in", "reprehenderit", "voluptate", "velit", "esse",
    "cillum", "fugiat", "nulla", "pariatur", "excepteur", "sint", "occaecat", "cupidatat", "non",
    "proident", "sunt", "culpa", "qui", "officia", "deserunt", "mollit", "anim", "id", "est", "laborum"};

// 20,000 made-up words, drawn with Zipf-like frequencies.
const std::vector<std::string>& Vocabulary() {
  static const std::vector<std::string> words = [] {
    static const char* syllables[] = {"ka", "lo", "mi", "ren", "tu", "vas", "pe", "dor", "quin", "sha",
                                      "bri", "zel", "mon", "tra", "gu", "fex", "ny", "wol", "ost", "jar"};
    std::vector<std::string> out;
    for (int i = 0; out.size() < 20000; ++i) {
      std::string w;
      for (int n = i; ; n /= 20) {
        w += syllables[n % 20];
        if (n < 20) break;
      }
      w += syllables[(i * 7 + 3) % 20];
      out.push_back(w);
    }
    return out;
  }();
  return words;
}

struct Site {
  std::string dir;    // the temporary folder
  std::string root;   // the document root inside it, ending in "/"
  std::vector<std::string> pages;
};

const Site& TheSite() {
  static const Site site = [] {
    Site s;
    std::string tmpl = (std::filesystem::temp_directory_path() / "quiro-search-bench-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) std::abort();
    s.dir = tmpl;
    s.root = s.dir + "/docs/";
    setenv("XDG_CACHE_HOME", (s.dir + "/cache").c_str(), 1);
    std::atexit([] { std::filesystem::remove_all(TheSite().dir); });
    std::mt19937 rng(42);
    const auto& vocab = Vocabulary();
    std::vector<double> weights(vocab.size());
    for (std::size_t i = 0; i < weights.size(); ++i) weights[i] = 1.0 / static_cast<double>(i + 1);
    std::discrete_distribution<std::size_t> rare(weights.begin(), weights.end());
    auto word = [&]() -> std::string {
      if (rng() % 10 < 7) return kLorem[rng() % std::size(kLorem)];
      return vocab[rare(rng)];
    };
    auto para = [&](int n) {
      std::string p = word();
      p[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(p[0])));
      for (int i = 1; i < n; ++i) p += " " + word();
      return p + ".";
    };
    for (int f = 0; f < kFolders; ++f) {
      const std::string folder = s.root + "doc" + std::to_string(f) + "/";
      std::filesystem::create_directories(folder);
      for (int p = 0; p < kPagesPerFolder; ++p) {
        const std::string title = "Page " + std::to_string(p) + " Reference " + word();
        std::string body = "<h1>" + title + "</h1>\n";
        for (int sec = 1; body.size() < kPageBytes - 600; ++sec) {
          body += "<h2>" + std::to_string(sec) + ". Section " + word() + "</h2>\n";
          body += "<p>" + para(30 + static_cast<int>(rng() % 31)) + "</p>\n<p>" +
                  para(30 + static_cast<int>(rng() % 31)) + "</p>\n";
          if (sec == 2) {
            body += "<table border=\"1\" cellpadding=\"4\"><tr><th>Option</th><th>Type</th><th>Description</th></tr>\n";
            for (int r = 0; r < 6; ++r) body += "<tr><td>opt" + std::to_string(r) + "</td><td>int</td><td>" + para(8) + "</td></tr>\n";
            body += "</table>\n";
          }
        }
        const std::string page =
            "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n<html><head>"
            "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"><title>" +
            title + "</title></head><body>\n" + body + "</body></html>\n";
        const std::string path = folder + "p" + std::to_string(p) + ".htm";
        if (!platform::WriteFileAtomically(path, page)) std::abort();
        s.pages.push_back(path);
      }
    }
    return s;
  }();
  return site;
}

void RemoveIndex() {
  const std::string file = search::SearchIndex::IndexPathFor(TheSite().root);
  for (const char* suffix : {"", "-wal", "-shm"}) std::remove((file + suffix).c_str());
}

void BM_ReadEveryPage(benchmark::State& state) {
  const Site& site = TheSite();
  std::string bytes;
  std::size_t total = 0;
  for (auto _ : state) {
    total = 0;
    for (const std::string& page : site.pages) {
      platform::ReadWholeFile(page, bytes);
      total += bytes.size();
    }
  }
  state.counters["MB"] = static_cast<double>(total) / 1e6;
}

// Reading and extracting every page, without the index.
void BM_ExtractEveryPage(benchmark::State& state) {
  const Site& site = TheSite();
  std::string bytes;
  std::size_t text = 0;
  for (auto _ : state) {
    text = 0;
    for (const std::string& page : site.pages) {
      platform::ReadWholeFile(page, bytes);
      text += search::ExtractHtmlText(bytes).body.size();
    }
  }
  state.counters["text_MB"] = static_cast<double>(text) / 1e6;
}

const std::vector<search::PageText>& ExtractedTexts() {
  static const std::vector<search::PageText> texts = [] {
    std::vector<search::PageText> out;
    std::string bytes;
    for (const std::string& page : TheSite().pages) {
      platform::ReadWholeFile(page, bytes);
      out.push_back(search::ExtractHtmlText(bytes));
    }
    return out;
  }();
  return texts;
}

// FTS5 alone (porter over unicode61, a prefix index of two and three
// letters, one transaction, no tokenizer of ours) indexing the extracted
// text: what the engine itself costs.
void BM_Fts5AloneOnExtractedText(benchmark::State& state) {
  const Site& site = TheSite();
  const std::vector<search::PageText>& texts = ExtractedTexts();
  std::size_t textBytes = 0;
  for (const auto& t : texts) textBytes += t.title.size() + t.body.size();
  state.counters["text_MB"] = static_cast<double>(textBytes) / 1e6;
  const std::string file = site.dir + "/floor.db";
  for (auto _ : state) {
    std::remove(file.c_str());
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
                 "CREATE VIRTUAL TABLE t USING fts5(title, body, tokenize='porter unicode61', prefix='2 3'); BEGIN",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO t(title, body) VALUES(?1, ?2)", -1, &insert, nullptr);
    for (const auto& t : texts) {
      sqlite3_bind_text(insert, 1, t.title.data(), static_cast<int>(t.title.size()), SQLITE_STATIC);
      sqlite3_bind_text(insert, 2, t.body.data(), static_cast<int>(t.body.size()), SQLITE_STATIC);
      sqlite3_step(insert);
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
  }
  std::remove(file.c_str());
}

void BM_FirstFullIndex(benchmark::State& state) {
  const Site& site = TheSite();
  std::size_t read = 0;
  for (auto _ : state) {
    state.PauseTiming();
    RemoveIndex();
    state.ResumeTiming();
    search::SearchIndex index(site.root);
    read = index.Update().read;
  }
  if (read != site.pages.size()) state.SkipWithError("not every page was indexed");
  struct stat st {};
  stat(search::SearchIndex::IndexPathFor(site.root).c_str(), &st);
  state.counters["index_MB"] = static_cast<double>(st.st_size) / 1e6;
}

// The walk the upkeep makes, alone: every folder listed, every page stat'ed.
void StatWalk(const std::string& folder, std::size_t& files) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  std::vector<std::string> sub;
  while (const dirent* ent = readdir(dir)) {
    if (ent->d_name[0] == '.') continue;
    struct stat st {};
    if (fstatat(dirfd(dir), ent->d_name, &st, 0) != 0) continue;
    if (S_ISDIR(st.st_mode)) sub.emplace_back(ent->d_name);
    else ++files;
  }
  closedir(dir);
  for (const auto& name : sub) StatWalk(folder + name + "/", files);
}

void BM_StatWalk(benchmark::State& state) {
  const Site& site = TheSite();
  std::size_t files = 0;
  for (auto _ : state) {
    files = 0;
    StatWalk(site.root, files);
  }
  state.counters["files"] = static_cast<double>(files);
}

void EnsureIndex() {
  search::SearchIndex index(TheSite().root);
  index.Update();
}

void BM_UpdateNothingChanged(benchmark::State& state) {
  EnsureIndex();
  search::SearchIndex index(TheSite().root);
  std::size_t pages = 0;
  for (auto _ : state) {
    const auto stats = index.Update();
    pages = stats.pages;
    if (stats.read != 0) state.SkipWithError("pages were read again");
  }
  state.counters["files"] = static_cast<double>(pages);
}

// The command line's whole upkeep: opening the index, then the update.
void BM_OpenAndUpdateNothingChanged(benchmark::State& state) {
  EnsureIndex();
  for (auto _ : state) {
    search::SearchIndex index(TheSite().root);
    index.Update();
  }
}

// 100 queries: 40 single words, 30 phrases, 30 prefixes.
//  - "typical": words of the made-up vocabulary, their frequency ranks spread
//    evenly on a log scale (from words on most pages to words on one), and
//    phrases of two words that follow each other in a page;
//  - "everywhere": only the lorem words, each of which is on every page
//    (what a site written by ../shared/bench/gen_site.py offers): the worst
//    case, every query matching nearly all 10,000 pages.
std::vector<std::string> Queries(bool everywhere) {
  const auto& vocab = Vocabulary();
  const std::size_t nLorem = std::size(kLorem);
  auto spread = [&](int i, int n) {
    const double rank = std::exp(std::log(static_cast<double>(vocab.size())) * (i + 0.5) / n);
    return vocab[std::min(vocab.size() - 1, static_cast<std::size_t>(rank) - 1)];
  };
  std::vector<std::string> queries;
  for (int i = 0; i < 40; ++i) queries.push_back(everywhere ? kLorem[(i * 5) % nLorem] : spread(i, 40));
  std::string bytes;
  for (int i = 0; queries.size() < 70; ++i) {
    platform::ReadWholeFile(TheSite().pages[(i * 311) % TheSite().pages.size()], bytes);
    const std::string text = search::ExtractHtmlText(bytes).body;
    std::vector<std::string> words;
    std::string w;
    for (char c : text + " ") {
      if (std::isalpha(static_cast<unsigned char>(c))) w += c;
      else if (!w.empty()) words.push_back(std::move(w)), w.clear();
    }
    for (std::size_t k = (i * 37) % 500; k + 1 < words.size(); ++k) {
      auto lorem = [&](const std::string& x) {
        for (const char* l : kLorem) if (x == l) return true;
        return false;
      };
      // Typical phrases hold at least one word of the vocabulary.
      if (everywhere == (lorem(words[k]) && lorem(words[k + 1]))) {
        queries.push_back("\"" + words[k] + " " + words[k + 1] + "\"");
        break;
      }
    }
  }
  for (int i = 0; i < 30; ++i) {
    const std::string w = everywhere ? kLorem[(i * 7) % nLorem] : spread(i, 30);
    queries.push_back(w.substr(0, std::min<std::size_t>(w.size(), 3 + i % 3)) + "*");
  }
  return queries;
}

void RunQueries(benchmark::State& state, bool everywhere, bool snippets, std::size_t limit) {
  EnsureIndex();
  search::SearchIndex index(TheSite().root);
  const std::vector<std::string> queries = Queries(everywhere);
  std::vector<double> ms;
  // The calling thread's CPU time: on a large index, a query also runs on a
  // second thread, whose time this leaves out.
  std::vector<double> cpuMs;
  std::size_t hits = 0;
  auto cpuNow = [] {
    timespec ts {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
  };
  for (auto _ : state) {
    for (const std::string& q : queries) {
      const auto start = std::chrono::steady_clock::now();
      const double cpuStart = cpuNow();
      hits += index.Search(q, limit, snippets).hits.size();
      cpuMs.push_back(cpuNow() - cpuStart);
      ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
      if (std::getenv("QUIRO_BENCH_VERBOSE"))
        std::fprintf(stderr, "%8.2f ms  %8.2f ms cpu  %s\n", ms.back(), cpuMs.back(), q.c_str());
    }
  }
  std::sort(ms.begin(), ms.end());
  std::sort(cpuMs.begin(), cpuMs.end());
  state.counters["queries"] = static_cast<double>(ms.size());
  state.counters["p50_ms"] = ms[ms.size() / 2];
  state.counters["p95_ms"] = ms[ms.size() * 95 / 100];
  state.counters["cpu_p50_ms"] = cpuMs[cpuMs.size() / 2];
  state.counters["cpu_p95_ms"] = cpuMs[cpuMs.size() * 95 / 100];
  state.counters["hits_per_query"] = static_cast<double>(hits) / static_cast<double>(ms.size());
}

// The command line's query (20 hits, no snippets) and the search page's (20
// hits with snippets), on the typical and the worst-case queries.
void BM_QueryTypical(benchmark::State& state) { RunQueries(state, false, false, 20); }
void BM_QueryTypicalPage(benchmark::State& state) { RunQueries(state, false, true, 20); }
void BM_QueryEverywhere(benchmark::State& state) { RunQueries(state, true, false, 20); }
void BM_QueryEverywherePage(benchmark::State& state) { RunQueries(state, true, true, 20); }

// What each part of the layout costs, measured on the extracted text through
// the index's own tokenizer and ranking (one transaction, bodies deflated
// beforehand as the reading thread does): file size, the part of it that is
// stored text, insert time, and query p95 (typical and everywhere queries
// together, 20 hits with snippets, as the results page asks; thread CPU
// time, what a query costs with a core to itself). Phrases are
// refused by detail=column; "failed" counts such queries.
double ThreadCpuMs() {
  timespec ts {};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

struct Layout {
  const char* name;
  const char* options;  // fts5() arguments after the columns
  bool packed;          // bodies deflated in a table of their own (else FTS5 keeps them)
  const char* after;    // run after the inserts, or nullptr
};

const Layout kLayouts[] = {
    {"prefix 2 3 4, text in FTS5", "tokenize='quiro', prefix='2 3 4'", false, nullptr},
    {"prefix 2 3 4, text deflated", "tokenize='quiro', prefix='2 3 4'", true, nullptr},
    {"prefix 2 3, text deflated", "tokenize='quiro', prefix='2 3'", true, nullptr},
    {"prefix 2, text deflated", "tokenize='quiro', prefix='2'", true, nullptr},
    {"prefix 3, text deflated", "tokenize='quiro', prefix='3'", true, nullptr},
    {"prefix 3 4, text deflated", "tokenize='quiro', prefix='3 4'", true, nullptr},
    {"no prefix, text deflated", "tokenize='quiro'", true, nullptr},
    {"prefix 2 3 4, detail=column, deflated", "tokenize='quiro', prefix='2 3 4', detail=column", true, nullptr},
    {"prefix 2 3 4, deflated, optimize", "tokenize='quiro', prefix='2 3 4'", true, "INSERT INTO t(t) VALUES('optimize')"},
};

void BM_Layout(benchmark::State& state) {
  const Layout& layout = kLayouts[state.range(0)];
  state.SetLabel(layout.name);
  const Site& site = TheSite();
  const std::vector<search::PageText>& texts = ExtractedTexts();
  std::vector<std::string> packed;
  if (layout.packed) {
    for (const auto& t : texts) packed.push_back(search::PackText(t.body));
  }
  const std::string file = site.dir + "/layout.db";
  sqlite3* db = nullptr;
  search::DocumentLengths lengths;
  for (auto _ : state) {
    state.PauseTiming();
    if (db) sqlite3_close(db);
    for (const char* suffix : {"", "-wal", "-shm"}) std::remove((file + suffix).c_str());
    sqlite3_open(file.c_str(), &db);
    search::RegisterTokenizer(db);
    search::RegisterRankFunction(db, &lengths);
    search::RegisterInflateFunction(db);
    std::string schema = "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;";
    if (layout.packed) {
      schema += "CREATE TABLE texts(id INTEGER PRIMARY KEY, title TEXT, body BLOB);"
                "CREATE VIEW page_text(id, title, body) AS SELECT id, title, quiro_inflate(body) FROM texts;";
    }
    schema += std::string("CREATE VIRTUAL TABLE t USING fts5(title, body, ") + layout.options +
              (layout.packed ? ", content='page_text', content_rowid='id'" : "") + ");";
    schema += "INSERT INTO t(t, rank) VALUES('rank', 'quiro_bm25(10.0, 1.0)')";
    if (sqlite3_exec(db, schema.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
      state.SkipWithError(sqlite3_errmsg(db));
      break;
    }
    state.ResumeTiming();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* store = nullptr;
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO texts(id, title, body) VALUES(?1, ?2, ?3)", -1, &store, nullptr);
    sqlite3_prepare_v2(db, "INSERT INTO t(rowid, title, body) VALUES(?1, ?2, ?3)", -1, &insert, nullptr);
    for (std::size_t i = 0; i < texts.size(); ++i) {
      const auto& t = texts[i];
      if (store) {
        sqlite3_bind_int64(store, 1, static_cast<sqlite3_int64>(i + 1));
        sqlite3_bind_text(store, 2, t.title.data(), static_cast<int>(t.title.size()), SQLITE_STATIC);
        sqlite3_bind_blob(store, 3, packed[i].data(), static_cast<int>(packed[i].size()), SQLITE_STATIC);
        sqlite3_step(store);
        sqlite3_reset(store);
      }
      sqlite3_bind_int64(insert, 1, static_cast<sqlite3_int64>(i + 1));
      sqlite3_bind_text(insert, 2, t.title.data(), static_cast<int>(t.title.size()), SQLITE_STATIC);
      sqlite3_bind_text(insert, 3, t.body.data(), static_cast<int>(t.body.size()), SQLITE_STATIC);
      sqlite3_step(insert);
      sqlite3_reset(insert);
    }
    sqlite3_finalize(store);
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    if (layout.after) sqlite3_exec(db, layout.after, nullptr, nullptr, nullptr);
    sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
  }
  if (!db) return;
  struct stat st {};
  stat(file.c_str(), &st);
  state.counters["file_MB"] = static_cast<double>(st.st_size) / 1e6;
  sqlite3_stmt* part = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT SUM(pgsize) FROM dbstat WHERE name IN ('texts', 't_content')", -1, &part,
                         nullptr) == SQLITE_OK &&
      sqlite3_step(part) == SQLITE_ROW) {
    state.counters["stored_text_MB"] = static_cast<double>(sqlite3_column_int64(part, 0)) / 1e6;
  }
  sqlite3_finalize(part);
  search::LoadDocumentLengths(db, "t", lengths);
  std::vector<double> ms;
  std::size_t failed = 0;
  sqlite3_stmt* query = nullptr;
  sqlite3_prepare_v2(db,
                     "SELECT rowid, snippet(t, 1, char(1), char(2), '...', 24) FROM t WHERE t MATCH ?1"
                     " ORDER BY rank LIMIT 20",
                     -1, &query, nullptr);
  for (bool everywhere : {false, true}) {
    for (const std::string& q : Queries(everywhere)) {
      const std::string match = search::ParseQuery(q).match;
      const double start = ThreadCpuMs();
      sqlite3_bind_text(query, 1, match.data(), static_cast<int>(match.size()), SQLITE_STATIC);
      int rc;
      while ((rc = sqlite3_step(query)) == SQLITE_ROW) {
      }
      if (rc != SQLITE_DONE) ++failed;
      sqlite3_reset(query);
      ms.push_back(ThreadCpuMs() - start);
    }
  }
  sqlite3_finalize(query);
  sqlite3_close(db);
  for (const char* suffix : {"", "-wal", "-shm"}) std::remove((file + suffix).c_str());
  std::sort(ms.begin(), ms.end());
  state.counters["cpu_p95_ms"] = ms[ms.size() * 95 / 100];
  state.counters["failed"] = static_cast<double>(failed);
}

BENCHMARK(BM_ReadEveryPage)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ExtractEveryPage)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Fts5AloneOnExtractedText)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Layout)->DenseRange(0, static_cast<int>(std::size(kLayouts)) - 1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_FirstFullIndex)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_StatWalk)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(BM_UpdateNothingChanged)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(BM_OpenAndUpdateNothingChanged)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(BM_QueryTypical)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_QueryTypicalPage)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_QueryEverywhere)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_QueryEverywherePage)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
