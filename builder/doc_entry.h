#pragma once
// CDocEntry: one document of the catalogue. Its folder below the document
// root names it (`partNum`), and its INI section or its index page describe
// it. `Type` is also a work mark: "DONE" once a category page listed it.

#include <string>

/// Link kind words (stored upper-cased in `linktype`).
inline constexpr const char* kLinkDocs = "DOCS";
inline constexpr const char* kLinkDocsNewWindow = "DOCSNEWWINDOW";
inline constexpr const char* kLinkInternal = "INTERNAL";
inline constexpr const char* kLinkInternalNewWindow = "INTERNALNEWWINDOW";
inline constexpr const char* kLinkExternal = "EXTERNAL";
inline constexpr const char* kLinkExternalNewWindow = "EXTERNALNEWWINDOW";
inline constexpr const char* kLinkNone = "NOLINK";
inline constexpr const char* kLinkFake = "FAKE";
/// Type of an entry whose category page has been written.
inline constexpr const char* kTypeDone = "DONE";

class CDocEntry {
 public:
  /// All fields empty (filled by the caller).
  CDocEntry() = default;
  /// Defaults for a document folder: SYSTEM, "Unknown Document", its
  /// "INDEX.HTM", kind DOCS.
  explicit CDocEntry(const std::string& folderName);

  /// Fills the entry from its INI section (section name = `partNum`) and
  /// returns how complete the section is: +1 for each of TYPE, TITLE, LINK,
  /// LINKTYPE given, -10 without TITLE (so -10..-7 without it, 1..4 with it).
  /// A value beginning with "%" counts as absent.
  int ReadIniSection(const std::string& iniPath, const std::string& defaultType);

  /// Fills the entry from root + partNum + "/index.htm": SUBJECT meta value
  /// as the type (else `defaultType`), the title element as the title.
  /// 3 with a title, -7 without one, -100 (entry unchanged) when the page
  /// cannot be opened.
  int ReadIndexPage(const std::string& root, const std::string& defaultType);

  /// A whole anchor for a category page: opening tag by `linktype`, the
  /// title, "</A><br><br>".
  std::string MakeAnchor(const std::string& root) const;
  /// The quoted href value (and target attribute) for a template that holds
  /// the opening of the anchor itself.
  std::string MakeHrefValue(const std::string& root) const;
  /// In both, names on disk (the root, the document's folder) are encoded
  /// only where they would break the markup or the link; an author's link
  /// only where it would break the markup.

  std::string partNum;
  std::string Type;
  std::string Title;
  std::string link;
  std::string linktype;
};

/// "file:///" followed by `piece`; an absolute Linux path brings its own
/// leading "/", which is not doubled.
std::string FileUrlOf(const std::string& piece);
