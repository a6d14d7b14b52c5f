#include "search/snippet.h"

#include <algorithm>

#include "search/search_index.h"

namespace search {

namespace {

constexpr std::string_view kEllipsis = "\xE2\x80\xA6";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

std::vector<std::string_view> SplitWords(std::string_view text) {
  std::vector<std::string_view> words;
  words.reserve(text.size() / 6 + 1);  // about one word per six bytes of text
  const char* at = text.data();
  const char* const end = at + text.size();
  while (at < end) {
    while (at < end && IsBlank(*at)) ++at;
    const char* const start = at;
    while (at < end && !IsBlank(*at)) ++at;
    if (at > start) words.emplace_back(start, static_cast<std::size_t>(at - start));
  }
  return words;
}

// FNV-1a over a word, ASCII letters folded, highlight markers left out.
std::uint64_t WordHash(std::string_view word) {
  std::uint64_t hash = 14695981039346656037ull;
  for (char c : word) {
    if (c == kHighlightOpen || c == kHighlightClose) continue;
    hash ^= static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    hash *= 1099511628211ull;
  }
  return hash;
}

// The hash of the run whose kBoilerplateRunWords word hashes start at `words`.
std::uint64_t RunHash(const std::uint64_t* words) {
  std::uint64_t run = 0;
  for (std::size_t j = 0; j < kBoilerplateRunWords; ++j) run = (run ^ words[j]) * 0x9E3779B97F4A7C15ull;
  return run;
}

// The hash of every run of kBoilerplateRunWords words, in order: each word is
// hashed once and the run's hashes are combined.
std::vector<std::uint64_t> RunHashes(const std::vector<std::string_view>& words) {
  std::vector<std::uint64_t> runs;
  if (words.size() < kBoilerplateRunWords) return runs;
  std::vector<std::uint64_t> hashes(words.size());
  for (std::size_t i = 0; i < words.size(); ++i) hashes[i] = WordHash(words[i]);
  runs.resize(words.size() - kBoilerplateRunWords + 1);
  for (std::size_t i = 0; i < runs.size(); ++i) runs[i] = RunHash(&hashes[i]);
  return runs;
}

}  // namespace

Boilerplate Boilerplate::FromPages(const std::vector<std::string>& bodies) {
  Boilerplate boilerplate;
  if (bodies.size() < 3) return boilerplate;
  // Each page's distinct runs, all pages' together, sorted: a run's count is
  // then the number of pages it is found on.
  std::vector<std::uint64_t> all;
  for (const std::string& body : bodies) {
    std::vector<std::uint64_t> runs = RunHashes(SplitWords(body));
    std::sort(runs.begin(), runs.end());
    runs.erase(std::unique(runs.begin(), runs.end()), runs.end());
    all.insert(all.end(), runs.begin(), runs.end());
  }
  std::sort(all.begin(), all.end());
  for (std::size_t i = 0; i < all.size();) {
    std::size_t j = i;
    while (j < all.size() && all[j] == all[i]) ++j;
    if ((j - i) * 2 >= bodies.size()) boilerplate.runs_.push_back(all[i]);
    i = j;
  }
  return boilerplate;
}

std::string Boilerplate::Pack() const {
  std::string packed(runs_.size() * 8, '\0');
  for (std::size_t i = 0; i < runs_.size(); ++i)
    for (int b = 0; b < 8; ++b) packed[i * 8 + b] = static_cast<char>(runs_[i] >> (8 * b));
  return packed;
}

Boilerplate Boilerplate::Unpack(std::string_view packed) {
  Boilerplate boilerplate;
  if (packed.size() % 8 != 0) return boilerplate;
  boilerplate.runs_.resize(packed.size() / 8);
  for (std::size_t i = 0; i < boilerplate.runs_.size(); ++i) {
    std::uint64_t run = 0;
    for (int b = 0; b < 8; ++b) run |= std::uint64_t{static_cast<unsigned char>(packed[i * 8 + b])} << (8 * b);
    boilerplate.runs_[i] = run;
  }
  // Stored sorted; sorted again in case the file says otherwise.
  if (!std::is_sorted(boilerplate.runs_.begin(), boilerplate.runs_.end()))
    std::sort(boilerplate.runs_.begin(), boilerplate.runs_.end());
  return boilerplate;
}

std::vector<std::uint8_t> Boilerplate::Covered(const std::vector<std::string_view>& words,
                                              const std::vector<std::uint8_t>* starts) const {
  std::vector<std::uint8_t> covered(words.size(), 0);
  if (runs_.empty() || words.size() < kBoilerplateRunWords) return covered;
  // Words are hashed as the runs looked at need them.
  std::vector<std::uint64_t> hashes(words.size());
  std::vector<std::uint8_t> hashed(words.size(), 0);
  for (std::size_t i = 0; i + kBoilerplateRunWords <= words.size(); ++i) {
    if (starts && !(*starts)[i]) continue;
    for (std::size_t j = i; j < i + kBoilerplateRunWords; ++j) {
      if (!hashed[j]) {
        hashes[j] = WordHash(words[j]);
        hashed[j] = 1;
      }
    }
    if (!std::binary_search(runs_.begin(), runs_.end(), RunHash(&hashes[i]))) continue;
    for (std::size_t j = i; j < i + kBoilerplateRunWords; ++j) covered[j] = 1;
  }
  return covered;
}

namespace {

// The first of the `span` words to show, given which words are (part of) a
// match: see ChooseSnippet.
std::size_t ChooseStretch(const std::vector<std::string_view>& words, const std::vector<std::uint8_t>& match,
                          const Boilerplate& boilerplate, std::size_t span) {
  const std::size_t n = words.size();
  // Where some word matches, only the stretches holding a match can be
  // chosen, so only the runs reaching into them matter; a long page is then
  // hashed around its matches alone.
  std::vector<std::uint8_t> starts(n, 0);
  bool anyMatch = false;
  for (std::size_t i = 0, done = 0; i < n; ++i) {
    if (!match[i]) continue;
    anyMatch = true;
    const std::size_t from = std::max(done, i >= span + kBoilerplateRunWords ? i - span - kBoilerplateRunWords : 0);
    done = std::min(n, i + span);
    std::fill(starts.begin() + static_cast<std::ptrdiff_t>(from), starts.begin() + static_cast<std::ptrdiff_t>(done), 1);
  }
  const std::vector<std::uint8_t> covered = boilerplate.Covered(words, anyMatch ? &starts : nullptr);

  // Sliding sums over windows of `span` words: matches in tenths (a match
  // in repeated text is worth 1, another 10), and repeated words.
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
  return best;
}

}  // namespace

std::string ChooseSnippet(std::string_view marked, const Boilerplate& boilerplate, std::size_t length) {
  const std::vector<std::string_view> words = SplitWords(marked);
  const std::size_t n = words.size();
  if (n == 0 || length == 0) return {};
  // Whether a highlight is open before each word (and after the last), and
  // whether the word is (part of) a match.
  std::vector<std::uint8_t> openBefore(n + 1, 0), match(n, 0);
  bool open = false;
  for (std::size_t i = 0; i < n; ++i) {
    openBefore[i] = open;
    match[i] = open;
    for (char c : words[i]) {
      if (c == kHighlightOpen) {
        open = true;
        match[i] = 1;
      } else if (c == kHighlightClose) {
        open = false;
      }
    }
  }
  openBefore[n] = open;
  const std::size_t span = std::min(length, n);
  const std::size_t best = ChooseStretch(words, match, boilerplate, span);

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

std::string ChooseSnippet(std::string_view text, const std::vector<ByteRange>& matches,
                          const Boilerplate& boilerplate, std::size_t length) {
  const std::vector<std::string_view> words = SplitWords(text);
  const std::size_t n = words.size();
  if (n == 0 || length == 0) return {};
  auto from = [&](std::size_t i) { return static_cast<std::size_t>(words[i].data() - text.data()); };
  auto to = [&](std::size_t i) { return from(i) + words[i].size(); };
  // A word is (part of) a match where a match's bytes reach into it.
  std::vector<std::uint8_t> match(n, 0);
  for (std::size_t i = 0, k = 0; i < n; ++i) {
    while (k < matches.size() && matches[k].end <= from(i)) ++k;
    match[i] = k < matches.size() && matches[k].begin < to(i);
  }
  const std::size_t span = std::min(length, n);
  const std::size_t best = ChooseStretch(words, match, boilerplate, span);

  // The words shown, with a match's start and end marked where they fall
  // in them, and a match cut by the stretch closed or opened again.
  const std::size_t begin = from(best), end = to(best + span - 1);
  std::string snippet;
  if (best > 0) snippet += kEllipsis;
  std::size_t k = 0;
  while (k < matches.size() && matches[k].end <= begin) ++k;
  if (k < matches.size() && matches[k].begin < begin) snippet += kHighlightOpen;
  for (std::size_t i = best; i < best + span; ++i) {
    if (i > best) snippet += ' ';
    std::size_t at = from(i);
    const std::size_t wordEnd = to(i);
    for (; k < matches.size() && matches[k].begin < wordEnd; ++k) {
      if (matches[k].begin >= at) {
        snippet.append(text, at, matches[k].begin - at);
        snippet += kHighlightOpen;
        at = matches[k].begin;
      }
      if (matches[k].end > wordEnd) break;  // open past this word
      snippet.append(text, at, matches[k].end - at);
      snippet += kHighlightClose;
      at = matches[k].end;
    }
    snippet.append(text, at, wordEnd - at);
  }
  if (k < matches.size() && matches[k].begin < end && matches[k].end > end) snippet += kHighlightClose;
  if (best + span < n) snippet += kEllipsis;
  return snippet;
}

std::string BalanceHighlights(std::string_view snippet) {
  std::string out;
  out.reserve(snippet.size() + 1);
  bool open = false;
  for (char c : snippet) {
    if (c == kHighlightOpen || c == kHighlightClose) {
      if (open == (c == kHighlightOpen)) continue;
      open = !open;
    }
    out += c;
  }
  if (open) out += kHighlightClose;
  return out;
}

}  // namespace search
