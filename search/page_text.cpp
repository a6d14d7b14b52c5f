#include "search/page_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <memory>
#include <mutex>

#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-page.h>

#include "platform/text.h"

namespace search {
namespace {

void IgnorePopplerMessage(const std::string&, void*) {}

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

std::string Utf8Of(const poppler::ustring& text) {
  const poppler::byte_array bytes = text.to_utf8();
  return SanitizeUtf8(std::string_view(bytes.data(), bytes.size()));
}

}  // namespace

PageKind KindOfPage(std::string_view name) {
  if (platform::EndsWithNoCase(name, ".htm") || platform::EndsWithNoCase(name, ".html")) return PageKind::Html;
  if (platform::EndsWithNoCase(name, ".txt")) return PageKind::Text;
  if (platform::EndsWithNoCase(name, ".pdf")) return PageKind::Pdf;
  return PageKind::None;
}

PageText ExtractPdfText(std::string_view bytes) {
  static std::once_flag quiet;
  // Poppler reports damaged files on stderr by default; a broken PDF is an
  // ordinary outcome here.
  std::call_once(quiet, [] { poppler::set_debug_error_function(IgnorePopplerMessage, nullptr); });
  PageText page;
  if (bytes.size() > static_cast<std::size_t>(INT_MAX)) return page;
  std::unique_ptr<poppler::document> doc(
      poppler::document::load_from_raw_data(bytes.data(), static_cast<int>(bytes.size())));
  if (!doc || doc->is_locked()) return page;
  page.title = CollapseBlanks(Utf8Of(doc->info_key("Title")));
  std::string body;
  for (int i = 0; i < doc->pages() && body.size() < kMaxPageText; ++i) {
    std::unique_ptr<poppler::page> p(doc->create_page(i));
    if (!p) continue;
    body += Utf8Of(p->text());
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
