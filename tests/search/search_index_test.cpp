// The index on real temporary roots: tokenizing and ranking, upkeep, a bad
// index file, two processes at once, the command-line entry and the page.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "common/temp_dir.h"
#include "search/search_cli.h"
#include "search/search_index.h"
#include "search/search_page.h"

namespace {

using search::SearchIndex;
using testing_support::TempDir;

std::string Page(const std::string& title, const std::string& body) {
  return "<html><head><meta charset=\"utf-8\"><title>" + title + "</title></head><body><p>" + body +
         "</p></body></html>\n";
}

// Names of the hits' files below `root`, best first.
std::vector<std::string> Found(SearchIndex& index, const std::string& query, std::size_t limit = 20) {
  std::vector<std::string> names;
  for (const auto& hit : index.Search(query, limit).hits) names.push_back(hit.path.substr(index.Root().size()));
  return names;
}

class SearchIndexTest : public testing::Test {
 protected:
  void SetUp() override { setenv("XDG_CACHE_HOME", cache.path().c_str(), 1); }
  TempDir cache;
  TempDir root;
  std::vector<std::string> notes;
  search::NoteFn note = [this](const std::string& line) { notes.push_back(line); };
};

TEST_F(SearchIndexTest, WordsStemsPhrasesPrefixesAndCjk) {
  root.Write("guide/printers.htm", Page("Printers", "Connect the printers to the back panel."));
  root.Write("guide/sub/fan.htm", Page("Cooling", "The fan on the panel back spins."));
  root.Write("ja/setup.htm", Page("設定", "日本語のテキスト。中文"));
  root.Write("ko/a.txt", "한국어 문서");
  root.Write("mixed/a.htm", Page("", "Windows版の説明、ｶﾀｶﾅ。"));
  root.Write("DocFrame.htm", Page("Start", "printer panel"));  // the root's own pages are left out
  root.Write(".hidden/x.htm", Page("Hidden", "printer"));
  SearchIndex index(root.path(), note);
  const auto stats = index.Update();
  EXPECT_EQ(stats.pages, 5u);
  EXPECT_TRUE(stats.complete);
  EXPECT_FALSE(index.InMemory());
  EXPECT_EQ(index.FilePath().rfind(cache.path(), 0), 0u);

  struct Case {
    const char* query;
    std::vector<std::string> found;
  };
  const Case cases[] = {
      {"PRINTER", {"guide/printers.htm"}},
      {"printing", {}},
      {"panel", {"guide/printers.htm", "guide/sub/fan.htm"}},
      {"\"back panel\"", {"guide/printers.htm"}},
      {"\"panel back\"", {"guide/sub/fan.htm"}},
      {"cool*", {"guide/sub/fan.htm"}},
      {"printers fan", {}},
      {"printers OR fan", {"guide/printers.htm", "guide/sub/fan.htm"}},
      {"日", {"ja/setup.htm"}},
      {"日本", {"ja/setup.htm"}},
      {"本語", {"ja/setup.htm"}},
      {"日本語のテ", {"ja/setup.htm"}},
      {"語日", {}},
      {"中文", {"ja/setup.htm"}},
      {"設定", {"ja/setup.htm"}},
      {"국어", {"ko/a.txt"}},
      {"windows版", {"mixed/a.htm"}},
      {"版の説", {"mixed/a.htm"}},
      {"の説明ｶ", {}},
      {"ｶﾀ", {"mixed/a.htm"}},
      {"説*", {"mixed/a.htm"}},
  };
  for (const Case& c : cases) {
    auto found = Found(index, c.query);
    if (c.found.size() > 1) std::sort(found.begin(), found.end());
    EXPECT_EQ(found, c.found) << c.query;
  }
  const auto hits = index.Search("日本", 5, true).hits;
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].title, "設定");
  EXPECT_EQ(hits[0].document, "ja");
  EXPECT_EQ(hits[0].snippet, "\x01日本\x02語のテキスト。中文");
  // Matches at neighbouring characters are each marked once, the page's
  // text shown once.
  EXPECT_EQ(index.Search("日 本", 5, true).hits.at(0).snippet, "\x01日\x02\x01本\x02語のテキスト。中文");
  EXPECT_EQ(index.Search("日", 5, true).hits.at(0).snippet, "\x01日\x02本語のテキスト。中文");
  EXPECT_EQ(index.Search("本語の", 5, true).hits.at(0).snippet, "日\x01本語の\x02テキスト。中文");
  // A stemmed match is marked where it stands, past words the stemmer shortens.
  EXPECT_EQ(index.Search("PRINTER", 5, true).hits.at(0).snippet, "Connect the \x01printers\x02 to the back panel.");
  EXPECT_EQ(index.Search("connected panels", 5, true).hits.at(0).snippet,
            "\x01" "Connect\x02 the printers to the back \x01panel\x02.");
  EXPECT_EQ(index.Search("!!!", 5).error, search::QueryError::NoWords);
  // Whatever the parser lets through, FTS5 accepts.
  for (const char* hostile : {"title:panel", "NEAR(fan panel)", "fan NOT panel", "-fan", "^fan", "fan + panel",
                              "{title body}:fan", "\"fan\" \"", "a\"b\"c", "fan*panel", "'", "OR OR fan OR",
                              "日*本", "\xF0\x9F\x98\x80 fan", "fan\xC3"}) {
    const auto result = index.Search(hostile, 5);
    EXPECT_FALSE(result.failed) << hostile;
  }
}

