#pragma once
// The index's tokenizer "quiro": English words through unicode61 and the
// porter stemmer ("printers" finds "printer"), and runs of Chinese, Japanese
// and Korean characters as overlapping two-character words, so that words
// of one and two characters are found as well as longer ones.
//
// In a document each character of a run gives the two-character word that
// starts there, and the character itself at the same position; a query of
// one character looks for that character, a longer run for its chain of
// two-character words followed by its last character, as a phrase.

#include <sqlite3.h>

namespace search {

/// The name to use in "tokenize=".
inline constexpr const char* kTokenizerName = "quiro";

/// Registers the tokenizer with the connection. False when FTS5 or its
/// porter tokenizer is missing.
bool RegisterTokenizer(sqlite3* db);

/// True for the code points tokenized as CJK characters: Han, kana,
/// Hangul, and the iteration marks; CJK punctuation is not among them.
bool IsCjkCharacter(char32_t cp);

}  // namespace search
