#include <climits>
#include <memory>
#include <mutex>

#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-page.h>

#include "pdfprint/pdf_work.h"

namespace pdfprint {
namespace {

void IgnorePopplerMessage(const std::string&, void*) {}

std::string Utf8Of(const poppler::ustring& text) {
  const poppler::byte_array bytes = text.to_utf8();
  return std::string(bytes.data(), bytes.size());
}

}  // namespace

bool PdfText(std::string_view bytes, std::size_t limit, std::string& title, std::vector<std::string>& pages) {
  static std::once_flag quiet;
  // Poppler reports damaged files on stderr by default; a broken PDF is an
  // ordinary outcome here.
  std::call_once(quiet, [] { poppler::set_debug_error_function(IgnorePopplerMessage, nullptr); });
  title.clear();
  pages.clear();
  if (bytes.size() > static_cast<std::size_t>(INT_MAX)) return false;
  std::unique_ptr<poppler::document> doc(
      poppler::document::load_from_raw_data(bytes.data(), static_cast<int>(bytes.size())));
  if (!doc || doc->is_locked()) return false;
  title = Utf8Of(doc->info_key("Title"));
  std::size_t total = 0;
  for (int i = 0; i < doc->pages() && total < limit; ++i) {
    std::unique_ptr<poppler::page> p(doc->create_page(i));
    if (!p) continue;
    pages.push_back(Utf8Of(p->text()));
    total += pages.back().size() + 1;
  }
  return true;
}

}  // namespace pdfprint
