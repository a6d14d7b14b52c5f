#pragma once
// The window's search index: opened and brought up to date on a thread of
// its own, searchable from any thread meanwhile.

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "search/search_index.h"

namespace search {

class BackgroundIndexer {
 public:
  enum class State { NotStarted, Opening, Indexing, Ready, Stopped };
  struct Status {
    State state = State::NotStarted;
    std::size_t done = 0;   // pages read so far
    std::size_t total = 0;  // pages to read in this update
  };

  /// For the document root `root`; `iniPath` is the catalogue INI that named
  /// it (document titles come from it, as on the start page). `note`
  /// receives the lines for stderr, from the indexer's thread.
  BackgroundIndexer(std::string root, std::string iniPath, NoteFn note = {});
  /// Stops the thread and waits for it.
  ~BackgroundIndexer();
  BackgroundIndexer(const BackgroundIndexer&) = delete;
  BackgroundIndexer& operator=(const BackgroundIndexer&) = delete;

  /// Starts opening and updating the index on a new thread; returns at once.
  /// Later calls do nothing.
  void Start();
  /// Asks the thread to stop after the page it is reading, and waits for it.
  void Stop();

  Status GetStatus() const;
  const std::string& Root() const { return root_; }

  /// Searches what is indexed so far (nothing before the index is open).
  SearchResult Search(std::string_view query, std::size_t limit, bool withSnippets);
  /// The title of the document whose folder is `folder` (its catalogue
  /// title, else the folder name).
  std::string DocumentTitle(const std::string& folder) const;

 private:
  void Run(std::stop_token stop);

  const std::string root_;
  const std::string iniPath_;
  const NoteFn note_;
  std::atomic<State> state_{State::NotStarted};
  UpdateProgress progress_;
  mutable std::mutex mutex_;  // guards index_, titles_ and thread_
  std::shared_ptr<SearchIndex> index_;
  std::map<std::string, std::string> titles_;
  std::jthread thread_;
};

/// Catalogue titles of the document folders of `root`, read as the site
/// build reads them (INI section, else index page): folder -> title.
std::map<std::string, std::string> ReadDocumentTitles(const std::string& root, const std::string& iniPath);

}  // namespace search
