#include "printall/page_rewriter.h"

#include <sys/stat.h>

#include <cstdlib>
#include <string_view>

#include "platform/files.h"
#include "platform/paths.h"

namespace {

// Everything is matched against an upper-cased copy of the line.
constexpr std::string_view kAbandon = "PAGE-BREAK-BEFORE";
constexpr std::string_view kColour = "BGCOLOR";
constexpr std::string_view kTableStart = "<TABLE";
constexpr std::string_view kTriggers[] = {
    "<TABLE BORDER=\"1\"",
    "CLASS=\"FIGURE-HEAD\">",
    "CLASS=\"FIGURE HEAD\">",
    "CLASS=\"FIGURE-FRAME\">",
    "CLASS=\"FIGURE FRAME\">",
};

constexpr std::string_view kBlockHead =
    "<STYLE>\np.page {page-break-before: always}\n</STYLE>\n<p class=\"page\"><font SIZE=\"1\" COLOR=\"";
constexpr std::string_view kBlockTail = "\">.</font></p class=\"page\">\n";

// Upper-cases `line` into `out`, reusing its storage (a-z only, as
// platform::ToUpperAscii does).
void UpperInto(std::string& out, const std::string& line) {
  out.resize(line.size());
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    out[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
}

bool Contains(const std::string& upper, std::string_view pattern) {
  return upper.find(pattern) != std::string::npos;
}

bool HasTrigger(const std::string& upper) {
  for (std::string_view trigger : kTriggers) {
    if (Contains(upper, trigger)) return true;
  }
  return false;
}

// The text between the first "#" after the line's first BGCOLOR and the next
// quote; `colour` is left alone when either is missing.
void TakeColour(const std::string& upper, std::string& colour) {
  const std::size_t at = upper.find(kColour);
  if (at == std::string::npos) return;
  const std::size_t hash = upper.find('#', at);
  if (hash == std::string::npos) return;
  const std::size_t quote = upper.find('"', hash + 1);
  if (quote == std::string::npos) return;
  colour.assign(upper, hash + 1, quote - hash - 1);
}

struct FileId {
  dev_t dev = 0;
  ino_t ino = 0;
  mode_t mode = 0;
};

bool StatFile(const std::string& path, FileId& id) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  id = {st.st_dev, st.st_ino, st.st_mode};
  return true;
}

bool SameFile(const FileId& a, const FileId& b) { return a.dev == b.dev && a.ino == b.ino; }

// Copies the page into the temporary file. Returns false on a read or write
// error; `discard` tells whether the copy is to be thrown away.
bool CopyWithBreaks(platform::InputFile& in, platform::OutputFile& out, bool& discard) {
  std::string held;     // the line just read, or every line of the open hold
  std::string line;     // a line read inside a hold
  std::string upper;    // upper-cased copy of the newest line
  std::string colour = "#ffffff";
  discard = true;

  for (;;) {
    // Copy loop: one line at a time until a table starts.
    const auto read = in.ReadLine(held);
    if (read == platform::InputFile::Read::End) return true;
    if (read == platform::InputFile::Read::Error) return false;
    UpperInto(upper, held);
    if (Contains(upper, kAbandon)) {
      discard = true;
      return true;
    }
    TakeColour(upper, colour);
    if (!Contains(upper, kTableStart)) {
      if (!out.WriteText(held) || !out.WriteText("\n")) return false;
      continue;
    }

    // Hold loop: keep lines back until a trigger shows whether the table
    // gets a block in front of it. A later table start restarts the hold.
    for (;;) {
      if (HasTrigger(upper)) {
        if (!out.WriteText(kBlockHead) || !out.WriteText(colour) || !out.WriteText(kBlockTail)) {
          return false;
        }
        discard = false;
        if (!out.WriteText(held) || !out.WriteText("\n")) return false;
        break;
      }
      held += '\n';
      const auto next = in.ReadLine(line);
      if (next == platform::InputFile::Read::Error) return false;
      if (next == platform::InputFile::Read::End) {
        // The held lines go out as they are, ending in one empty line.
        if (!out.WriteText(held) || !out.WriteText("\n")) return false;
        return true;
      }
      UpperInto(upper, line);
      if (Contains(upper, kAbandon)) {
        discard = true;
        return true;
      }
      if (Contains(upper, kTableStart)) {
        if (!out.WriteText(held)) return false;
        held.clear();
      }
      held += line;
    }
  }
}

}  // namespace

PrintBreakResult RewritePageForPrinting(const std::string& path) {
  if (path.empty()) return PrintBreakResult::NotOpened;
  platform::ClearReadOnly(path);

  // A symbolic link stays a link: the file it names is rewritten.
  std::string page = platform::ResolveCase(path);
  if (char* real = ::realpath(page.c_str(), nullptr)) {
    page = real;
    std::free(real);
  }

  // Only regular files: a FIFO or a device could block the pass for ever.
  // The lock belongs to whichever file the page name denoted when the open
  // was made. If another pass replaced the page in between, the name now
  // denotes a newer file and this lock guards nothing: give up, the other
  // pass has done the work.
  FileId before;
  if (!StatFile(page, before) || !S_ISREG(before.mode)) return PrintBreakResult::NotOpened;
  platform::InputFile in;
  if (!in.Open(page, platform::Lock::Exclusive)) return PrintBreakResult::NotOpened;
  FileId locked;
  if (!StatFile(page, locked) || !SameFile(before, locked)) return PrintBreakResult::NotOpened;

  // Only the holder of the page's lock touches page + "~", so the temporary
  // file is never shared between passes.
  const std::string temp = page + "~";
  platform::OutputFile out;
  if (!out.Create(temp, platform::Lock::Exclusive)) return PrintBreakResult::Failed;

  bool discard = true;
  bool ok = CopyWithBreaks(in, out, discard);
  if (ok && !discard) ok = out.Flush(true);
  ok = out.Close() && ok;

  if (!ok || discard) {
    platform::RemoveFile(temp);
    return ok ? PrintBreakResult::Unchanged : PrintBreakResult::Failed;
  }

  // The page must still be the file that was read: one deleted or replaced
  // by someone else meanwhile is not brought back from the old copy.
  FileId now;
  if (!StatFile(page, now) || !SameFile(now, locked)) {
    platform::RemoveFile(temp);
    return PrintBreakResult::Failed;
  }
  ::chmod(platform::ResolveCase(temp).c_str(), locked.mode & 07777);
  if (!platform::ReplaceFile(temp, page)) {
    platform::RemoveFile(temp);
    return PrintBreakResult::Failed;
  }
  in.Close();  // the lock is given up only once the new page is in place
  return PrintBreakResult::Rewritten;
}

void InsertPrintPageBreaks(std::string path) { RewritePageForPrinting(path); }
