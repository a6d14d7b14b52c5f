#include "platform/doc_request.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/confined.h"
#include "platform/doc_uri.h"
#include "platform/form_query.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "res/strings.h"

namespace platform {

UniqueFd::~UniqueFd() {
  if (fd_ >= 0) ::close(fd_);
}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.Release();
  }
  return *this;
}

namespace {

// HTML pages larger than this are streamed as they are, without their links
// mapped: holding them whole would cost more than the mapping is worth.
constexpr off_t kMaxMappedPage = 64 << 20;

namespace res = quiro::res;

// An error page of the string table's title and message; "%1" in the
// message is `name`.
DocReply Error(int status, int title, int message, std::string_view name = {}) {
  DocReply reply;
  reply.kind = DocReply::Kind::Error;
  reply.status = status;
  reply.contentType = "text/html; charset=utf-8";
  reply.body = ErrorPage(res::LoadString(title), res::FormatString(message, {name}));
  return reply;
}

std::string EnsureSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

// One candidate file, opened without blocking (a FIFO must not hold the
// request up), then checked for its type.
struct Candidate {
  std::string path;
  UniqueFd fd;
  struct stat st {};
  int error = ENOENT;
};

constexpr int kOpenFlags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;

bool Examine(Candidate& c) {
  if (!c.fd) {
    c.error = errno;
    return false;
  }
  if (::fstat(c.fd.Get(), &c.st) != 0) {
    c.error = errno;
    c.fd = UniqueFd();
    return false;
  }
  c.error = 0;
  return true;
}

// The file `rel` below the folder `base` (ending in "/"), its name's letter
// case resolved, kept only when what was opened lies below the folder's real
// location (error EXDEV otherwise).
Candidate OpenCandidate(const std::string& base, const std::string& rel) {
  Candidate c;
  if (base.empty()) return c;
  c.fd = UniqueFd(OpenNamedBelow(base, rel, kOpenFlags, &c.path));
  Examine(c);
  return c;
}

std::string RedirectPage(const std::string& url) {
  // The URL is percent-encoded, so it holds no quote, backslash or "<".
  return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><script>location.replace(\"" + url +
         "\");</script></head><body><a href=\"" + url + "\">" + url + "</a></body></html>";
}

bool IsHtmlType(const std::string& type) { return type.rfind("text/html", 0) == 0; }

bool ReadAll(int fd, off_t size, std::string& out) {
  out.clear();
  if (size > 0) out.reserve(static_cast<std::size_t>(size));
  char buf[64 * 1024];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    out.append(buf, static_cast<std::size_t>(n));
  }
}

}  // namespace

std::string EscapeHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 16);
  for (const char c : text) {
    switch (c) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&': out += "&amp;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string OwnPagePolicy(std::string_view scriptHashes) {
  std::string scripts = scriptHashes.empty() ? "'none'" : std::string(scriptHashes);
  return "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; script-src " + scripts +
         "; style-src 'unsafe-inline' quiro:; img-src quiro: data:; font-src quiro:; form-action quiro:; "
         "base-uri 'none'\">";
}

std::string ErrorPage(std::string_view title, std::string_view message) {
  const std::string t = EscapeHtml(title);
  return "<!DOCTYPE html><html><head><meta charset=\"utf-8\">" + OwnPagePolicy() + "<title>" + t +
         "</title></head><body><h1>" +
         t + "</h1><p>" + EscapeHtml(message) + "</p></body></html>";
}

std::string ContentTypeForName(std::string_view name) {
  struct Type {
    const char* ext;
    const char* type;
  };
  static constexpr Type kTypes[] = {
      {".htm", "text/html"},        {".html", "text/html"},      {".shtml", "text/html"},
      {".css", "text/css"},         {".js", "text/javascript"},  {".txt", "text/plain; charset=windows-1252"},
      {".xml", "text/xml"},         {".gif", "image/gif"},       {".jpg", "image/jpeg"},
      {".jpeg", "image/jpeg"},      {".png", "image/png"},       {".bmp", "image/bmp"},
      {".ico", "image/x-icon"},     {".svg", "image/svg+xml"},   {".webp", "image/webp"},
      {".xbm", "image/x-xbitmap"},  {".pdf", "application/pdf"}, {".au", "audio/basic"},
      {".aif", "audio/x-aiff"},     {".aiff", "audio/x-aiff"},   {".wav", "audio/wav"},
      {".mp3", "audio/mpeg"},       {".mp4", "video/mp4"},       {".json", "application/json"},
      {".chm", "application/vnd.ms-htmlhelp"},                   {".hlp", "application/winhlp"},
  };
  const std::size_t slash = name.find_last_of('/');
  const std::string_view base = slash == std::string_view::npos ? name : name.substr(slash + 1);
  for (const Type& t : kTypes) {
    if (EndsWithNoCase(base, t.ext)) return t.type;
  }
  return "application/octet-stream";
}

