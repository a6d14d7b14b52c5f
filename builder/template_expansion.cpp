#include "builder/template_expansion.h"

#include <functional>
#include <unordered_set>

#include "builder/page_folder.h"
#include "platform/files.h"
#include "platform/text.h"
#include "textfile/text_line_file.h"

namespace {

constexpr const char* kHead = "HEAD";
constexpr const char* kFoot = "FOOT";
constexpr const char* kHtmlEnd = "</HTML>";
constexpr const char* kBlankTemplate = "BLANK_IN.HTM";
constexpr const char* kSidebarPage = "sidebar.htm";
constexpr const char* kQuotedPlaceholder = "\"QVXTGT\">";
constexpr const char* kPlaceholder = "QVXTGT";


void FinishPage(CTextLineFile& page, const std::string& path, const ExplainFn& explain) {
  page.CopySection(BeginMarker(kFoot), kHtmlEnd, false);
  page.WriteText(kHtmlEnd);
  const bool created = !page.outputClosed;
  const bool stored = page.Close();
  if (!explain) return;
  if (!created) {
    explain("could not create " + path);
  } else if (!stored) {
    explain("could not write all of " + path);
  } else {
    explain("wrote " + path);
  }
}

// The number of entries of each type, taken once so that a template of
// many sections does not walk the catalogue once per section. Kept in step
// with the catalogue by MarkDone, which mirrors WriteCategoryPage.
class TypeCounts {
 public:
  explicit TypeCounts(const CDocList& list) {
    list.ForEachEntry([this](const CDocEntry& entry) { ++counts_[entry.Type]; });
  }
  int Count(const std::string& type) const {
    const auto found = counts_.find(type);
    return found == counts_.end() ? 0 : found->second;
  }
  void MarkDone(const std::string& type) {
    const auto found = counts_.find(type);
    if (found == counts_.end() || type == kTypeDone) return;
    const int count = found->second;
    counts_.erase(found);
    counts_[kTypeDone] += count;
  }

 private:
  std::unordered_map<std::string, int> counts_;
};

using SectionFn = std::function<void(const std::string& name, const std::string& section)>;

// Visits the sections of a template in the order in which their begin
// markers follow one another: the section of `first` searched on from the
// current position, then the section of each further marker NAME, each
// found again by searching from the start of the template. A NAME that leads
// back to a section already visited (letter case aside) is passed over
// together with its section, so the walk always ends. The walk stops at
// FOOT or when no marker follows.
void WalkSections(CTextLineFile& page, const std::string& first, const SectionFn& onSection,
                  const ExplainFn& explain) {
  std::unordered_set<std::string> visited;
  std::string name = first;
  std::string section = page.ExtractNext(BeginMarker(name), EndMarker(name), false);
  for (;;) {
    visited.insert(platform::ToUpperAscii(name));
    onSection(name, section);
    std::string next;
    for (;;) {
      next = page.ExtractNext(kMarkerPrefix, kMarkerSuffix, true);
      if (next.empty()) next = kFoot;
      if (next == kFoot || !visited.contains(platform::ToUpperAscii(next))) break;
      if (explain) explain("section " + next + " repeats an earlier section: passed over");
      page.SkipPast(EndMarker(next));  // on with the marker after this section
    }
    if (next == kFoot) return;
    name = next;
    section = page.RewindAndExtractNext(BeginMarker(name), EndMarker(name), false);
  }
}

}  // namespace

std::string CategoryPageName(const std::string& type) { return type.substr(0, 8) + ".HTM"; }
std::string CategoryTemplateName(const std::string& type) { return type.substr(0, 5) + "_IN.HTM"; }

std::string BeginMarker(const std::string& name) { return kMarkerPrefix + name + kMarkerSuffix; }
std::string EndMarker(const std::string& name) { return kMarkerPrefix + ("/" + name) + kMarkerSuffix; }

bool IsSafeCategoryWord(const std::string& type) {
  return type.find_first_of(std::string("/\\\0", 3)) == std::string::npos &&
         type.find("..") == std::string::npos;
}

bool NamesAnInstalledPage(const std::string& pageName) {
  const std::string name = platform::ToUpperAscii(pageName);
  const std::string_view templateEnd = "_IN.HTM";
  return name == "NODOCS.HTM" || name == "DOCFRAME.HTM" || name == "SEARCH.HTM" ||
         (name.size() >= templateEnd.size() && name.ends_with(templateEnd));
}

