#include "search/snippet.h"

#include <algorithm>
#include <unordered_map>

#include "search/search_index.h"

namespace search {

namespace {

constexpr std::string_view kEllipsis = "\xE2\x80\xA6";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

std::vector<std::string_view> SplitWords(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && IsBlank(text[at])) ++at;
    const std::size_t start = at;
    while (at < text.size() && !IsBlank(text[at])) ++at;
    if (at > start) words.push_back(text.substr(start, at - start));
  }
  return words;
}

// FNV-1a over the run's words, ASCII letters folded, highlight markers left
// out, a separator between words.
std::uint64_t RunHash(const std::vector<std::string_view>& words, std::size_t first) {
  std::uint64_t hash = 14695981039346656037ull;
  auto add = [&hash](unsigned char c) {
    hash ^= c;
    hash *= 1099511628211ull;
  };
  for (std::size_t i = first; i < first + kBoilerplateRunWords; ++i) {
    for (char c : words[i]) {
      if (c == kHighlightOpen || c == kHighlightClose) continue;
      add(static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c));
    }
    add(0x1F);
  }
  return hash;
}

}  // namespace

Boilerplate Boilerplate::FromPages(const std::vector<std::string>& bodies) {
  Boilerplate boilerplate;
  if (bodies.size() < 3) return boilerplate;
  std::unordered_map<std::uint64_t, std::size_t> pagesWith;
  for (const std::string& body : bodies) {
    const std::vector<std::string_view> words = SplitWords(body);
    if (words.size() < kBoilerplateRunWords) continue;
    std::unordered_set<std::uint64_t> seen;
    for (std::size_t i = 0; i + kBoilerplateRunWords <= words.size(); ++i) {
      const std::uint64_t run = RunHash(words, i);
      if (seen.insert(run).second) ++pagesWith[run];
    }
  }
  for (const auto& [run, count] : pagesWith)
    if (count * 2 >= bodies.size()) boilerplate.runs_.insert(run);
  return boilerplate;
}

std::vector<bool> Boilerplate::Covered(const std::vector<std::string_view>& words) const {
  std::vector<bool> covered(words.size(), false);
  if (runs_.empty()) return covered;
  for (std::size_t i = 0; i + kBoilerplateRunWords <= words.size(); ++i) {
    if (runs_.count(RunHash(words, i)) == 0) continue;
    for (std::size_t j = i; j < i + kBoilerplateRunWords; ++j) covered[j] = true;
  }
  return covered;
}

std::string ChooseSnippet(std::string_view marked, const Boilerplate& boilerplate, std::size_t length) {
  const std::vector<std::string_view> words = SplitWords(marked);
  const std::size_t n = words.size();
  if (n == 0 || length == 0) return {};
  // Whether a highlight is open before each word (and after the last), and
  // whether the word is (part of) a match.
  std::vector<bool> openBefore(n + 1, false), match(n, false);
  bool open = false;
  for (std::size_t i = 0; i < n; ++i) {
    openBefore[i] = open;
    match[i] = open;
    for (char c : words[i]) {
      if (c == kHighlightOpen) {
        open = true;
        match[i] = true;
      } else if (c == kHighlightClose) {
        open = false;
      }
    }
  }
  openBefore[n] = open;
  const std::vector<bool> covered = boilerplate.Covered(words);

  // Sliding sums over windows of `span` words: matches in tenths (a match
  // in repeated text is worth 1, another 10), and repeated words.
  const std::size_t span = std::min(length, n);
  auto weight = [&](std::size_t i) { return match[i] ? (covered[i] ? 1 : 10) : 0; };
  long score = 0, repeated = 0;
  for (std::size_t i = 0; i < span; ++i) {
    score += weight(i);
    repeated += covered[i] ? 1 : 0;
  }
  std::size_t best = 0;
  long bestScore = score, bestRepeated = repeated;
  for (std::size_t start = 1; start + span <= n; ++start) {
    score += weight(start + span - 1) - weight(start - 1);
    repeated += (covered[start + span - 1] ? 1 : 0) - (covered[start - 1] ? 1 : 0);
    if (score > bestScore || (score == bestScore && repeated < bestRepeated)) {
      best = start;
      bestScore = score;
      bestRepeated = repeated;
    }
  }

  // Some words before the first match read better than none: the stretch
  // moves on while it stays as good.
  std::size_t first = best;
  while (first < best + span && weight(first) == 0) ++first;
  if (first < best + span) {
    const std::size_t lead = span / 4;
    const std::size_t wanted = std::min(first > lead ? first - lead : 0, n - span);
    for (std::size_t start = wanted; start > best; --start) {
      long sum = 0, inRepeated = 0;
      for (std::size_t i = start; i < start + span; ++i) {
        sum += weight(i);
        inRepeated += covered[i] ? 1 : 0;
      }
      if (sum >= bestScore && inRepeated <= bestRepeated) {
        best = start;
        break;
      }
    }
  }

  std::string snippet;
  if (best > 0) snippet += kEllipsis;
  if (openBefore[best]) snippet += kHighlightOpen;
  for (std::size_t i = best; i < best + span; ++i) {
    if (i > best) snippet += ' ';
    snippet += words[i];
  }
  if (openBefore[best + span]) snippet += kHighlightClose;
  if (best + span < n) snippet += kEllipsis;
  return snippet;
}

}  // namespace search
