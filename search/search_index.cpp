#include "search/search_index.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <set>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <utility>

#include "builder/catalogue_config.h"
#include "platform/confined.h"
#include "platform/doc_request.h"
#include "platform/hash.h"
#include "platform/xdg.h"
#include "search/cjk_tokenizer.h"
#include "search/fts5_api.h"
#include "search/packed_text.h"
#include "search/page_text.h"
#include "search/text_decode.h"

namespace search {
namespace {

constexpr int kBusyTimeoutMs = 15000;
// How long a reader of the shared index waits on its writer: a viewer must
// not hang on another process's index.
constexpr int kSharedBusyTimeoutMs = 200;
constexpr int kBusyOpenAttempts = 50;
// A write transaction ends after this much page text, so readers in other
// processes and searches on this index wait at most one such batch.
constexpr std::size_t kBatchTextBytes = 4u << 20;
constexpr std::size_t kBatchPages = 256;
// Batches read ahead of the writer: enough to keep both threads busy, few
// enough to bound the memory (each at most kBatchTextBytes of text).
constexpr std::size_t kBatchesAhead = 2;
constexpr int kMaxFolderDepth = 64;
// From this many rows on, a query ranks the two halves of the index at once
// and chooses its snippets on two threads.
constexpr std::size_t kSplitRows = 2048;
// The type name of quiro_keep's state pointer (sqlite3_bind_pointer).
constexpr const char* kKeepPointer = "quiro_keep";
// How many pages of a document tell what its pages repeat, and how much of
// each end of a long page is looked at.
constexpr std::size_t kBoilerplateSample = 16;
constexpr std::size_t kBoilerplateEnds = 8 * 1024;
// Bytes a word of a chosen snippet may take on average; text without blanks
// between its words (Chinese, Japanese) makes longer ones.
constexpr std::size_t kLongestSnippetWord = 24;
// The files of the first layout were named with FNV-1a started from this
// basis (the standard one with a digit lost); such a file of the same root is
// removed when its successor is made.
constexpr std::uint64_t kFirstLayoutNameBasis = 1469598103934665603ull;
constexpr int kFirstLayoutVersion = 1;
// The words of the titles and bodies, with positions (phrases and snippets
// need them). Three-letter prefixes have an index of their own: "qui*"
// would otherwise merge hundreds of words at each query. Indexes of two and
// four letters as well would each cost a fifth of the text's size again for
// little gain in query time.
constexpr const char* kPagesTable =
    "CREATE VIRTUAL TABLE pages USING fts5(title, body, tokenize='quiro', prefix='3',"
    " content='page_text', content_rowid='id')";

// Batches handed from one thread to another, at most `capacity` waiting.
// Push blocks while the queue is full; Pop blocks while it is empty and
// returns false once it is closed and drained, or cancelled.
template <typename T>
class BatchQueue {
 public:
  explicit BatchQueue(std::size_t capacity) : capacity_(capacity) {}
  // False when the queue was cancelled (the item is dropped).
  bool Push(T item) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return cancelled_ || items_.size() < capacity_; });
    if (cancelled_) return false;
    items_.push_back(std::move(item));
    changed_.notify_all();
    return true;
  }
  bool Pop(T& out) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return cancelled_ || closed_ || !items_.empty(); });
    if (cancelled_ || items_.empty()) return false;
    out = std::move(items_.front());
    items_.pop_front();
    changed_.notify_all();
    return true;
  }
  // No more items will come.
  void Close() {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    changed_.notify_all();
  }
  // The taker has stopped: waiting and later pushes return at once.
  void Cancel() {
    std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = true;
    changed_.notify_all();
  }

 private:
  const std::size_t capacity_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<T> items_;
  bool closed_ = false;
  bool cancelled_ = false;
};

// An owned prepared statement.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) { rc_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  bool ok() const { return rc_ == SQLITE_OK; }
  int prepareResult() const { return rc_; }
  sqlite3_stmt* get() const { return stmt_; }
  void Bind(int i, std::int64_t v) { sqlite3_bind_int64(stmt_, i, v); }
  void BindText(int i, std::string_view v) { sqlite3_bind_text(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_STATIC); }
  void BindBlob(int i, std::string_view v) { sqlite3_bind_blob(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_STATIC); }
  int Step() { return sqlite3_step(stmt_); }
  void Reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }
  std::int64_t Int(int col) const { return sqlite3_column_int64(stmt_, col); }
  int Type(int col) const { return sqlite3_column_type(stmt_, col); }
  std::string Text(int col) const {
    const void* p = sqlite3_column_blob(stmt_, col);
    return p ? std::string(static_cast<const char*>(p), static_cast<std::size_t>(sqlite3_column_bytes(stmt_, col)))
             : std::string();
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  int rc_ = SQLITE_OK;
};

int Exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

// The result of a finished statement step: SQLITE_OK for DONE or ROW.
int StepResult(int rc) { return (rc == SQLITE_DONE || rc == SQLITE_ROW) ? SQLITE_OK : rc; }

// Removes entry `id` with its two deletes: its text from the pages and its
// row from the files.
int DropEntry(Statement& dropPage, Statement& dropFile, std::int64_t id) {
  dropPage.Bind(1, id);
  dropFile.Bind(1, id);
  int rc = StepResult(dropPage.Step());
  if (rc == SQLITE_OK) rc = StepResult(dropFile.Step());
  dropPage.Reset();
  dropFile.Reset();
  return rc;
}

