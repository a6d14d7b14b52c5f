#pragma once
// CTextLineFile: an input text file read line by line and scanned for marker
// strings without regard to letter case, paired with an optional output text
// file. The page generators copy marked sections of template fragments with
// it; the catalogue reads the title and subject of index pages with it.
//
// Lines are read in text mode (platform::InputFile): the terminator is
// dropped, CR LF and LF both end a line. Output is text mode too: every "\n"
// written is stored as CR LF.

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/files.h"

class CTextLineFile {
 public:
  /// Opens `inputPath` for reading. Never fails: an input that cannot be
  /// opened leaves `inputClosed` set and every extraction yields "".
  /// `lock` is taken on the input (and the output): the page generators open
  /// templates and pages exclusively, so a file they already hold open (a
  /// category page named like a template or like the page being written)
  /// cannot be opened a second time.
  explicit CTextLineFile(const std::string& inputPath, platform::Lock lock = platform::Lock::None);
  /// Reads from `opened`, a file the caller opened (or failed to: then as an
  /// input that cannot be opened).
  explicit CTextLineFile(platform::InputFile opened);
  /// As above, then starts a new version of `outputPath`, confined to the
  /// folder it names (platform::OutputFile): it replaces the old file, in one
  /// rename, only when Close has stored all of it, so a failed or killed
  /// write leaves the old file whole; a link of that name is replaced, never
  /// written through. The output is created even when the input cannot be
  /// opened.
  CTextLineFile(const std::string& inputPath, const std::string& outputPath,
                platform::Lock lock = platform::Lock::None);
  ~CTextLineFile();
  CTextLineFile(const CTextLineFile&) = delete;
  CTextLineFile& operator=(const CTextLineFile&) = delete;

  /// Closes whichever files are still open and puts the output in place; a
  /// second call does nothing. False when text written to the output was
  /// lost on the way to disk (the old file is then left as it was).
  bool Close();

  /// Writes `text` (each "\n" stored as CR LF, no line end added). False
  /// when the output is not open (nothing is stored) or writing fails.
  bool WriteText(std::string_view text);

  /// Moves the read position back to the first line. The unread rest of the
  /// current line (and `collected`, `bufferTaken`) stay as they are, so the
  /// next search looks at that rest before it reads the file again.
  void RewindInput();

  // ---- Marker scanning. Markers are compared ignoring ASCII letter case
  // and are found only within one line.

  /// Index (in bytes, within the unread rest of the current line) of the
  /// next occurrence of `marker`, reading on line by line; -1 when the input
  /// ends first. Text passed over is added to `collected`, except the rest
  /// of a line behind a marker already dealt with.
  std::ptrdiff_t FindMarker(std::string_view marker);
  /// Moves past the next `marker`, discarding the text before it.
  bool SkipPast(std::string_view marker);
  /// Adds the text before the next `marker` to `collected` and moves past it.
  bool TakeUpTo(std::string_view marker);
  /// Starts again at the beginning of the input, then SkipPast(marker).
  bool RewindAndSkipPast(std::string_view marker);

  /// Text between the next `startMarker` and the `endMarker` after it,
  /// continuing from where the previous scan stopped; "" when either is
  /// missing. Lines read are joined with "\n" unless `raw` is true.
  std::string ExtractNext(std::string_view startMarker, std::string_view endMarker, bool raw);
  /// The same, searching from the beginning of the input.
  std::string ExtractFromStart(std::string_view startMarker, std::string_view endMarker, bool raw);
  /// Writes ExtractFromStart(...) to the output, also when it is empty.
  bool CopySection(std::string_view startMarker, std::string_view endMarker, bool raw);

  // ---- Templates walked section by section re-find sections by searching
  // from the start of the file. For those, the input can be held in memory
  // and its markers of the form prefix + NAME + suffix indexed, so that such
  // a re-find costs no rescan of the file.

  /// Reads the whole input into memory (call before any scanning) and
  /// indexes every marker prefix + NAME + suffix that stands within a line.
  /// False when the input is not open or cannot be read; scanning then
  /// works on the file as usual.
  bool KeepInMemory(std::string_view markerPrefix, std::string_view markerSuffix);
  /// Same result and state as RewindInput() followed by
  /// ExtractNext(startMarker, endMarker, raw); with the input in memory and
  /// `startMarker` of the indexed form, without reading the file again.
  std::string RewindAndExtractNext(std::string_view startMarker, std::string_view endMarker, bool raw);

  /// The unread rest of the current line (with the "\n" appended when lines
  /// are not raw).
  std::string_view Unread() const { return std::string_view(buffer).substr(bufferStart); }

  // State, in the order the scanning operations use it.
  bool rawLines = false;     // false: "\n" is appended to every line read
  bool inputClosed = true;   // the input is not open
  bool outputClosed = true;  // the output is not open
  bool bufferTaken = false;  // the unread rest follows a marker already dealt with
  std::string buffer;        // the current line; its unread rest starts at bufferStart
  std::size_t bufferStart = 0;
  std::string collected;  // text gathered by the scan
  platform::InputFile input;
  platform::OutputFile output;

 private:
  struct Occurrence {
    std::size_t line;
    std::size_t offset;
  };
  static constexpr std::size_t kNoLine = static_cast<std::size_t>(-1);
  // Longer names are not indexed; a re-find of one rescans the file.
  static constexpr std::size_t kMaxIndexedName = 1024;

  // Replaces `buffer` with the next line; false at the end of the input or
  // on a read error (buffer then empty).
  bool ReadNextLine();
  void SetBuffer(std::size_t lineIndex, bool haveLine);

  std::string upper_;  // `buffer` upper-cased, kept in step with it

  // In-memory input (KeepInMemory).
  bool inMemory_ = false;
  std::vector<std::string> lines_;
  std::size_t nextLine_ = 0;                                          // next line to read
  std::size_t bufferLine_ = kNoLine;                                  // line held in `buffer`
  std::string markerPrefix_;                                          // upper-cased
  std::string markerSuffix_;                                          // upper-cased
  std::unordered_map<std::string, std::vector<Occurrence>> markers_;  // by upper-cased NAME
};
