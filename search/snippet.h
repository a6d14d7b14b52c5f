#pragma once
// The snippet a result shows: the stretch of a page's text around its
// matches. Manuals repeat headers, footers and navigation lines on every
// page of a document; a match there says nothing about the page, so such
// text weighs little when the stretch is chosen.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace search {

/// Words a run of repeated text is made of.
inline constexpr std::size_t kBoilerplateRunWords = 5;
/// Words a snippet shows.
inline constexpr std::size_t kSnippetWords = 24;

/// The text repeated on most pages of one document.
class Boilerplate {
 public:
  /// From the body texts (blanks collapsed) of pages of one document: every
  /// run of kBoilerplateRunWords words (letter case ignored) found on at
  /// least half of them. Fewer than 3 pages repeat nothing.
  static Boilerplate FromPages(const std::vector<std::string>& bodies);

  /// The runs as stored in the index (little-endian 64-bit hashes, sorted),
  /// and back; a blob of another length than a multiple of 8 repeats nothing.
  std::string Pack() const;
  static Boilerplate Unpack(std::string_view packed);

  bool Empty() const { return runs_.empty(); }
  /// For each of `words`, 1 where it lies in a run of repeated text, else
  /// 0; with `starts`, only runs starting where it is 1 are looked at.
  std::vector<std::uint8_t> Covered(const std::vector<std::string_view>& words,
                                    const std::vector<std::uint8_t>* starts = nullptr) const;

 private:
  std::vector<std::uint64_t> runs_;  // sorted
};

/// About `length` words of `marked`, a page's body in which each match
/// stands between kHighlightOpen and kHighlightClose (search_index.h), as
/// FTS5's highlight() writes it: the stretch with the most matches, a match
/// in repeated text counting a tenth of one (and, among equals, the one
/// with the least repeated text, then the first, moved on so that a quarter
/// of it comes before its first match where that is as good). "…" stands
/// where the text is cut; highlights cut by the stretch are closed or opened
/// again.
std::string ChooseSnippet(std::string_view marked, const Boilerplate& boilerplate,
                          std::size_t length = kSnippetWords);

/// `snippet` with its highlight marks opening and closing in turn: a mark
/// that would open inside a highlight or close outside one is dropped, and
/// a highlight left open is closed at the end. FTS5's snippets pass through
/// it: FTS5 marks whatever extents the tokenizer reports, and opens a mark
/// again inside one whose extent overlaps the next.
std::string BalanceHighlights(std::string_view snippet);

/// Where a match lies in a page's text: bytes [begin, end).
struct ByteRange {
  std::size_t begin = 0;
  std::size_t end = 0;
};

/// The same snippet, chosen from a page's plain `text` and where its
/// matches lie (in order, none overlapping another): what ChooseSnippet
/// returns for the text with each match marked.
std::string ChooseSnippet(std::string_view text, const std::vector<ByteRange>& matches,
                          const Boilerplate& boilerplate, std::size_t length = kSnippetWords);

}  // namespace search
