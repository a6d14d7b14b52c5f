// The search box's syntax turned into FTS5 expressions.

#include <gtest/gtest.h>

#include <string>

#include "search/query.h"

namespace {

using search::ParseQuery;
using search::QueryError;

TEST(QueryParser, Expressions) {
  struct Case {
    std::string query;
    std::string match;
  };
  const Case cases[] = {
      {"Printer", R"("Printer")"},
      {"  two\twords ", R"("two" "words")"},
      {R"("back panel" fan)", R"("back panel" "fan")"},
      {"a OR b c", R"("a" OR "b" "c")"},
      {"print* wi**", R"("print"* "wi"*)"},
      {R"("phrase prefi"*)", R"("phrase prefi"*)"},
      {R"(unbalanced "phrase to the end)", R"("unbalanced" "phrase to the end")"},
      {R"(glued"phrase")", R"("glued" "phrase")"},
      {"title:x NEAR(a -b ^c", R"("title:x" "NEAR(a" "-b" "^c")"},
      {"OR a OR", R"("a")"},
      {"a OR OR b AND c", R"("a" OR "b" "c")"},
      {"or and not", R"("or" "and" "not")"},
      {"a - ... b", R"("a" "b")"},
      {"日本 é", R"("日本" "é")"},
      {std::string(1000, 'x'), "\"" + std::string(1000, 'x') + "\""},
  };
  for (const Case& c : cases) {
    const auto parsed = ParseQuery(c.query);
    EXPECT_EQ(parsed.error, QueryError::None) << c.query;
    EXPECT_EQ(parsed.match, c.match) << c.query;
  }
}

TEST(QueryParser, ShortPrefixesUpToTheCap) {
  // Four short prefixes pass, and longer prefixes or plain short words do
  // not count toward the cap.
  EXPECT_EQ(ParseQuery("a* b* c* d*").error, QueryError::None);
  EXPECT_EQ(ParseQuery("a* b* c* d* abc* xyz* q r s").error, QueryError::None);
}

TEST(QueryParser, Rejections) {
  std::string manyWords;
  for (int i = 0; i < 65; ++i) manyWords += "w ";
  std::string longAccented;
  for (int i = 0; i < 1001; ++i) longAccented += "é";
  struct Case {
    std::string query;
    QueryError error;
  };
  const Case cases[] = {
      {"", QueryError::NoWords},
      {" \t ", QueryError::NoWords},
      {"!!! ... --- ", QueryError::NoWords},
      {"OR AND * \"\" \"", QueryError::NoWords},
      {"\"", QueryError::NoWords},
      {"\xFF\xFE", QueryError::NoWords},
      {std::string(10000, 'a'), QueryError::TooLong},
      {longAccented, QueryError::TooLong},
      {manyWords, QueryError::TooManyTerms},
      {"a* OR b* OR c* OR d* OR e*", QueryError::TooManyShortPrefixes},
      {"ab* \"cd\"* é* 日本* x*", QueryError::TooManyShortPrefixes},
  };
  for (const Case& c : cases) {
    const auto parsed = ParseQuery(c.query);
    EXPECT_EQ(parsed.error, c.error) << c.query.substr(0, 40);
    EXPECT_EQ(parsed.match, "");
    EXPECT_FALSE(search::QueryErrorMessage(c.error).empty());
  }
}

}  // namespace
