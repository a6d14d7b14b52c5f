#pragma once
// One Print All run: which pages it prints and in which order. The walk starts
// at the start page found by FindPrintStartPage, follows links to ".HTM" and
// ".HTML" pages depth first, records each page once (paths compared ignoring letter
// case), at most 50, and hands each page to the page printer the moment it is
// recorded.

#include <array>
#include <functional>
#include <string>
#include <string_view>

/// Pages (and browser instances) one run can hold.
inline constexpr int kPrintAllCapacity = 50;

struct PrintAllRun {
  /// Hands over one newly recorded page (the printer may print it only once
  /// the next one is handed over, or the walk ends); returns true when it
  /// created a browser instance for it, which the run then counts in
  /// browserCount.
  using PagePrinter = std::function<bool(const std::string& path, PrintAllRun& run)>;

  int pageCount = 0;                                       // pages recorded so far
  std::array<std::string, kPrintAllCapacity> pagePaths;    // in the order first reached
  int browserCount = 0;                                    // instances created so far
  PagePrinter printPage;                                   // may be empty: record only
  /// Read only: the walk leaves read-only attributes alone. For listing what a
  /// run would print without changing anything on disk.
  bool dryRun = false;
  /// The document root. When set, the walk clears a page's read-only
  /// attribute only where the page may be rewritten on disk
  /// (MayRewriteOnDisk); pages elsewhere keep their permissions.
  std::string root;
};

/// Walks the pages reachable from `path` and records and prints each new one.
/// A page that cannot be opened is passed over silently. Each page's path is
/// its folder (the holding page's path up to its last "/" or "\") followed by
/// the link text in upper case, from the first quote after an "HREF" up to
/// and including the first ".HTM" after it (and an "L" that follows it);
/// opening resolves letter case, and the page is recorded (and printed) by
/// its name on disk. Every "HREF" of a line is examined, in line
/// order, and the walk below one link ends before the next is looked at. The
/// walk ends once 50 pages are recorded, and it uses no recursion, so a chain
/// of any length is safe.
void PrintLinkedPages(std::string path, PrintAllRun& run);

/// The page Print All starts from when `location` (a local absolute path) is
/// on display: climbing from the page's folder towards the file system root,
/// the first folder holding an "index.htm" that can be opened exclusively
/// gives that index page. The climb stops without a find at the
/// documentation root "C:\VESK\DOCS" (as mapped onto drive C) or at the file
/// system root; the page itself is then the start page.
std::string FindPrintStartPage(const std::string& location);

/// The local path of the view's current location: a "file:" URL decoded to
/// its path (without "#fragment" or "?query"), or a path starting with "/" as
/// it is. Empty for web addresses, other schemes and relative paths: Print
/// All does nothing for them.
std::string LocalPathOfLocation(std::string_view currentUrl);
