#pragma once
// The full-text index of one document root: an SQLite FTS5 database under
// $XDG_CACHE_HOME (never inside the root), kept current by size and
// modification time. Several threads may use one SearchIndex (its calls are
// serialised) and several processes may share one index file (WAL; each
// write is a short transaction). A search of a large index also reads it
// on a second connection, in a thread of its own, while it runs.
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
#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <map>
#include <set>

#include "search/query.h"
#include "search/rank.h"
#include "search/snippet.h"

namespace search {

/// Receives one line for stderr per event worth telling (a rebuilt index).
using NoteFn = std::function<void(const std::string&)>;

/// The layout of the index database; a file of another version is rebuilt.
inline constexpr int kSchemaVersion = 3;

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
  bool failed = false;    // the index could not be read
  bool cutShort = false;  // the query ran out of time: hits holds what was found by then
};

/// How long one query may run. Past the time, or past `steps` checks of the
/// running query (0: no such count; each check comes every
/// kSearchStepInstructions SQLite instructions), it ends with what it found.
struct SearchBudget {
  std::chrono::milliseconds time{250};
  std::uint64_t steps = 0;
};
inline constexpr int kSearchStepInstructions = 100;

/// The folder of the machine's shared indexes: $QUIRO_SHARED_INDEX_DIR when
/// set, else /var/cache/quiro/search.
std::string SharedIndexFolder();

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
  SearchResult Search(std::string_view query, std::size_t limit, bool withSnippets = false,
                      const SearchBudget& budget = {});

  /// The shared index file for `root` in SharedIndexFolder(), named as the
  /// per-user one.
  static std::string SharedIndexPathFor(const std::string& root);

  /// Opens the shared index of `root`, read-only, when it can answer for the
  /// root: a file of root's or the caller's own that nobody else may write,
  /// in the shared form (no write-ahead log), of this layout version, made
  /// for the same real root, and current (nothing changed since it was
  /// built, by the same check an update makes). Otherwise nullptr, with
  /// `why` saying what was wrong. Never writes anything.
  static std::unique_ptr<SearchIndex> OpenShared(const std::string& root, std::string& why);

  /// Builds or brings up to date the shared index of `root`, readable by
  /// every user: the new state is made in a file beside it (a copy of the
  /// old one) and renamed over it, so a reader sees the old index or the
  /// new, whole. False, with a note saying why, when it could not be made.
  static bool BuildShared(const std::string& root, NoteFn note);

  /// True for an index opened by OpenShared(): Update() does nothing.
  bool ReadOnly() const { return readOnly_; }

  /// True when the index lives in memory for this process only.
  bool InMemory() const { return inMemory_; }
  /// The root as given, ending in "/"; hits' paths begin with it.
  const std::string& Root() const { return root_; }
  /// The index file in use ("" in memory).
  const std::string& FilePath() const { return filePath_; }

 private:
  struct PageFile;
  struct SharedTag {};
  // Opens `file` as it is (`readOnly`) or for writing; no fallback to memory.
  SearchIndex(std::string root, NoteFn note, const std::string& file, bool readOnly, SharedTag);
  bool OpenReadOnly(const std::string& path, std::string& why);
  // How many pages under the root differ from what the index holds.
  std::size_t CountChanged(int& rc);
  bool OpenFile(const std::string& path, int& rc);
  void OpenInMemory();
  bool Prepare(int& rc);
  void Close();
  // Handles a failed call's result code: a damaged or unwritable file is
  // replaced (once); true when the caller should start again.
  bool Recover(int rc);
  void Note(const std::string& text) const;
  UpdateStats UpdateOnce(UpdateProgress* progress, const std::function<bool()>& stop, int& rc);
  // What the pages of the document folder `document` repeat (cached until
  // the index changes): as the last update stored it, else from a sample of
  // its pages. Called with mutex_ held.
  const Boilerplate& BoilerplateOf(const std::string& document);
  Boilerplate SampleBoilerplate(const std::string& document, bool* anyPage = nullptr);
  // Stores what each of `documents` repeats now (a document without pages
  // loses its row); called with mutex_ held, outside a transaction.
  int StoreRepeats(const std::set<std::string>& documents);
  // What the document of the page of `rowid` repeats (null for no such
  // page), for SQL's quiro_repeats(rowid), true where that is something,
  // and quiro_snippet(pages), the snippet chosen here for such a page.
  const Boilerplate* RowBoilerplate(std::int64_t rowid);
  static void RepeatsFunction(sqlite3_context* context, int argc, sqlite3_value** argv);
  struct KeptRow {
    double rank;
    std::int64_t rowid;
    std::vector<ByteRange> positions;  // first and last token of each body match
    bool operator<(const KeptRow& o) const { return rank != o.rank ? rank < o.rank : rowid < o.rowid; }
  };
  // What one statement's quiro_keep keeps, handed to it as an argument.
  struct KeepState {
    std::size_t limit = 0;
    bool withPositions = false;
    std::vector<KeptRow> best;  // a heap, its worst on top
  };
  struct QueryClock;
  // The best `limit` matches of `match` in rank order, through SQL's
  // quiro_keep(pages, rank, state), each with where its matches lie in the
  // body when `withPositions`; `finished` is false when the query's budget
  // ran out first (the best of the rows read by then). A large index is read
  // in two halves by rowid at once, the upper one on a second connection,
  // each half with a budget as `clock`.
  std::vector<KeptRow> KeepBest(const std::string& match, std::size_t limit, bool withPositions,
                                const QueryClock& clock, int& rc, bool& finished);
  // The second connection, opened on first use; null where the index lives
  // in memory or the file is no longer the one db_ reads.
  sqlite3* SecondConnection();
  // Runs `work` as part 0 of 2 on db_ while part 1 of 2 runs on the second
  // connection in a thread of its own, where `split` and the index is large
  // enough for that to pay; else as part 0 of 1 on db_. The first failure.
  int InTwoParts(bool split, const std::function<int(sqlite3* db, int part, int parts)>& work);
  static void KeepFunction(const Fts5ExtensionApi* api, Fts5Context* ctx, sqlite3_context* out, int argc,
                           sqlite3_value** argv);
  // The hits of `best`, in its order, from their rows of `files` (a page
  // gone since is left out), each with the row it came from.
  int HitsOf(const std::vector<KeptRow>& best, std::vector<std::pair<const KeptRow*, Hit>>& hits);
  // The best `limit` matches of `match`, without snippets, added to `hits`
  // in rank order; false when the query's budget ran out first.
  bool CollectBest(const std::string& match, std::size_t limit, const QueryClock& clock, int& rc,
                   std::vector<Hit>& hits);
  static void SnippetFunction(const Fts5ExtensionApi* api, Fts5Context* ctx, sqlite3_context* out, int argc,
                              sqlite3_value** argv);
  // With snippets: the best `limit` matches of `match` as CollectBest finds
  // them, with snippets chosen from where their matches lie as quiro_snippet
  // would choose them. Only where each hit's document repeats text: false,
  // with nothing added, where one does not (FTS5's snippet() makes that
  // one's), or where the budget ran out before the first match. Hits whose
  // text the chooser cannot cut go to `uncut`.
  bool CollectKept(const std::string& match, std::size_t limit, const QueryClock& clock, int& rc, bool& finished,
                   std::vector<Hit>& hits, std::vector<std::pair<std::size_t, std::int64_t>>& uncut);
  // The tokenizer and the SQL functions every query of `db` (db_ or the
  // second connection) may use, the same for the user's index and the
  // shared one.
  bool RegisterFunctions(sqlite3* db);

  std::string root_;
  std::string realRoot_;  // its real path: names the index file
  NoteFn note_;
  std::mutex mutex_;  // serialises every use of db_
  sqlite3* db_ = nullptr;
  std::string filePath_;
  bool inMemory_ = false;
  bool readOnly_ = false;
  bool recovered_ = false;
  bool everyoneReads_ = false;  // the shared index: only pages every user may read
  DocumentLengths lengths_;    // for the ranking function
  struct {
    std::map<std::string, Boilerplate> documents;
    std::int64_t dataVersion = -1;
    std::uint64_t generation = 0;
  } boilerplate_;  // by document folder, for the snippets
  struct {
    std::int64_t rowid = -1;
    const Boilerplate* boilerplate = nullptr;
  } lastRow_;  // asked more than once for each row
  std::uint64_t writes_ = 0;   // transactions this object has committed
  struct {
    sqlite3* db = nullptr;
    bool tried = false;  // since db_ was opened
    dev_t device = 0;    // db_'s file
    ino_t inode = 0;
  } second_;  // see SecondConnection()
};

/// The index a search of a root uses: the shared one when OpenShared()
/// accepts it, else the user's own, created as needed (and to be updated by
/// the caller). `why` says why the shared index was not used ("" when it was).
struct ChosenIndex {
  std::unique_ptr<SearchIndex> index;
  std::string why;
};
ChosenIndex ChooseIndex(const std::string& root, NoteFn note = {});

}  // namespace search
