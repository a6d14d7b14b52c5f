#include "printall/print_report.h"

#include <cstddef>

#include "res/strings.h"

namespace {

using quiro::res::FormatString;
using quiro::res::LoadString;
namespace res = quiro::res;

std::string NameOf(const PrintedPage& page) {
  if (!page.title.empty()) return page.title;
  const std::size_t cut = page.path.find_last_of("/\\");
  return cut == std::string::npos ? page.path : page.path.substr(cut + 1);
}

// The sentence, with its full stop.
std::string Sentence(std::string text) {
  if (text.empty()) text = LoadString(res::IDS_REPORT_NO_REASON);
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
  if (!report.refusal.empty()) return FormatString(res::IDS_RUN_REFUSED, {report.refusal});
  std::size_t sent = 0;
  for (const PrintedPage& page : report.pages) sent += page.sent ? 1 : 0;
  const std::size_t total = report.pages.size();
  if (total == 0) return LoadString(res::IDS_RUN_NOTHING_OPENED);
  if (sent == total) {
    if (total == 1) return FormatString(res::IDS_RUN_ONE_SENT, {report.destination});
    return FormatString(res::IDS_RUN_ALL_SENT, {std::to_string(total), report.destination});
  }
  if (sent == 0) {
    const std::string shared = SharedProblem(report);
    return shared.empty() ? LoadString(res::IDS_RUN_NONE_PRINTED)
                          : FormatString(res::IDS_RUN_NONE_PRINTED_BECAUSE, {shared});
  }
  return FormatString(res::IDS_RUN_SOME_SENT, {std::to_string(sent), std::to_string(total), report.destination,
                                               std::to_string(total - sent)});
}

std::string PrintRunProblems(const PrintRunReport& report) {
  if (!report.refusal.empty())
    return FormatString(res::IDS_REPORT_NOTHING_PRINTED, {Capitalised(Sentence(report.refusal))});
  std::size_t lost = 0;
  for (const PrintedPage& page : report.pages) lost += page.sent ? 0 : 1;
  if (lost == 0) return {};
  const std::string shared = SharedProblem(report);
  std::string text;
  if (lost == report.pages.size()) {
    text = lost == 1 ? LoadString(res::IDS_REPORT_PAGE_NOT_PRINTED)
                     : FormatString(res::IDS_REPORT_NONE_PRINTED, {std::to_string(lost)});
  } else {
    const std::string total = std::to_string(report.pages.size());
    text = lost == 1 ? FormatString(res::IDS_REPORT_ONE_LOST, {total})
                     : FormatString(res::IDS_REPORT_SOME_LOST, {std::to_string(lost), total});
  }
  if (!shared.empty() && lost == report.pages.size()) return text + " " + Capitalised(Sentence(shared));
  constexpr std::size_t kListed = 10;
  std::size_t listed = 0;
  for (std::size_t i = 0; i < report.pages.size(); ++i) {
    const PrintedPage& page = report.pages[i];
    if (page.sent) continue;
    if (listed == kListed) {
      text += "\n" + FormatString(res::IDS_REPORT_MORE, {std::to_string(lost - kListed)});
      break;
    }
    text += "\n" + FormatString(res::IDS_REPORT_PAGE, {std::to_string(i + 1), NameOf(page), Sentence(page.problem)});
    ++listed;
  }
  return text;
}
