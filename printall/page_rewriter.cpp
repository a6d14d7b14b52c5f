#include "printall/page_rewriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string_view>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace {

// Everything is matched against an upper-cased copy of the line.
constexpr std::string_view kAbandon = "PAGE-BREAK-BEFORE";
constexpr std::string_view kColour = "BGCOLOR";
constexpr std::string_view kTableStart = "<TABLE";
// The triggers: a bordered table start and four figure classes.
constexpr std::string_view kBorderedTable = "<TABLE BORDER=\"1\"";
constexpr std::string_view kFigure = "CLASS=\"FIGURE";
constexpr std::string_view kFigureKinds[] = {"-HEAD\">", " HEAD\">", "-FRAME\">", " FRAME\">"};

constexpr std::string_view kBlockHead =
    "<STYLE>\np.page {page-break-before: always}\n</STYLE>\n<p class=\"page\"><font SIZE=\"1\" COLOR=\"";
constexpr std::string_view kBlockTail = "\">.</font></p class=\"page\">\n";

// A line is scanned in blocks: each block is upper-cased into a small buffer
// and searched there, so a line of any length costs one pass and no copy of
// its own size. Blocks overlap by more than the longest pattern.
constexpr std::size_t kScanBlock = 64 * 1024;
constexpr std::size_t kScanOverlap = 32;

// Upper-cases n bytes (a-z only, as platform::ToUpperAscii does), eight at a
// time: a byte gets 0x20 taken off when it is ASCII and lies in 'a'..'z'.
void UpperCopy(const char* from, std::size_t n, char* to) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  constexpr std::uint64_t kHigh = 0x8080808080808080ull;
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t x;
    std::memcpy(&x, from + i, 8);
    const std::uint64_t low7 = x & ~kHigh;
    const std::uint64_t atLeastA = low7 + kOnes * (0x80 - 'a');
    const std::uint64_t aboveZ = low7 + kOnes * (0x80 - 'z' - 1);
    x ^= ((atLeastA & ~aboveZ & ~x & kHigh) >> 2);
    std::memcpy(to + i, &x, 8);
  }
  for (; i < n; ++i) {
    const char c = from[i];
    to[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
}

bool At(const char* block, std::size_t n, std::size_t at, std::string_view pattern) {
  return at + pattern.size() <= n && std::memcmp(block + at, pattern.data(), pattern.size()) == 0;
}

// What the patterns say about one line.
struct LineFacts {
  bool abandon = false;  // "PAGE-BREAK-BEFORE"
  bool table = false;    // "<TABLE"
  bool trigger = false;  // one of the five triggers
  std::size_t colour = std::string::npos;  // where the first "BGCOLOR" starts
};

// Blocks up to this size are scanned byte by byte, longer ones with memchr.
constexpr std::size_t kShortBlock = 512;

// True when one of the eight bytes at `p` is "<" or "G" (a byte equal to
// the wanted one becomes zero after the exclusive or; the classic zero-byte
// test then sets its high bit).
bool HasAnchor(const char* p) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  constexpr std::uint64_t kHigh = 0x8080808080808080ull;
  std::uint64_t x;
  std::memcpy(&x, p, 8);
  const std::uint64_t lt = x ^ (kOnes * '<');
  const std::uint64_t g = x ^ (kOnes * 'G');
  return (((lt - kOnes) & ~lt) | ((g - kOnes) & ~g)) & kHigh;
}

// At a "<" of an upper-cased block: a table start, perhaps bordered.
void AtTableStart(const char* block, std::size_t n, std::size_t at, LineFacts& facts) {
  if (At(block, n, at, kTableStart)) {
    facts.table = true;
    if (At(block, n, at, kBorderedTable)) facts.trigger = true;
  }
}

// At a "G" of an upper-cased block that starts at `start` in the line: the
// patterns holding one. True when the line says "PAGE-BREAK-BEFORE".
bool AtG(const char* block, std::size_t n, std::size_t start, std::size_t at, LineFacts& facts) {
  if (at >= 2 && At(block, n, at - 2, kAbandon)) {
    facts.abandon = true;
    return true;
  }
  if (at >= 1 && facts.colour == std::string::npos && At(block, n, at - 1, kColour)) {
    facts.colour = start + at - 1;
  }
  if (at >= 9 && !facts.trigger && At(block, n, at - 9, kFigure)) {
    for (std::string_view kind : kFigureKinds) {
      if (At(block, n, at - 9 + kFigure.size(), kind)) facts.trigger = true;
    }
  }
  return false;
}

