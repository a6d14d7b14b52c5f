#include "platform/doc_uri.h"

#include <cstring>
#include <vector>

#include "platform/paths.h"
#include "platform/text.h"

namespace platform {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "X:" with a letter X: a drive letter, whatever the drive.
bool StartsWithDriveLetter(std::string_view text) {
  return text.size() >= 2 && text[1] == ':' &&
         ((text[0] >= 'a' && text[0] <= 'z') || (text[0] >= 'A' && text[0] <= 'Z'));
}

// Drops "." segments and lets ".." take back the segment before it, on an
// absolute path; a ".." above "/" stays "/". A trailing "/" is kept.
std::string RemoveDotSegments(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t pos = 0;
  while (pos <= path.size()) {
    std::size_t next = path.find('/', pos);
    if (next == std::string_view::npos) next = path.size();
    const std::string_view part = path.substr(pos, next - pos);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    pos = next + 1;
  }
  std::string out;
  for (const std::string_view part : parts) {
    out += '/';
    out += part;
  }
  if (out.empty() || (!path.empty() && path.back() == '/')) out += '/';
  return out;
}

// Where the path of a URL ends: at its "?query" or "#fragment".
std::size_t PathEnd(std::string_view url) {
  const std::size_t end = url.find_first_of("?#");
  return end == std::string_view::npos ? url.size() : end;
}

bool IsReserved(std::string_view rel) {
  return StartsWithNoCase(rel, kReservedPrefix) || EqualsNoCase(rel, ".quiro");
}

}  // namespace

bool IsDocUri(std::string_view url) { return StartsWithNoCase(url, kDocUriPrefix); }

bool IsOpenedFileUri(std::string_view url) { return StartsWithNoCase(url, kOpenedFilePrefix); }

std::string PathToOpenedFileUri(std::string_view path) {
  return "quiro://file" + PercentEncodePath(NativeSeparators(path));
}

std::string PercentEncodePath(std::string_view path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(path.size());
  for (const unsigned char c : path) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       (c != 0 && std::strchr("/-._~!$&'()*+,;=:@", c) != nullptr);
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

namespace {

std::string ForHref(std::string_view text, const char* alsoEncoded) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (const unsigned char c : text) {
    if (c == '&') {
      out += "&amp;";
    } else if (c < 0x20 || c == 0x7F || c == '"' || c == '<' || c == '>' || std::strchr(alsoEncoded, c)) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace

std::string PathForHref(std::string_view path) { return ForHref(path, "#?%"); }

std::string LinkForHref(std::string_view link) { return ForHref(link, ""); }

std::string PercentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int hi = HexValue(text[i + 1]);
      const int lo = HexValue(text[i + 2]);
      if (hi >= 0 && lo >= 0) {
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

std::string DriveLinkToPath(std::string_view link) { return DriveLinkToPath(link, DriveCFolder()); }

std::string DriveLinkToPath(std::string_view link, std::string_view driveC) {
  std::string path;
  if (IsFileUrl(link)) {
    path = FileUrlToPath(link.substr(0, PathEnd(link)));
    // "file:///C:/..." names drive C of the original platform.
    if (StartsWithDriveLetter(std::string_view(path).substr(1))) path = MapWindowsPath(path.substr(1), driveC);
  } else if (IsDriveCPath(link)) {
    path = MapWindowsPath(link.substr(0, PathEnd(link)), driveC);
  } else {
    return {};
  }
  if (path.empty() || path.front() != '/') return {};  // another drive: names nothing here
  return NativeSeparators(path);
}

std::string PathToDocUri(std::string_view pathOrFileUrl, std::string_view root) {
  return PathToDocUri(pathOrFileUrl, root, DriveCFolder());
}

std::string PathToDocUri(std::string_view pathOrFileUrl, std::string_view root, std::string_view driveC) {
  std::string path;
  std::string_view suffix;
  if (IsFileUrl(pathOrFileUrl) || IsDriveCPath(pathOrFileUrl)) {
    path = DriveLinkToPath(pathOrFileUrl, driveC);
    suffix = pathOrFileUrl.substr(PathEnd(pathOrFileUrl));
  } else {
    path = NativeSeparators(pathOrFileUrl);
  }
  const std::string base = NativeSeparators(root);
  if (path.empty() || path.front() != '/' || base.empty() || base.back() != '/') return {};
  path = RemoveDotSegments(path);
  if (path.size() <= base.size() || !StartsWithNoCase(path, base)) return {};
  const std::string_view rel = std::string_view(path).substr(base.size());
  if (IsReserved(rel)) return {};
  return kDocUriPrefix + PercentEncodePath(rel) + std::string(suffix);
}

std::string DocUriRelativePath(std::string_view uri) {
  if (!IsDocUri(uri)) return {};
  const std::string_view rest = uri.substr(std::strlen(kDocUriPrefix));
  return PercentDecode(rest.substr(0, PathEnd(rest)));
}

std::string DocUriToPath(std::string_view uri, std::string_view root) {
  if (!IsDocUri(uri)) return {};
  const std::string rel = DocUriRelativePath(uri);
  if (IsReserved(rel)) return {};
  const std::string drive = DriveLinkToPath(rel);
  return drive.empty() ? NativeSeparators(root) + rel : drive;
}

std::string DocUriToFileUrl(std::string_view uri, std::string_view root) {
  if (IsOpenedFileUri(uri)) return "file://" + std::string(uri.substr(std::strlen(kOpenedFilePrefix) - 1));
  const std::string path = DocUriToPath(uri, root);
  if (path.empty()) return {};
  const std::string_view rest = uri.substr(std::strlen(kDocUriPrefix));
  return PathToFileUrl(path) + std::string(rest.substr(PathEnd(rest)));
}

}  // namespace platform