TEST_F(SearchIndexTest, TitleOutranksBody) {
  root.Write("d/body.htm", Page("Other", "voltage voltage voltage and more words here"));
  root.Write("d/title.htm", Page("Voltage", "a page about the power supply and more words"));
  SearchIndex index(root.path());
  index.Update();
  EXPECT_EQ(Found(index, "voltage"), (std::vector<std::string>{"d/title.htm", "d/body.htm"}));
  EXPECT_EQ(Found(index, "voltage", 1), (std::vector<std::string>{"d/title.htm"}));
}

TEST_F(SearchIndexTest, TheBestHitsComeInOneOrderWithSnippetsOrWithout) {
  // Pages matching more or less often, some equally, in shuffled rowid order;
  // enough of them for the ranking to read the index in two halves at once.
  const int pages = 2500;
  int matching = 0;
  for (int i = 0; i < pages; ++i) {
    std::string body;
    // Each word beside one of this page's own, so that the pages repeat no
    // text and the snippets come from FTS5's sorted query.
    const std::string own = " n" + std::to_string(i) + " ";
    for (int w = 0; w < (i * 7) % 11; ++w) body += "voltage" + own;
    for (int w = 0; w < i % 13; ++w) body += "filler" + own;
    matching += (i * 7) % 11 != 0;
    root.Write("d/p" + std::to_string((i * 17) % pages) + ".htm", Page("P", body + "words" + own));
  }
  SearchIndex index(root.path());
  index.Update();
  auto paths = [&](std::size_t limit, bool snippets) {
    std::vector<std::string> names;
    for (const auto& hit : index.Search("voltage", limit, snippets).hits) names.push_back(hit.path);
    return names;
  };
  for (const std::size_t limit : {1u, 5u, 20u, 40u, 300u}) {
    SCOPED_TRACE(limit);
    const std::vector<std::string> ranked = paths(limit, true);  // FTS5's own sort
    EXPECT_EQ(paths(limit, false), ranked);
    EXPECT_EQ(ranked.size(), std::min<std::size_t>(limit, static_cast<std::size_t>(matching)));
  }
}

TEST_F(SearchIndexTest, UpkeepAddsChangesAndRemovesPages) {
  root.Write("doc/a.htm", Page("A", "alpha"));
  const std::string b = root.Write("doc/b.htm", Page("B", "bravo"));
  {
    SearchIndex index(root.path());
    EXPECT_EQ(index.Update().read, 2u);
  }
  SearchIndex index(root.path());  // a later run finds the index on disk
  EXPECT_EQ(Found(index, "alpha"), std::vector<std::string>{"doc/a.htm"});
  EXPECT_EQ(index.Update().read, 0u);

  root.Write("doc/b.htm", Page("B", "charlie, a longer text"));
  root.Write("doc/new/c.pdf", "%PDF-1.4 broken");
  root.Write("doc/caf\xE9.htm", Page("Latin-1 name", "delta"));
  std::remove((root / "doc/a.htm").c_str());
  ASSERT_EQ(mkfifo((root / "doc/pipe.htm").c_str(), 0644), 0);  // must not stall the walk or the read
  const auto stats = index.Update();
  EXPECT_EQ(stats.read, 3u);
  EXPECT_EQ(stats.removed, 1u);
  EXPECT_EQ(Found(index, "delta"), std::vector<std::string>{"doc/caf\xE9.htm"});
  EXPECT_EQ(Found(index, "alpha"), std::vector<std::string>{});
  EXPECT_EQ(Found(index, "bravo"), std::vector<std::string>{});
  EXPECT_EQ(Found(index, "charlie"), std::vector<std::string>{"doc/b.htm"});
  // Folders linked in a circle are walked once.
  std::filesystem::create_directory_symlink(root / "doc", root / "doc/new/loop");
  EXPECT_EQ(index.Update().pages, 3u);
  // A page without text is found by its name, and not read again each time.
  EXPECT_EQ(Found(index, "c"), std::vector<std::string>{"doc/new/c.pdf"});
  EXPECT_EQ(index.Update().read, 0u);
}

