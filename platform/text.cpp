#include "platform/text.h"

namespace platform {
namespace {

inline char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

void ToUpperAsciiInto(std::string_view text, std::string& out) {
  out.resize(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) out[i] = UpperAscii(text[i]);
}

std::string ToUpperAscii(std::string_view text) {
  std::string out;
  ToUpperAsciiInto(text, out);
  return out;
}

int CompareNoCase(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(UpperAscii(a[i]));
    const auto cb = static_cast<unsigned char>(UpperAscii(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
  if (from.empty()) return text;
  std::string out;
  out.reserve(text.size());
  std::size_t start = 0;
  for (std::size_t hit = text.find(from); hit != std::string::npos; hit = text.find(from, start)) {
    out.append(text, start, hit - start);
    out.append(to);
    start = hit + from.size();
  }
  out.append(text, start, std::string::npos);
  return out;
}

void AppendTextMode(std::string_view text, std::string& out) {
  std::size_t start = 0;
  for (std::size_t nl = text.find('\n'); nl != std::string_view::npos; nl = text.find('\n', start)) {
    out.append(text.data() + start, nl - start);
    out.append("\r\n");
    start = nl + 1;
  }
  out.append(text.data() + start, text.size() - start);
}


void AppendCodePoint(char32_t cp, std::string& out) {
  if ((cp >= 0xD800 && cp < 0xE000) || cp > 0x10FFFF) cp = 0xFFFD;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::size_t Utf8SequenceLength(std::string_view s, std::size_t i) {
  const auto c0 = static_cast<unsigned char>(s[i]);
  if (c0 < 0x80) return 1;
  auto cont = [&](std::size_t k) { return i + k < s.size() && (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80; };
  auto at = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
  if (c0 >= 0xC2 && c0 <= 0xDF) return cont(1) ? 2 : 0;
  if (c0 >= 0xE0 && c0 <= 0xEF) {
    if (!cont(1) || !cont(2)) return 0;
    if (c0 == 0xE0 && at(1) < 0xA0) return 0;   // overlong
    if (c0 == 0xED && at(1) >= 0xA0) return 0;  // surrogate
    return 3;
  }
  if (c0 >= 0xF0 && c0 <= 0xF4) {
    if (!cont(1) || !cont(2) || !cont(3)) return 0;
    if (c0 == 0xF0 && at(1) < 0x90) return 0;   // overlong
    if (c0 == 0xF4 && at(1) >= 0x90) return 0;  // past U+10FFFF
    return 4;
  }
  return 0;
}

char32_t NextCodePoint(std::string_view s, std::size_t& i) {
  const auto c0 = static_cast<unsigned char>(s[i]);
  const std::size_t len = Utf8SequenceLength(s, i);
  if (len <= 1) {
    ++i;
    return len == 1 ? c0 : 0xFFFD;
  }
  char32_t cp = c0 & (0x7F >> len);
  for (std::size_t k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
  i += len;
  return cp;
}

namespace {

// Windows-1252 bytes 0x80-0x9F; the five unassigned ones keep their C1 value
// as browsers do.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

void AppendWindows1252(std::string_view bytes, std::string& out) {
  out.reserve(out.size() + bytes.size());
  for (unsigned char c : bytes) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0xA0) {
      AppendCodePoint(kCp1252High[c - 0x80], out);
    } else {
      AppendCodePoint(c, out);
    }
  }
}

bool AppendUtf16AsUtf8(std::string_view bytes, bool bigEndian, std::string& out) {
  out.reserve(out.size() + bytes.size());
  auto unit = [&](std::size_t i) -> char16_t {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    return static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
  };
  bool whole = true;
  std::size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) {
    const char16_t u = unit(i);
    if (u >= 0xD800 && u < 0xDC00 && i + 3 < bytes.size()) {
      const char16_t low = unit(i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        AppendCodePoint(0x10000 + ((char32_t(u) - 0xD800) << 10) + (low - 0xDC00), out);
        i += 2;
        continue;
      }
    }
    if (u >= 0xD800 && u < 0xE000) whole = false;
    AppendCodePoint(u, out);  // a lone surrogate becomes U+FFFD there
  }
  if (i < bytes.size()) {
    AppendCodePoint(0xFFFD, out);
    whole = false;
  }
  return whole;
}

bool AppendUtf8AsUtf16(std::string_view text, bool bigEndian, std::string& out) {
  auto put = [&](char32_t u) {
    const char hi = static_cast<char>(u >> 8);
    const char lo = static_cast<char>(u & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
  };
  out.reserve(out.size() + text.size() * 2);
  for (std::size_t i = 0; i < text.size();) {
    if (Utf8SequenceLength(text, i) == 0) return false;
    const char32_t cp = NextCodePoint(text, i);
    if (cp < 0x10000) {
      put(cp);
    } else {
      put(0xD800 + ((cp - 0x10000) >> 10));
      put(0xDC00 + ((cp - 0x10000) & 0x3FF));
    }
  }
  return true;
}

}  // namespace platform
