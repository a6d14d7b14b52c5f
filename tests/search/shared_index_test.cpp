// The machine's shared index (chosen while it matches the root, refused
// otherwise, never written by its readers) and the time budget of a query.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "common/temp_dir.h"
#include "search/search_cli.h"
#include "search/search_index.h"
#include "search/search_page.h"

namespace {

using search::ChooseIndex;
using search::SearchIndex;
using testing_support::ReadFile;
using testing_support::TempDir;

std::string Page(const std::string& title, const std::string& body) {
  return "<html><head><title>" + title + "</title></head><body><p>" + body + "</p></body></html>\n";
}

void Sql(const std::string& file, const char* sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
  sqlite3_close(db);
}

bool IsEmptyFolder(const std::string& path) {
  std::error_code ec;
  return !std::filesystem::exists(path, ec) || std::filesystem::is_empty(path, ec);
}

class SharedIndexTest : public testing::Test {
 protected:
  void SetUp() override {
    setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
    setenv("QUIRO_SHARED_INDEX_DIR", (shared / "search").c_str(), 1);
    root.Write("guide/fan.htm", Page("Cooling", "The fan spins."));
    root.Write("guide/printers.htm", Page("Printers", "Connect the printer."));
  }
  void TearDown() override { unsetenv("QUIRO_SHARED_INDEX_DIR"); }
  std::string SharedFile() const { return SearchIndex::SharedIndexPathFor(root.path()); }

  TempDir cache;
  TempDir shared;
  TempDir root;
};

TEST_F(SharedIndexTest, AMatchingSharedIndexAnswersWithNothingInTheUsersCache) {
  ASSERT_TRUE(SearchIndex::BuildShared(root.path(), {}));
  const std::string file = SharedFile();
  struct stat st {};
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
  EXPECT_FALSE(std::filesystem::exists(file + ".new"));
  const std::string before = ReadFile(file);

  search::ChosenIndex chosen = ChooseIndex(root.path());
  ASSERT_TRUE(chosen.index->ReadOnly()) << chosen.why;
  EXPECT_EQ(chosen.why, "");
  EXPECT_EQ(chosen.index->Update().complete, true);
  ASSERT_EQ(chosen.index->Search("fan", 10).hits.size(), 1u);
  // The results page's query, with snippets, reads the stored texts too.
  const search::SearchResult withSnippets = chosen.index->Search("fan", 10, true);
  EXPECT_FALSE(withSnippets.failed);
  ASSERT_EQ(withSnippets.hits.size(), 1u);
  EXPECT_NE(withSnippets.hits[0].snippet.find("fan"), std::string::npos) << withSnippets.hits[0].snippet;
  chosen.index.reset();

  const search::SearchCommandResult cli = search::SearchRoot(root.path(), "printer", 10, true);
  EXPECT_EQ(cli.status, 0);
  ASSERT_FALSE(cli.notes.empty());
  EXPECT_EQ(cli.notes.back(), "quiro: searched the shared search index " + file);
  EXPECT_TRUE(IsEmptyFolder(cache.path())) << "the user's cache gained files";
  EXPECT_EQ(ReadFile(file), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(shared / "search"), std::filesystem::directory_iterator{}),
            1);

  // The trigger's next run brings it up to date in place of the old one.
  root.Write("guide/new.htm", Page("Battery", "Charge it."));
  EXPECT_FALSE(ChooseIndex(root.path()).index->ReadOnly());
  ASSERT_TRUE(SearchIndex::BuildShared(root.path(), {}));
  chosen = ChooseIndex(root.path());
  ASSERT_TRUE(chosen.index->ReadOnly()) << chosen.why;
  EXPECT_EQ(chosen.index->Search("battery", 10).hits.size(), 1u);
}