TEST_F(SearchIndexTest, IndexFileNamesAndEarlierLayoutsFiles) {
  // Named with the standard FNV-1a of the root's real path.
  EXPECT_EQ(SearchIndex::IndexPathFor("/nonexistent/quiro/docs"),
            cache.path() + "/quiro/search/18bd876a1ef0205b-v" + std::to_string(search::kSchemaVersion) + ".db");
  // The first layout's file of a root (its own hash basis, version 1) gives
  // way to the current one, which finds the pages.
  root.Write("doc/a.htm", Page("A", "alpha"));
  const std::string current = SearchIndex::IndexPathFor(root.path());
  const std::string name = current.substr(current.rfind('/') + 1, 16);
  std::uint64_t hash = 1469598103934665603ull;
  std::string real = std::filesystem::canonical(root.path()).string() + "/";
  for (char c : real) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  char old[17];
  std::snprintf(old, sizeof old, "%016llx", static_cast<unsigned long long>(hash));
  const std::string oldPath = cache.path() + "/quiro/search/" + old + "-v1.db";
  // Later layouts' files are named like the current one, with their version.
  const std::string secondPath = current.substr(0, current.rfind("-v")) + "-v2.db";
  std::filesystem::create_directories(cache.path() + "/quiro/search");
  for (const std::string& path : {oldPath, secondPath}) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "CREATE TABLE files(id INTEGER PRIMARY KEY); PRAGMA user_version=1", nullptr, nullptr, nullptr);
    sqlite3_close(db);
  }
  {
    SearchIndex index(root.path());
    EXPECT_EQ(index.Update().read, 1u);
    EXPECT_EQ(Found(index, "alpha"), std::vector<std::string>{"doc/a.htm"});
    EXPECT_EQ(index.Search("alpha", 1, true).hits.at(0).snippet, "\x01" "alpha" "\x02");
  }
  EXPECT_FALSE(std::filesystem::exists(oldPath));
  EXPECT_FALSE(std::filesystem::exists(secondPath));
  EXPECT_NE(name, old);
  setenv("XDG_CACHE_HOME", "/", 1);
  EXPECT_EQ(SearchIndex::IndexPathFor("/nonexistent/quiro/docs").rfind("/quiro/", 0), std::string::npos);
}

TEST_F(SearchIndexTest, BadIndexFilesAreRebuiltOrReplacedByMemory) {
  root.Write("doc/a.htm", Page("A", "alpha"));
  const std::string file = SearchIndex::IndexPathFor(root.path());
  {
    SearchIndex index(root.path());
    index.Update();
  }
  // Damaged: rebuilt in place.
  cache.Write(file.substr(cache.path().size() + 1), std::string(8192, 'x'));
  {
    SearchIndex index(root.path(), note);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("building it again"), std::string::npos) << notes[0];
    EXPECT_FALSE(index.InMemory());
    index.Update();
    EXPECT_EQ(Found(index, "alpha"), std::vector<std::string>{"doc/a.htm"});
  }
  // A database of another layout (an older version's): rebuilt without a word.
  std::remove(file.c_str());
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "CREATE TABLE files(x); PRAGMA user_version=99", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    notes.clear();
    SearchIndex index(root.path(), note);
    index.Update();
    EXPECT_EQ(Found(index, "alpha"), std::vector<std::string>{"doc/a.htm"});
    EXPECT_EQ(notes, std::vector<std::string>{});
  }
  // Unusable (a folder in its place) and no cache folder at all: memory.
  for (const std::string& cacheHome : {std::string(), cache.Write("plain-file", "") + "/sub"}) {
    notes.clear();
    if (cacheHome.empty()) {
      std::remove(file.c_str());
      cache.MakeDir(file.substr(cache.path().size() + 1));
    } else {
      setenv("XDG_CACHE_HOME", cacheHome.c_str(), 1);
    }
    SearchIndex index(root.path(), note);
    EXPECT_TRUE(index.InMemory());
    ASSERT_FALSE(notes.empty());
    EXPECT_NE(notes.back().find("searching from memory"), std::string::npos) << notes.back();
    index.Update();
    EXPECT_EQ(Found(index, "alpha"), std::vector<std::string>{"doc/a.htm"});
  }
}

