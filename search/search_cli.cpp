#include "search/search_cli.h"

#include <sys/stat.h>

#include "builder/catalogue_config.h"

namespace search {
std::string FormatHitLine(const Hit& hit) {
  std::string title = hit.title;
  for (char& c : title) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  return hit.path + "\t" + title + "\n";
}

SearchCommandResult SearchRoot(const std::string& root, const std::string& query, std::size_t limit) {
  SearchCommandResult result;
  const ParsedQuery parsed = ParseQuery(query);
  if (parsed.error != QueryError::None) {
    result.status = 2;
    result.notes.push_back("quiro: " + QueryErrorMessage(parsed.error));
    return result;
  }
  struct stat st {};
  if (stat(root.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    result.status = 1;
    result.notes.push_back("quiro: the document root " + root + " is no folder; nothing to search");
    return result;
  }
  SearchIndex index(root, [&result](const std::string& note) { result.notes.push_back(note); });
  index.Update();
  const SearchResult found = index.Search(query, limit);
  if (found.failed) {
    result.status = 2;
    result.notes.push_back("quiro: the search index cannot be read");
    return result;
  }
  for (const Hit& hit : found.hits) result.out += FormatHitLine(hit);
  result.status = found.hits.empty() ? 1 : 0;
  return result;
}

SearchCommandResult SearchDocumentRoot(const std::string& query, std::size_t limit) {
  std::string iniPath = GetIniPath();
  const std::string root = ReadDocumentRoot(iniPath);
  return SearchRoot(root, query, limit);
}

bool ParseCommandLimit(const std::string& text, std::size_t& limit) {
  if (text.empty() || text.size() > 7 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  const std::size_t value = std::stoul(text);
  if (value == 0 || value > kMaxCommandLimit) return false;
  limit = value;
  return true;
}

}  // namespace search
