#include "platform/ini.h"

#include <sys/stat.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace platform {
namespace {

using Section = std::unordered_map<std::string, std::string>;  // UPPER key -> value

struct ParsedIni {
  std::unordered_map<std::string, Section> sections;  // UPPER name -> first section
};

struct CacheEntry {
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  timespec mtime{};
  timespec ctime{};
  std::shared_ptr<const ParsedIni> parsed;
};

bool SameFile(const CacheEntry& e, const struct stat& st) {
  return e.dev == st.st_dev && e.ino == st.st_ino && e.size == st.st_size &&
         e.mtime.tv_sec == st.st_mtim.tv_sec && e.mtime.tv_nsec == st.st_mtim.tv_nsec &&
         e.ctime.tv_sec == st.st_ctim.tv_sec && e.ctime.tv_nsec == st.st_ctim.tv_nsec;
}

std::mutex g_cacheMutex;
std::unordered_map<std::string, CacheEntry> g_cache;

// Files pinned by the IniSnapshot scopes of this thread, by the path asked for.
thread_local int t_snapshotDepth = 0;
thread_local std::unordered_map<std::string, std::shared_ptr<const ParsedIni>> t_snapshot;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::string_view Unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    return v.substr(1, v.size() - 2);
  }
  return v;
}

// One line of an INI file, as the reader and the writer see it.
struct LineInfo {
  enum Kind { Other, SectionHeader, KeyValue } kind = Other;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // trimmed, quotes still on
};

LineInfo ClassifyLine(std::string_view line) {
  LineInfo info;
  std::string_view t = Trim(line);
  if (t.empty() || t.front() == ';') return info;
  if (t.front() == '[') {
    std::string_view body = t.substr(1);
    const std::size_t close = body.find(']');
    info.kind = LineInfo::SectionHeader;
    info.name = Trim(close == std::string_view::npos ? body : body.substr(0, close));
    return info;
  }
  const std::size_t eq = t.find('=');
  info.kind = LineInfo::KeyValue;
  if (eq == std::string_view::npos) {
    info.name = t;
  } else {
    info.name = Trim(t.substr(0, eq));
    info.value = Trim(t.substr(eq + 1));
  }
  return info;
}

// Calls `fn(line, begin, end)` for each line of `text`; [begin, end) spans
// the line and its terminator: LF, CR LF, or a CR alone.
template <typename Fn>
void ForEachLine(std::string_view text, Fn fn) {
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t stop = text.find_first_of("\r\n", start);
    std::size_t end = text.size();
    if (stop != std::string_view::npos) {
      end = stop + 1;
      if (text[stop] == '\r' && end < text.size() && text[end] == '\n') ++end;
    }
    fn(text.substr(start, (stop == std::string_view::npos ? text.size() : stop) - start), start, end);
    start = end;
  }
}

bool EndsInLineEnd(const std::string& text) {
  return !text.empty() && (text.back() == '\n' || text.back() == '\r');
}

// How a file's bytes carry its text. Files are parsed and edited as UTF-8;
// a file read with a byte order mark is written back in its own encoding.
enum class IniEncoding { Bytes, Utf8Bom, Utf16LE, Utf16BE };

struct DecodedIni {
  IniEncoding encoding = IniEncoding::Bytes;
  bool damaged = false;  // UTF-16 that did not decode whole: never written back
  std::string text;
};

DecodedIni DecodeIni(std::string raw) {
  DecodedIni d;
  const std::string_view bytes = raw;
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    d.encoding = IniEncoding::Utf8Bom;
    d.text = raw.substr(3);
  } else if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
    const bool big = bytes[0] == '\xFE';
    d.encoding = big ? IniEncoding::Utf16BE : IniEncoding::Utf16LE;
    d.damaged = !AppendUtf16AsUtf8(bytes.substr(2), big, d.text);
  } else {
    d.text = std::move(raw);
  }
  return d;
}