TEST_F(SearchIndexTest, TwoProcessesShareTheIndex) {
  for (int i = 0; i < 300; ++i) root.Write("doc/p" + std::to_string(i) + ".htm", Page("P", "shared words " + std::string(3000, 'z')));
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    SearchIndex index(root.path());
    _exit(index.Update().complete ? 0 : 1);
  }
  SearchIndex index(root.path(), note);
  EXPECT_TRUE(index.Update().complete);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(index.Search("shared", 1000).hits.size(), 300u);
  EXPECT_EQ(index.Update().read, 0u);
  EXPECT_EQ(notes, std::vector<std::string>{});
}

TEST_F(SearchIndexTest, CommandLineEntry) {
  root.Write("doc/a.htm", Page("Alpha\tpage", "common alpha"));
  root.Write("doc/b.htm", Page("Bravo", "common"));
  const auto hits = search::SearchRoot(root.path(), "alpha", 20);
  EXPECT_EQ(hits.status, 0);
  EXPECT_EQ(hits.out, root.root() + "doc/a.htm\tAlpha page\n");
  const std::string one = search::SearchRoot(root.path(), "common", 1).out;
  EXPECT_EQ(std::count(one.begin(), one.end(), '\n'), 1);
  EXPECT_EQ(search::SearchRoot(root.path(), "zulu", 20).status, 1);
  EXPECT_EQ(search::SearchRoot(root / "missing", "zulu", 20).status, 1);
  EXPECT_EQ(search::SearchRoot(root.path(), "\"", 20).status, 2);

  std::size_t limit = 7;
  for (const char* bad : {"", "0", "-3", "x1", "1000001", "99999999999"}) {
    EXPECT_FALSE(search::ParseCommandLimit(bad, limit)) << bad;
  }
  EXPECT_TRUE(search::ParseCommandLimit("1000000", limit));
  EXPECT_EQ(limit, 1000000u);
  // The root comes from the current folder's TOVY.INI.
  TempDir cwd;
  cwd.Write("TOVY.INI", "[MAIN]\r\nDocumentRoot=" + root.path() + "\r\n");
  const std::string before = std::filesystem::current_path();
  std::filesystem::current_path(cwd.path());
  const auto fromIni = search::SearchDocumentRoot("common", 5);
  std::filesystem::current_path(before);
  EXPECT_EQ(fromIni.status, 0);
  EXPECT_NE(fromIni.out.find(root.root() + "doc/b.htm\tBravo\n"), std::string::npos);
}

TEST_F(SearchIndexTest, LinksLeadingOutOfTheRootAreNeitherWalkedNorRead) {
  TempDir home;
  home.Write("diary.htm", Page("Diary", "privatewords"));
  home.Write("notes/todo.txt", "privatewords too");
  root.Write("x/guide.htm", Page("Guide", "publicwords"));
  root.Write("y/inner.htm", Page("Inner", "innerwords"));
  std::filesystem::create_directory_symlink(home.path(), root / "x/home");
  std::filesystem::create_symlink(home / "diary.htm", root / "x/diary.htm");
  std::filesystem::create_symlink("../y/inner.htm", root / "x/inner.htm");  // stays inside: indexed
  SearchIndex index(root.path(), note);
  const auto stats = index.Update();
  EXPECT_EQ(stats.outside, 2u);
  EXPECT_EQ(stats.pages, 3u);
  EXPECT_EQ(Found(index, "privatewords"), std::vector<std::string>{});
  auto inner = Found(index, "innerwords");
  std::sort(inner.begin(), inner.end());
  EXPECT_EQ(inner, (std::vector<std::string>{"x/inner.htm", "y/inner.htm"}));
  EXPECT_EQ(Found(index, "publicwords"), std::vector<std::string>{"x/guide.htm"});
}

