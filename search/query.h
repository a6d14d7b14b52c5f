#pragma once
// What users type into the search box, turned into an FTS5 expression.
//
// Words are matched case-insensitively and all must match; "quoted phrases"
// match as phrases; OR between two parts matches either (AND binds tighter,
// as in FTS5); a trailing "*" makes a word a prefix. Every other character
// is text: each word and phrase is passed to FTS5 as a quoted string, so
// FTS5's own operators and column filters cannot be reached.

#include <string>
#include <string_view>
#include <vector>

namespace search {

/// Longest query, in characters.
inline constexpr std::size_t kMaxQueryChars = 1000;
/// Most words and phrases in one query.
inline constexpr std::size_t kMaxQueryTerms = 64;
/// Most prefixes of fewer than kShortPrefixChars characters in one query:
/// each has to merge the lists of every indexed word that begins so.
inline constexpr std::size_t kMaxShortPrefixes = 4;
inline constexpr std::size_t kShortPrefixChars = 3;

enum class QueryError { None, NoWords, TooLong, TooManyTerms, TooManyShortPrefixes };

struct ParsedQuery {
  std::string match;  // the FTS5 expression; empty on error
  std::vector<std::string> terms;  // its words and phrases as typed, without "*"
  QueryError error = QueryError::None;
};

/// Parses `query`. An unbalanced quote runs its phrase to the end of the
/// query; an OR with nothing on one side, "AND" and words without letters
/// or digits are dropped; a query left with no words is QueryError::NoWords.
ParsedQuery ParseQuery(std::string_view query);

/// The message shown for an error ("" for None).
std::string QueryErrorMessage(QueryError error);

}  // namespace search
