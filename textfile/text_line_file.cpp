#include "textfile/text_line_file.h"

#include <utility>

#include "platform/text.h"

namespace {

// Searches for one marker in line after line. Short markers use the
// library's search; long ones (names read from data can be megabytes long)
// a Knuth-Morris-Pratt scan, so a search never costs more than the length
// of the text plus the length of the marker.
class MarkerSearch {
 public:
  explicit MarkerSearch(std::string needle) : needle_(std::move(needle)) {
    if (needle_.size() <= kShort) return;
    fail_.assign(needle_.size(), 0);
    for (std::size_t i = 1, k = 0; i < needle_.size(); ++i) {
      while (k > 0 && needle_[i] != needle_[k]) k = fail_[k - 1];
      if (needle_[i] == needle_[k]) ++k;
      fail_[i] = k;
    }
  }
  std::size_t Find(const std::string& text, std::size_t from) const {
    if (needle_.size() <= kShort) return text.find(needle_, from);
    if (from > text.size() || text.size() - from < needle_.size()) return std::string::npos;
    for (std::size_t i = from, k = 0; i < text.size(); ++i) {
      while (k > 0 && text[i] != needle_[k]) k = fail_[k - 1];
      if (text[i] == needle_[k]) ++k;
      if (k == needle_.size()) return i + 1 - k;
    }
    return std::string::npos;
  }

 private:
  static constexpr std::size_t kShort = 64;
  std::string needle_;
  std::vector<std::size_t> fail_;
};

}  // namespace

CTextLineFile::CTextLineFile(const std::string& inputPath, platform::Lock lock) {
  inputClosed = !input.Open(inputPath, lock);
}

CTextLineFile::CTextLineFile(platform::InputFile opened) : input(std::move(opened)) {
  inputClosed = !input.IsOpen();
}

CTextLineFile::CTextLineFile(const std::string& inputPath, const std::string& outputPath, platform::Lock lock)
    : CTextLineFile(inputPath, lock) {
  outputClosed = !output.Create(outputPath, lock);
}

CTextLineFile::~CTextLineFile() { Close(); }

bool CTextLineFile::Close() {
  bool ok = true;
  if (!inputClosed) {
    input.Close();
    inputClosed = true;
  }
  if (!outputClosed) {
    ok = output.Close();
    outputClosed = true;
  }
  return ok;
}

bool CTextLineFile::WriteText(std::string_view text) {
  if (outputClosed) return false;
  return output.WriteText(text);
}

void CTextLineFile::RewindInput() {
  if (inputClosed) return;
  if (!inMemory_) input.Rewind();
  nextLine_ = 0;
}

bool CTextLineFile::ReadNextLine() {
  if (inputClosed) {
    buffer.clear();
    return false;
  }
  if (inMemory_) {
    if (nextLine_ >= lines_.size()) {
      buffer.clear();
      return false;
    }
    buffer = lines_[nextLine_++];
    return true;
  }
  if (input.ReadLine(buffer) != platform::InputFile::Read::Line) {
    buffer.clear();
    return false;
  }
  ++nextLine_;
  return true;
}

void CTextLineFile::SetBuffer(std::size_t lineIndex, bool haveLine) {
  if (!rawLines) buffer += '\n';
  bufferStart = 0;
  bufferLine_ = haveLine ? lineIndex : kNoLine;
  platform::ToUpperAsciiInto(buffer, upper_);
}

std::ptrdiff_t CTextLineFile::FindMarker(std::string_view marker) {
  if (marker.empty()) return 0;
  const MarkerSearch search(platform::ToUpperAscii(marker));
  for (;;) {
    const std::size_t at = search.Find(upper_, bufferStart);
    if (at != std::string::npos) return static_cast<std::ptrdiff_t>(at - bufferStart);
    if (!bufferTaken) collected.append(buffer, bufferStart, std::string::npos);
    const bool haveLine = ReadNextLine();
    SetBuffer(nextLine_ - 1, haveLine);
    if (!haveLine) return -1;
    bufferTaken = false;
  }
}

bool CTextLineFile::SkipPast(std::string_view marker) {
  collected.clear();
  const std::ptrdiff_t at = FindMarker(marker);
  if (at < 0) return false;
  bufferStart += static_cast<std::size_t>(at) + marker.size();
  collected.clear();
  bufferTaken = true;
  return true;
}

bool CTextLineFile::TakeUpTo(std::string_view marker) {
  const std::ptrdiff_t at = FindMarker(marker);
  if (at < 0) return false;
  collected.append(buffer, bufferStart, static_cast<std::size_t>(at));
  bufferStart += static_cast<std::size_t>(at) + marker.size();
  bufferTaken = true;
  return true;
}

bool CTextLineFile::RewindAndSkipPast(std::string_view marker) {
  collected.clear();
  buffer.clear();
  upper_.clear();
  bufferStart = 0;
  bufferLine_ = kNoLine;
  bufferTaken = false;
  RewindInput();
  return SkipPast(marker);
}

