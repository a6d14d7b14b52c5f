#pragma once
// What the handler of the program's URI scheme answers to one request, as
// logic without the browser: which file below the document root a URL of
// the scheme names, or why none. Names are resolved without regard to
// letter case (ResolveCase), "\" is a separator and drive paths ("C:\...",
// "C:/...", "file:///C:/...") go through the drive C folder. Nothing outside
// the root (or the per-user page folder in front of it) is ever served, and
// no request can hang: files are opened without blocking and only regular
// files are read.

#include <sys/types.h>

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

/// An open file descriptor, closed with its owner.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd();
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int Get() const { return fd_; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  explicit operator bool() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

/// The folders a request is answered from.
struct DocSite {
  std::string root;     // the document root, ending in "/"
  std::string overlay;  // per-user folder of generated pages, ending in "/", or ""
  std::string driveC;   // the folder that stands for drive C, no trailing "/"
  /// Real paths of the pages outside the root that the user opened into a
  /// frame: quiro://file/ serves these, and of the files in their folders and
  /// below those that a page or stylesheet it served refers to (the
  /// `references` of its replies); nothing else.
  std::vector<std::string> openedFiles;
  std::set<std::string> referencedFiles;
};

struct DocReply {
  enum class Kind {
    File,    // stream `file` (a regular file, open for reading)
    Page,    // send `body`
    Search,  // the program's search page, asked for `query`
    Error,   // send `body`, an error page, with `status`
  };
  Kind kind = Kind::Error;
  int status = 200;
  std::string contentType;  // File and Page
  std::string path;         // File, and Page made from a file: the file chosen
  UniqueFd file;            // File
  off_t size = 0;           // File: its size when opened
  std::string body;         // Page and Error
  std::string query;        // Search: the decoded value of "q"
  /// A page or stylesheet of quiro://file/: the local paths it refers to
  /// (names as the resolver looks them up), which may be asked for next.
  std::vector<std::string> references;
};

/// Longest path below the root that is looked up, and longest name.
inline constexpr std::size_t kMaxRequestPath = 4096;
inline constexpr std::size_t kMaxRequestName = 255;

/// Answers one request for `uri` (a URL of the scheme). `origin` is the
/// request's Origin header ("" when it has none): the browser sends it with
/// the reads of scripts across origins, and such a read between the two
/// origins of the scheme (a quiro://doc page reading quiro://file/, or the
/// reverse) is refused. quiro://file/ serves the opened pages and what they
/// refer to in their folders and below, every link resolved. HTML pages come as
/// Page with their drive and file links below the root turned into URLs of
/// the scheme (see MapLinksToScheme) and, unless the page declares its
/// character set, "charset=windows-1252"; an HTML page asked for through a
/// path holding "\" or a drive letter comes as a small page that replaces
/// itself with the normalised URL, so that its relative links resolve.
/// Other files come as File. A file of the overlay folder is served in
/// front of the root's file of the same name unless the root's is newer.
DocReply ResolveDocRequest(std::string_view uri, const DocSite& site, std::string_view origin = {});

/// The content type sent for a file name, by its extension (any letter
/// case); "application/octet-stream" for unknown ones.
std::string ContentTypeForName(std::string_view name);

/// True when an HTML text says which character set it is in (a "charset"
/// near its start, or a byte order mark).
bool DeclaresCharset(std::string_view html);

/// Turns the attribute values of `html`'s tags that name a local file below
/// the document root (file: URLs, "C:\..." and "C:/..." paths, "\..." and
/// absolute paths) into URLs of the scheme. Everything else stays byte for
/// byte.
std::string MapLinksToScheme(std::string_view html, const DocSite& site);

/// What a browser view loads in place of the page file `path` to show text
/// held in memory (a page printed with page breaks it may not be written
/// with): the text with its links mapped as the scheme would serve it, its
/// character set ("" when the text declares one) and the address it stands
/// in for (the scheme's URL below the root, else the file URL).
struct MemoryPage {
  std::string text;
  std::string encoding;
  std::string baseUri;
};
MemoryPage MemoryPageFor(const std::string& path, std::string text, const DocSite& site);

/// `text` with "<", ">", "&" and '"' written as character references, fit
/// for HTML text and for attribute values in double quotes.
std::string EscapeHtml(std::string_view text);

/// The <meta> element that gives the program's own pages (search results,
/// error pages, the page shown after the web process went) their
/// Content-Security-Policy: no script but the page's own inline ones named by
/// `scriptHashes` ("'sha256-...'" sources, space separated; none when empty),
/// no load from the network, forms and links only to the program's schemes.
std::string OwnPagePolicy(std::string_view scriptHashes = {});

/// An error page of the scheme: `title` and one line of `message` (both
/// plain text; they are escaped here).
std::string ErrorPage(std::string_view title, std::string_view message);

}  // namespace platform
