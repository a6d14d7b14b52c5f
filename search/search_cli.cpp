#include "search/search_cli.h"

#include <sys/stat.h>

#include "builder/catalogue_config.h"

namespace search {
namespace {

constexpr std::size_t kMaxCommandLimit = 1000000;

SearchCommandResult Usage(const std::string& why) {
  SearchCommandResult result;
  result.status = 2;
  result.notes.push_back("quiro: " + why);
  result.notes.push_back("usage: quiro --search QUERY [--limit N]");
  return result;
}

}  // namespace

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

SearchCommandResult RunSearchCommand(const std::vector<std::string>& args) {
  if (args.size() < 2) return Usage("--search needs a QUERY");
  std::size_t limit = kDefaultCommandLimit;
  for (std::size_t i = 2; i < args.size(); ++i) {
    if (args[i] != "--limit") return Usage("--search takes only --limit N after the QUERY, not '" + args[i] + "'");
    if (i + 1 >= args.size()) return Usage("--limit needs a number");
    const std::string& value = args[++i];
    if (value.empty() || value.size() > 7 || value.find_first_not_of("0123456789") != std::string::npos ||
        std::stoul(value) == 0 || std::stoul(value) > kMaxCommandLimit) {
      return Usage("--limit needs a whole number from 1 to 1000000, not '" + value + "'");
    }
    limit = std::stoul(value);
  }
  std::string iniPath = GetIniPath();
  const std::string root = ReadDocumentRoot(iniPath);
  return SearchRoot(root, args[1], limit);
}

}  // namespace search
