#include "builder/doc_entry.h"

#include <fcntl.h>

#include <utility>

#include "platform/confined.h"
#include "platform/doc_uri.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/text.h"
#include "textfile/text_line_file.h"

namespace {

constexpr const char* kIndexPage = "/index.htm";
constexpr const char* kUnknownTitle = "Unknown Document";
constexpr const char* kSubjectStart = "<META name=\"SUBJECT\" content=\"";
constexpr const char* kSubjectEnd = "\">";
constexpr const char* kTitleStart = "<title>";
constexpr const char* kTitleEnd = "</title>";

// Reads `key` of the entry's section; false when absent (value begins "%").
bool ReadKey(const std::string& section, const char* key, const std::string& iniPath, std::string& value) {
  value = platform::GetPrivateProfileString(section, key, "%", iniPath);
  return value.empty() || value.front() != '%';
}

}  // namespace

CDocEntry::CDocEntry(const std::string& folderName)
    : partNum(folderName), Type("SYSTEM"), Title(kUnknownTitle), link("INDEX.HTM"), linktype(kLinkDocs) {}

int CDocEntry::ReadIniSection(const std::string& iniPath, const std::string& defaultType) {
  int score = 0;
  std::string value;
  if (ReadKey(partNum, "TYPE", iniPath, value)) {
    Type = value;
    ++score;
  } else {
    Type = defaultType;
  }
  if (ReadKey(partNum, "TITLE", iniPath, value)) {
    Title = value;
    ++score;
  } else {
    Title = kUnknownTitle;
    score -= 10;
  }
  if (ReadKey(partNum, "LINK", iniPath, value)) {
    link = value;
    ++score;
  } else {
    link = partNum + kIndexPage;
  }
  if (ReadKey(partNum, "LINKTYPE", iniPath, value)) {
    linktype = value;
    ++score;
  } else {
    linktype = kLinkDocs;
  }
  Type = platform::ToUpperAscii(Type);
  linktype = platform::ToUpperAscii(linktype);
  return score;
}

int CDocEntry::ReadIndexPage(const std::string& root, const std::string& defaultType) {
  // Read only where it really lies below the root: a document folder or
  // index page that is a link leading out counts as no page, so nothing of
  // another user's files (or the system's, for the trigger) gets into the
  // generated pages. One open serves the test and the reading.
  platform::InputFile page;
  page.OpenDescriptor(platform::OpenNamedBelow(root, partNum + kIndexPage, O_RDONLY | O_NONBLOCK | O_NOCTTY));
  CTextLineFile file(std::move(page));
  if (file.inputClosed) return -100;
  Type = file.ExtractFromStart(kSubjectStart, kSubjectEnd, true);
  if (Type.empty()) Type = defaultType;
  Type = platform::ToUpperAscii(Type);
  Title = file.ExtractFromStart(kTitleStart, kTitleEnd, true);
  const int score = Title.empty() ? -10 : 0;
  link = partNum + kIndexPage;
  linktype = kLinkDocs;
  file.Close();
  return score + 3;
}

std::string FileUrlOf(const std::string& piece) {
  if (!piece.empty() && piece.front() == '/') return "file://" + piece;
  return "file:///" + piece;
}

namespace {

// The href of a document below the root. The root and the document's own
// folder are names on disk, encoded as such; the rest of the link (its page,
// perhaps with a "#part" the catalogue added) is kept as a link.
std::string DocumentHref(const std::string& root, const std::string& partNum, const std::string& link) {
  std::string href = platform::PathForHref(root);
  const bool inFolder = link.size() > partNum.size() && link.compare(0, partNum.size(), partNum) == 0 &&
                        (link[partNum.size()] == '/' || link[partNum.size()] == '\\');
  if (inFolder && !partNum.empty()) {
    href += platform::PathForHref(partNum) + platform::LinkForHref(std::string_view(link).substr(partNum.size()));
  } else {
    href += platform::LinkForHref(link);
  }
  return FileUrlOf(href);
}

}  // namespace

std::string CDocEntry::MakeAnchor(const std::string& root) const {
  const std::string local = FileUrlOf(platform::LinkForHref(link));
  const std::string web = platform::LinkForHref(link);
  std::string tag;
  if (linktype == kLinkDocs) {
    tag = "<A href=\"" + DocumentHref(root, partNum, link) + "\">";
  } else if (linktype == kLinkDocsNewWindow) {
    tag = "<A href=\"" + DocumentHref(root, partNum, link) + "\" target=\"_blank\">";
  } else if (linktype == kLinkInternal) {
    tag = "<A href=\"" + local + "\" >";
  } else if (linktype == kLinkInternalNewWindow) {
    tag = "<A href=\"" + local + "\" target=\"_blank\">";
  } else if (linktype == kLinkExternal) {
    tag = "<A href=\"" + web + "\">";
  } else if (linktype == kLinkExternalNewWindow) {
    tag = "<A href=\"" + web + "\" target=\"_blank\">";
  } else if (linktype == kLinkNone) {
    tag = "<A>";
  } else {
    tag = "<A href=\"" + DocumentHref(root, partNum, link) + "\">";
  }
  return tag + Title + "</A><br><br>";
}

std::string CDocEntry::MakeHrefValue(const std::string& root) const {
  const std::string local = FileUrlOf(platform::LinkForHref(link));
  const std::string web = platform::LinkForHref(link);
  if (linktype == kLinkDocs) return "\"" + DocumentHref(root, partNum, link) + "\" ";
  if (linktype == kLinkDocsNewWindow) return "\"" + DocumentHref(root, partNum, link) + "\" target=\"_blank\"";
  if (linktype == kLinkInternal) return "\"" + local + "\" ";
  if (linktype == kLinkInternalNewWindow) return "\"" + local + "\" target=\"_blank\"";
  if (linktype == kLinkExternal) return "\"" + web + "\"";
  if (linktype == kLinkExternalNewWindow) return "\"" + web + "\" target=\"_blank\"";
  if (linktype == kLinkNone) return "<A";
  return "\"" + DocumentHref(root, partNum, link) + "\"";
}
