#include "printall/print_report.h"

#include <cstddef>

namespace {

std::string Pages(std::size_t n) { return std::to_string(n) + (n == 1 ? " page" : " pages"); }

std::string NameOf(const PrintedPage& page) {
  if (!page.title.empty()) return page.title;
  const std::size_t cut = page.path.find_last_of("/\\");
  return cut == std::string::npos ? page.path : page.path.substr(cut + 1);
}

// The sentence, with its full stop.
std::string Sentence(std::string text) {
  if (text.empty()) text = "the reason is not known";
  if (text.back() != '.') text += '.';
  return text;
}

// A sentence that stands on its own starts with a capital.
std::string Capitalised(std::string text) {
  if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
  return text;
}

// The reason all lost pages share, or empty when they differ.
std::string SharedProblem(const PrintRunReport& report) {
  std::string shared;
  for (const PrintedPage& page : report.pages) {
    if (page.sent) continue;
    if (shared.empty()) {
      shared = page.problem;
    } else if (shared != page.problem) {
      return {};
    }
  }
  return shared;
}

}  // namespace

std::string PrintRunStatus(const PrintRunReport& report) {
  if (!report.refusal.empty()) return "Print All: no page printed: " + report.refusal;
  std::size_t sent = 0;
  for (const PrintedPage& page : report.pages) sent += page.sent ? 1 : 0;
  const std::size_t total = report.pages.size();
  if (total == 0) return "Print All: no page could be opened";
  if (sent == total) return "Print All: " + Pages(total) + " sent to " + report.destination;
  if (sent == 0) {
    const std::string shared = SharedProblem(report);
    return "Print All: no page printed" + (shared.empty() ? std::string() : ": " + shared);
  }
  return "Print All: " + std::to_string(sent) + " of " + Pages(total) + " sent to " +
         report.destination + "; " + std::to_string(total - sent) + " not printed";
}

std::string PrintRunProblems(const PrintRunReport& report) {
  if (!report.refusal.empty()) return "Nothing was printed. " + Capitalised(Sentence(report.refusal));
  std::size_t lost = 0;
  for (const PrintedPage& page : report.pages) lost += page.sent ? 0 : 1;
  if (lost == 0) return {};
  const std::string shared = SharedProblem(report);
  std::string text;
  if (lost == report.pages.size()) {
    text = lost == 1 ? "The page was not printed." : "None of the " + Pages(lost) + " was printed.";
  } else {
    text = Pages(lost) + " of " + std::to_string(report.pages.size()) +
           (lost == 1 ? " was" : " were") + " not printed.";
  }
  if (!shared.empty() && lost == report.pages.size()) return text + " " + Capitalised(Sentence(shared));
  constexpr std::size_t kListed = 10;
  std::size_t listed = 0;
  for (std::size_t i = 0; i < report.pages.size(); ++i) {
    const PrintedPage& page = report.pages[i];
    if (page.sent) continue;
    if (listed == kListed) {
      text += "\n... and " + std::to_string(lost - kListed) + " more.";
      break;
    }
    text += "\nPage " + std::to_string(i + 1) + ", " + NameOf(page) + ": " + Sentence(page.problem);
    ++listed;
  }
  return text;
}