std::string CTextLineFile::ExtractNext(std::string_view startMarker, std::string_view endMarker, bool raw) {
  rawLines = raw;
  if (inputClosed) return {};
  collected.clear();
  bufferTaken = false;
  if (SkipPast(startMarker) && TakeUpTo(endMarker)) return collected;
  return {};
}

std::string CTextLineFile::ExtractFromStart(std::string_view startMarker, std::string_view endMarker,
                                            bool raw) {
  rawLines = raw;
  if (inputClosed) return {};
  if (RewindAndSkipPast(startMarker) && TakeUpTo(endMarker)) return collected;
  return {};
}

bool CTextLineFile::CopySection(std::string_view startMarker, std::string_view endMarker, bool raw) {
  return WriteText(ExtractFromStart(startMarker, endMarker, raw));
}

bool CTextLineFile::KeepInMemory(std::string_view markerPrefix, std::string_view markerSuffix) {
  if (inputClosed || inMemory_ || markerPrefix.empty() || markerSuffix.empty()) return false;
  std::vector<std::string> lines;
  std::string line;
  for (;;) {
    const auto result = input.ReadLine(line);
    if (result == platform::InputFile::Read::End) break;
    if (result == platform::InputFile::Read::Error) {
      input.Rewind();
      return false;
    }
    lines.push_back(std::move(line));
    line.clear();
  }
  lines_ = std::move(lines);
  inMemory_ = true;
  nextLine_ = 0;
  markerPrefix_ = platform::ToUpperAscii(markerPrefix);
  markerSuffix_ = platform::ToUpperAscii(markerSuffix);

  // Every place where begin(NAME) can match starts with the prefix; a NAME
  // without the suffix in it matches at such a place exactly when the text
  // up to the first suffix behind the prefix is that NAME.
  std::string upper;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    platform::ToUpperAsciiInto(lines_[i], upper);
    std::size_t from = 0;
    std::size_t end = 0;  // first suffix at or after the last name start
    bool endKnown = false;
    for (;;) {
      const std::size_t at = upper.find(markerPrefix_, from);
      if (at == std::string::npos) break;
      const std::size_t nameStart = at + markerPrefix_.size();
      if (!endKnown || end < nameStart) {
        end = upper.find(markerSuffix_, nameStart);
        endKnown = true;
      }
      if (end == std::string::npos) break;  // no later prefix on this line has a suffix either
      if (end - nameStart <= kMaxIndexedName) {
        markers_[upper.substr(nameStart, end - nameStart)].push_back({i, at});
      }
      from = at + 1;
    }
  }
  return true;
}

std::string CTextLineFile::RewindAndExtractNext(std::string_view startMarker, std::string_view endMarker,
                                                bool raw) {
  const std::string upperStart = platform::ToUpperAscii(startMarker);
  const bool indexed =
      inMemory_ && !inputClosed && upperStart.size() >= markerPrefix_.size() + markerSuffix_.size() &&
      upperStart.compare(0, markerPrefix_.size(), markerPrefix_) == 0 &&
      upperStart.compare(upperStart.size() - markerSuffix_.size(), markerSuffix_.size(), markerSuffix_) == 0;
  std::string name;
  if (indexed) {
    name = upperStart.substr(markerPrefix_.size(),
                             upperStart.size() - markerPrefix_.size() - markerSuffix_.size());
  }
  if (!indexed || name.size() > kMaxIndexedName || name.find(markerSuffix_) != std::string::npos) {
    RewindInput();
    return ExtractNext(startMarker, endMarker, raw);
  }

  // What RewindInput + ExtractNext would do: search the unread rest of the
  // current line first, then the file from its first line.
  RewindInput();
  rawLines = raw;
  collected.clear();
  bufferTaken = false;
  const auto found = markers_.find(name);
  const std::vector<Occurrence>* places = found == markers_.end() ? nullptr : &found->second;

  if (places && bufferLine_ != kNoLine) {
    for (const Occurrence& place : *places) {
      if (place.line == bufferLine_ && place.offset >= bufferStart) {
        // Found in the rest of the current line; the read position stays
        // at the first line.
        bufferStart = place.offset + startMarker.size();
        bufferTaken = true;
        return TakeUpTo(endMarker) ? collected : std::string();
      }
    }
  }
  if (!places || places->empty()) {
    // Not found anywhere: the scan ends at the end of the input.
    nextLine_ = lines_.size();
    buffer.clear();
    SetBuffer(kNoLine, false);
    return {};
  }
  const Occurrence& first = places->front();
  buffer = lines_[first.line];
  nextLine_ = first.line + 1;
  SetBuffer(first.line, true);
  bufferStart = first.offset + startMarker.size();
  bufferTaken = true;
  return TakeUpTo(endMarker) ? collected : std::string();
}
