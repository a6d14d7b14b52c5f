// Snippets that pass over what every page of a document repeats.

#include "search/snippet.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "common/temp_dir.h"
#include "search/search_index.h"

namespace {

using search::Boilerplate;
using search::ChooseSnippet;

const std::string kNav = "Home Contents Index Printer setup Next page";

std::string Body(const std::string& text) { return kNav + " " + text + " Copyright 2026 Vesk Computers all rights reserved"; }

TEST(Snippet, RepeatedRunsAreThoseOnHalfThePagesOrMore) {
  const Boilerplate none = Boilerplate::FromPages({Body("one"), Body("two")});
  EXPECT_TRUE(none.Empty());  // two pages repeat nothing
  const Boilerplate repeated = Boilerplate::FromPages(
      {Body("the fan spins slowly"), Body("memory goes into the slots"), "HOME contents index printer SETUP next page",
       "a page of its own without the lines at all here"});
  ASSERT_FALSE(repeated.Empty());
  const std::vector<std::string_view> words = {"Home", "Contents", "Index", "Printer", "setup", "Next",
                                               "page", "the",  "fan",   "spins"};
  const std::vector<std::uint8_t> covered = repeated.Covered(words);
  EXPECT_EQ(covered, (std::vector<std::uint8_t>{1, 1, 1, 1, 1, 1, 1, 0, 0, 0}));
  // As the index stores them; a blob cut short repeats nothing.
  EXPECT_EQ(Boilerplate::Unpack(repeated.Pack()).Covered(words), covered);
  EXPECT_TRUE(Boilerplate::Unpack(repeated.Pack().substr(1)).Empty());
}

TEST(Snippet, TheStretchWithTheMatchesOutsideRepeatedText) {
  const Boilerplate repeated =
      Boilerplate::FromPages({Body("alpha"), Body("beta"), Body("gamma"), Body("delta")});
  const std::string page = Body("To connect the \x01printer\x02 use the cable at the back of the case and turn it on");
  // The navigation line's "Printer" is a match too, and comes first.
  const std::string marked = "Home Contents Index \x01Printer\x02 setup Next page" +
                             page.substr(kNav.size());
  struct Case {
    const char* what;
    std::string marked;
    std::size_t length;
    std::string expected;
  };
  const Case cases[] = {
      {"past the navigation line", marked, 6, "\xE2\x80\xA6the \x01printer\x02 use the cable at\xE2\x80\xA6"},
      {"the whole text fits", "a \x01" "b\x02 c", 24, "a \x01" "b\x02 c"},
      {"a highlight cut by the stretch", "x x x x \x01one two three\x02 y y y y y y", 2,
       "\xE2\x80\xA6\x01one two\x02\xE2\x80\xA6"},
      {"no match: the first stretch outside repeated text", Body("plain words only"), 3,
       "\xE2\x80\xA6plain words only\xE2\x80\xA6"},
      {"nothing", "", 24, ""},
      {"two matches in one word", "a b \x01x\x02-\x01y z\x02 c", 3, "\xE2\x80\xA6\x01x\x02-\x01y z\x02 c"},
      {"a highlight cut at the stretch's end", "p q \x01r s t\x02 u", 2, "\xE2\x80\xA6\x01r s\x02\xE2\x80\xA6"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ChooseSnippet(c.marked, repeated, c.length), c.expected);
    // The same choice from the plain text and where its matches lie.
    std::string plain;
    std::vector<search::ByteRange> matches;
    for (char ch : c.marked) {
      if (ch == search::kHighlightOpen) matches.push_back({plain.size(), 0});
      else if (ch == search::kHighlightClose) matches.back().end = plain.size();
      else plain += ch;
    }
    EXPECT_EQ(ChooseSnippet(plain, matches, repeated, c.length), c.expected);
  }
}

TEST(Snippet, HighlightsOpenAndCloseInTurn) {
  const std::pair<std::string, std::string> cases[] = {
      {"a \x01" "b\x02 c", "a \x01" "b\x02 c"},
      {"\x01" "a\x02\x02 b", "\x01" "a\x02 b"},          // a close with nothing open
      {"\x01" "a \x01" "b\x02 c", "\x01" "a b\x02 c"},    // an open inside a highlight
      {"\x02" "a \x01" "b", "a \x01" "b\x02"},            // left open at the end
  };
  for (const auto& [given, balanced] : cases) EXPECT_EQ(search::BalanceHighlights(given), balanced) << given;
}

// The results page's snippets through the index: a document whose pages all
// carry one navigation line holding the word searched for.
TEST(Snippet, TheIndexShowsTheTextOfThePageNotItsNavigation) {
  testing_support::TempDir cache, root;
  setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
  auto page = [](const std::string& text) {
    return "<html><head><title>Guide</title></head><body><p>" + Body(text) + "</p></body></html>\n";
  };
  root.Write("guide/a.htm", page("The fan spins slowly when the case is cool"));
  root.Write("guide/b.htm", page("Memory modules go into the slots near the processor"));
  root.Write("guide/c.htm", page("Unpack everything and keep the box for later use"));
  std::string filler;
  for (int i = 0; i < 30; ++i) filler += "word" + std::to_string(i) + " ";
  root.Write("guide/d.htm", page(filler + "and then the printer driver comes from the disc in the box"));
  root.Write("other/e.htm", page("A lone page elsewhere"));
  // Text without blanks, which the chooser cannot cut into words, in a
  // document that repeats its navigation line.
  std::string unspaced;
  for (int i = 0; i < 80; ++i) unspaced += "\xE5\x86\x85\xE5\xAD\x98";  // 内存
  root.Write("guide/f.htm", "<html><head><meta charset=\"utf-8\"><title>Guide</title></head><body><p>" +
                                Body(unspaced + "\xE6\x89\x93\xE5\x8D\xB0\xE6\x9C\xBA" + unspaced) +
                                "</p></body></html>\n");  // 打印机 amid it
  search::SearchIndex index(root.path());
  ASSERT_TRUE(index.Update().complete);
  // Every page's navigation line says "Printer"; one page says more.
  const search::SearchResult result = index.Search("printer", 10, true);
  ASSERT_EQ(result.hits.size(), 6u);
  // The unspaced page's snippet is FTS5's own, a stretch of the text around
  // the match rather than the whole text.
  const search::SearchResult cjk = index.Search("\xE6\x89\x93\xE5\x8D\xB0\xE6\x9C\xBA", 5, true);
  ASSERT_EQ(cjk.hits.size(), 1u);
  EXPECT_NE(cjk.hits[0].snippet.find("\x01"), std::string::npos) << cjk.hits[0].snippet;
  EXPECT_LT(cjk.hits[0].snippet.size(), unspaced.size()) << cjk.hits[0].snippet;
  for (const search::Hit& hit : result.hits) {
    SCOPED_TRACE(hit.path);
    if (hit.path.ends_with("/d.htm")) {
      EXPECT_NE(hit.snippet.find("the \x01printer\x02 driver"), std::string::npos) << hit.snippet;
      EXPECT_EQ(hit.snippet.find("Index \x01Printer\x02"), std::string::npos) << hit.snippet;
    } else {
      EXPECT_NE(hit.snippet.find("\x01Printer\x02"), std::string::npos) << hit.snippet;
    }
  }
  // A document of one page repeats nothing: FTS5's own snippet.
  const search::SearchResult lone = index.Search("lone", 5, true);
  ASSERT_EQ(lone.hits.size(), 1u);
  EXPECT_NE(lone.hits[0].snippet.find("\x01lone\x02"), std::string::npos);
}

// What a document repeats is kept with the index and follows its pages: a
// navigation line added to every page is passed over by the next search,
// also from another connection to the index.
TEST(Snippet, WhatADocumentRepeatsFollowsAnUpdate) {
  testing_support::TempDir cache, root;
  setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
  auto write = [&](bool withNav) {
    std::string filler;
    for (int i = 0; i < 30; ++i) filler += "word" + std::to_string(i) + " ";
    const std::string texts[] = {"The fan spins slowly", "Memory goes into the slots", "Keep the box",
                                 filler + "and the printer driver comes on a disc"};
    for (int i = 0; i < 4; ++i) {
      const std::string text = withNav ? Body(texts[i]) : texts[i];
      root.Write("guide/" + std::string(1, static_cast<char>('a' + i)) + ".htm",
                 "<html><head><title>Guide</title></head><body><p>" + text + "</p></body></html>\n");
    }
  };
  write(false);
  {
    search::SearchIndex index(root.path());
    ASSERT_TRUE(index.Update().complete);
    ASSERT_EQ(index.Search("printer", 10, true).hits.size(), 1u);
  }
  write(true);
  {
    search::SearchIndex index(root.path());
    ASSERT_TRUE(index.Update().complete);
  }
  search::SearchIndex index(root.path());
  const search::SearchResult result = index.Search("printer", 10, true);
  ASSERT_EQ(result.hits.size(), 4u);
  for (const search::Hit& hit : result.hits) {
    if (!hit.path.ends_with("/d.htm")) continue;
    EXPECT_NE(hit.snippet.find("the \x01printer\x02 driver"), std::string::npos) << hit.snippet;
    EXPECT_EQ(hit.snippet.find("Index \x01Printer\x02"), std::string::npos) << hit.snippet;
  }
}

}  // namespace