bool DeclaresCharset(std::string_view html) {
  if (html.size() >= 3 && html.substr(0, 3) == "\xEF\xBB\xBF") return true;
  if (html.size() >= 2 && (html.substr(0, 2) == "\xFF\xFE" || html.substr(0, 2) == "\xFE\xFF")) return true;
  // Where the browser looks for a <meta> that names the character set.
  return ToUpperAscii(html.substr(0, 4096)).find("CHARSET") != std::string::npos;
}

namespace {

// Calls `value(begin, end)` for every attribute value of `html`'s tags,
// quoted or not; comments are left out.
template <typename Fn>
void ForEachAttributeValue(std::string_view html, Fn value) {
  std::size_t i = 0;
  const std::size_t n = html.size();
  while (i < n) {
    if (html[i] != '<') {
      ++i;
      continue;
    }
    if (html.compare(i, 4, "<!--") == 0) {
      const std::size_t close = html.find("-->", i + 4);
      i = close == std::string_view::npos ? n : close + 3;
      continue;
    }
    ++i;
    if (i >= n || !((html[i] >= 'a' && html[i] <= 'z') || (html[i] >= 'A' && html[i] <= 'Z'))) continue;
    // Inside a tag: its name, then attributes up to ">".
    while (i < n && html[i] != '>' && html[i] != ' ' && html[i] != '\t' && html[i] != '\r' && html[i] != '\n') ++i;
    while (i < n && html[i] != '>') {
      if (html[i] != '=') {
        ++i;
        continue;
      }
      ++i;
      while (i < n && (html[i] == ' ' || html[i] == '\t' || html[i] == '\r' || html[i] == '\n')) ++i;
      if (i >= n) break;
      if (html[i] == '"' || html[i] == '\'') {
        const char quote = html[i];
        const std::size_t begin = ++i;
        const std::size_t end = html.find(quote, begin);
        if (end == std::string_view::npos) {
          i = n;
          break;
        }
        value(begin, end);
        i = end + 1;
      } else {
        const std::size_t begin = i;
        while (i < n && html[i] != '>' && html[i] != ' ' && html[i] != '\t' && html[i] != '\r' &&
               html[i] != '\n') {
          ++i;
        }
        value(begin, i);
      }
    }
  }
}

}  // namespace

std::string MapLinksToScheme(std::string_view html, const DocSite& site) {
  std::string out;
  std::size_t copied = 0;  // html[0, copied) is in `out`
  ForEachAttributeValue(html, [&](std::size_t begin, std::size_t end) {
    const std::string_view value = html.substr(begin, end - begin);
    const bool local = IsFileUrl(value) || IsDriveCPath(value) ||
                       (value.size() > 1 && value[0] == '/' && value[1] != '/');
    if (!local) return;
    const std::string uri = PathToDocUri(value, site.root, site.driveC);
    if (uri.empty()) return;
    if (copied == 0) out.reserve(html.size() + html.size() / 16);
    out.append(html, copied, begin - copied);
    out += uri;
    copied = end;
  });
  if (copied == 0) return std::string(html);
  out.append(html, copied, std::string_view::npos);
  return out;
}

MemoryPage MemoryPageFor(const std::string& path, std::string text, const DocSite& site) {
  MemoryPage page;
  page.baseUri = PathToDocUri(path, site.root, site.driveC);
  if (page.baseUri.empty()) {
    page.baseUri = PathToFileUrl(path);
    page.text = std::move(text);
  } else {
    page.text = MapLinksToScheme(text, site);
  }
  if (!DeclaresCharset(page.text)) page.encoding = "windows-1252";
  return page;
}

namespace {

DocReply ServeFile(Candidate& chosen, const std::string& name, const DocSite& site);

// An absolute path with "." and ".." segments taken out (".." above "/"
// stays at "/").
std::string NormalisedPath(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t pos = 0;
  while (pos <= path.size()) {
    std::size_t next = path.find('/', pos);
    if (next == std::string::npos) next = path.size();
    std::string part = path.substr(pos, next - pos);
    pos = next + 1;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(std::move(part));
    }
  }
  std::string out;
  for (const std::string& part : parts) out += "/" + part;
  return out.empty() ? "/" : out;
}