bool MakeFolders(const std::string& path, mode_t mode = 0700) {
  for (std::size_t pos = 1; pos <= path.size(); ++pos) {
    if (pos != path.size() && path[pos] != '/') continue;
    const std::string part = path.substr(0, pos);
    if (mkdir(part.c_str(), mode) != 0 && errno != EEXIST) return false;
  }
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string CanonicalRoot(const std::string& root) {
  std::string path = root;
  if (char* real = realpath(root.c_str(), nullptr)) {
    path = real;
    std::free(real);
  }
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

std::int64_t MtimeNs(const struct stat& st) {
  return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

}  // namespace

// One page found by the walk.
struct SearchIndex::PageFile {
  std::string rel;  // path below the root
  std::int64_t size = 0;
  std::int64_t mtime = 0;
  PageKind kind = PageKind::None;
};

namespace {

using Pages = std::vector<std::pair<std::string, std::pair<std::int64_t, std::int64_t>>>;

// Whether the folder open as `fd` has a catalogue of its own: a document set
// of its own below the root, as each language's set lies below the default
// one's. The name alone decides (a link of that name too): leaving a folder
// out is never unsafe.
bool HoldsCatalogue(int fd) {
  for (const char* name : {kCatalogueFileName, "tovy.ini"}) {
    struct stat st {};
    if (fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode))) return true;
  }
  return false;
}

// Every folder is reached through its parent's descriptor and every link is
// followed only where it stays below the root (its real location), as the
// document scheme serves: a link that leads out is not listed, read or
// counted as a page.
struct Walk {
  platform::WriteRoot bound;
  std::set<std::pair<dev_t, ino_t>> seenFolders;
  std::size_t outside = 0;  // links that lead out of the root
  // Only pages every user of the machine may read, in folders every user
  // may enter: what the shared index holds, since every user reads it.
  bool everyoneReads = false;
  std::function<void(std::string, const struct stat&, PageKind)> onPage;

  // Lists the folder open as `fd` (taken over); `rel` is its path below the
  // root ("" for the root).
  void Folder(int fd, const std::string& rel, int depth) {
    DIR* dir = fdopendir(fd);
    if (!dir) {
      close(fd);
      return;
    }
    struct stat self {};
    if (fstat(dirfd(dir), &self) != 0 || !seenFolders.emplace(self.st_dev, self.st_ino).second) {
      closedir(dir);  // a folder reached again through a link
      return;
    }
    std::vector<std::string> folders;
    while (const dirent* ent = readdir(dir)) {
      const char* name = ent->d_name;
      if (name[0] == '.') continue;
      const PageKind kind = depth == 0 ? PageKind::None : KindOfPage(name);
      const bool maybeFolder = ent->d_type == DT_DIR || ent->d_type == DT_LNK || ent->d_type == DT_UNKNOWN;
      if (kind == PageKind::None && !maybeFolder) continue;
      struct stat st {};
      if (fstatat(dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
      if (S_ISLNK(st.st_mode)) {
        const int target = platform::OpenBelow(dirfd(dir), name, O_PATH, bound);
        if (target < 0) {
          if (errno == EXDEV) ++outside;
          continue;
        }
        const bool ok = fstat(target, &st) == 0;
        close(target);
        if (!ok) continue;
      }
      const mode_t everyone = S_ISDIR(st.st_mode) ? S_IROTH | S_IXOTH : S_IROTH;
      if (everyoneReads && (st.st_mode & everyone) != everyone) continue;
      if (S_ISDIR(st.st_mode)) {
        if (depth < kMaxFolderDepth) folders.emplace_back(name);
      } else if (S_ISREG(st.st_mode) && kind != PageKind::None) {
        onPage(rel + name, st, kind);
      }
    }
    for (const std::string& name : folders) {
      const int sub = platform::OpenBelow(dirfd(dir), name, O_RDONLY | O_DIRECTORY, bound);
      if (sub < 0) continue;
      if (depth == 0 && HoldsCatalogue(sub)) {
        close(sub);  // another document set (one language's), indexed on its own
        continue;
      }
      Folder(sub, rel + name + "/", depth + 1);
    }
    closedir(dir);
  }
};

constexpr int kBodyColumn = 1;  // of the full-text table: title, body

// FTS5's snippet of a hit's body, with its matches marked as highlight()
// marks them and "…" where the text is cut.
const std::string& Fts5Snippet() {
  static const std::string expression = "snippet(pages, " + std::to_string(kBodyColumn) +
                                        ", char(1), char(2), '\xE2\x80\xA6', " + std::to_string(kSnippetWords) + ")";
  return expression;
}

bool IsDamage(int rc) {
  const int primary = rc & 0xFF;
  return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB || primary == SQLITE_CANTOPEN ||
         primary == SQLITE_READONLY || primary == SQLITE_IOERR || primary == SQLITE_PERM ||
         primary == SQLITE_FULL;
}

const char* DescribeDamage(int rc) {
  switch (rc & 0xFF) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return "is damaged";
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
      return "cannot be opened";
    case SQLITE_READONLY:
      return "cannot be written";
    case SQLITE_FULL:
      return "cannot grow (disk full)";
    case SQLITE_IOERR:
      return "cannot be read or written";
    default:
      return "cannot be used";
  }
}

}  // namespace

namespace {

// The hash of the root's real path names the file, with the layout version.
std::string IndexFileName(const std::string& root, int version = kSchemaVersion) {
  return platform::Hex16(platform::Fnv1a64(CanonicalRoot(root))) + "-v" + std::to_string(version) + ".db";
}

// The document folder a page of the root belongs to ("" for a page of the
// root itself, which belongs to none).
std::string DocumentOf(const std::string& rel) {
  const std::size_t slash = rel.find('/');
  return slash == std::string::npos ? std::string() : rel.substr(0, slash);
}

void RemoveDatabase(const std::string& path) {
  for (const char* suffix : {"", "-journal", "-wal", "-shm"}) unlink((path + suffix).c_str());
}

// The files of `folder` that earlier layouts kept for `root` (from the
// second on: the first was named otherwise), which the current one replaces.
void RemoveEarlierLayouts(const std::string& folder, const std::string& root) {
  for (int version = kFirstLayoutVersion + 1; version < kSchemaVersion; ++version)
    RemoveDatabase(folder + "/" + IndexFileName(root, version));
}

// Copies the regular file `from` (if there is one) into `to`; false on a
// read or write error.
bool CopyInto(const std::string& from, int to) {
  const platform::UniqueFd in(open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
  struct stat st {};
  if (!in || fstat(in.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return true;
  char buffer[1 << 16];
  for (;;) {
    const ssize_t got = read(in.Get(), buffer, sizeof buffer);
    if (got == 0) return true;
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = write(to, buffer + done, static_cast<std::size_t>(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return false;
      done += put;
    }
  }
}

}  // namespace

std::string SearchIndex::IndexPathFor(const std::string& root) {
  const std::string cache = platform::CacheHome();
  if (cache.empty()) return {};
  return cache + "/quiro/search/" + IndexFileName(root);
}

std::string SharedIndexFolder() {
  const char* dir = std::getenv("QUIRO_SHARED_INDEX_DIR");
  std::string folder = dir && *dir ? dir : "/var/cache/quiro/search";
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string SearchIndex::SharedIndexPathFor(const std::string& root) {
  return SharedIndexFolder() + "/" + IndexFileName(root);
}

SearchIndex::SearchIndex(std::string root, NoteFn note, const std::string& file, bool readOnly, SharedTag)
    : root_(std::move(root)),
      realRoot_(CanonicalRoot(root_)),
      note_(std::move(note)),
      readOnly_(readOnly),
      everyoneReads_(true) {
  if (root_.empty() || root_.back() != '/') root_ += '/';
  if (readOnly_) return;  // OpenReadOnly() follows
  int rc = SQLITE_OK;
  if (!OpenFile(file, rc) && !Recover(rc)) Close();
}

std::unique_ptr<SearchIndex> SearchIndex::OpenShared(const std::string& root, std::string& why) {
  const std::string path = SharedIndexPathFor(root);
  std::unique_ptr<SearchIndex> index(new SearchIndex(root, {}, path, true, SharedTag{}));
  std::string reason;
  if (index->OpenReadOnly(path, reason)) {
    why.clear();
    return index;
  }
  why = "the shared search index " + path + " is not used: " + reason;
  return nullptr;
}

bool SearchIndex::OpenReadOnly(const std::string& path, std::string& why) {
  filePath_ = path;
  const platform::UniqueFd fd(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
  if (!fd) {
    why = errno == ENOENT ? "there is none" : std::string("it cannot be opened (") + std::strerror(errno) + ")";
    return false;
  }
  struct stat st {};
  if (fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    why = "it is no regular file";
    return false;
  }
  // Whoever may write the file decides what the searches of its readers find.
  if (st.st_uid != 0 && st.st_uid != geteuid()) {
    why = "it belongs to another user";
    return false;
  }
  if ((st.st_mode & 022) != 0) {
    why = "other users may write it";
    return false;
  }
  // A database with a write-ahead log would need its readers to write.
  unsigned char header[100] = {};
  if (pread(fd.Get(), header, sizeof header, 0) != static_cast<ssize_t>(sizeof header) ||
      std::memcmp(header, "SQLite format 3", 16) != 0) {
    why = "it is damaged (no index database)";
    return false;
  }
  if (header[18] != 1 || header[19] != 1) {
    why = "it is not in the shared form (it keeps a write-ahead log)";
    return false;
  }
  int rc = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
  struct stat again {};
  if (rc == SQLITE_OK && (stat(path.c_str(), &again) != 0 || again.st_ino != st.st_ino || again.st_dev != st.st_dev)) {
    why = "it was replaced while being opened";
    Close();
    return false;
  }
  if (rc == SQLITE_OK) {
    sqlite3_busy_timeout(db_, kSharedBusyTimeoutMs);
    if (!RegisterFunctions(db_)) rc = SQLITE_ERROR;
    second_.device = st.st_dev;
    second_.inode = st.st_ino;
  }
  std::int64_t version = -1;
  if (rc == SQLITE_OK) {
    Statement v(db_, "PRAGMA user_version");
    rc = v.prepareResult();
    if (rc == SQLITE_OK) rc = v.Step() == SQLITE_ROW ? SQLITE_OK : SQLITE_CORRUPT;
    if (rc == SQLITE_OK) version = v.Int(0);
  }
  if (rc == SQLITE_OK && version != kSchemaVersion) {
    why = "it is of another layout (version " + std::to_string(version) + ", this program reads version " +
          std::to_string(kSchemaVersion) + ")";
    Close();
    return false;
  }
  std::string indexedRoot;
  if (rc == SQLITE_OK) {
    Statement meta(db_, "SELECT value FROM meta WHERE key = 'root'");
    rc = meta.prepareResult();
    if (rc == SQLITE_OK) {
      const int step = meta.Step();
      if (step == SQLITE_ROW) indexedRoot = meta.Text(0);
      rc = StepResult(step);
    }
  }
  if (rc == SQLITE_OK && indexedRoot != realRoot_) {
    why = "it indexes another root (" + indexedRoot + ")";
    Close();
    return false;
  }
  const std::size_t changed = rc == SQLITE_OK ? CountChanged(rc) : 0;
  if (rc != SQLITE_OK) {
    why = std::string("it cannot be read (") + sqlite3_errstr(rc) + ")";
    Close();
    return false;
  }
  if (changed > 0) {
    why = "it is stale (" + std::to_string(changed) + (changed == 1 ? " page" : " pages") +
          " changed since it was built)";
    Close();
    return false;
  }
  return true;
}

std::size_t SearchIndex::CountChanged(int& rc) {
  rc = SQLITE_OK;
  std::unordered_map<std::string, std::pair<std::int64_t, std::int64_t>> indexed;  // path -> (size, mtime)
  {
    Statement rows(db_, "SELECT path, size, mtime FROM files");
    if (!rows.ok()) {
      rc = rows.prepareResult();
      return 0;
    }
    int step;
    while ((step = rows.Step()) == SQLITE_ROW) indexed.emplace(rows.Text(0), std::make_pair(rows.Int(1), rows.Int(2)));
    if (step != SQLITE_DONE) {
      rc = step;
      return 0;
    }
  }
  std::size_t changed = 0;
  Walk walk;
  walk.bound = platform::WriteRoot(root_);
  walk.everyoneReads = everyoneReads_;
  walk.onPage = [&](std::string rel, const struct stat& st, PageKind) {
    auto it = indexed.find(rel);
    if (it == indexed.end() || it->second != std::make_pair(static_cast<std::int64_t>(st.st_size), MtimeNs(st))) {
      ++changed;
    }
    if (it != indexed.end()) indexed.erase(it);
  };
  const int rootFd = walk.bound.IsSet() ? open(walk.bound.Real().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
  if (rootFd >= 0) walk.Folder(rootFd, "", 0);
  return changed + indexed.size();  // the second: pages that are gone
}

bool SearchIndex::BuildShared(const std::string& root, NoteFn note) {
  auto say = [&note](const std::string& text) {
    if (note) note(text);
  };
  const std::string path = SharedIndexPathFor(root);
  const std::string folder = path.substr(0, path.rfind('/'));
  if (!MakeFolders(folder, 0755)) {
    say("quiro: cannot create the folder of the shared search index " + folder);
    return false;
  }
  RemoveEarlierLayouts(folder, root);
  // The new state is made beside the old one (a run that was stopped may
  // have left one) and replaces it whole.
  const std::string temp = path + ".new";
  RemoveDatabase(temp);
  {
    const platform::UniqueFd out(open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!out) {
      say("quiro: cannot create " + temp + " (" + std::strerror(errno) + "); the shared search index was not made");
      return false;
    }
    // An unreadable old index is no loss: the new one starts afresh.
    if (!CopyInto(path, out.Get()) && ftruncate(out.Get(), 0) != 0) {
      say("quiro: cannot write " + temp + "; the shared search index was not made");
      RemoveDatabase(temp);
      return false;
    }
  }
  bool ok = false;
  {
    SearchIndex index(root, note, temp, false, SharedTag{});
    ok = index.db_ != nullptr && !index.InMemory() && index.Update().complete;
    if (ok) {
      std::lock_guard<std::mutex> lock(index.mutex_);
      Statement mode(index.db_, "PRAGMA journal_mode=DELETE");
      ok = mode.ok() && mode.Step() == SQLITE_ROW && mode.Text(0) == "delete";
    }
  }
  ok = ok && chmod(temp.c_str(), 0644) == 0 && rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    RemoveDatabase(temp);
    say("quiro: the shared search index " + path + " could not be made; users index the root themselves");
  }
  return ok;
}

ChosenIndex ChooseIndex(const std::string& root, NoteFn note) {
  ChosenIndex chosen;
  chosen.index = SearchIndex::OpenShared(root, chosen.why);
  if (!chosen.index) chosen.index = std::make_unique<SearchIndex>(root, std::move(note));
  return chosen;
}

namespace {

// The first layout's file for `root`, which the current one replaces.
std::string FirstLayoutPathFor(const std::string& root) {
  const std::string cache = platform::CacheHome();
  if (cache.empty()) return {};
  const std::string name = platform::Hex16(platform::Fnv1a64(CanonicalRoot(root), kFirstLayoutNameBasis));
  return cache + "/quiro/search/" + name + "-v" + std::to_string(kFirstLayoutVersion) + ".db";
}

}  // namespace

SearchIndex::SearchIndex(std::string root, NoteFn note)
    : root_(std::move(root)), realRoot_(CanonicalRoot(root_)), note_(std::move(note)) {
  if (root_.empty() || root_.back() != '/') root_ += '/';
  const std::string path = IndexPathFor(root_);
  if (path.empty()) {
    Note("quiro: no cache folder ($XDG_CACHE_HOME or $HOME) for the search index; searching from memory");
    OpenInMemory();
    return;
  }
  if (!MakeFolders(path.substr(0, path.rfind('/')))) {
    Note("quiro: cannot create the folder of the search index " + path + "; searching from memory");
    OpenInMemory();
    return;
  }
  // The earlier layouts' files of this root are of no more use.
  if (const std::string old = FirstLayoutPathFor(root_); !old.empty()) {
    for (const char* suffix : {"", "-wal", "-shm"}) unlink((old + suffix).c_str());
  }
  RemoveEarlierLayouts(path.substr(0, path.rfind('/')), root_);
  // Another process creating the file or turning it to WAL can make SQLite
  // refuse at once, without its busy wait (it does not wait where waiting
  // could deadlock); such a refusal is worth a few more tries.
  int rc = SQLITE_OK;
  bool opened = OpenFile(path, rc);
  for (int attempt = 1; !opened && (rc & 0xFF) == SQLITE_BUSY && attempt < kBusyOpenAttempts; ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    opened = OpenFile(path, rc);
  }
  if (opened || Recover(rc)) return;
  // Busy beyond the timeout, or another failure a new file would not mend.
  Note("quiro: the search index " + path + " cannot be used (" + sqlite3_errstr(rc) + "); searching from memory");
  OpenInMemory();
}

SearchIndex::~SearchIndex() { Close(); }

void SearchIndex::Note(const std::string& text) const {
  if (note_) note_(text);
}

void SearchIndex::Close() {
  if (db_) sqlite3_close_v2(db_);
  db_ = nullptr;
  if (second_.db) sqlite3_close_v2(second_.db);
  second_ = {};
}

bool SearchIndex::OpenFile(const std::string& path, int& rc) {
  Close();
  filePath_ = path;
  inMemory_ = false;
  rc = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc == SQLITE_OK) {
    // A file that is not the caller's own (or not a regular file) is not used.
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) rc = SQLITE_CANTOPEN;
    second_.device = st.st_dev;
    second_.inode = st.st_ino;
  }
  if (rc == SQLITE_OK && Prepare(rc)) return true;
  Close();
  return false;
}

void SearchIndex::OpenInMemory() {
  Close();
  filePath_.clear();
  inMemory_ = true;
  int rc = sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK || !Prepare(rc)) {
    Note("quiro: the search index cannot be made even in memory; search finds nothing");
    Close();
  }
}

bool SearchIndex::Prepare(int& rc) {
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  lengths_ = DocumentLengths();
  if (!RegisterFunctions(db_)) {
    rc = SQLITE_ERROR;
    return false;
  }
  if (!inMemory_) {
    Statement wal(db_, "PRAGMA journal_mode=WAL");
    rc = wal.prepareResult();
    if (rc != SQLITE_OK) return false;
    rc = wal.Step();
    if (rc != SQLITE_ROW) return false;
    if (wal.Text(0) != "wal") {
      rc = SQLITE_READONLY;
      return false;
    }
    rc = Exec(db_, "PRAGMA synchronous=NORMAL");
    if (rc != SQLITE_OK) return false;
  }
  rc = Exec(db_, "BEGIN IMMEDIATE");
  if (rc != SQLITE_OK) return false;
  auto finish = [&](int result) {
    rc = result;
    Exec(db_, rc == SQLITE_OK ? "COMMIT" : "ROLLBACK");
    if (rc == SQLITE_OK && sqlite3_get_autocommit(db_) == 0) rc = SQLITE_ERROR;
    return rc == SQLITE_OK;
  };
  std::int64_t version = 0;
  {
    Statement v(db_, "PRAGMA user_version");
    if (!v.ok()) return finish(v.prepareResult());
    const int step = v.Step();
    if (step != SQLITE_ROW) return finish(step);
    version = v.Int(0);
  }
  if (version == kSchemaVersion) {
    Statement meta(db_, "SELECT value FROM meta WHERE key = 'root'");
    if (!meta.ok()) return finish(meta.prepareResult());
    const int step = meta.Step();
    if (step != SQLITE_ROW && step != SQLITE_DONE) return finish(step);
    if (step == SQLITE_ROW && meta.Text(0) == realRoot_) return finish(SQLITE_OK);
  }
  // A new file, another layout, or another root: start afresh.
  static const char* kSchema[] = {
      "DROP TABLE IF EXISTS pages",
      "DROP TABLE IF EXISTS repeats",
      "DROP VIEW IF EXISTS page_text",
      "DROP TABLE IF EXISTS texts",
      "DROP TABLE IF EXISTS files",
      "DROP TABLE IF EXISTS meta",
      "CREATE TABLE meta(key TEXT PRIMARY KEY, value BLOB)",
      "CREATE TABLE files(id INTEGER PRIMARY KEY, path BLOB NOT NULL UNIQUE, size INTEGER NOT NULL,"
      " mtime INTEGER NOT NULL, title TEXT NOT NULL)",
      // The indexed text of each page, its body deflated; the full-text table
      // reads it through the view (for snippets, and to take an entry's words
      // out of the index). A file's row takes its text along when dropped.
      "CREATE TABLE texts(id INTEGER PRIMARY KEY, title TEXT NOT NULL, body BLOB NOT NULL)",
      "CREATE VIEW page_text(id, title, body) AS SELECT id, title, quiro_inflate(body) FROM texts",
      "CREATE TRIGGER files_dropped AFTER DELETE ON files BEGIN DELETE FROM texts WHERE id = old.id; END",
      kPagesTable,
      // What the pages of each document folder repeat (Boilerplate::Pack),
      // kept by the update so that no search has to sample pages for it.
      "CREATE TABLE repeats(document BLOB PRIMARY KEY, runs BLOB NOT NULL)",
      // bm25 with a title match worth ten body matches.
      "INSERT INTO pages(pages, rank) VALUES('rank', 'quiro_bm25(10.0, 1.0)')",
  };
  for (const char* sql : kSchema) {
    if (int r = Exec(db_, sql)) return finish(r);
  }
  {
    Statement meta(db_, "INSERT INTO meta(key, value) VALUES('root', ?1)");
    meta.BindBlob(1, realRoot_);
    if (int r = StepResult(meta.Step())) return finish(r);
  }
  const std::string setVersion = "PRAGMA user_version=" + std::to_string(kSchemaVersion);
  return finish(Exec(db_, setVersion.c_str()));
}

bool SearchIndex::Recover(int rc) {
  if (!IsDamage(rc)) return false;
  if (readOnly_) {
    // Not this process's to mend: its readers search nothing.
    Note("quiro: the shared search index " + filePath_ + " " + DescribeDamage(rc));
    return false;
  }
  const std::string path = filePath_.empty() ? IndexPathFor(root_) : filePath_;
  if (inMemory_) {
    if (!db_) return false;
    Note(std::string("quiro: the search index in memory failed (") + sqlite3_errstr(rc) + ")");
    return false;
  }
  Close();
  if (!recovered_ && (rc & 0xFF) != SQLITE_FULL) {
    recovered_ = true;
    Note("quiro: the search index " + path + " " + DescribeDamage(rc) + "; building it again");
    for (const char* suffix : {"", "-wal", "-shm"}) unlink((path + suffix).c_str());
    int again = SQLITE_OK;
    if (OpenFile(path, again)) return true;
    rc = again;
  }
  Note("quiro: the search index " + path + " " + DescribeDamage(rc) + "; searching from memory");
  OpenInMemory();
  return db_ != nullptr;
}

UpdateStats SearchIndex::Update(UpdateProgress* progress, const std::function<bool()>& stop) {
  if (readOnly_) {
    UpdateStats current;
    current.complete = true;
    return current;
  }
  for (int attempt = 0;; ++attempt) {
    int rc = SQLITE_OK;
    UpdateStats stats = UpdateOnce(progress, stop, rc);
    if (rc == SQLITE_OK || attempt >= 2) return stats;
    std::lock_guard<std::mutex> lock(mutex_);
    if (!Recover(rc)) return stats;
  }
}

UpdateStats SearchIndex::UpdateOnce(UpdateProgress* progress, const std::function<bool()>& stop, int& rc) {
  UpdateStats stats;
  rc = SQLITE_OK;
  if (progress) {
    progress->done = 0;
    progress->total = 0;
  }
  std::vector<PageFile> found;
  Walk walk;
  walk.bound = platform::WriteRoot(root_);
  walk.everyoneReads = everyoneReads_;
  walk.onPage = [&](std::string rel, const struct stat& st, PageKind kind) {
    found.push_back(PageFile{std::move(rel), static_cast<std::int64_t>(st.st_size), MtimeNs(st), kind});
  };
  // Pages are read through the root's descriptor too, each checked again
  // when opened: a name swapped for a link since the walk cannot lead out.
  const platform::UniqueFd rootDir(
      walk.bound.IsSet() ? open(walk.bound.Real().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1);
  const int rootFd = rootDir.Get();
  if (rootDir) walk.Folder(fcntl(rootFd, F_DUPFD_CLOEXEC, 0), "", 0);
  stats.pages = found.size();
  stats.outside = walk.outside;

  std::unique_lock<std::mutex> lock(mutex_);
  if (!db_) return stats;
  // What the index holds now.
  std::unordered_map<std::string, std::pair<std::int64_t, std::int64_t>> indexed;  // path -> (size, mtime)
  std::unordered_map<std::string, std::int64_t> ids;
  {
    Statement rows(db_, "SELECT id, path, size, mtime FROM files");
    if (!rows.ok()) {
      rc = rows.prepareResult();
      return stats;
    }
    int step;
    while ((step = rows.Step()) == SQLITE_ROW) {
      std::string path = rows.Text(1);
      ids.emplace(path, rows.Int(0));
      indexed.emplace(std::move(path), std::make_pair(rows.Int(2), rows.Int(3)));
    }
    if (step != SQLITE_DONE) {
      rc = step;
      return stats;
    }
  }
  std::vector<const PageFile*> toRead;
  for (const PageFile& page : found) {
    auto it = indexed.find(page.rel);
    if (it != indexed.end()) {
      const bool same = it->second == std::make_pair(page.size, page.mtime);
      indexed.erase(it);
      if (same) continue;
    }
    toRead.push_back(&page);
  }
  if (progress) progress->total = toRead.size();
  // The document folders whose pages this update changes: what they repeat
  // is stored again at its end.
  std::set<std::string> touched;
  auto touch = [&touched](const std::string& rel) {
    if (std::string document = DocumentOf(rel); !document.empty()) touched.insert(std::move(document));
  };

  // Entries whose pages are gone.
  if (!indexed.empty()) {
    if ((rc = Exec(db_, "BEGIN IMMEDIATE")) != SQLITE_OK) return stats;
    Statement dropPage(db_, "DELETE FROM pages WHERE rowid = ?1");
    Statement dropFile(db_, "DELETE FROM files WHERE id = ?1");
    rc = dropPage.ok() ? dropFile.prepareResult() : dropPage.prepareResult();
    for (auto it = indexed.begin(); rc == SQLITE_OK && it != indexed.end(); ++it) {
      rc = DropEntry(dropPage, dropFile, ids[it->first]);
      touch(it->first);
    }
    Exec(db_, rc == SQLITE_OK ? "COMMIT" : "ROLLBACK");
    ++writes_;
    if (rc != SQLITE_OK) return stats;
    stats.removed = indexed.size();
  }
  lock.unlock();

  // New and changed pages, read outside the lock and written in batches.
  struct Read {
    const PageFile* page;
    bool ok;
    PageText text;
    std::string packed;  // text.body deflated
  };
  std::vector<Read> batch;
  auto writeBatch = [&]() -> int {
    std::lock_guard<std::mutex> guard(mutex_);
    if (!db_) return SQLITE_ERROR;
    int r = Exec(db_, "BEGIN IMMEDIATE");
    if (r != SQLITE_OK) return r;
    Statement find(db_, "SELECT id, size, mtime FROM files WHERE path = ?1");
    Statement dropPage(db_, "DELETE FROM pages WHERE rowid = ?1");
    Statement dropFile(db_, "DELETE FROM files WHERE id = ?1");
    Statement update(db_, "UPDATE files SET size = ?2, mtime = ?3, title = ?4 WHERE id = ?1");
    Statement insert(db_, "INSERT INTO files(path, size, mtime, title) VALUES(?1, ?2, ?3, ?4)");
    Statement stored(db_, "INSERT OR REPLACE INTO texts(id, title, body) VALUES(?1, ?2, ?3)");
    Statement text(db_, "INSERT INTO pages(rowid, title, body) VALUES(?1, ?2, ?3)");
    for (const Statement* s : {&find, &dropPage, &dropFile, &update, &insert, &stored, &text}) {
      if (!s->ok()) r = s->prepareResult();
    }
    for (Read& item : batch) {
      if (r != SQLITE_OK) break;
      const PageFile& page = *item.page;
      touch(page.rel);
      find.BindBlob(1, page.rel);
      const int step = find.Step();
      const bool exists = step == SQLITE_ROW;
      const std::int64_t id = exists ? find.Int(0) : 0;
      const bool current = exists && find.Int(1) == page.size && find.Int(2) == page.mtime;
      find.Reset();
      if ((r = StepResult(step)) != SQLITE_OK) break;
      if (!item.ok) {
        ++stats.unreadable;  // gone or unreadable now: no entry
        if (exists) r = DropEntry(dropPage, dropFile, id);
        continue;
      }
      ++stats.read;
      if (current) continue;  // another process has just indexed it
      // A page without a title is shown by its file name and found by it
      // without the extension.
      std::string title = item.text.title;
      std::string indexedTitle = item.text.title;
      if (title.empty()) {
        title = SanitizeUtf8(page.rel.substr(page.rel.rfind('/') + 1));
        indexedTitle = title.substr(0, title.rfind('.'));
      }
      std::int64_t rowid = id;
      if (exists) {
        dropPage.Bind(1, id);
        r = StepResult(dropPage.Step());
        dropPage.Reset();
        update.Bind(1, id);
        update.Bind(2, page.size);
        update.Bind(3, page.mtime);
        update.BindText(4, title);
        if (r == SQLITE_OK) r = StepResult(update.Step());
        update.Reset();
      } else {
        insert.BindBlob(1, page.rel);
        insert.Bind(2, page.size);
        insert.Bind(3, page.mtime);
        insert.BindText(4, title);
        r = StepResult(insert.Step());
        insert.Reset();
        rowid = sqlite3_last_insert_rowid(db_);
      }
      if (r != SQLITE_OK) break;
      stored.Bind(1, rowid);
      stored.BindText(2, indexedTitle);
      stored.BindBlob(3, item.packed);
      r = StepResult(stored.Step());
      stored.Reset();
      if (r != SQLITE_OK) break;
      text.Bind(1, rowid);
      text.BindText(2, indexedTitle);
      text.BindText(3, item.text.body);
      r = StepResult(text.Step());
      text.Reset();
    }
    Exec(db_, r == SQLITE_OK ? "COMMIT" : "ROLLBACK");
    ++writes_;
    return r;
  };

  // Pages are read and their text taken on a thread of its own while this
  // one writes the batches already read: the two halves of the work overlap
  // on two cores. At most kBatchesAhead batches wait between them.
  BatchQueue<std::vector<Read>> queue(kBatchesAhead);
  bool stopped = false;
  std::thread reader([&] {
    std::vector<Read> next;
    std::size_t nextBytes = 0;
    for (const PageFile* page : toRead) {
      if (stop && stop()) {
        stopped = true;
        break;
      }
      Read item{page, false, {}, {}};
      item.ok = ReadPageText(platform::OpenBelow(rootFd, page->rel, O_RDONLY | O_NONBLOCK, walk.bound), page->kind,
                             item.text);
      if (item.ok) item.packed = PackText(item.text.body);
      nextBytes += item.text.body.size() + item.text.title.size() + 64;
      next.push_back(std::move(item));
      if (nextBytes >= kBatchTextBytes || next.size() >= kBatchPages) {
        if (!queue.Push(std::move(next))) return;  // the writer gave up
        next.clear();
        nextBytes = 0;
      }
    }
    if (!next.empty()) queue.Push(std::move(next));
    queue.Close();
  });
  while (queue.Pop(batch)) {
    if ((rc = writeBatch()) != SQLITE_OK) break;
    if (progress) progress->done += batch.size();
    batch.clear();
  }
  queue.Cancel();
  reader.join();
  if (rc == SQLITE_OK && !touched.empty()) {
    lock.lock();
    rc = db_ ? StoreRepeats(touched) : SQLITE_ERROR;
  }
  if (rc != SQLITE_OK) return stats;
  stats.complete = !stopped;
  return stats;
}

int SearchIndex::StoreRepeats(const std::set<std::string>& documents) {
  int rc = Exec(db_, "BEGIN IMMEDIATE");
  if (rc != SQLITE_OK) return rc;
  Statement store(db_, "INSERT OR REPLACE INTO repeats(document, runs) VALUES(?1, ?2)");
  Statement drop(db_, "DELETE FROM repeats WHERE document = ?1");
  rc = store.ok() ? drop.prepareResult() : store.prepareResult();
  for (auto it = documents.begin(); rc == SQLITE_OK && it != documents.end(); ++it) {
    bool anyPage = false;
    const std::string runs = SampleBoilerplate(*it, &anyPage).Pack();
    Statement& step = anyPage ? store : drop;
    step.BindBlob(1, *it);
    if (anyPage) step.BindBlob(2, runs);
    rc = StepResult(step.Step());
    step.Reset();
  }
  Exec(db_, rc == SQLITE_OK ? "COMMIT" : "ROLLBACK");
  ++writes_;
  return rc;
}

// Ends a running query (through SQLite's progress handler) once its budget
// is spent.
struct SearchIndex::QueryClock {
  std::chrono::steady_clock::time_point deadline;
  std::uint64_t stepsLeft = 0;  // 0: no count
  bool counted = false;

  static int Check(void* data) {
    auto* clock = static_cast<QueryClock*>(data);
    if (clock->counted) {
      if (clock->stepsLeft == 0) return 1;  // and so on until the clock is started again
      --clock->stepsLeft;
    }
    return std::chrono::steady_clock::now() >= clock->deadline ? 1 : 0;
  }
};

const Boilerplate& SearchIndex::BoilerplateOf(const std::string& document) {
  auto known = boilerplate_.documents.find(document);
  if (known != boilerplate_.documents.end()) return known->second;
  Statement stored(db_, "SELECT runs FROM repeats WHERE document = ?1");
  if (stored.ok()) {
    stored.BindBlob(1, document);
    if (stored.Step() == SQLITE_ROW)
      return boilerplate_.documents.emplace(document, Boilerplate::Unpack(stored.Text(0))).first->second;
  }
  // Not stored (an update cut short before its end): from the pages.
  return boilerplate_.documents.emplace(document, SampleBoilerplate(document)).first->second;
}

Boilerplate SearchIndex::SampleBoilerplate(const std::string& document, bool* anyPage) {
  // A sample of the document's pages; headers sit at a page's start and
  // footers at its end, so a long page gives both ends.
  std::vector<std::string> bodies;
  Statement pages(db_,
                  "SELECT quiro_inflate(body) FROM texts WHERE id IN"
                  " (SELECT id FROM files WHERE path >= ?1 AND path < ?2 ORDER BY id LIMIT ?3)");
  const std::string from = document + "/", to = document + "0";  // '0' follows '/'
  if (pages.ok() && !document.empty()) {
    pages.BindBlob(1, from);
    pages.BindBlob(2, to);
    pages.Bind(3, static_cast<std::int64_t>(kBoilerplateSample));
    while (pages.Step() == SQLITE_ROW) {
      std::string body = pages.Text(0);
      if (body.size() > 2 * kBoilerplateEnds)
        body = body.substr(0, kBoilerplateEnds) + " " + body.substr(body.size() - kBoilerplateEnds);
      bodies.push_back(std::move(body));
    }
  }
  if (anyPage) *anyPage = !bodies.empty();
  return Boilerplate::FromPages(bodies);
}

const Boilerplate* SearchIndex::RowBoilerplate(std::int64_t rowid) {
  if (rowid == lastRow_.rowid) return lastRow_.boilerplate;
  const Boilerplate* boilerplate = nullptr;
  Statement file(db_, "SELECT path FROM files WHERE id = ?1");
  if (file.ok()) {
    file.Bind(1, rowid);
    if (file.Step() == SQLITE_ROW) boilerplate = &BoilerplateOf(DocumentOf(file.Text(0)));
  }
  lastRow_ = {rowid, boilerplate};
  return boilerplate;
}

void SearchIndex::RepeatsFunction(sqlite3_context* context, int, sqlite3_value** argv) {
  auto* index = static_cast<SearchIndex*>(sqlite3_user_data(context));
  const Boilerplate* boilerplate = index->RowBoilerplate(sqlite3_value_int64(argv[0]));
  sqlite3_result_int(context, boilerplate && !boilerplate->Empty() ? 1 : 0);
}

namespace {

// Whether some document of the index repeats text on its pages (a document
// whose pages repeat nothing has a row with no runs).
bool AnyRepeats(sqlite3* db) {
  Statement any(db, "SELECT 1 FROM repeats WHERE length(runs) > 0 LIMIT 1");
  return any.ok() && any.Step() == SQLITE_ROW;
}

// The hit of a page from its row of `files` (path, title).
Hit HitOf(const std::string& root, const Statement& file) {
  Hit hit;
  const std::string rel = file.Text(0);
  hit.path = root + rel;
  hit.title = file.Text(1);
  hit.document = rel.substr(0, rel.find('/'));
  return hit;
}

using TokenFn = int (*)(void*, int, const char*, int, int, int);

// The first and last token of each of the body's matches, as highlight()
// marks them: each phrase match from its first token to its last, matches
// that overlap joined.
int BodyMatchTokens(const Fts5ExtensionApi* api, Fts5Context* ctx, std::vector<ByteRange>& tokens) {
  int count = 0;
  int rc = api->xInstCount(ctx, &count);
  for (int i = 0; rc == SQLITE_OK && i < count; ++i) {
    int phrase = 0, column = 0, offset = 0;
    rc = api->xInst(ctx, i, &phrase, &column, &offset);
    if (rc != SQLITE_OK || column != kBodyColumn || offset < 0) continue;
    const std::size_t first = static_cast<std::size_t>(offset);
    const std::size_t last = first + static_cast<std::size_t>(std::max(1, api->xPhraseSize(ctx, phrase))) - 1;
    if (!tokens.empty() && first <= tokens.back().end)
      tokens.back().end = std::max(tokens.back().end, last);
    else
      tokens.push_back({first, last});
  }
  return rc;
}

// Where the matches of BodyMatchTokens lie in the body's text, through
// `tokenize(context, onToken)`, which passes the text's tokens as FTS5's
// auxiliary functions see them. The text is read only as far as the last
// match.
template <typename Tokenize>
int MatchBytes(const std::vector<ByteRange>& positions, Tokenize tokenize, std::vector<ByteRange>& matches) {
  if (positions.empty()) return SQLITE_OK;
  struct Tokens {
    const std::vector<ByteRange>* positions;
    std::vector<ByteRange>* matches;
    std::size_t next = 0;  // the match whose tokens are looked for
    std::size_t position = 0;
  } tokens{&positions, &matches};
  TokenFn onToken = [](void* p, int flags, const char*, int, int start, int end) {
    auto* t = static_cast<Tokens*>(p);
    if (flags & FTS5_TOKEN_COLOCATED) return SQLITE_OK;
    // unicode61 takes SQLITE_DONE for the end of its text and returns OK, so
    // the tokenizer may go on with a later stretch of the text.
    if (t->next == t->positions->size()) return SQLITE_DONE;
    const std::size_t position = t->position++;
    const ByteRange& wanted = (*t->positions)[t->next];
    if (position == wanted.begin) t->matches->push_back({static_cast<std::size_t>(start), 0});
    if (position == wanted.end) {
      t->matches->back().end = static_cast<std::size_t>(end);
      if (++t->next == t->positions->size()) return SQLITE_DONE;
    }
    return SQLITE_OK;
  };
  const int rc = tokenize(static_cast<void*>(&tokens), onToken);
  if (!matches.empty() && matches.back().end == 0) matches.pop_back();  // the text ended inside it
  return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

// The snippet the chooser makes of a page's `body`, its matches found at
// `positions` (BodyMatchTokens) through `tokenize` (MatchBytes); "" where the
// chooser cannot cut the text into words (Chinese, Japanese): FTS5's own
// snippet stands for such a page.
template <typename Tokenize>
int ChosenSnippet(std::string_view body, const std::vector<ByteRange>& positions, Tokenize tokenize,
                  const Boilerplate& boilerplate, std::string& chosen) {
  std::vector<ByteRange> matches;
  const int rc = MatchBytes(positions, tokenize, matches);
  if (rc != SQLITE_OK) return rc;
  chosen = ChooseSnippet(body, matches, boilerplate);
  if (chosen.size() > kSnippetWords * kLongestSnippetWord) chosen.clear();
  return SQLITE_OK;
}

}  // namespace

void SearchIndex::SnippetFunction(const Fts5ExtensionApi* api, Fts5Context* ctx, sqlite3_context* out, int,
                                  sqlite3_value**) {
  auto* index = static_cast<SearchIndex*>(api->xUserData(ctx));
  const Boilerplate* boilerplate = index->RowBoilerplate(api->xRowid(ctx));
  if (!boilerplate || boilerplate->Empty()) {
    sqlite3_result_null(out);
    return;
  }
  const char* text = nullptr;
  int size = 0;
  int rc = api->xColumnText(ctx, kBodyColumn, &text, &size);
  const std::string_view body(text ? text : "", text ? static_cast<std::size_t>(size) : 0);
  std::vector<ByteRange> positions;
  std::string chosen;
  if (rc == SQLITE_OK) rc = BodyMatchTokens(api, ctx, positions);
  if (rc == SQLITE_OK) {
    auto tokenize = [&](void* tokens, TokenFn onToken) {
      return api->xTokenize(ctx, body.data(), static_cast<int>(body.size()), tokens, onToken);
    };
    rc = ChosenSnippet(body, positions, tokenize, *boilerplate, chosen);
  }
  if (rc != SQLITE_OK) sqlite3_result_error_code(out, rc);
  else if (chosen.empty()) sqlite3_result_null(out);
  else sqlite3_result_text(out, chosen.data(), static_cast<int>(chosen.size()), SQLITE_TRANSIENT);
}

void SearchIndex::KeepFunction(const Fts5ExtensionApi* api, Fts5Context* ctx, sqlite3_context* out, int argc,
                               sqlite3_value** argv) {
  sqlite3_result_null(out);
  auto* state = argc >= 2 ? static_cast<KeepState*>(sqlite3_value_pointer(argv[1], kKeepPointer)) : nullptr;
  if (!state || state->limit == 0) return;
  KeepState& kept = *state;
  KeptRow row{sqlite3_value_double(argv[0]), api->xRowid(ctx), {}};
  const bool full = kept.best.size() >= kept.limit;
  if (full && !(row < kept.best.front())) return;
  if (const int rc = kept.withPositions ? BodyMatchTokens(api, ctx, row.positions) : SQLITE_OK; rc != SQLITE_OK) {
    sqlite3_result_error_code(out, rc);
    return;
  }
  if (full) {
    std::pop_heap(kept.best.begin(), kept.best.end());
    kept.best.back() = std::move(row);
  } else {
    kept.best.push_back(std::move(row));
  }
  std::push_heap(kept.best.begin(), kept.best.end());
}

bool SearchIndex::RegisterFunctions(sqlite3* db) {
  return RegisterTokenizer(db) && RegisterRankFunction(db, &lengths_) && RegisterInflateFunction(db) &&
         sqlite3_create_function_v2(db, "quiro_repeats", 1, SQLITE_UTF8, this, &RepeatsFunction, nullptr, nullptr,
                                    nullptr) == SQLITE_OK &&
         [this, db] {
           fts5_api* api = Fts5Api(db);
           return api && api->xCreateFunction(api, "quiro_snippet", this, &SnippetFunction, nullptr) == SQLITE_OK &&
                  api->xCreateFunction(api, "quiro_keep", this, &KeepFunction, nullptr) == SQLITE_OK;
         }();
}

sqlite3* SearchIndex::SecondConnection() {
  if (second_.tried || inMemory_ || filePath_.empty()) return second_.db;
  second_.tried = true;
  sqlite3* db = nullptr;
  const int flags = (readOnly_ ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
  int rc = sqlite3_open_v2(filePath_.c_str(), &db, flags, nullptr);
  // Only the file db_ reads: the shared index may have been renamed over.
  struct stat st {};
  if (rc == SQLITE_OK && (stat(filePath_.c_str(), &st) != 0 || st.st_dev != second_.device ||
                          st.st_ino != second_.inode || !RegisterFunctions(db)))
    rc = SQLITE_CANTOPEN;
  if (rc != SQLITE_OK) {
    sqlite3_close_v2(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, readOnly_ ? kSharedBusyTimeoutMs : kBusyTimeoutMs);
  second_.db = db;
  return db;
}

int SearchIndex::InTwoParts(bool split, const std::function<int(sqlite3* db, int part, int parts)>& work) {
  sqlite3* second = split && lengths_.tokens.size() >= kSplitRows ? SecondConnection() : nullptr;
  if (!second) return work(db_, 0, 1);
  int secondRc = SQLITE_OK;
  std::thread other;
  try {
    other = std::thread([&] { secondRc = work(second, 1, 2); });
  } catch (const std::system_error&) {
    return work(db_, 0, 1);  // no thread to be had
  }
  const int rc = work(db_, 0, 2);
  other.join();
  return rc != SQLITE_OK ? rc : secondRc;
}

// The best `limit` rows by rank (ties: the first) are kept while the
// matches are read in rowid order: FTS5's own ORDER BY rank sorts every match
// through an inner statement, copying each one's positions, at several times
// the cost. The ranking function reads the same whole-table figures whatever
// rows a statement reads, so two halves kept apart and merged give the same
// best rows as one pass.
std::vector<SearchIndex::KeptRow> SearchIndex::KeepBest(const std::string& match, std::size_t limit,
                                                        bool withPositions, const QueryClock& clock, int& rc,
                                                        bool& finished) {
  KeepState kept[2] = {{limit, withPositions, {}}, {limit, withPositions, {}}};
  bool done[2] = {true, true};
  QueryClock upperClock = clock;
  const std::int64_t middle = static_cast<std::int64_t>(lengths_.tokens.size() / 2);
  rc = InTwoParts(true, [&](sqlite3* db, int part, int parts) {
    Statement rows(db, "SELECT quiro_keep(pages, rank, ?2) FROM pages WHERE pages MATCH ?1 AND rowid BETWEEN ?3 AND ?4");
    int result = rows.prepareResult();
    if (result != SQLITE_OK) return result;
    rows.BindText(1, match);
    sqlite3_bind_pointer(rows.get(), 2, &kept[part], kKeepPointer, nullptr);
    rows.Bind(3, part == 0 ? INT64_MIN : middle + 1);
    rows.Bind(4, part + 1 < parts ? middle : INT64_MAX);
    // db_'s handler runs the caller's clock.
    if (db != db_) sqlite3_progress_handler(db, kSearchStepInstructions, &QueryClock::Check, &upperClock);
    while ((result = rows.Step()) == SQLITE_ROW) {
    }
    if (db != db_) sqlite3_progress_handler(db, 0, nullptr, nullptr);
    if ((result & 0xFF) == SQLITE_INTERRUPT) {
      done[part] = false;  // the best of the rows read by then
      return SQLITE_OK;
    }
    return StepResult(result);
  });
  finished = done[0] && done[1];
  std::vector<KeptRow> best = std::move(kept[0].best);
  best.insert(best.end(), std::make_move_iterator(kept[1].best.begin()), std::make_move_iterator(kept[1].best.end()));
  std::sort(best.begin(), best.end());
  if (best.size() > limit) best.resize(limit);
  return best;
}

int SearchIndex::HitsOf(const std::vector<KeptRow>& best, std::vector<std::pair<const KeptRow*, Hit>>& hits) {
  Statement file(db_, "SELECT path, title FROM files WHERE id = ?1");
  int rc = file.prepareResult();
  for (std::size_t i = 0; rc == SQLITE_OK && i < best.size(); ++i) {
    file.Bind(1, best[i].rowid);
    const int found = file.Step();
    if (found == SQLITE_ROW) {
      hits.emplace_back(&best[i], HitOf(root_, file));
    } else if (found != SQLITE_DONE) {
      rc = found;
    }
    file.Reset();
  }
  return rc;
}

bool SearchIndex::CollectBest(const std::string& match, std::size_t limit, const QueryClock& clock, int& rc,
                              std::vector<Hit>& hits) {
  bool finished = true;
  const std::vector<KeptRow> best = KeepBest(match, limit, false, clock, rc, finished);
  if (rc != SQLITE_OK) return true;
  // The pages' names, read past the query's budget: at most `limit` rows.
  sqlite3_progress_handler(db_, 0, nullptr, nullptr);
  std::vector<std::pair<const KeptRow*, Hit>> found;
  rc = HitsOf(best, found);
  for (auto& [row, hit] : found) hits.push_back(std::move(hit));
  return finished;
}

bool SearchIndex::CollectKept(const std::string& match, std::size_t limit, const QueryClock& clock, int& rc,
                              bool& finished, std::vector<Hit>& hits,
                              std::vector<std::pair<std::size_t, std::int64_t>>& uncut) {
  const std::vector<KeptRow> best = KeepBest(match, limit, true, clock, rc, finished);
  if (rc != SQLITE_OK) return true;
  // Out of time before the first match: the sorted query's unranked second
  // budget finds some.
  if (!finished && best.empty()) return false;
  // The snippets, past the query's budget: at most `limit` pages.
  sqlite3_progress_handler(db_, 0, nullptr, nullptr);
  std::vector<std::pair<const KeptRow*, Hit>> found;
  if ((rc = HitsOf(best, found)) != SQLITE_OK) return true;
  std::vector<const Boilerplate*> repeats;
  for (const auto& [row, hit] : found) {
    const Boilerplate& boilerplate = BoilerplateOf(DocumentOf(hit.path.substr(root_.size())));
    if (boilerplate.Empty()) return false;
    repeats.push_back(&boilerplate);
  }
  // Each page's text is read and its snippet chosen: every other page on
  // the second connection, where the index is large enough for that to pay.
  std::vector<int> read(found.size(), SQLITE_DONE);
  rc = InTwoParts(found.size() > 1, [&](sqlite3* db, int part, int parts) {
    fts5_api* api = Fts5Api(db);
    void* tokenizerData = nullptr;
    fts5_tokenizer tokenizer{};
    Fts5Tokenizer* instance = nullptr;
    if (!api || api->xFindTokenizer(api, kTokenizerName, &tokenizerData, &tokenizer) != SQLITE_OK ||
        tokenizer.xCreate(tokenizerData, nullptr, 0, &instance) != SQLITE_OK)
      return SQLITE_ERROR;
    const std::unique_ptr<Fts5Tokenizer, void (*)(Fts5Tokenizer*)> ownTokenizer(instance, tokenizer.xDelete);
    Statement text(db, "SELECT body FROM page_text WHERE id = ?1");
    int result = text.prepareResult();
    for (std::size_t i = static_cast<std::size_t>(part); result == SQLITE_OK && i < found.size();
         i += static_cast<std::size_t>(parts)) {
      auto& [row, hit] = found[i];
      text.Bind(1, row->rowid);
      read[i] = text.Step();
      if (read[i] == SQLITE_ROW) {
        const std::string body = text.Text(0);
        auto tokenize = [&](void* tokens, TokenFn onToken) {
          return tokenizer.xTokenize(instance, tokens, FTS5_TOKENIZE_AUX, body.data(),
                                     static_cast<int>(body.size()), onToken);
        };
        result = ChosenSnippet(body, row->positions, tokenize, *repeats[i], hit.snippet);
      } else if (read[i] != SQLITE_DONE) {
        result = read[i];
      }
      text.Reset();
    }
    return result;
  });
  if (rc != SQLITE_OK) return true;
  for (std::size_t i = 0; i < found.size(); ++i) {
    if (read[i] != SQLITE_ROW) continue;  // gone since it was indexed
    auto& [row, hit] = found[i];
    if (hit.snippet.empty()) uncut.emplace_back(hits.size(), row->rowid);
    hits.push_back(std::move(hit));
  }
  return true;
}

SearchResult SearchIndex::Search(std::string_view query, std::size_t limit, bool withSnippets,
                                 const SearchBudget& budget) {
  SearchResult result;
  const ParsedQuery parsed = ParseQuery(query);
  if (parsed.error != QueryError::None) {
    result.error = parsed.error;
    return result;
  }
  if (limit == 0) return result;
  std::lock_guard<std::mutex> lock(mutex_);
  if (!db_) {
    result.failed = true;
    return result;
  }
  // The ranking function's copy of the document lengths follows every write,
  // this object's own and other connections' (data_version).
  std::int64_t dataVersion = -1;
  {
    Statement version(db_, "PRAGMA data_version");
    if (version.ok() && version.Step() == SQLITE_ROW) dataVersion = version.Int(0);
  }
  if (!lengths_.loaded || lengths_.dataVersion != dataVersion || lengths_.generation != writes_) {
    LoadDocumentLengths(db_, "pages", lengths_);
    lengths_.dataVersion = dataVersion;
    lengths_.generation = writes_;
  }
  // What each document repeats is known for the index as it is now.
  if (boilerplate_.dataVersion != dataVersion || boilerplate_.generation != writes_) {
    boilerplate_.documents.clear();
    boilerplate_.dataVersion = dataVersion;
    boilerplate_.generation = writes_;
  }
  lastRow_ = {};
  // The hits whose snippet FTS5 is to choose after all: their document
  // repeats text, but the chooser could not cut it into words.
  std::vector<std::pair<std::size_t, std::int64_t>> uncut;
  QueryClock clock;
  clock.counted = budget.steps > 0;
  auto startClock = [&] {
    clock.deadline = std::chrono::steady_clock::now() + budget.time;
    clock.stepsLeft = budget.steps;
  };
  // Runs one query of the matching rows, adding their hits with snippets;
  // false when it ran out of time.
  auto collect = [&](const char* sql, int& rc) {
    Statement rows(db_, sql);
    Statement file(db_, "SELECT path, title FROM files WHERE id = ?1");
    rc = rows.ok() ? file.prepareResult() : rows.prepareResult();
    if (rc != SQLITE_OK) return true;
    rows.BindText(1, parsed.match);
    rows.Bind(2, static_cast<std::int64_t>(std::min<std::size_t>(limit, INT64_MAX)));
    while ((rc = rows.Step()) == SQLITE_ROW) {
      file.Bind(1, rows.Int(0));
      const int found = file.Step();
      if (found == SQLITE_ROW) {
        Hit hit = HitOf(root_, file);
        if (rows.Type(1) == SQLITE_NULL && rows.Int(2)) uncut.emplace_back(result.hits.size(), rows.Int(0));
        hit.snippet = BalanceHighlights(rows.Text(1));
        result.hits.push_back(std::move(hit));
      }
      file.Reset();
      if (found != SQLITE_ROW && found != SQLITE_DONE) {
        rc = found;
        break;
      }
    }
    if ((rc & 0xFF) == SQLITE_INTERRUPT) {
      rc = SQLITE_OK;
      return false;
    }
    rc = StepResult(rc);
    return true;
  };
  // Where every hit's document repeats headers and navigation lines, the
  // best matches are kept while they are ranked, each with where its matches
  // lie, and the snippets are chosen from those afterwards: they show a
  // stretch where the words matched outside the repeated text. Otherwise the
  // snippets come from the ranked query itself: FTS5 sorts by rank first and
  // computes them only for the rows returned, quiro_snippet for a page whose
  // document repeats text, FTS5's own snippet elsewhere. CASE evaluates only
  // the branch taken, as each costs a pass over the page's text.
  const std::string matching = "SELECT rowid, CASE WHEN quiro_repeats(rowid) THEN quiro_snippet(pages) ELSE " +
                               Fts5Snippet() + " END, quiro_repeats(rowid) FROM pages WHERE pages MATCH ?1";
  int rc = SQLITE_OK;
  bool finished = true;
  sqlite3_progress_handler(db_, kSearchStepInstructions, &QueryClock::Check, &clock);
  startClock();
  bool kept = false;
  if (withSnippets && AnyRepeats(db_)) {
    kept = CollectKept(parsed.match, limit, clock, rc, finished, result.hits, uncut);
    // The sorted query goes on with what is left of the budget.
    if (!kept) sqlite3_progress_handler(db_, kSearchStepInstructions, &QueryClock::Check, &clock);
  }
  if (!withSnippets) {
    finished = CollectBest(parsed.match, limit, clock, rc, result.hits);
  } else if (!kept) {
    finished = collect((matching + " ORDER BY rank LIMIT ?2").c_str(), rc);
    if (!finished && result.hits.empty() && rc == SQLITE_OK) {
      // Ranking needs every match before the first; unranked, matches come
      // as they are found, so a second budget yields at least some of them.
      startClock();
      collect((matching + " LIMIT ?2").c_str(), rc);
    }
  }
  sqlite3_progress_handler(db_, 0, nullptr, nullptr);
  result.cutShort = !finished;
  // Text the chooser cannot cut into words (Chinese, Japanese): FTS5's
  // snippet of the page.
  if (rc == SQLITE_OK && !uncut.empty()) {
    Statement own(db_, ("SELECT " + Fts5Snippet() + " FROM pages WHERE pages MATCH ?1 AND rowid = ?2").c_str());
    for (const auto& [hit, rowid] : uncut) {
      own.BindText(1, parsed.match);
      own.Bind(2, rowid);
      if (own.ok() && own.Step() == SQLITE_ROW) result.hits[hit].snippet = BalanceHighlights(own.Text(0));
      own.Reset();
    }
  }
  if (rc != SQLITE_OK) {
    result.hits.clear();
    result.cutShort = false;
    result.failed = true;
    // A damaged file is set aside now; the next update fills the new one.
    if ((rc & 0xFF) == SQLITE_CORRUPT || (rc & 0xFF) == SQLITE_NOTADB) Recover(rc);
  }
  return result;
}

}  // namespace search
