#include "app/core/navigation_check.h"

#include <algorithm>

#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace quiro {

namespace {

// A registry value as it arrives in the 512-byte buffer.
std::string_view AsRead(std::string_view value) { return value.substr(0, platform::kIniValueMax); }

}  // namespace

NavigationDecision DecideNavigation(std::string_view targetUrl, std::string_view root) {
  NavigationDecision decision;
  std::string url(targetUrl);
  // Where the "#fragment" starts in `url`, once known; a "#" decoded from
  // "%23" in a file name is part of the name, not a fragment.
  std::size_t fragment = std::string::npos;
  bool local = false;

  if (platform::StartsWithNoCase(url, "HTTP")) {
    decision.find = ButtonChange::Hide;
    fragment = url.find('#', 1);
  } else {
    if (platform::IsFileUrl(url)) {
      const std::size_t hash = url.find('#', 1);
      std::string path = platform::FileUrlToPath(std::string_view(url).substr(0, hash));
      fragment = path.size();
      if (hash != std::string::npos) path.append(url, hash, std::string::npos);
      url = std::move(path);
    } else {
      fragment = url.find('#', 1);
    }
    local = !url.empty() && url.front() == '/';
    decision.find = platform::StartsWithNoCase(url, root) ? ButtonChange::Show : ButtonChange::Hide;
    const bool pdf = platform::EndsWithNoCase(url, "PDF");
    decision.print = pdf ? ButtonChange::Hide : ButtonChange::Show;
    decision.printAll = decision.print;
  }

  if (fragment < url.size()) url.resize(fragment);

  if (platform::EndsWithNoCase(url, "CHM")) {
    decision.action = NavigationAction::HandOffChm;
  } else if (platform::EndsWithNoCase(url, "HLP")) {
    decision.action = NavigationAction::HandOffHlp;
  } else {
    decision.action = NavigationAction::RewriteAndContinue;
    // Only a local file is handed to the rewriter; anything else would be
    // taken as a path relative to the current directory.
    if (!local) url.clear();
  }
  decision.url = std::move(url);
  return decision;
}

std::string CutQuotedProgram(std::string_view value) {
  const std::string_view v = AsRead(value);
  if (v.size() <= 2) return {};
  // From the second character up to the first quote or the last character.
  const std::size_t quote = v.find('"', 1);
  const std::size_t end = std::min(quote, v.size() - 1);
  return std::string(v.substr(1, end - 1));
}

std::string CutPercentProgram(std::string_view value) {
  const std::string_view v = AsRead(value);
  if (v.size() <= 1) return {};
  const std::size_t percent = v.find('%');
  const std::size_t end = std::min(percent, v.size() - 1);
  return std::string(v.substr(0, end));
}

}  // namespace quiro