// Stylesheets of quiro://file/ larger than this are served without looking
// for what they refer to.
constexpr off_t kMaxScannedStylesheet = 1 << 20;

// The local path that the reference `ref` of a page or stylesheet in the
// folder `folder` names, looked up as ResolveOpenedFile looks up a request;
// "" when it names none (another scheme, another host, a fragment only).
std::string ReferencedPath(std::string_view ref, const std::string& folder) {
  while (!ref.empty() && (ref.front() == ' ' || ref.front() == '\t' || ref.front() == '\n' || ref.front() == '\r')) {
    ref.remove_prefix(1);
  }
  while (!ref.empty() && (ref.back() == ' ' || ref.back() == '\t' || ref.back() == '\n' || ref.back() == '\r')) {
    ref.remove_suffix(1);
  }
  std::string path;
  if (IsFileUrl(ref)) {
    path = FileUrlToPath(ref.substr(0, ref.find_first_of("?#")));
  } else if (IsOpenedFileUri(ref)) {
    ref = ref.substr(std::strlen(kOpenedFilePrefix) - 1);
    path = PercentDecode(ref.substr(0, ref.find_first_of("?#")));
  } else {
    ref = ref.substr(0, ref.find_first_of("?#"));
    const std::size_t colon = ref.find(':');
    if (ref.empty() || ref.rfind("//", 0) == 0 || (colon != std::string_view::npos && colon < ref.find('/'))) {
      return {};
    }
    const std::string decoded = NativeSeparators(PercentDecode(ref));
    path = decoded[0] == '/' ? decoded : folder + "/" + decoded;
  }
  if (path.empty() || path[0] != '/' || path.find('\0') != std::string::npos) return {};
  return ResolveCase(NormalisedPath(path));
}

// Calls `refer` for what a stylesheet refers to: url(...) and @import "...".
template <typename Fn>
void ForEachStylesheetReference(std::string_view css, Fn refer) {
  auto quoted = [](std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
    return v;
  };
  for (std::size_t at = css.find("url("); at != std::string_view::npos; at = css.find("url(", at + 4)) {
    const std::size_t close = css.find(')', at + 4);
    if (close == std::string_view::npos) break;
    std::string_view v = css.substr(at + 4, close - at - 4);
    while (!v.empty() && v.front() == ' ') v.remove_prefix(1);
    while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
    refer(quoted(v));
  }
  for (std::size_t at = css.find("@import"); at != std::string_view::npos; at = css.find("@import", at + 7)) {
    std::size_t begin = at + 7;
    while (begin < css.size() && css[begin] == ' ') ++begin;
    if (begin >= css.size() || (css[begin] != '"' && css[begin] != '\'')) continue;
    const std::size_t end = css.find(css[begin], begin + 1);
    if (end == std::string_view::npos) break;
    refer(css.substr(begin + 1, end - begin - 1));
  }
}

DocReply Refused() {
  return Error(403, res::IDS_ERR_REFUSED, res::IDS_ERR_OTHER_ORIGIN);
}

// A page outside the root that the user opened, and the files beside it.
DocReply ResolveOpenedFile(std::string_view uri, const DocSite& site, std::string_view origin) {
  const std::string_view rest = uri.substr(std::strlen(kOpenedFilePrefix) - 1);
  const std::string_view rawPath = rest.substr(0, rest.find_first_of("?#"));
  if (rawPath.size() > 3 * kMaxRequestPath) return Error(414, res::IDS_ERR_NAME_TOO_LONG, res::IDS_ERR_ADDRESS_TOO_LONG);
  const std::string path = PercentDecode(rawPath);
  if (path.find('\0') != std::string::npos) return Error(400, res::IDS_ERR_BAD_REQUEST, res::IDS_ERR_ADDRESS_NUL);
  if (path.size() > kMaxRequestPath) return Error(414, res::IDS_ERR_NAME_TOO_LONG, res::IDS_ERR_ADDRESS_TOO_LONG);
  if (!origin.empty() && origin != kOpenedFileOrigin) return Refused();
  Candidate chosen;
  chosen.path = ResolveCase(NormalisedPath(path));
  chosen.fd = UniqueFd(::open(chosen.path.c_str(), kOpenFlags));
  // Judged by what was opened, every link resolved.
  const std::string real = Examine(chosen) ? RealPathOfDescriptor(chosen.fd.Get()) : std::string();
  const bool referenced = site.referencedFiles.count(chosen.path) > 0;
  const bool allowed = !real.empty() && std::any_of(site.openedFiles.begin(), site.openedFiles.end(),
                                                    [&](const std::string& opened) {
                                                      if (real == opened) return true;
                                                      const std::string folder = ParentFolder(opened);
                                                      return referenced && real != folder && IsAtOrBelow(real, folder);
                                                    });
  if (!allowed) {
    return Error(403, res::IDS_ERR_NOT_OPENED, res::IDS_ERR_ONLY_ROOT_AND_OPENED);
  }
  if (!S_ISREG(chosen.st.st_mode)) return Error(403, res::IDS_ERR_NOT_A_FILE, res::IDS_ERR_IS_NOT_A_FILE, path);
  DocReply reply = ServeFile(chosen, path, site);
  const std::string folder = ParentFolder(chosen.path);
  auto refer = [&](std::string_view ref) {
    std::string referenced = ReferencedPath(ref, folder);
    if (!referenced.empty()) reply.references.push_back(std::move(referenced));
  };
  if (reply.kind == DocReply::Kind::Page) {
    ForEachAttributeValue(reply.body, [&](std::size_t begin, std::size_t end) {
      refer(std::string_view(reply.body).substr(begin, end - begin));
    });
  } else if (reply.contentType == "text/css" && reply.size <= kMaxScannedStylesheet) {
    std::string css;
    if (ReadAll(reply.file.Get(), reply.size, css) && ::lseek(reply.file.Get(), 0, SEEK_SET) == 0) {
      ForEachStylesheetReference(css, refer);
    }
  }
  return reply;
}

}  // namespace