// `text` in the file's own encoding; false when that cannot carry it.
bool EncodeIni(IniEncoding encoding, const std::string& text, std::string& bytes) {
  switch (encoding) {
    case IniEncoding::Bytes:
      bytes = text;
      return true;
    case IniEncoding::Utf8Bom:
      bytes = "\xEF\xBB\xBF" + text;
      return true;
    case IniEncoding::Utf16LE:
      bytes = "\xFF\xFE";
      return AppendUtf8AsUtf16(text, false, bytes);
    case IniEncoding::Utf16BE:
      bytes = "\xFE\xFF";
      return AppendUtf8AsUtf16(text, true, bytes);
  }
  return false;
}

std::shared_ptr<const ParsedIni> Parse(std::string_view text) {
  auto parsed = std::make_shared<ParsedIni>();
  Section* current = nullptr;  // null outside a section, or in a repeated one
  ForEachLine(text, [&](std::string_view line, std::size_t, std::size_t) {
    const LineInfo info = ClassifyLine(line);
    if (info.kind == LineInfo::SectionHeader) {
      auto [it, inserted] = parsed->sections.try_emplace(ToUpperAscii(info.name));
      current = inserted ? &it->second : nullptr;  // the first section of a name wins
    } else if (info.kind == LineInfo::KeyValue && current) {
      current->try_emplace(ToUpperAscii(info.name), std::string(Unquote(info.value)));
    }
  });
  return parsed;
}

std::shared_ptr<const ParsedIni> LoadChecked(const std::string& iniPath);

// The parsed file: pinned by a snapshot, else from the cache when the file
// has not changed since, else read now.
std::shared_ptr<const ParsedIni> Load(const std::string& iniPath) {
  if (t_snapshotDepth == 0) return LoadChecked(iniPath);
  auto it = t_snapshot.find(iniPath);
  if (it != t_snapshot.end()) return it->second;
  auto parsed = LoadChecked(iniPath);
  t_snapshot.emplace(iniPath, parsed);
  return parsed;
}

std::shared_ptr<const ParsedIni> LoadChecked(const std::string& iniPath) {
  std::string path = iniPath;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    path = ResolveCase(iniPath);
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return nullptr;
  }
  if (!S_ISREG(st.st_mode)) return nullptr;
  {
    std::lock_guard<std::mutex> lock(g_cacheMutex);
    auto it = g_cache.find(path);
    if (it != g_cache.end() && SameFile(it->second, st)) return it->second.parsed;
  }
  std::string text;
  if (!ReadWholeFile(path, text)) return nullptr;
  CacheEntry entry;
  entry.dev = st.st_dev;
  entry.ino = st.st_ino;
  entry.size = st.st_size;
  entry.mtime = st.st_mtim;
  entry.ctime = st.st_ctim;
  // A file changed while it was read is parsed again on the next call.
  if (static_cast<off_t>(text.size()) != st.st_size) entry.size = -1;
  entry.parsed = Parse(DecodeIni(std::move(text)).text);
  std::lock_guard<std::mutex> lock(g_cacheMutex);
  auto result = entry.parsed;
  g_cache[path] = std::move(entry);
  return result;
}

const std::string* Lookup(const ParsedIni* ini, std::string_view section, std::string_view key) {
  if (!ini) return nullptr;
  auto s = ini->sections.find(ToUpperAscii(Trim(section)));
  if (s == ini->sections.end()) return nullptr;
  auto k = s->second.find(ToUpperAscii(Trim(key)));
  return k == s->second.end() ? nullptr : &k->second;
}

}  // namespace

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view def, const std::string& iniPath) {
  const auto ini = Load(iniPath);
  const std::string* value = Lookup(ini.get(), section, key);
  std::string_view result = value ? std::string_view(*value) : def;
  if (result.size() > kIniValueMax) result = result.substr(0, kIniValueMax);
  return std::string(result);
}

int GetPrivateProfileInt(std::string_view section, std::string_view key, int def,
                         const std::string& iniPath) {
  const auto ini = Load(iniPath);
  const std::string* value = Lookup(ini.get(), section, key);
  if (!value || value->empty()) return def;
  std::string_view v = *value;
  while (!v.empty() && IsBlank(v.front())) v.remove_prefix(1);
  bool negative = false;
  if (!v.empty() && (v.front() == '+' || v.front() == '-')) {
    negative = v.front() == '-';
    v.remove_prefix(1);
  }
  std::int64_t number = 0;
  for (char c : v) {
    if (c < '0' || c > '9') break;
    number = number * 10 + (c - '0');
    if (number > static_cast<std::int64_t>(INT_MAX) + 1) number = static_cast<std::int64_t>(INT_MAX) + 1;
  }
  if (negative) number = -number;
  if (number > INT_MAX) number = INT_MAX;
  return static_cast<int>(number);
}

bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& iniPath) {
  const std::string path = ResolveCase(iniPath);
  if (path.empty() || IsDirectory(path)) return false;
  std::string raw;
  if (!ReadWholeFile(path, raw) && CanOpenForReading(path)) return false;
  const DecodedIni decoded = DecodeIni(std::move(raw));
  if (decoded.damaged) return false;  // writing it back would lose what did not decode
  const std::string& text = decoded.text;

  // A value never spans lines: that would corrupt the file.
  std::string cleanValue(value);
  for (char& c : cleanValue) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  // New lines end as the file's lines do: CR LF when any line does, else
  // LF, else a lone CR; CR LF in a new file.
  std::string eol = "\r\n";
  if (text.find("\r\n") == std::string::npos) {
    if (text.find('\n') != std::string::npos) {
      eol = "\n";
    } else if (text.find('\r') != std::string::npos) {
      eol = "\r";
    }
  }
  const std::string wantSection = ToUpperAscii(Trim(section));
  const std::string wantKey = ToUpperAscii(Trim(key));

  bool inSection = false;
  bool sectionFound = false;
  bool done = false;
  std::size_t insertAt = std::string::npos;  // after the section's last non-blank line
  std::string out;
  out.reserve(text.size() + key.size() + value.size() + 16);
  ForEachLine(text, [&](std::string_view line, std::size_t begin, std::size_t end) {
    if (done) {
      out.append(text, begin, end - begin);
      return;
    }
    const LineInfo info = ClassifyLine(line);
    if (info.kind == LineInfo::SectionHeader) {
      if (inSection) {
        // The key was not in its section: add it after the section's lines.
        out.insert(insertAt, std::string(Trim(key)) + "=" + cleanValue + eol);
        done = true;
        out.append(text, begin, end - begin);
        return;
      }
      if (!sectionFound && ToUpperAscii(info.name) == wantSection) {
        inSection = sectionFound = true;
      }
      out.append(text, begin, end - begin);
      if (inSection) {
        if (end == text.size() && !EndsInLineEnd(out)) out += eol;
        insertAt = out.size();
      }
      return;
    }
    if (inSection && info.kind == LineInfo::KeyValue && ToUpperAscii(info.name) == wantKey) {
      const std::size_t lineEnd = begin + line.size();
      out.append(std::string(info.name) + "=" + cleanValue);
      out.append(text, lineEnd, end - lineEnd);
      done = true;
      return;
    }
    out.append(text, begin, end - begin);
    if (inSection && info.kind != LineInfo::Other) {
      if (end == text.size() && !EndsInLineEnd(out)) out += eol;
      insertAt = out.size();
    }
  });
  if (!done) {
    if (inSection) {
      out.insert(insertAt, std::string(Trim(key)) + "=" + cleanValue + eol);
    } else {
      if (!out.empty() && !EndsInLineEnd(out)) out += eol;
      out += "[" + std::string(Trim(section)) + "]" + eol + std::string(Trim(key)) + "=" + cleanValue + eol;
    }
  }
  std::string bytes;
  if (!EncodeIni(decoded.encoding, out, bytes) || !WriteFileAtomically(path, bytes)) return false;
  t_snapshot.clear();
  std::lock_guard<std::mutex> lock(g_cacheMutex);
  g_cache.erase(path);
  return true;
}

IniSnapshot::IniSnapshot() { ++t_snapshotDepth; }

IniSnapshot::~IniSnapshot() {
  if (--t_snapshotDepth == 0) t_snapshot.clear();
}

void ClearIniCache() {
  std::lock_guard<std::mutex> lock(g_cacheMutex);
  g_cache.clear();
}

}  // namespace platform
