#pragma once
// A page the reader opened from the program's search results shows the
// words searched for: the window's find bar opens with them. Fed with the
// documents that finish loading (the top one and each frame's); no engine
// needed.

#include <string>
#include <vector>

namespace quiro {

class SearchArrival {
 public:
  /// A document finished loading: `frame` is its frame's name ("" for the
  /// top document), `url` its address as the engine has it. Returns what the
  /// find bar is to look for, best first: the words as one text, then each
  /// word or phrase alone (empty when the document was not opened from the
  /// results). The words are given once, to the first document that
  /// replaces the results in their frame.
  std::vector<std::string> DocumentComplete(const std::string& frame, const std::string& url, bool top);
  /// A step through the history or a reload: the document it brings is not
  /// one opened from the results.
  void Forget() { m_terms.clear(); }

 private:
  std::string m_frame;               // where the results are shown
  std::vector<std::string> m_terms;  // their query's words and phrases
};

/// The decoded "q" of a search results page's address (`url` as the engine
/// has it, "quiro://doc/.quiro/search?q=WORDS", scheme and host in any
/// letter case); false for any other address or a query that is no UTF-8.
bool SearchPageQuery(const std::string& url, std::string& query);

}  // namespace quiro
