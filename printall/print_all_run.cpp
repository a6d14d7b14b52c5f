#include "printall/print_all_run.h"

#include <sys/stat.h>

#include <exception>
#include <vector>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "printall/page_rewriter.h"

namespace {

// A page whose links are being followed: the open file stands for the
// position reached in it.
struct OpenPage {
  std::string folder;
  platform::InputFile file;
};

// The folder part of a page path, separator included; empty when the path
// has no separator. On Windows the search stopped at the second character to
// keep "C:"; here the leading "/" plays the part of "C:\" and is found.
std::string FolderOf(const std::string& path) {
  const std::size_t at = path.find_last_of("/\\");
  return at == std::string::npos ? std::string() : path.substr(0, at + 1);
}

// The link of a line: the upper-cased text from the first quote after the
// first HREF up to and including the first ".HTM" after that quote.
bool LinkOfLine(const std::string& line, std::string& upper, std::string& link) {
  platform::ToUpperAsciiInto(line, upper);
  const std::size_t href = upper.find("HREF");
  if (href == std::string::npos) return false;
  const std::size_t quote = upper.find('"', href);
  if (quote == std::string::npos) return false;
  const std::size_t end = upper.find(".HTM", quote + 1);
  if (end == std::string::npos) return false;
  link.assign(upper, quote + 1, end + 4 - (quote + 1));
  return true;
}

bool IsRecorded(const PrintAllRun& run, const std::string& path) {
  for (int i = 0; i < run.pageCount; ++i) {
    if (platform::EqualsNoCase(run.pagePaths[i], path)) return true;
  }
  return false;
}

// Arrives at a page: records and prints it, then opens it to follow its
// links. False when the page cannot be opened.
bool ArriveAt(const std::string& path, PrintAllRun& run, std::vector<OpenPage>& stack,
              platform::CaseResolver& names) {
  const std::string file = names.Resolve(path);
  // Regular files only: a FIFO or a device would block or never end.
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if (!run.dryRun && (run.root.empty() || MayRewriteOnDisk(file, run.root))) platform::ClearReadOnly(file);
  if (!platform::CanOpenForReading(file, platform::Lock::Shared)) return false;
  if (run.pageCount < kPrintAllCapacity) {
    run.pagePaths[run.pageCount++] = path;
    // The printer rewrites the page before it prints it, so the links below
    // are read from the rewritten file (the blocks hold no link).
    if (run.printPage && run.printPage(path, run)) run.browserCount += 1;
  }
  OpenPage page;
  if (!page.file.Open(file, platform::Lock::Shared)) return false;
  page.folder = FolderOf(path);
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
  ArriveAt(path, run, stack, names);

  std::string line, upper, link, candidate;
  while (!stack.empty() && run.pageCount < kPrintAllCapacity) {
    OpenPage& page = stack.back();
    bool found = false;
    try {
      if (page.file.ReadLine(line) != platform::InputFile::Read::Line) {
        stack.pop_back();  // the end of the page, or a read error: done with it
        continue;
      }
      found = LinkOfLine(line, upper, link);
    } catch (const std::exception&) {
      stack.pop_back();  // a line too long to hold: the page ends there
      continue;
    }
    if (!found) continue;
    candidate = page.folder;
    candidate += link;
    if (IsRecorded(run, candidate)) continue;
    ArriveAt(candidate, run, stack, names);
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