// The results page chooses a snippet in two ways: from the match positions
// kept while ranking, where every hit's document repeats text, and inside
// FTS5's sorted query, where some hit's does not. The same page and query
// get the same snippet either way: stemmed words, phrases, prefixes, and
// Japanese, whose characters give tokens that share a position.
TEST(Snippet, KeptPositionsGiveTheSnippetTheSortedQueryGives) {
  testing_support::TempDir cache, kept, sorted;
  setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
  const std::string texts[] = {
      "The printers share one driver disc",
      "Install the printer driver before you connect the printer cable",
      "\xE5\x8D\xB0\xE5\x88\xB7 \xE3\x81\xAE printer driver \xE8\xA8\xAD\xE5\xAE\x9A",  // 印刷 の ... 設定
      "Keep the box and the driver disc for later"};
  for (testing_support::TempDir* root : {&kept, &sorted}) {
    for (int i = 0; i < 4; ++i) {
      root->Write("guide/" + std::string(1, static_cast<char>('a' + i)) + ".htm",
                  "<html><head><meta charset=\"utf-8\"><title>Guide</title></head><body><p>" + Body(texts[i]) +
                      "</p></body></html>\n");
    }
  }
  // Enough pages that match nothing for both ways to read the index in two
  // parts at once.
  for (testing_support::TempDir* root : {&kept, &sorted}) {
    for (int i = 0; i < 2100; ++i)
      root->Write("pad/p" + std::to_string(i) + ".htm", "<html><body><p>pad n" + std::to_string(i) + "</p></body></html>\n");
  }
  // A page of its own repeats nothing: its hit sends the query the other way.
  sorted.Write("other/e.htm", "<html><head><title>Other</title></head><body><p>printer driver disc "
                              "\xE5\x8D\xB0\xE5\x88\xB7</p></body></html>\n");
  search::SearchIndex keptIndex(kept.path()), sortedIndex(sorted.path());
  ASSERT_TRUE(keptIndex.Update().complete);
  ASSERT_TRUE(sortedIndex.Update().complete);
  for (const char* query : {"printer", "\"printer driver\"", "driv*", "disc OR cable", "\xE5\x8D\xB0\xE5\x88\xB7"}) {
    SCOPED_TRACE(query);
    std::map<std::string, std::string> snippets;
    for (const search::Hit& hit : keptIndex.Search(query, 10, true).hits)
      snippets[hit.path.substr(kept.path().size())] = hit.snippet;
    ASSERT_FALSE(snippets.empty());
    std::size_t compared = 0;
    for (const search::Hit& hit : sortedIndex.Search(query, 10, true).hits) {
      const std::string rel = hit.path.substr(sorted.path().size());
      if (rel.find("guide/") == std::string::npos) continue;
      EXPECT_EQ(hit.snippet, snippets[rel]) << rel;
      EXPECT_NE(hit.snippet.find('\x01'), std::string::npos) << rel;
      ++compared;
    }
    EXPECT_EQ(compared, snippets.size());
  }
}