DocReply ResolveDocRequest(std::string_view uri, const DocSite& site, std::string_view origin) {
  if (IsOpenedFileUri(uri)) return ResolveOpenedFile(uri, site, origin);
  if (!IsDocUri(uri)) return Error(400, res::IDS_ERR_BAD_REQUEST, res::IDS_ERR_NOT_A_DOCUMENT_ADDRESS);
  if (!origin.empty() && origin != kDocOrigin) return Refused();
  const std::string_view rest = uri.substr(std::strlen(kDocUriPrefix));
  const std::size_t queryAt = rest.find('?');
  const std::string_view rawPath = rest.substr(0, std::min(queryAt, rest.find('#')));
  const std::string_view query =
      queryAt == std::string_view::npos ? std::string_view() : rest.substr(queryAt + 1, rest.find('#') - queryAt - 1);
  if (rawPath.size() > 3 * kMaxRequestPath) return Error(414, res::IDS_ERR_NAME_TOO_LONG, res::IDS_ERR_ADDRESS_TOO_LONG);
  std::string rel = PercentDecode(rawPath);
  if (rel.find('\0') != std::string::npos) return Error(400, res::IDS_ERR_BAD_REQUEST, res::IDS_ERR_ADDRESS_NUL);
  if (rel.size() > kMaxRequestPath) return Error(414, res::IDS_ERR_NAME_TOO_LONG, res::IDS_ERR_ADDRESS_TOO_LONG);

  if (StartsWithNoCase(rel, kReservedPrefix)) {
    if (!EqualsNoCase(rel, std::string(kReservedPrefix) + "search")) {
      return Error(404, res::IDS_ERR_NOT_FOUND, res::IDS_ERR_NO_PAGE, rel);
    }
    DocReply reply;
    reply.kind = DocReply::Kind::Search;
    reply.query = DecodeSearchQuery(query);
    return reply;
  }

  const std::string root = EnsureSlash(NativeSeparators(site.root));
  // A drive path names a file through drive C; it is served only when it
  // lands below the root.
  bool renamed = rel.find('\\') != std::string::npos;
  const std::string drive = DriveLinkToPath(rel, site.driveC);
  if (!drive.empty()) {
    renamed = true;
    const std::string uriOfDrive = PathToDocUri(drive, root, site.driveC);
    if (uriOfDrive.empty()) {
      return Error(403, res::IDS_ERR_OUTSIDE, res::IDS_ERR_ONLY_ROOT);
    }
    rel = DocUriRelativePath(uriOfDrive);
  }

  // Segments: "\" separates as "/" does; ".." may not climb above the root.
  std::vector<std::string> parts;
  std::size_t pos = 0;
  const std::string native = NativeSeparators(rel);
  while (pos <= native.size()) {
    std::size_t next = native.find('/', pos);
    if (next == std::string::npos) next = native.size();
    std::string part = native.substr(pos, next - pos);
    pos = next + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (parts.empty()) {
        return Error(403, res::IDS_ERR_OUTSIDE, res::IDS_ERR_ONLY_ROOT);
      }
      parts.pop_back();
      continue;
    }
    if (part.size() > kMaxRequestName) return Error(414, res::IDS_ERR_NAME_TOO_LONG, res::IDS_ERR_NAME_IN_ADDRESS_TOO_LONG);
    parts.push_back(std::move(part));
  }
  if (parts.empty()) return Error(403, res::IDS_ERR_FOLDER, res::IDS_ERR_ROOT_IS_FOLDER);
  std::string clean;
  for (const std::string& part : parts) clean += (clean.empty() ? "" : "/") + part;

  // The overlay's copy wins unless the root holds a newer one (built there
  // since by someone who may write it).
  const std::string overlay = site.overlay.empty() ? std::string() : EnsureSlash(site.overlay);
  Candidate fromOverlay = OpenCandidate(overlay, clean);
  Candidate fromRoot = OpenCandidate(root, clean);
  const bool overlayFile = fromOverlay.fd && S_ISREG(fromOverlay.st.st_mode);
  const bool useOverlay =
      overlayFile && (!fromRoot.fd || fromOverlay.st.st_mtim.tv_sec > fromRoot.st.st_mtim.tv_sec ||
                      (fromOverlay.st.st_mtim.tv_sec == fromRoot.st.st_mtim.tv_sec &&
                       fromOverlay.st.st_mtim.tv_nsec >= fromRoot.st.st_mtim.tv_nsec));
  Candidate& chosen = useOverlay ? fromOverlay : fromRoot;
  const std::string& base = useOverlay ? overlay : root;

  if (!chosen.fd) {
    if (chosen.error == ENAMETOOLONG) return Error(414, res::IDS_ERR_NAME_TOO_LONG, res::IDS_ERR_ADDRESS_TOO_LONG);
    if (chosen.error == EACCES) return Error(403, res::IDS_ERR_NOT_READABLE, res::IDS_ERR_MAY_NOT_BE_READ, clean);
    if (chosen.error == EXDEV) {
      return Error(403, res::IDS_ERR_OUTSIDE, res::IDS_ERR_ONLY_ROOT);
    }
    return Error(404, res::IDS_ERR_NOT_FOUND, res::IDS_ERR_NO_DOCUMENT, clean);
  }
  if (S_ISDIR(chosen.st.st_mode)) return Error(403, res::IDS_ERR_FOLDER, res::IDS_ERR_IS_FOLDER, clean);
  if (!S_ISREG(chosen.st.st_mode)) return Error(403, res::IDS_ERR_NOT_A_FILE, res::IDS_ERR_IS_NOT_A_FILE, clean);
  if (IsHtmlType(ContentTypeForName(chosen.path)) && renamed) {
    DocReply reply;
    reply.kind = DocReply::Kind::Page;
    reply.path = chosen.path;
    reply.contentType = "text/html; charset=utf-8";
    std::string target = kDocUriPrefix + PercentEncodePath(chosen.path.substr(base.size()));
    if (queryAt != std::string_view::npos) target += "?" + std::string(query);
    reply.body = RedirectPage(target);
    return reply;
  }
  return ServeFile(chosen, clean, DocSite{root, overlay, site.driveC, {}, {}});
}

