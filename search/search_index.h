#pragma once
// The full-text index of one document root: an SQLite FTS5 database under
// $XDG_CACHE_HOME (never inside the root), kept current by size and
// modification time. Several threads may use one SearchIndex (its calls are
// serialised) and several processes may share one index file (WAL; each
// write is a short transaction).
//
// What is indexed: every HTML page, text file and PDF document below the
// root's folders, at any depth. The root's own files (templates, the start
// page, the generated pages) are no documents and are left out, as are
// names beginning with ".".
//
// A damaged, unreadable or unwritable index file is deleted and built
// again; when no index file can be had at all, the index lives in memory for
// this process. Each such event is reported through the note function.

#include <sqlite3.h>

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "search/query.h"
#include "search/rank.h"

namespace search {

/// Receives one line for stderr per event worth telling (a rebuilt index).
using NoteFn = std::function<void(const std::string&)>;

/// The layout of the index database; a file of another version is rebuilt.
inline constexpr int kSchemaVersion = 1;

/// Text markers around highlighted words in a snippet (never in page text).
inline constexpr char kHighlightOpen = '\x01';
inline constexpr char kHighlightClose = '\x02';

struct Hit {
  std::string path;      // absolute path of the page
  std::string title;     // its title, else its file name
  std::string document;  // the document folder: the first folder below the root
  std::string snippet;   // body text around the match, highlights marked (when asked for)
};

struct SearchResult {
  std::vector<Hit> hits;  // best first
  QueryError error = QueryError::None;
  bool failed = false;  // the index could not be read
};

struct UpdateStats {
  std::size_t pages = 0;      // pages found under the root
  std::size_t read = 0;       // new or changed pages read
  std::size_t removed = 0;    // index entries of pages that are gone
  std::size_t unreadable = 0; // pages that vanished or could not be read while indexing
  std::size_t outside = 0;    // links skipped because they lead out of the root
  bool complete = false;      // the index matches the root (not stopped, no write failed)
};

/// Where an update stands, readable from any thread while it runs.
struct UpdateProgress {
  std::atomic<std::size_t> done{0};   // pages read so far in this update
  std::atomic<std::size_t> total{0};  // pages this update has to read
};

class SearchIndex {
 public:
  /// Opens the index of `root` (a folder path; a trailing "/" is optional),
  /// creating or rebuilding it as needed; never fails (see above).
  explicit SearchIndex(std::string root, NoteFn note = {});
  ~SearchIndex();
  SearchIndex(const SearchIndex&) = delete;
  SearchIndex& operator=(const SearchIndex&) = delete;

  /// The index file for `root`: "$XDG_CACHE_HOME/quiro/search/<hash>-v<N>.db"
  /// (the cache folder as platform::CacheHome() finds it); empty when no
  /// cache folder can be named.
  static std::string IndexPathFor(const std::string& root);

  /// Brings the index up to date: reads new and changed pages, drops the
  /// entries of removed ones. An unchanged root costs one stat per page.
  /// `stop` (may be empty) is polled between pages.
  UpdateStats Update(UpdateProgress* progress = nullptr, const std::function<bool()>& stop = {});

  /// Runs `query` (user syntax, see query.h): at most `limit` hits, best
  /// first, ranked by bm25 with the title weighted above the body.
  SearchResult Search(std::string_view query, std::size_t limit, bool withSnippets = false);

  /// True when the index lives in memory for this process only.
  bool InMemory() const { return inMemory_; }
  /// The root as given, ending in "/"; hits' paths begin with it.
  const std::string& Root() const { return root_; }
  /// The index file in use ("" in memory).
  const std::string& FilePath() const { return filePath_; }

 private:
  struct PageFile;
  bool OpenFile(const std::string& path, int& rc);
  void OpenInMemory();
  bool Prepare(int& rc);
  void Close();
  // Handles a failed call's result code: a damaged or unwritable file is
  // replaced (once); true when the caller should start again.
  bool Recover(int rc);
  void Note(const std::string& text) const;
  UpdateStats UpdateOnce(UpdateProgress* progress, const std::function<bool()>& stop, int& rc);

  std::string root_;
  std::string realRoot_;  // its real path: names the index file
  NoteFn note_;
  std::mutex mutex_;  // serialises every use of db_
  sqlite3* db_ = nullptr;
  std::string filePath_;
  bool inMemory_ = false;
  bool recovered_ = false;
  DocumentLengths lengths_;    // for the ranking function
  std::uint64_t writes_ = 0;   // transactions this object has committed
};

}  // namespace search
