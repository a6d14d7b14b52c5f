// Runs the same sequence of marker scans over the input twice: once on the
// file as read line by line, once with the input kept in memory and its
// markers indexed. Every result and the scan state after every step must be
// the same. The first bytes of the input choose the steps; the rest is the
// file.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_support.h"
#include "textfile/text_line_file.h"

namespace {

const std::string kPrefix = "<!--QVXTAG:";
const std::string kSuffix = " -->";
const char* const kNames[] = {"A", "HEAD", "FOOT", "a b"};

// `collected` after a search that found nothing is scratch text: the
// in-memory search leaves it empty where the line-by-line one leaves what it
// passed over. It is compared again once a step starts it afresh.
void Same(const CTextLineFile& plain, const CTextLineFile& kept, bool compareCollected) {
  if ((compareCollected && plain.collected != kept.collected) || plain.Unread() != kept.Unread() ||
      plain.bufferTaken != kept.bufferTaken || plain.rawLines != kept.rawLines) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::size_t steps = std::min<std::size_t>(data[0] & 15, size - 1);
  const std::string path = fuzz_support::Folder() + "/template.htm";
  fuzz_support::WriteFile(path, data + 1 + steps, size - 1 - steps);

  CTextLineFile plain(path);
  CTextLineFile kept(path);
  kept.KeepInMemory(kPrefix, kSuffix);

  bool collectedComparable = true;
  for (std::size_t i = 0; i < steps; ++i) {
    const uint8_t b = data[1 + i];
    const std::string name = kNames[(b >> 3) & 3];
    const std::string start = kPrefix + name + kSuffix;
    const std::string end = (b & 0x20) ? kPrefix + "/" + name + kSuffix : kPrefix;
    const bool raw = b & 0x40;
    switch (b & 7) {
      case 0:
        if (plain.ExtractNext(start, end, raw) != kept.ExtractNext(start, end, raw)) std::abort();
        break;
      case 1: {
        plain.RewindInput();
        const std::string a = plain.ExtractNext(start, end, raw);
        if (a != kept.RewindAndExtractNext(start, end, raw)) std::abort();
        collectedComparable = !a.empty() || plain.collected.empty();
        break;
      }
      case 2:
        if (plain.FindMarker(start) != kept.FindMarker(start)) std::abort();
        break;
      case 3:
        if (plain.SkipPast(start) != kept.SkipPast(start)) std::abort();
        break;
      case 4:
        if (plain.TakeUpTo(end) != kept.TakeUpTo(end)) std::abort();
        break;
      case 5:
        if (plain.RewindAndSkipPast(start) != kept.RewindAndSkipPast(start)) std::abort();
        break;
      case 6:
        if (plain.ExtractFromStart(start, end, raw) != kept.ExtractFromStart(start, end, raw)) std::abort();
        break;
      case 7:
        if (plain.ExtractNext(kPrefix, kSuffix, true) != kept.ExtractNext(kPrefix, kSuffix, true)) std::abort();
        break;
    }
    switch (b & 7) {
      case 0: case 5: case 6: case 7: collectedComparable = true; break;
      default: break;
    }
    Same(plain, kept, collectedComparable);
  }
  return 0;
}