// Finds the patterns in one pass per anchor character instead of one search
// per pattern: every table start and the bordered trigger begin with "<";
// "PAGE-BREAK-BEFORE", "BGCOLOR" and the figure classes ("CLASS=\"FIGURE"
// followed by "-HEAD\">", " HEAD\">", "-FRAME\">" or " FRAME\">") all hold
// a "G", at a fixed place. Long blocks find both characters with memchr,
// short ones in one pass over their bytes.
class LineScanner {
 public:
  LineScanner() : buffer_(kScanBlock + kScanOverlap, '\0') {}

  LineFacts Scan(const std::string& line) {
    LineFacts facts;
    for (std::size_t start = 0; start < line.size(); start += kScanBlock) {
      const std::size_t n = std::min(kScanBlock + kScanOverlap, line.size() - start);
      const char* block = buffer_.data();
      UpperCopy(line.data() + start, n, buffer_.data());
      if (n <= kShortBlock) {
        // Short lines, the usual case: one pass over the bytes costs less
        // than starting memchr again after every hit.
        // Eight bytes at a time are passed over when none is "<" or "G".
        for (std::size_t word = 0; word < n; word += 8) {
          if (word + 8 <= n && !HasAnchor(block + word)) continue;
          for (std::size_t at = word; at < std::min(word + 8, n); ++at) {
            const char c = block[at];
            if (c == '<') {
              AtTableStart(block, n, at, facts);
            } else if (c == 'G' && AtG(block, n, start, at, facts)) {
              return facts;
            }
          }
        }
        continue;
      }
      for (const char* p = block; (p = static_cast<const char*>(std::memchr(p, '<', block + n - p))); ++p) {
        AtTableStart(block, n, static_cast<std::size_t>(p - block), facts);
      }
      for (const char* p = block; (p = static_cast<const char*>(std::memchr(p, 'G', block + n - p))); ++p) {
        if (AtG(block, n, start, static_cast<std::size_t>(p - block), facts)) return facts;
      }
    }
    return facts;
  }

 private:
  std::string buffer_;
};

// The text between the first "#" after the line's first BGCOLOR and the next
// quote, upper-cased; `colour` is left alone when either is missing. "#" and
// the quote have no case, so they are searched in the line itself.
void TakeColour(const std::string& line, std::size_t bgcolor, std::string& colour) {
  if (bgcolor == std::string::npos) return;
  const std::size_t hash = line.find('#', bgcolor);
  if (hash == std::string::npos) return;
  const std::size_t quote = line.find('"', hash + 1);
  if (quote == std::string::npos) return;
  colour.resize(quote - hash - 1);
  UpperCopy(line.data() + hash + 1, colour.size(), colour.data());
}

// The rewritten page held in memory, in the form the file would have: every
// "\n" stored as CR LF.
class MemoryOutput {
 public:
  explicit MemoryOutput(std::string& text) : text_(text) {}
  bool WriteText(std::string_view text) {
    platform::AppendTextMode(text, text_);
    return true;
  }

 private:
  std::string& text_;
};