bool WriteCategoryPage(CDocList& list, const std::string& type, const std::string& root,
                       const ExplainFn& explain) {
  std::string templateName = CategoryTemplateName(type);
  const std::string pageName = CategoryPageName(type);
  const bool safe = IsSafeCategoryWord(type);
  const bool installed = safe && NamesAnInstalledPage(pageName);
  std::unique_ptr<CTextLineFile> page;
  if (installed) {
    if (explain) explain("category \"" + type + "\" would overwrite the installed page " + pageName + ": no page written");
  } else if (safe) {
    if (!platform::CanOpenForReading(root + templateName, platform::Lock::Exclusive)) {
      if (explain) explain(templateName + " missing or already open: category " + type + " uses " + kBlankTemplate);
      templateName = kBlankTemplate;
    }
    page = std::make_unique<CTextLineFile>(root + templateName, PagePath(root, pageName),
                                           platform::Lock::Exclusive);
    page->CopySection(BeginMarker(kHead), EndMarker(kHead), false);
  } else if (explain) {
    explain("category \"" + type + "\" cannot name a file in the document root: no page written");
  }

  CDocList::Position position = list.FindFirstOfType(type);
  while (position) {
    CDocEntry& entry = list.GetAt(position);
    if (page && entry.linktype != kLinkFake) page->WriteText(entry.MakeAnchor(root));
    entry.Type = kTypeDone;
    position = list.FindNextOfType(type, position);
  }
  if (page) FinishPage(*page, PagePath(root, pageName), explain);
  return true;
}

std::string FindFirstSystemCategory(const std::string& templateName, const CDocList& list,
                                    const std::string& root) {
  CTextLineFile file(root + templateName, platform::Lock::Exclusive);
  const TypeCounts counts(list);
  std::string name;
  for (;;) {
    name = file.ExtractNext(kMarkerPrefix, kMarkerSuffix, false);
    if (name.empty()) name = kFoot;
    if (counts.Count(name) > 0 || name == kFoot) break;
  }
  file.Close();
  return name;
}

bool WriteSidebar(CDocList& list, const std::string& root, const std::string& firstSystemType,
                  const ExplainFn& explain) {
  CTextLineFile page(root + kSidebarTemplate, PagePath(root, kSidebarPage), platform::Lock::Exclusive);
  page.KeepInMemory(kMarkerPrefix, kMarkerSuffix);
  TypeCounts counts(list);
  bool shownSystem = false;
  page.CopySection(BeginMarker(kHead), EndMarker(kHead), false);
  WalkSections(
      page, "IMPORTANT",
      [&](const std::string& name, const std::string& section) {
        bool keep = false;
        if (name == "SYSTEM") {
          keep = firstSystemType != kFoot;
          shownSystem = shownSystem || keep;
        } else if (name == "INTRO") {
          keep = true;
        } else if (counts.Count(name) > 0) {
          WriteCategoryPage(list, name, root, explain);
          counts.MarkDone(name);
          keep = true;
        }
        if (explain) explain(std::string(kSidebarPage) + ": section " + name + (keep ? " kept" : " dropped"));
        if (keep) page.WriteText(section);
      },
      explain);
  FinishPage(page, PagePath(root, kSidebarPage), explain);
  return shownSystem;
}

bool WriteSystemPage(CDocList& list, const std::string& firstType, const std::string& templateName,
                     const std::string& pageName, const std::string& root, const ExplainFn& explain) {
  CTextLineFile page(root + templateName, PagePath(root, pageName), platform::Lock::Exclusive);
  page.KeepInMemory(kMarkerPrefix, kMarkerSuffix);
  TypeCounts counts(list);
  page.CopySection(BeginMarker(kHead), EndMarker(kHead), false);
  WalkSections(
      page, firstType,
      [&](const std::string& name, const std::string& section) {
        const int count = counts.Count(name);
        if (count == 1) {
          const CDocEntry& entry = list.GetAt(list.FindFirstOfType(name));
          std::string text = platform::ReplaceAll(section, kQuotedPlaceholder,
                                                  entry.MakeHrefValue(root) + " target=\"_self\">");
          page.WriteText(platform::ReplaceAll(std::move(text), "yellow.gif", "doc.gif"));
        } else if (count >= 2) {
          WriteCategoryPage(list, name, root, explain);
          counts.MarkDone(name);
          page.WriteText(platform::ReplaceAll(section, kPlaceholder, CategoryPageName(name)));
        }
        if (explain) {
          explain(pageName + ": section " + name +
                  (count == 0   ? std::string(" dropped")
                   : count == 1 ? std::string(" kept, linking its one document")
                                : std::string(" kept, linking its category page")));
        }
      },
      explain);
  FinishPage(page, PagePath(root, pageName), explain);
  return true;
}