// A folder with a catalogue of its own is another document set (one
// language's): the root's index leaves it to the index of its own root.
TEST_F(SearchIndexTest, AnotherDocumentSetBelowTheRootIsLeftToItsOwnIndex) {
  root.Write("guide/setup.htm", Page("Setup", "printer"));
  root.Write("de/TOVY.INI", "[MAIN]\nDocumentRoot=.\n");
  root.Write("de/guide/setup.htm", Page("Einrichtung", "printer Drucker"));
  SearchIndex index(root.path(), note);
  EXPECT_EQ(index.Update().pages, 1u);
  EXPECT_EQ(Found(index, "printer"), std::vector<std::string>{"guide/setup.htm"});
  SearchIndex german(root / "de", note);
  german.Update();
  EXPECT_EQ(Found(german, "drucker"), std::vector<std::string>{"guide/setup.htm"});
}

TEST_F(SearchIndexTest, SearchPage) {
  search::SearchResult result;
  result.hits.push_back({"/docs/my guide/a.htm", "<Fans & more>", "guide", "the \x01" "fan\x02 <spins>"});
  search::BackgroundIndexer::Status status{search::BackgroundIndexer::State::Indexing, 3000, 10000};
  result.hits.push_back({"/elsewhere/b.htm", "B", "guide", ""});
  const std::string page = search::RenderSearchPageHtml(
      "fan \"<x>", result, status, [](const std::string& folder) { return "Doc " + folder; }, "/docs/");
  for (const char* part :
       {"indexing 3,000 of 10,000 pages", "value=\"fan &quot;&lt;x&gt;\"", "action=\"quiro://doc/.quiro/search\"",
        "<a href=\"quiro://doc/my%20guide/a.htm\" target=\"content\">&lt;Fans &amp; more&gt;</a>",
        "<a href=\"file:///elsewhere/b.htm\" target=\"content\">B</a>",
        "Doc guide", "the <mark>fan</mark> &lt;spins&gt;", "name=\"q\"", "autofocus",
        "Content-Security-Policy\" content=\"default-src 'none'; script-src 'none';"}) {
    EXPECT_NE(page.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(page.find("onload"), std::string::npos);

  // The real indexer on the sample documents.
  const char* sample = std::getenv("QUIRO_TEST_SAMPLE");
  ASSERT_NE(sample, nullptr);
  search::BackgroundIndexer indexer(std::string(sample) + "/docs/", std::string(sample) + "/TOVY.INI");
  indexer.Start();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (indexer.GetStatus().state != search::BackgroundIndexer::State::Ready &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const auto ready = indexer.GetStatus();
  EXPECT_EQ(ready.done, ready.total);
  EXPECT_GT(ready.total, 30u);
  const std::string found = search::RenderSearchPage(indexer, "voltage switch");
  EXPECT_NE(found.find("\"quiro://doc/setup/manual.pdf\" target=\"content\">Vesk Tower 500 Quick Setup</a>"),
            std::string::npos);
  EXPECT_NE(found.find("<mark>voltage</mark> <mark>switch</mark>"), std::string::npos);
  EXPECT_NE(found.find("Vesk Tower 500 User's Guide"), std::string::npos);
  EXPECT_EQ(found.find("indexing"), std::string::npos);
  EXPECT_NE(search::RenderSearchPage(indexer, "zzzzqqq").find("No page contains these words."), std::string::npos);
  EXPECT_NE(search::RenderSearchPage(indexer, "\"").find("The query has no words to search for."), std::string::npos);
  EXPECT_EQ(search::RenderSearchPage(indexer, "  ").find("<ol"), std::string::npos);

  // Stopped at once: no crash, and the page says the index is incomplete.
  search::BackgroundIndexer stopped(root.path(), "");
  stopped.Start();
  stopped.Stop();
  const auto state = stopped.GetStatus().state;
  EXPECT_TRUE(state == search::BackgroundIndexer::State::Stopped || state == search::BackgroundIndexer::State::Ready);
  if (state == search::BackgroundIndexer::State::Stopped) {
    EXPECT_NE(search::RenderSearchPage(stopped, "x").find("The index is incomplete"), std::string::npos);
  }
}

}  // namespace
