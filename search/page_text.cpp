#include "search/page_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <vector>

#include "pdfprint/module.h"
#include "platform/text.h"

namespace search {
namespace {

std::string CollapseBlanks(std::string_view text) {
  std::string out;
  bool blank = false;
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u == 0x7F) {
      blank = !out.empty();
      continue;
    }
    if (blank) out += ' ';
    blank = false;
    out += c;
  }
  return out;
}

}  // namespace

PageKind KindOfPage(std::string_view name) {
  if (platform::EndsWithNoCase(name, ".htm") || platform::EndsWithNoCase(name, ".html")) return PageKind::Html;
  if (platform::EndsWithNoCase(name, ".txt")) return PageKind::Text;
  if (platform::EndsWithNoCase(name, ".pdf")) return PageKind::Pdf;
  return PageKind::None;
}

PageText ExtractPdfText(std::string_view bytes) {
  PageText page;
  // Without the PDF module the document is indexed by its name only.
  std::string why;
  const pdfprint::Table* module = pdfprint::Module(why);
  std::string title;
  std::vector<std::string> texts;
  if (module == nullptr || !module->pdfText(bytes, kMaxPageText, title, texts)) return page;
  page.title = CollapseBlanks(SanitizeUtf8(title));
  std::string body;
  for (const std::string& text : texts) {
    if (body.size() >= kMaxPageText) break;
    body += SanitizeUtf8(text);
    body += ' ';
  }
  page.body = CollapseBlanks(TruncateUtf8(body, kMaxPageText));
  return page;
}

bool ReadPageText(const std::string& path, PageKind kind, PageText& out) {
  // O_NONBLOCK: a FIFO put in a page's place must not stall the indexer.
  return ReadPageText(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC), kind, out);
}

bool ReadPageText(int fd, PageKind kind, PageText& out) {
  out = PageText();
  if (fd < 0) return false;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return false;
  }
  if (kind == PageKind::Pdf && static_cast<std::size_t>(st.st_size) > kMaxPageBytes) {
    close(fd);
    return true;
  }
  std::string bytes;
  bytes.resize(std::min<std::size_t>(static_cast<std::size_t>(st.st_size), kMaxPageBytes));
  std::size_t got = 0;
  bool ok = true;
  while (got < bytes.size()) {
    const ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;  // a file cut short meanwhile: index what was there
    got += static_cast<std::size_t>(n);
  }
  close(fd);
  if (!ok) return false;
  bytes.resize(got);
  switch (kind) {
    case PageKind::Html:
      out = ExtractHtmlText(bytes);
      break;
    case PageKind::Text:
      out = ExtractPlainText(bytes);
      break;
    case PageKind::Pdf:
      out = ExtractPdfText(bytes);
      break;
    case PageKind::None:
      break;
  }
  return true;
}

}  // namespace search
