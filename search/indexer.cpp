#include "search/indexer.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <utility>

#include "builder/catalogue_config.h"
#include "builder/doc_list.h"

namespace search {

BackgroundIndexer::BackgroundIndexer(std::string root, std::string iniPath, NoteFn note)
    : root_(std::move(root)), iniPath_(std::move(iniPath)), note_(std::move(note)) {}

BackgroundIndexer::~BackgroundIndexer() { Stop(); }

void BackgroundIndexer::Start() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (state_ != State::NotStarted) return;
  state_ = State::Opening;
  thread_ = std::jthread([this](std::stop_token stop) { Run(stop); });
}

void BackgroundIndexer::Stop() {
  std::jthread thread;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    thread = std::move(thread_);
  }
  if (thread.joinable()) {
    thread.request_stop();
    thread.join();
  }
}

void BackgroundIndexer::Run(std::stop_token stop) {
  // Below the window's own thread, so indexing never slows what the user sees.
  setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
  // The machine's shared index when it answers for this root; else this
  // user's own, brought up to date here.
  std::shared_ptr<SearchIndex> index = ChooseIndex(root_, note_).index;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    index_ = index;
  }
  if (stop.stop_requested()) {
    state_ = State::Stopped;
    return;
  }
  UpdateStats stats;
  stats.complete = true;
  if (!index->ReadOnly()) {
    state_ = State::Indexing;
    stats = index->Update(&progress_, [&stop] { return stop.stop_requested(); });
  }
  std::map<std::string, std::string> titles = ReadDocumentTitles(root_, iniPath_);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    titles_ = std::move(titles);
  }
  state_ = stats.complete ? State::Ready : State::Stopped;
}

BackgroundIndexer::Status BackgroundIndexer::GetStatus() const {
  Status status;
  status.state = state_;
  status.done = progress_.done;
  status.total = progress_.total;
  return status;
}

SearchResult BackgroundIndexer::Search(std::string_view query, std::size_t limit, bool withSnippets) {
  std::shared_ptr<SearchIndex> index;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    index = index_;
  }
  if (!index) {
    // Not open yet: still tell a bad query from an empty result.
    SearchResult result;
    result.error = ParseQuery(query).error;
    return result;
  }
  return index->Search(query, limit, withSnippets);
}

std::string BackgroundIndexer::DocumentTitle(const std::string& folder) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = titles_.find(folder);
  return it == titles_.end() ? folder : it->second;
}

std::map<std::string, std::string> ReadDocumentTitles(const std::string& root, const std::string& iniPath) {
  std::map<std::string, std::string> titles;
  std::string folder = root;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  CDocList list;
  list.ScanDocumentFolder(folder);
  list.ReadCatalogue(folder, iniPath, GetDefaultType(iniPath));
  list.ForEachEntry([&](const CDocEntry& entry) { titles[entry.partNum] = entry.Title; });
  return titles;
}

}  // namespace search
