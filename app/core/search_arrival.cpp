#include "app/core/search_arrival.h"

#include <string_view>

#include "platform/doc_uri.h"
#include "search/query.h"
#include "search/text_decode.h"

namespace quiro {

bool SearchPageQuery(const std::string& url, std::string& query) {
  query.clear();
  if (!platform::IsDocUri(url)) return false;
  if (platform::DocUriRelativePath(url) != std::string(platform::kReservedPrefix) + "search") return false;
  std::string_view rest(url);
  const std::size_t hash = rest.find('#');
  if (hash != std::string_view::npos) rest = rest.substr(0, hash);
  const std::size_t mark = rest.find('?');
  if (mark == std::string_view::npos) return true;
  rest.remove_prefix(mark + 1);
  while (!rest.empty()) {
    const std::size_t amp = rest.find('&');
    const std::string_view pair = rest.substr(0, amp);
    rest = amp == std::string_view::npos ? std::string_view() : rest.substr(amp + 1);
    if (pair.substr(0, 2) != "q=") continue;
    std::string value(pair.substr(2));
    for (char& c : value)
      if (c == '+') c = ' ';
    query = platform::PercentDecode(value);
    if (search::SanitizeUtf8(query) != query) {
      query.clear();
      return false;
    }
    return true;
  }
  return true;
}

std::vector<std::string> SearchArrival::DocumentComplete(const std::string& frame, const std::string& url,
                                                         bool top) {
  std::string query;
  if (SearchPageQuery(url, query)) {
    m_frame = top ? std::string() : frame;
    m_terms = search::ParseQuery(query).terms;
    return {};
  }
  const std::string where = top ? std::string() : frame;
  // A new top document ends any results shown; a load in another frame
  // (the sidebar) leaves them.
  if (where != m_frame) {
    if (top) m_terms.clear();
    return {};
  }
  std::vector<std::string> terms = std::move(m_terms);
  m_terms.clear();
  if (terms.empty()) return {};
  std::vector<std::string> candidates;
  if (terms.size() > 1) {
    std::string all;
    for (const std::string& term : terms) all += (all.empty() ? "" : " ") + term;
    candidates.push_back(all);
  }
  candidates.insert(candidates.end(), terms.begin(), terms.end());
  return candidates;
}

}  // namespace quiro
