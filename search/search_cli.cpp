#include "search/search_cli.h"

#include <sys/stat.h>

#include "builder/catalogue_config.h"
#include "res/strings.h"

namespace search {
std::string FormatHitLine(const Hit& hit) {
  std::string title = hit.title;
  for (char& c : title) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  return hit.path + "\t" + title + "\n";
}

SearchCommandResult SearchRoot(const std::string& root, const std::string& query, std::size_t limit,
                               bool verbose) {
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
    result.notes.push_back("quiro: " + quiro::res::FormatString(quiro::res::IDS_CLI_ROOT_NOT_A_FOLDER, {root}));
    return result;
  }
  ChosenIndex chosen = ChooseIndex(root, [&result](const std::string& note) { result.notes.push_back(note); });
  SearchIndex& index = *chosen.index;
  if (verbose && !chosen.why.empty()) result.notes.push_back("quiro: " + chosen.why);
  if (!index.ReadOnly()) index.Update();
  if (verbose) {
    const std::string which = index.ReadOnly() ? "the shared search index " + index.FilePath()
                              : index.InMemory() ? std::string("a search index in memory")
                                                 : "the search index " + index.FilePath();
    result.notes.push_back("quiro: searched " + which);
  }
  const SearchResult found = index.Search(query, limit);
  if (found.failed) {
    result.status = 2;
    result.notes.push_back("quiro: " + quiro::res::LoadString(quiro::res::IDS_CLI_INDEX_UNREADABLE));
    return result;
  }
  if (found.cutShort) result.notes.push_back("quiro: " + quiro::res::LoadString(quiro::res::IDS_CLI_SEARCH_CUT_SHORT));
  for (const Hit& hit : found.hits) result.out += FormatHitLine(hit);
  result.status = found.hits.empty() ? 1 : 0;
  return result;
}

SearchCommandResult SearchDocumentRoot(const std::string& query, std::size_t limit, bool verbose) {
  std::string iniPath = GetIniPath();
  const std::string root = ReadDocumentRoot(iniPath);
  return SearchRoot(root, query, limit, verbose);
}

SearchCommandResult BuildSharedIndexOfDocumentRoot() {
  SearchCommandResult result;
  std::string iniPath = GetIniPath();
  const std::string root = ReadDocumentRoot(iniPath);
  struct stat st {};
  if (stat(root.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    result.notes.push_back("quiro: the document root " + root + " is no folder; no shared search index made");
    return result;
  }
  const bool made =
      SearchIndex::BuildShared(root, [&result](const std::string& note) { result.notes.push_back(note); });
  result.status = made ? 0 : 2;
  return result;
}

bool ParseCommandLimit(const std::string& text, std::size_t& limit) {
  if (text.empty() || text.size() > 7 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  const std::size_t value = std::stoul(text);
  if (value == 0 || value > kMaxCommandLimit) return false;
  limit = value;
  return true;
}

}  // namespace search