namespace {

DocReply ServeFile(Candidate& chosen, const std::string& name, const DocSite& site) {
  // A regular file: reads need not be non-blocking.
  ::fcntl(chosen.fd.Get(), F_SETFL, ::fcntl(chosen.fd.Get(), F_GETFL) & ~O_NONBLOCK);
  DocReply reply;
  reply.path = chosen.path;
  reply.contentType = ContentTypeForName(chosen.path);
  reply.size = chosen.st.st_size;
  if (IsHtmlType(reply.contentType) && chosen.st.st_size <= kMaxMappedPage) {
    std::string text;
    if (!ReadAll(chosen.fd.Get(), chosen.st.st_size, text)) {
      return Error(500, res::IDS_ERR_READ_ERROR, res::IDS_ERR_NOT_READ, name);
    }
    reply.kind = DocReply::Kind::Page;
    if (!DeclaresCharset(text)) reply.contentType += "; charset=windows-1252";
    reply.body = MapLinksToScheme(text, site);
    return reply;
  }
  if (IsHtmlType(reply.contentType)) {
    char head[4096];
    const ssize_t got = ::pread(chosen.fd.Get(), head, sizeof head, 0);
    if (got < 0 || !DeclaresCharset(std::string_view(head, static_cast<std::size_t>(got)))) {
      reply.contentType += "; charset=windows-1252";
    }
  }
  reply.kind = DocReply::Kind::File;
  reply.file = std::move(chosen.fd);
  return reply;
}

}  // namespace

}  // namespace platform