// Every user reads the shared index, so it holds only what every user may
// read: a page or a folder closed to others stays out of it, and the index
// still answers for the root.
TEST_F(SharedIndexTest, PagesClosedToOtherUsersStayOutOfTheSharedIndex) {
  root.Write("guide/salary.htm", Page("Private", "Closedword in a private page."));
  root.Write("staff/notes.htm", Page("Staff", "Closedword in a private folder."));
  ASSERT_EQ(chmod((root / "guide/salary.htm").c_str(), 0600), 0);
  ASSERT_EQ(chmod((root / "staff").c_str(), 0750), 0);
  ASSERT_TRUE(SearchIndex::BuildShared(root.path(), {}));
  search::ChosenIndex chosen = ChooseIndex(root.path());
  ASSERT_TRUE(chosen.index->ReadOnly()) << chosen.why;
  EXPECT_TRUE(chosen.index->Search("closedword", 10).hits.empty());
  EXPECT_EQ(chosen.index->Search("fan", 10).hits.size(), 1u);
}

// Each way a shared index can fail to answer for the root: the user's own
// index answers instead, the reason is told, and the shared file is left as
// it was.
TEST_F(SharedIndexTest, ASharedIndexThatDoesNotMatchIsRefusedAndLeftAlone) {
  struct Case {
    const char* name;
    std::function<void(const std::string& file)> spoil;
    const char* why;
  };
  const Case cases[] = {
      {"none", [](const std::string& file) { unlink(file.c_str()); }, "there is none"},
      {"stale", [this](const std::string&) { root.Write("guide/fan.htm", Page("Cooling", "The fan is quiet now.")); },
       "is stale (1 page changed"},
      {"page gone", [this](const std::string&) { unlink((root / "guide/printers.htm").c_str()); }, "is stale"},
      {"another layout", [](const std::string& file) { Sql(file, "PRAGMA user_version=999"); },
       "another layout (version 999"},
      {"another root",
       [](const std::string& file) {
         TempDir other;
         other.Write("x/a.htm", Page("A", "fan"));
         ASSERT_TRUE(SearchIndex::BuildShared(other.path(), {}));
         ASSERT_EQ(rename(SearchIndex::SharedIndexPathFor(other.path()).c_str(), file.c_str()), 0);
       },
       "indexes another root"},
      {"cut off in its header", [](const std::string& file) { ASSERT_EQ(truncate(file.c_str(), 50), 0); },
       "damaged"},
      {"cut off after its first page", [](const std::string& file) { ASSERT_EQ(truncate(file.c_str(), 4096), 0); },
       "cannot be read"},
      {"not a database",
       [this](const std::string& file) {
         std::filesystem::remove(file);
         std::filesystem::copy_file(root.Write("x.bin", std::string(300, 'x')), file);
         chmod(file.c_str(), 0644);
       },
       "damaged"},
      {"writable by others", [](const std::string& file) { chmod(file.c_str(), 0666); }, "other users may write it"},
      {"with a write-ahead log", [](const std::string& file) { Sql(file, "PRAGMA journal_mode=WAL"); },
       "not in the shared form"},
      {"a link", [](const std::string& file) {
         ASSERT_EQ(rename(file.c_str(), (file + ".real").c_str()), 0);
         ASSERT_EQ(symlink((file + ".real").c_str(), file.c_str()), 0);
       },
       "cannot be opened"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir userCache;
    setenv("XDG_CACHE_HOME", userCache.path().c_str(), 1);
    std::filesystem::remove_all(shared / "search");
    root.Write("guide/fan.htm", Page("Cooling", "The fan spins."));
    root.Write("guide/printers.htm", Page("Printers", "Connect the printer."));
    ASSERT_TRUE(SearchIndex::BuildShared(root.path(), {}));
    const std::string file = SharedFile();
    c.spoil(file);
    const std::string before = ReadFile(file);

    const search::SearchCommandResult cli = search::SearchRoot(root.path(), "fan", 10, true);
    EXPECT_EQ(cli.status, 0);
    ASSERT_GE(cli.notes.size(), 2u);
    EXPECT_EQ(cli.notes[0].rfind("quiro: the shared search index " + file + " is not used: ", 0), 0u) << cli.notes[0];
    EXPECT_NE(cli.notes[0].find(c.why), std::string::npos) << cli.notes[0];
    EXPECT_EQ(cli.notes.back().rfind("quiro: searched the search index " + userCache.path(), 0), 0u) << cli.notes.back();
    EXPECT_EQ(ReadFile(file), before);
    for (const char* suffix : {"-wal", "-shm", "-journal"}) {
      EXPECT_FALSE(std::filesystem::exists(file + suffix)) << suffix;
    }
  }
}

// An index of many pages, each with many words beginning alike: a prefix
// query over all of them is stopped after a counted number of checks.
TEST(SearchBudget, AQueryOutOfTimeEndsWithWhatItFound) {
  TempDir cache;
  TempDir root;
  setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
  // Two documents: the pages of "guide" repeat a navigation line, whose
  // snippets are then chosen from the matches kept while ranking; those of
  // "doc" repeat nothing, and FTS5 sorts them and makes their snippets.
  for (int i = 0; i < 300; ++i) {
    std::string body, terms = "Home Contents Index Next page ";
    for (int w = 0; w < 200; ++w) {
      body += "word" + std::to_string(i * 200 + w) + " ";
      terms += "term" + std::to_string(i * 200 + w) + " ";
    }
    root.Write("doc/p" + std::to_string(i) + ".htm", Page("P" + std::to_string(i), body));
    root.Write("guide/p" + std::to_string(i) + ".htm", Page("G" + std::to_string(i), terms));
  }
  SearchIndex index(root.path());
  ASSERT_TRUE(index.Update().complete);
  for (const char* query : {"word*", "term*"}) {
    SCOPED_TRACE(query);
    // The whole answer, given all the time it needs (a sanitizer build is slow).
    search::SearchBudget unbounded;
    unbounded.time = std::chrono::minutes(5);
    const search::SearchResult full = index.Search(query, 1000, true, unbounded);
    ASSERT_FALSE(full.cutShort);
    ASSERT_EQ(full.hits.size(), 300u);
    std::set<std::string> all;
    for (const auto& hit : full.hits) {
      all.insert(hit.path);
      EXPECT_NE(hit.snippet.find(std::string("\x01") + std::string(query, 4)), std::string::npos) << hit.snippet;
    }

    // With snippets (the results page) and without (the command line).
    for (const bool snippets : {true, false}) {
      SCOPED_TRACE(snippets ? "with snippets" : "without snippets");
      bool sawPartial = false;
      std::uint64_t steps = 1;
      for (;; steps *= 2) {
        ASSERT_LT(steps, 1u << 24) << "the budget never ended the query";
        search::SearchBudget budget = unbounded;
        budget.steps = steps;
        const search::SearchResult cut = index.Search(query, 1000, snippets, budget);
        ASSERT_FALSE(cut.failed);
        if (!cut.cutShort) {
          EXPECT_EQ(cut.hits.size(), 300u);
          break;
        }
        EXPECT_LT(cut.hits.size(), 300u);
        for (const auto& hit : cut.hits) EXPECT_TRUE(all.count(hit.path)) << hit.path;
        if (!cut.hits.empty()) {
          sawPartial = true;
          const std::string page = search::RenderSearchPageHtml(query, cut, {}, {}, root.root());
          EXPECT_NE(page.find("The search was cut short; these are the pages found so far."), std::string::npos);
          EXPECT_NE(page.find("<ol class=\"hits\">"), std::string::npos);
          EXPECT_EQ(page.find("best first"), std::string::npos);
        }
      }
      EXPECT_GT(steps, 1u);
      EXPECT_TRUE(sawPartial) << "no budget ended with some of the hits";
    }
  }

  // Out of time before any match: the page says so rather than "no page".
  search::SearchResult none;
  none.cutShort = true;
  const std::string page = search::RenderSearchPageHtml("word*", none, {}, {}, root.root());
  EXPECT_NE(page.find("cut short"), std::string::npos);
  EXPECT_EQ(page.find("No page contains"), std::string::npos);
}

}  // namespace
