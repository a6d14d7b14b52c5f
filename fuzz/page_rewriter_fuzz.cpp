// Rewrites the input as a page and compares the result with a plain model of
// the rewrite that works on whole strings; then checks that a second pass
// changes nothing and that no temporary file is left.

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "printall/page_rewriter.h"

namespace {

std::vector<std::string> TextLines(const std::string& data) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < data.size()) {
    std::size_t nl = data.find('\n', start);
    if (nl == std::string::npos) {
      lines.push_back(data.substr(start));
      break;
    }
    std::string line = data.substr(start, nl - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = nl + 1;
  }
  return lines;
}

std::string Upper(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return s;
}

bool Has(const std::string& s, const char* p) { return s.find(p) != std::string::npos; }

bool Trigger(const std::string& u) {
  return Has(u, "<TABLE BORDER=\"1\"") || Has(u, "CLASS=\"FIGURE-HEAD\">") || Has(u, "CLASS=\"FIGURE HEAD\">") ||
         Has(u, "CLASS=\"FIGURE-FRAME\">") || Has(u, "CLASS=\"FIGURE FRAME\">");
}

std::string Crlf(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// The rewrite, step by step on whole strings; nullopt: page left unchanged.
std::optional<std::string> Model(const std::string& data) {
  const std::vector<std::string> lines = TextLines(data);
  std::size_t i = 0;
  std::string colour = "#ffffff", out;
  bool discard = true;
  while (i < lines.size()) {
    std::string held = lines[i++];
    std::string u = Upper(held);
    if (Has(u, "PAGE-BREAK-BEFORE")) return std::nullopt;
    if (std::size_t b = u.find("BGCOLOR"); b != std::string::npos) {
      std::size_t h = u.find('#', b);
      if (h != std::string::npos) {
        std::size_t q = u.find('"', h + 1);
        if (q != std::string::npos) colour = u.substr(h + 1, q - h - 1);
      }
    }
    if (!Has(u, "<TABLE")) {
      out += held + "\r\n";
      continue;
    }
    for (;;) {
      if (Trigger(u)) {
        out += "<STYLE>\r\np.page {page-break-before: always}\r\n</STYLE>\r\n<p class=\"page\"><font SIZE=\"1\" COLOR=\"" +
               colour + "\">.</font></p class=\"page\">\r\n";
        discard = false;
        out += Crlf(held) + "\r\n";
        break;
      }
      held += '\n';
      if (i == lines.size()) {
        out += Crlf(held) + "\r\n";
        break;
      }
      const std::string& line = lines[i++];
      u = Upper(line);
      if (Has(u, "PAGE-BREAK-BEFORE")) return std::nullopt;
      if (Has(u, "<TABLE")) {
        out += Crlf(held);
        held.clear();
      }
      held += line;
    }
  }
  if (discard) return std::nullopt;
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string page = fuzz_support::Folder() + "/page.htm";
  fuzz_support::WriteFile(page, data, size);
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::optional<std::string> expected = Model(input);

  const PrintBreakResult first = RewritePageForPrinting(page);
  const std::string after = fuzz_support::ReadFile(page);
  if (fuzz_support::Exists(page + "~")) std::abort();
  if (expected) {
    if (first != PrintBreakResult::Rewritten || after != *expected) std::abort();
  } else {
    if (first != PrintBreakResult::Unchanged || after != input) std::abort();
  }
  // Idempotence: a second pass never changes the page again.
  if (RewritePageForPrinting(page) != PrintBreakResult::Unchanged) std::abort();
  if (fuzz_support::ReadFile(page) != after) std::abort();
  return 0;
}
