#pragma once
// The browser sees the document root through the program's own URI scheme:
// a file below the root is quiro://doc/ followed by its path below the root,
// percent-encoded, with "/" separators. Everything else in the program works
// on local paths and file URLs; these functions are the one mapping between
// the two. The path prefix ".quiro/" below quiro://doc/ names the program's
// own pages (".quiro/search?q=WORDS") and no file.

#include <string>
#include <string_view>

namespace platform {

inline constexpr const char* kDocScheme = "quiro";
/// Every URL of the scheme starts with this (scheme and host compare
/// without regard to letter case).
inline constexpr const char* kDocUriPrefix = "quiro://doc/";
/// The path prefix of the program's own pages, below kDocUriPrefix.
inline constexpr const char* kReservedPrefix = ".quiro/";

/// A page outside the root that the user opens into a frame of a page of
/// the scheme cannot be a file URL there (the engine refuses file URLs in
/// such frames): it goes through quiro://file/ followed by its absolute
/// path, percent-encoded.
inline constexpr const char* kOpenedFilePrefix = "quiro://file/";

/// The two origins of the scheme's pages, as a browser writes them in an
/// Origin header.
inline constexpr const char* kDocOrigin = "quiro://doc";
inline constexpr const char* kOpenedFileOrigin = "quiro://file";

/// True for a URL of the scheme ("quiro://doc/...", any letter case).
bool IsDocUri(std::string_view url);
/// True for "quiro://file/..." (any letter case).
bool IsOpenedFileUri(std::string_view url);
/// An absolute local path as a quiro://file/ URL.
std::string PathToOpenedFileUri(std::string_view path);

/// Local path (or "file:" URL) to the scheme's URL when it lies below
/// `root` (a folder ending in "/", compared without regard to letter case;
/// "\" is taken as a separator). A "?query" or "#fragment" of a file URL
/// is kept as it is. Returns "" for anything not below the root, for the
/// root itself, and for paths below root + ".quiro/", which the scheme keeps
/// for its own pages.
std::string PathToDocUri(std::string_view pathOrFileUrl, std::string_view root);
/// The same with drive C standing for `driveC` (see DriveLinkToPath).
std::string PathToDocUri(std::string_view pathOrFileUrl, std::string_view root, std::string_view driveC);

/// The scheme's URL to a "file:" URL of the same file below `root`:
/// "file://" + root + the decoded path, encoded as PathToFileUrl encodes;
/// a "?query" or "#fragment" is kept as it is. The path is taken as written
/// (no ".." or letter case resolved: that is the request resolver's work).
/// Returns "" for anything that is not a URL of the scheme, and for the
/// program's own pages. A quiro://file/ URL gives the file URL of its path.
std::string DocUriToFileUrl(std::string_view uri, std::string_view root);

/// The same as a local path (percent escapes decoded, query and fragment
/// dropped); "" where DocUriToFileUrl gives "".
std::string DocUriToPath(std::string_view uri, std::string_view root);

/// The decoded path of a URL of the scheme, below kDocUriPrefix and before
/// any "?query" or "#fragment"; "" for other URLs.
std::string DocUriRelativePath(std::string_view uri);

/// The local path a link written for the original platform names: a
/// "file:" URL (with "file:///C:/..." mapped through drive C), a drive path
/// ("C:\...", "C:/...") or a drive-relative path ("\...") mapped through
/// drive C. "" for every other link (relative links, web addresses). A
/// "?query" or "#fragment" of a file URL is dropped.
std::string DriveLinkToPath(std::string_view link);
/// The same with drive C standing for `driveC` instead of DriveCFolder().
std::string DriveLinkToPath(std::string_view link, std::string_view driveC);

/// Percent-encodes the bytes a URL path cannot carry literally: blanks,
/// "#", "?", "%", "\", control and non-ASCII bytes.
std::string PercentEncodePath(std::string_view path);

/// A local path (a folder or file name on disk) as a generated page's href
/// attribute carries it: the bytes that would end the attribute or the tag,
/// or change what the link names, are percent-encoded ("\"", "<", ">", "#",
/// "?", "%", control bytes), and "&" is written "&amp;". Every other byte
/// (blanks, backslashes, non-ASCII) stays as it is.
std::string PathForHref(std::string_view path);

/// A link the catalogue's author wrote, for an href attribute: only what would
/// break the markup changes ("\"", "<", ">" and control bytes percent-encoded,
/// "&" as "&amp;"); "#", "?" and "%" keep their meaning in the link.
std::string LinkForHref(std::string_view link);

/// Decodes every "%XX" escape; other bytes stay as they are.
std::string PercentDecode(std::string_view text);

}  // namespace platform