// Writes `text` in slices, so the output buffer never holds more than a
// slice of a long hold.
template <typename Output>
bool WriteSliced(Output& out, std::string_view text) {
  constexpr std::size_t kSlice = 64 * 1024;
  for (std::size_t at = 0; at < text.size(); at += kSlice) {
    if (!out.WriteText(text.substr(at, kSlice))) return false;
  }
  return true;
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Copies the page into the temporary file. Returns false on a read or write
// error; `discard` tells whether the copy is to be thrown away.
template <typename Output>
bool CopyWithBreaks(platform::InputFile& in, Output& out, std::size_t pageSize,
                    bool& discard) {
  std::string held;  // the line just read, or every line of the open hold
  std::string line;  // a line read inside a hold
  // Room for the longest possible line up front (within reason): a long line
  // is then read without being moved again and again as it grows. Only what
  // is used is ever touched.
  const std::size_t room = std::min<std::size_t>(pageSize, 256u << 20) + 1;
  held.reserve(room);
  line.reserve(room);
  std::string colour = "#ffffff";
  LineScanner scanner;
  discard = true;

  for (;;) {
    // Copy loop: one line at a time until a table starts.
    const auto read = in.ReadLine(held);
    if (read == platform::InputFile::Read::End) return true;
    if (read == platform::InputFile::Read::Error) return false;
    LineFacts facts = scanner.Scan(held);
    if (facts.abandon) {
      discard = true;
      return true;
    }
    TakeColour(held, facts.colour, colour);
    if (!facts.table) {
      held += '\n';  // the line and its line break in one write
      if (!WriteSliced(out, held)) return false;
      continue;
    }

    // Hold loop: keep lines back until a trigger shows whether the table
    // gets a block in front of it. A later table start restarts the hold.
    for (;;) {
      if (facts.trigger) {
        if (!out.WriteText(kBlockHead) || !out.WriteText(colour) || !out.WriteText(kBlockTail)) {
          return false;
        }
        discard = false;
        held += '\n';
        if (!WriteSliced(out, held)) return false;
        break;
      }
      held += '\n';
      const auto next = in.ReadLine(line);
      if (next == platform::InputFile::Read::Error) return false;
      if (next == platform::InputFile::Read::End) {
        // The held lines go out as they are, ending in one empty line.
        held += '\n';
        if (!WriteSliced(out, held)) return false;
        return true;
      }
      facts = scanner.Scan(line);
      if (facts.abandon) {
        discard = true;
        return true;
      }
      if (facts.table) {
        if (!WriteSliced(out, held)) return false;
        held.clear();
      }
      held += line;
    }
  }
}

}  // namespace

