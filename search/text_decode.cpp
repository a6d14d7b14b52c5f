#include "search/text_decode.h"

#include <iconv.h>

#include <cerrno>
#include <string>

#include "platform/text.h"

namespace search {
namespace {

void AppendUtf8Checked(std::string_view bytes, std::string& out) {
  out.reserve(out.size() + bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    // Copy the longest run of ASCII at once.
    std::size_t run = i;
    while (run < bytes.size() && static_cast<unsigned char>(bytes[run]) < 0x80) ++run;
    out.append(bytes.data() + i, run - i);
    i = run;
    if (i >= bytes.size()) break;
    const std::size_t len = Utf8SequenceLength(bytes, i);
    if (len == 0) {
      AppendCodePoint(0xFFFD, out);
      ++i;
    } else {
      out.append(bytes.data() + i, len);
      i += len;
    }
  }
}

// iconv for the charsets decoded by name. False when iconv does not know it.
bool AppendWithIconv(std::string_view bytes, const std::string& name, std::string& out) {
  iconv_t cd = iconv_open("UTF-8", name.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string converted(bytes.size() * 2 + 16, '\0');
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  std::size_t written = 0;
  while (inLeft > 0) {
    char* to = converted.data() + written;
    std::size_t toLeft = converted.size() - written;
    const std::size_t r = iconv(cd, &in, &inLeft, &to, &toLeft);
    written = converted.size() - toLeft;
    if (r != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) {
      converted.resize(converted.size() * 2);
    } else {
      // An invalid or cut-off sequence: mark it and go on after its first byte.
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      if (converted.size() - written < 3) converted.resize(converted.size() * 2);
      std::string mark;
      AppendCodePoint(0xFFFD, mark);
      converted.replace(written, mark.size(), mark);
      written += mark.size();
      ++in;
      --inLeft;
    }
  }
  iconv_close(cd);
  converted.resize(written);
  // iconv's output is UTF-8 already; the check costs little and guards the index.
  AppendUtf8Checked(converted, out);
  return true;
}

}  // namespace

CharsetChoice CharsetFromBom(std::string_view bytes) {
  CharsetChoice choice;
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    choice.charset = Charset::Utf8;
    choice.bomLength = 3;
  } else if (bytes.substr(0, 2) == "\xFF\xFE") {
    choice.charset = Charset::Utf16LE;
    choice.bomLength = 2;
  } else if (bytes.substr(0, 2) == "\xFE\xFF") {
    choice.charset = Charset::Utf16BE;
    choice.bomLength = 2;
  }
  return choice;
}

bool CharsetFromLabel(std::string_view label, CharsetChoice& out) {
  while (!label.empty() && (label.front() == ' ' || label.front() == '\t')) label.remove_prefix(1);
  while (!label.empty() && (label.back() == ' ' || label.back() == '\t')) label.remove_suffix(1);
  if (label.empty() || label.size() > 40) return false;
  const std::string upper = platform::ToUpperAscii(label);
  out = CharsetChoice();
  if (upper == "UTF-8" || upper == "UTF8" || upper == "UNICODE-1-1-UTF-8" || upper.rfind("UTF-16", 0) == 0 ||
      upper == "UTF16" || upper == "UNICODE") {
    out.charset = Charset::Utf8;
  } else if (upper == "WINDOWS-1252" || upper == "CP1252" || upper == "X-CP1252" || upper == "ISO-8859-1" ||
             upper == "ISO8859-1" || upper == "ISO_8859-1" || upper == "LATIN1" || upper == "L1" ||
             upper == "US-ASCII" || upper == "ASCII" || upper == "ANSI_X3.4-1968") {
    out.charset = Charset::Windows1252;
  } else if (upper == "GB2312" || upper == "X-GBK" || upper == "GBK") {
    out.charset = Charset::Other;
    out.name = "GBK";  // browsers read both as GBK
  } else {
    for (char c : upper) {
      const bool ok = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' ||
                      c == ':';
      if (!ok) return false;
    }
    out.charset = Charset::Other;
    out.name = upper;
  }
  return true;
}

void AppendAsUtf8(std::string_view bytes, const CharsetChoice& choice, std::string& out) {
  switch (choice.charset) {
    case Charset::Utf8:
      AppendUtf8Checked(bytes, out);
      return;
    case Charset::Utf16LE:
    case Charset::Utf16BE:
      platform::AppendUtf16AsUtf8(bytes, choice.charset == Charset::Utf16BE, out);
      return;
    case Charset::Other:
      if (AppendWithIconv(bytes, choice.name, out)) return;
      [[fallthrough]];
    case Charset::Windows1252:
      platform::AppendWindows1252(bytes, out);
      return;
  }
}

std::string SanitizeUtf8(std::string_view text) {
  std::string out;
  AppendUtf8Checked(text, out);
  return out;
}

std::string_view TruncateUtf8(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  std::size_t end = maxBytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

}  // namespace search
