#include "printall/print_all_run.h"

#include <sys/stat.h>

#include <exception>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "printall/page_rewriter.h"

namespace {

// The links of one line, taken one HREF at a time in line order, so that the
// walk below one link can come back for the next. Each HREF is examined the
// same way: from it, the first quote; from the character after that quote,
// the first ".HTM"; the link text is the upper-cased text in between, ".HTM"
// included and an "L" right after it too (".HTML"). The text after a quote
// may therefore run on into a later link of the line; such a path names no
// file and is dropped by the walk.
class LineLinks {
 public:
  void Start(const std::string& line) {
    platform::ToUpperAsciiInto(line, upper_);
    next_ = 0;
    quote_ = Search{};
    htm_ = Search{};
  }

  bool Next(std::string& link) {
    while (next_ != std::string::npos) {
      const std::size_t href = upper_.find("HREF", next_);
      if (href == std::string::npos) break;
      next_ = href + 4;  // "HREF" cannot overlap itself
      const std::size_t quote = quote_.Find(upper_, "\"", href);
      if (quote == std::string::npos) break;  // no quote after this HREF, so none after later ones
      const std::size_t end = htm_.Find(upper_, ".HTM", quote + 1);
      if (end == std::string::npos) break;
      std::size_t stop = end + 4;
      if (stop < upper_.size() && upper_[stop] == 'L') ++stop;
      link.assign(upper_, quote + 1, stop - (quote + 1));
      return true;
    }
    next_ = std::string::npos;
    return false;
  }

 private:
  // A forward search whose start only ever moves forward: the last find is
  // kept, so a line of many HREFs is read a bounded number of times, not
  // once per HREF.
  struct Search {
    std::size_t at = 0;
    bool valid = false;
    std::size_t Find(const std::string& text, std::string_view what, std::size_t from) {
      if (!valid || (at != std::string::npos && at < from)) {
        at = text.find(what, from);
        valid = true;
      }
      return at;
    }
  };

  std::string upper_;
  std::size_t next_ = std::string::npos;  // where the next HREF search starts; npos: line done
  Search quote_;
  Search htm_;
};

// A page whose links are being followed: the open file and the line under
// examination stand for the position reached in it.
struct OpenPage {
  std::string folder;
  platform::InputFile file;
  LineLinks links;
};

// The folder part of a page path, separator included; empty when the path
// has no separator. On Windows the search stopped at the second character to
// keep "C:"; here the leading "/" plays the part of "C:\" and is found.
std::string FolderOf(const std::string& path) {
  const std::size_t at = path.find_last_of("/\\");
  return at == std::string::npos ? std::string() : path.substr(0, at + 1);
}

// The pages of a walk by the paths it reached them by (folder and link
// text), compared without regard to case. These decide what counts as a
// page seen before; the run records the names on disk.
class WalkedPaths {
 public:
  bool Contains(const std::string& path) const {
    for (const std::string& walked : paths_) {
      if (platform::EqualsNoCase(walked, path)) return true;
    }
    return false;
  }
  void Add(const std::string& path) { paths_.push_back(path); }

 private:
  std::vector<std::string> paths_;
};

// Arrives at a page: records and prints it, then opens it to follow its
// links. False when the page cannot be opened.
bool ArriveAt(const std::string& path, PrintAllRun& run, std::vector<OpenPage>& stack, WalkedPaths& walked,
              platform::CaseResolver& names) {
  const std::string file = names.Resolve(path);
  // Regular files only: a FIFO or a device would block or never end.
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  // Changed only below the root (or, without one, in the page's own folder),
  // on a descriptor of the file itself.
  if (!run.dryRun && (run.root.empty() || MayRewriteOnDisk(file, run.root))) {
    platform::ClearReadOnly(file, platform::WriteRoot(run.root.empty() ? platform::ParentFolder(file) : run.root));
  }
  if (!platform::CanOpenForReading(file, platform::Lock::Shared)) return false;
  // The page is recorded, printed and named by its name on disk; the links
  // below it lead on from its folder's name on disk too.
  if (run.pageCount < kPrintAllCapacity) {
    walked.Add(path);
    run.pagePaths[run.pageCount++] = file;
    // The printer rewrites the page before it prints it, so the links below
    // are read from the rewritten file (the blocks hold no link).
    if (run.printPage && run.printPage(file, run)) run.browserCount += 1;
  }
  OpenPage page;
  if (!page.file.Open(file, platform::Lock::Shared)) return false;
  page.folder = FolderOf(file);
  stack.push_back(std::move(page));
  return true;
}

}  // namespace

void PrintLinkedPages(std::string path, PrintAllRun& run) {
  // Depth first, each page before the pages it links to, and the whole walk
  // below one link before the next line of the page. Once the record is full
  // nothing further can be printed, so the walk stops there; that also ends
  // walks that would otherwise circle for ever among unrecorded pages.
  std::vector<OpenPage> stack;
  // Link texts are upper case and page files seldom are, so nearly every
  // page is found through its folder's listing: list each folder once.
  platform::CaseResolver names;
  if (run.pageCount >= kPrintAllCapacity) return;
  WalkedPaths walked;
  for (int i = 0; i < run.pageCount; ++i) walked.Add(run.pagePaths[i]);
  ArriveAt(path, run, stack, walked, names);

  std::string line, link, candidate;
  while (!stack.empty() && run.pageCount < kPrintAllCapacity) {
    OpenPage& page = stack.back();
    if (!page.links.Next(link)) {
      try {
        if (page.file.ReadLine(line) != platform::InputFile::Read::Line) {
          stack.pop_back();  // the end of the page, or a read error: done with it
          continue;
        }
        page.links.Start(line);
      } catch (const std::exception&) {
        stack.pop_back();  // a line too long to hold: the page ends there
      }
      continue;
    }
    candidate = page.folder;
    candidate += link;
    if (walked.Contains(candidate)) continue;
    ArriveAt(candidate, run, stack, walked, names);
  }
}

std::string FindPrintStartPage(const std::string& location) {
  const std::string docs = platform::MapWindowsPath("C:\\VESK\\DOCS");
  const std::string docsSlash = docs + "/";
  std::string working = location;
  for (;;) {
    const std::string native = platform::NativeSeparators(working);
    if (platform::EqualsNoCase(native, docs) || platform::EqualsNoCase(native, docsSlash)) {
      return location;
    }
    // Cut the last component, passing over a trailing separator. The leading
    // "/" is the last one that can be found: the file system root.
    if (working.size() < 2) return location;
    const std::size_t cut = working.find_last_of("/\\", working.size() - 2);
    if (cut == std::string::npos) return location;
    working.resize(cut + 1);
    const std::string index = working + "index.htm";
    if (platform::CanOpenForReading(index, platform::Lock::Exclusive)) return index;
  }
}

std::string LocalPathOfLocation(std::string_view currentUrl) {
  if (platform::IsFileUrl(currentUrl)) {
    const std::size_t end = currentUrl.find_first_of("#?");
    return platform::FileUrlToPath(currentUrl.substr(0, end));
  }
  if (!currentUrl.empty() && currentUrl.front() == '/') return std::string(currentUrl);
  return {};
}
