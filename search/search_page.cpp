#include "search/search_page.h"

#include "platform/doc_request.h"
#include "platform/doc_uri.h"
#include "platform/paths.h"
#include "res/strings.h"
#include "search/text_decode.h"

namespace search {
namespace {

namespace res = quiro::res;

// A text of the string table as HTML text.
std::string Html(int id) { return platform::EscapeHtml(res::LoadString(id)); }

// The snippet with its highlight markers turned into <mark> elements.
std::string SnippetHtml(std::string_view snippet) {
  std::string out;
  for (char c : platform::EscapeHtml(SanitizeUtf8(BalanceHighlights(snippet)))) {
    if (c == kHighlightOpen) out += "<mark>";
    else if (c == kHighlightClose) out += "</mark>";
    else out += c;
  }
  return out;
}

constexpr const char* kHead =
    "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n%POLICY%\n<title>%TITLE%</title>\n"
    "<style>\n"
    "body { margin: 0; padding: 20px 36px 36px 36px; background: #ffffff; color: #22262b;\n"
    "       font-family: \"DejaVu Sans\", Verdana, Arial, Helvetica, sans-serif; font-size: 15px; line-height: 1.5; }\n"
    "h1 { font-size: 24px; font-weight: normal; color: #1d4f7a; margin: 2px 0 16px 0; padding-bottom: 6px;\n"
    "     border-bottom: 2px solid #1d4f7a; }\n"
    "#q { font-size: 15px; padding: 4px 8px; width: 22em; border: 1px solid #9fb0c2; }\n"
    "a { color: #1a5fa0; } a:visited { color: #5b4a8b; } a:hover { color: #c0461e; }\n"
    ".state, .message, .count { color: #6b7c8f; }\n"
    "ol.hits { padding-left: 1.6em; max-width: 46em; }\n"
    "ol.hits li { padding: 6px 0; border-bottom: 1px solid #eef1f5; }\n"
    ".doc { color: #6b7c8f; font-size: 13px; margin-left: 8px; }\n"
    ".snippet { font-size: 14px; }\n"
    "mark { background: #fde9a8; color: inherit; }\n"
    "</style></head>\n"
    "<body>\n<h1>%HEADING%</h1>\n";

}  // namespace

std::string FormatCount(std::size_t n) {
  std::string digits = std::to_string(n);
  for (int pos = static_cast<int>(digits.size()) - 3; pos > 0; pos -= 3) digits.insert(static_cast<std::size_t>(pos), ",");
  return digits;
}

std::string RenderSearchPageHtml(std::string_view query, const SearchResult& result,
                                 const BackgroundIndexer::Status& status,
                                 const std::function<std::string(const std::string&)>& documentTitle,
                                 const std::string& root) {
  const std::string shownQuery = platform::EscapeHtml(SanitizeUtf8(query));
  std::string html = kHead;
  // No script at all: the words searched for are shown on the page.
  html.replace(html.find("%POLICY%"), 8, platform::OwnPagePolicy());
  // The query goes in escaped after the title's own text: a "%1" in it stays.
  html.replace(html.find("%TITLE%"), 7,
               shownQuery.empty() ? Html(res::IDS_SEARCH_TITLE)
                                  : platform::EscapeHtml(res::FormatString(res::IDS_SEARCH_TITLE_QUERY, {SanitizeUtf8(query)})));
  html.replace(html.find("%HEADING%"), 9, Html(res::IDS_SEARCH_HEADING));
  html += "<form action=\"";
  html += kSearchPageUrl;
  html += "\" method=\"get\">\n<input type=\"text\" name=\"q\" id=\"q\" value=\"" + shownQuery +
          "\" autocomplete=\"off\" autofocus>\n<input type=\"submit\" value=\"" + Html(res::IDS_SEARCH_TITLE) +
          "\">\n</form>\n";

  switch (status.state) {
    case BackgroundIndexer::State::NotStarted:
    case BackgroundIndexer::State::Opening:
      html += "<p class=\"state\">" + Html(res::IDS_SEARCH_LOOKING) + "</p>\n";
      break;
    case BackgroundIndexer::State::Indexing:
      html += "<p class=\"state\">" +
              platform::EscapeHtml(
                  res::FormatString(res::IDS_SEARCH_INDEXING, {FormatCount(status.done), FormatCount(status.total)})) +
              "</p>\n";
      break;
    case BackgroundIndexer::State::Stopped:
      html += "<p class=\"state\">" + Html(res::IDS_SEARCH_INCOMPLETE) + "</p>\n";
      break;
    case BackgroundIndexer::State::Ready:
      break;
  }

  if (query.find_first_not_of(" \t\r\n") == std::string_view::npos) {
    html += "</body></html>\n";
    return html;
  }
  if (result.error != QueryError::None) {
    html += "<p class=\"message\">" + platform::EscapeHtml(QueryErrorMessage(result.error)) + "</p>\n";
  } else if (result.failed) {
    html += "<p class=\"message\">" + Html(res::IDS_SEARCH_UNREADABLE) + "</p>\n";
  } else if (result.hits.empty() && !result.cutShort) {
    html += "<p class=\"message\">" + Html(res::IDS_SEARCH_NO_HITS) + "</p>\n";
  } else {
    if (result.cutShort) {
      html += "<p class=\"message\">" + Html(res::IDS_SEARCH_CUT_SHORT) + "</p>\n";
    }
    const bool one = result.hits.size() == 1;
    const std::string count =
        result.cutShort ? (one ? res::LoadString(res::IDS_SEARCH_ONE_HIT)
                               : res::FormatString(res::IDS_SEARCH_HITS, {FormatCount(result.hits.size())}))
                        : (one ? res::LoadString(res::IDS_SEARCH_ONE_HIT_RANKED)
                               : res::FormatString(res::IDS_SEARCH_HITS_RANKED, {FormatCount(result.hits.size())}));
    html += "<p class=\"count\">" + platform::EscapeHtml(count) + "</p>\n<ol class=\"hits\">\n";
    for (const Hit& hit : result.hits) {
      const std::string document = documentTitle ? documentTitle(hit.document) : hit.document;
      // The scheme's URL: a page of the scheme may not link to a file URL.
      std::string url = platform::PathToDocUri(hit.path, root);
      if (url.empty()) url = platform::PathToFileUrl(hit.path);
      html += "<li><a href=\"" + platform::EscapeHtml(url) + "\" target=\"content\">" +
              platform::EscapeHtml(SanitizeUtf8(hit.title)) + "</a><span class=\"doc\">" + platform::EscapeHtml(SanitizeUtf8(document)) +
              "</span>";
      if (!hit.snippet.empty()) html += "<div class=\"snippet\">" + SnippetHtml(hit.snippet) + "</div>";
      html += "</li>\n";
    }
    html += "</ol>\n";
  }
  html += "</body></html>\n";
  return html;
}

std::string RenderSearchPage(BackgroundIndexer& indexer, std::string_view query) {
  const BackgroundIndexer::Status status = indexer.GetStatus();
  SearchResult result;
  if (query.find_first_not_of(" \t\r\n") != std::string_view::npos) {
    result = indexer.Search(query, kPageHits, true);
  }
  return RenderSearchPageHtml(query, result, status,
                              [&indexer](const std::string& folder) { return indexer.DocumentTitle(folder); },
                              indexer.Root());
}

}  // namespace search
