#include "app/core/navigation_check.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace quiro {

namespace {

// A registry value as it arrives in the 512-byte buffer.
std::string_view AsRead(std::string_view value) { return value.substr(0, platform::kIniValueMax); }

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool IsExecutableFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

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
  // A command without quotes: the program is what stands before the
  // placeholder when that names an existing absolute path (blanks and all),
  // else its first word.
  if (!v.empty() && v.front() != '"') {
    const std::string_view whole = Trimmed(v.substr(0, v.find('%')));
    if (!whole.empty() && whole.front() == '/' && IsExecutableFile(std::string(whole))) return std::string(whole);
    return std::string(whole.substr(0, whole.find_first_of(" \t")));
  }
  if (v.size() <= 2) return {};
  // From the second character up to the first quote or the last character.
  const std::size_t quote = v.find('"', 1);
  const std::size_t end = std::min(quote, v.size() - 1);
  return std::string(v.substr(1, end - 1));
}

bool IsLocalHelpFile(std::string_view preparedUrl, std::string_view root, const std::set<std::string>& opened) {
  if (preparedUrl.empty() || preparedUrl.front() != '/') return false;
  // No "." or ".." component may lead it out of the root.
  for (std::size_t at = 0; at != std::string_view::npos;) {
    const std::size_t next = preparedUrl.find('/', at + 1);
    const std::string_view part = preparedUrl.substr(at + 1, next == std::string_view::npos ? next : next - at - 1);
    if (part == "." || part == "..") return false;
    at = next;
  }
  return platform::StartsWithNoCase(preparedUrl, root) || opened.count(std::string(preparedUrl)) != 0;
}

bool ViewerStartGate::Take(std::chrono::steady_clock::time_point now) {
  if (last_ && now - *last_ < std::chrono::seconds(1)) return false;
  last_ = now;
  return true;
}

std::string FindProgram(std::string_view program, std::string_view pathVariable) {
  if (program.empty()) return {};
  if (program.front() == '/') return IsExecutableFile(std::string(program)) ? std::string(program) : std::string();
  // "bin/viewer" or "./viewer" would be taken from the current folder.
  if (program.find('/') != std::string_view::npos) return {};
  while (!pathVariable.empty()) {
    const std::size_t colon = pathVariable.find(':');
    const std::string_view folder = pathVariable.substr(0, colon);
    pathVariable = colon == std::string_view::npos ? std::string_view() : pathVariable.substr(colon + 1);
    if (folder.empty() || folder.front() != '/') continue;  // the current folder, spelled or not
    std::string candidate(folder);
    if (candidate.back() != '/') candidate += '/';
    candidate += program;
    if (IsExecutableFile(candidate)) return candidate;
  }
  return {};
}

std::string CutPercentProgram(std::string_view value) {
  const std::string_view v = AsRead(value);
  if (v.size() <= 1) return {};
  const std::size_t percent = v.find('%');
  const std::size_t end = std::min(percent, v.size() - 1);
  return std::string(v.substr(0, end));
}

}  // namespace quiro