PrintBreakResult RewritePageForPrinting(const std::string& path, const platform::WriteRoot& root) {
  if (path.empty()) return PrintBreakResult::NotOpened;

  // A symbolic link stays a link: the file it names is rewritten, in its own
  // folder, when that folder lies below the root.
  platform::ConfinedFolder folder;
  std::string name;
  if (!folder.OpenHolderOf(root, path, name)) {
    return errno == EXDEV ? PrintBreakResult::Outside : PrintBreakResult::NotOpened;
  }
  const int dir = folder.fd();

  // Only regular files: a FIFO or a device could block the pass for ever.
  struct stat before {};
  if (::fstatat(dir, name.c_str(), &before, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(before.st_mode)) {
    return PrintBreakResult::NotOpened;
  }
  const int pageFd = ::openat(dir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  struct stat locked {};
  if (pageFd < 0) return PrintBreakResult::NotOpened;
  if (::fstat(pageFd, &locked) != 0 || !S_ISREG(locked.st_mode)) {
    ::close(pageFd);
    return PrintBreakResult::NotOpened;
  }
  // Clear the read-only attribute, on the descriptor.
  if (!(locked.st_mode & S_IWUSR) && ::fchmod(pageFd, (locked.st_mode & 07777) | S_IWUSR) == 0) {
    locked.st_mode |= S_IWUSR;
  }

  // The lock belongs to whichever file the page name denoted when the open
  // was made. If another pass replaced the page in between, the name now
  // denotes a newer file and this lock guards nothing: give up, the other
  // pass has done the work.
  platform::InputFile in;
  if (!in.OpenDescriptor(pageFd, platform::Lock::Exclusive)) return PrintBreakResult::NotOpened;
  struct stat named {};
  if (::fstatat(dir, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 || !SameFile(named, locked)) {
    return PrintBreakResult::NotOpened;
  }

  // Only the holder of the page's lock touches page + "~", so the temporary
  // file is never shared between passes. Whatever stands under that name (a
  // copy left by a killed pass, or a link planted there) goes as an entry,
  // never through a link, and the copy is created anew.
  const std::string temp = name + "~";
  if (::unlinkat(dir, temp.c_str(), 0) != 0 && errno != ENOENT) return PrintBreakResult::Failed;
  const int outFd = ::openat(dir, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (outFd < 0) return PrintBreakResult::Failed;
  auto removeTemp = [&] { ::unlinkat(dir, temp.c_str(), 0); };
  // The copy gets the page's owner (when root rewrites a user's page) and
  // permission bits, on its descriptor.
  if (::geteuid() == 0 && (locked.st_uid != 0 || locked.st_gid != ::getegid())) {
    (void)!::fchown(outFd, locked.st_uid, locked.st_gid);
  }
  if (::fchmod(outFd, locked.st_mode & 07777) != 0) {
    ::close(outFd);
    removeTemp();
    return PrintBreakResult::Failed;
  }
  platform::OutputFile out;
  out.Attach(outFd);

  bool discard = true;
  bool ok = false;
  try {
    ok = CopyWithBreaks(in, out, static_cast<std::size_t>(before.st_size), discard);
  } catch (const std::exception&) {
    ok = false;  // a line too long to hold in memory: leave the page as it is
  }
  if (ok && !discard) ok = out.Flush(true);
  ok = out.Close() && ok;

  if (!ok || discard) {
    removeTemp();
    return ok ? PrintBreakResult::Unchanged : PrintBreakResult::Failed;
  }

  // The page must still be the file that was read: one deleted or replaced
  // by someone else meanwhile is not brought back from the old copy.
  if (::fstatat(dir, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 || !SameFile(named, locked) ||
      ::renameat(dir, temp.c_str(), dir, name.c_str()) != 0) {
    removeTemp();
    return PrintBreakResult::Failed;
  }
  in.Close();  // the lock is given up only once the new page is in place
  return PrintBreakResult::Rewritten;
}

PrintBreakResult RewritePageForPrinting(const std::string& path) {
  std::string folder, name;
  if (!platform::SplitPath(path, folder, name)) return PrintBreakResult::NotOpened;
  return RewritePageForPrinting(path, platform::WriteRoot(folder));
}

void InsertPrintPageBreaks(std::string path) { RewritePageForPrinting(path); }

bool MayRewriteOnDisk(const std::string& path, const std::string& root) {
  if (path.empty() || root.empty()) return false;
  const std::string page = platform::RealPath(platform::ResolveCase(path));
  std::string base = platform::RealPath(platform::ResolveCase(root));
  if (page.empty() || base.empty()) return false;
  if (base.back() != '/') base += '/';
  if (page.size() <= base.size() || page.compare(0, base.size(), base) != 0) return false;
  struct stat st {};
  if (::stat(page.c_str(), &st) != 0) return false;
  // The copy is renamed over the page, so its folder must be writable; a
  // read-only page is made writable first, which only its owner can do.
  return ::euidaccess(platform::ParentFolder(page).c_str(), W_OK) == 0 &&
         (::euidaccess(page.c_str(), W_OK) == 0 || st.st_uid == ::geteuid());
}

void InsertPrintPageBreaks(std::string path, const std::string& root) {
  if (MayRewriteOnDisk(path, root)) RewritePageForPrinting(path, platform::WriteRoot(root));
}

PrintBreakResult RewritePageInMemory(const std::string& path, std::string& text) {
  text.clear();
  if (path.empty()) return PrintBreakResult::NotOpened;
  const std::string page = platform::ResolveCase(path);
  struct stat before {};
  if (::stat(page.c_str(), &before) != 0 || !S_ISREG(before.st_mode)) return PrintBreakResult::NotOpened;
  // Shared: a pass rewriting the page on disk right now excludes this read.
  platform::InputFile in;
  if (!in.Open(page, platform::Lock::Shared)) return PrintBreakResult::NotOpened;
  MemoryOutput out(text);
  bool discard = true;
  bool ok = false;
  try {
    ok = CopyWithBreaks(in, out, static_cast<std::size_t>(before.st_size), discard);
  } catch (const std::exception&) {
    ok = false;
  }
  if (!ok || discard) {
    text.clear();
    text.shrink_to_fit();
    return ok ? PrintBreakResult::Unchanged : PrintBreakResult::Failed;
  }
  return PrintBreakResult::Rewritten;
}

PrintSource PreparePageForPrinting(const std::string& path, const std::string& root) {
  PrintSource source;
  const bool onDisk = MayRewriteOnDisk(path, root);
  if (onDisk) source.result = RewritePageForPrinting(path, platform::WriteRoot(root));
  if (!onDisk || source.result == PrintBreakResult::Outside) {
    source.result = RewritePageInMemory(path, source.text);
    source.inMemory = source.result == PrintBreakResult::Rewritten;
  }
  return source;
}
