// Which page opened after the search results shows the words searched for.

#include "app/core/search_arrival.h"

#include <gtest/gtest.h>

namespace {

using quiro::SearchArrival;
using Words = std::vector<std::string>;

constexpr const char* kResults = "quiro://doc/.quiro/search?q=Voltage+%22back+panel%22+OR+fan*";
const Words kWords{"Voltage back panel fan", "Voltage", "back panel", "fan"};

TEST(SearchArrival, TheQueryOfTheResultsAddress) {
  struct Case {
    const char* url;
    bool results;
    const char* query;
  };
  const Case cases[] = {
      {"quiro://doc/.quiro/search?q=caf%C3%A9+%E2%82%AC", true, "café €"},
      {"QUIRO://DOC/.quiro/search?x=1&q=a%2Bb#top", true, "a+b"},
      {"quiro://doc/.quiro/search", true, ""},
      {"quiro://doc/.quiro/search?q=%FF%FE", false, ""},  // no UTF-8
      {"quiro://doc/guide/search?q=a", false, ""},
      {"file:///docs/.quiro/search?q=a", false, ""},
      {"http://example.com/.quiro/search?q=a", false, ""},
  };
  for (const Case& c : cases) {
    std::string query = "left over";
    EXPECT_EQ(quiro::SearchPageQuery(c.url, query), c.results) << c.url;
    EXPECT_EQ(query, c.query) << c.url;
  }
}

TEST(SearchArrival, TheDocumentThatReplacesTheResultsInTheirFrameGetsTheWordsOnce) {
  SearchArrival arrival;
  EXPECT_TRUE(arrival.DocumentComplete("content", kResults, false).empty());
  // The sidebar reloading changes nothing; the content frame's next document
  // gets the words, all of them first, then each word and phrase.
  EXPECT_TRUE(arrival.DocumentComplete("sidebar", "quiro://doc/side.htm", false).empty());
  EXPECT_EQ(arrival.DocumentComplete("content", "quiro://doc/guide/ch2.htm", false), kWords);
  EXPECT_TRUE(arrival.DocumentComplete("content", "quiro://doc/guide/ch3.htm", false).empty());

  // Results shown as the top document; one word is offered alone.
  EXPECT_TRUE(arrival.DocumentComplete("", "quiro://doc/.quiro/search?q=fan", true).empty());
  EXPECT_EQ(arrival.DocumentComplete("", "quiro://doc/guide/ch1.htm", true), Words{"fan"});

  // A new top document, Back or a reload end the results' words; so does a
  // query without words.
  for (int way = 0; way < 3; ++way) {
    arrival.DocumentComplete("content", kResults, false);
    if (way == 0) arrival.DocumentComplete("", "quiro://doc/DocFrame.htm", true);
    if (way == 1) arrival.Forget();
    if (way == 2) arrival.DocumentComplete("content", "quiro://doc/.quiro/search?q=%22%22", false);
    EXPECT_TRUE(arrival.DocumentComplete("content", "quiro://doc/guide/ch2.htm", false).empty()) << way;
  }
}

}  // namespace
