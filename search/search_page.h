#pragma once
// The program's own search page: a search form, the state of the index and
// the results, each with its title, its document and a snippet with the
// words highlighted. It is served at "quiro://doc/.quiro/search?q=WORDS";
// its links are the pages' URLs in that scheme (file URLs for pages outside
// the root) and open in the frame "content".

#include <functional>
#include <string>
#include <string_view>

#include "search/indexer.h"

namespace search {

/// Most results on the page.
inline constexpr std::size_t kPageHits = 20;
/// Where the page is served; its form submits here.
inline constexpr const char* kSearchPageUrl = "quiro://doc/.quiro/search";

/// The whole page for `query` (already URL-decoded; empty shows the form
/// alone). Safe to call from any thread while the indexer runs.
std::string RenderSearchPage(BackgroundIndexer& indexer, std::string_view query);

/// The page from its parts: `documentTitle` names a document folder; the
/// hits' links are made below `root`.
std::string RenderSearchPageHtml(std::string_view query, const SearchResult& result,
                                 const BackgroundIndexer::Status& status,
                                 const std::function<std::string(const std::string&)>& documentTitle,
                                 const std::string& root);

/// "3,000": a count with thousands separators.
std::string FormatCount(std::size_t n);

}  // namespace search
