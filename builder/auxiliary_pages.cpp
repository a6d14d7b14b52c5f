#include "builder/auxiliary_pages.h"

#include <memory>

#include "builder/page_folder.h"
#include "builder/template_expansion.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace {

struct Rename {
  const char* from;
  const char* to;
};

constexpr Rename kRenames[] = {
    {"c:\\winnt\\java\\classes\\search.cla", "c:\\winnt\\java\\classes\\search.class"},
    {"c:\\windows\\java\\classes\\search.cla", "c:\\windows\\java\\classes\\search.class"},
    {"c:\\winnt\\java\\classes\\srchWord.cla", "c:\\winnt\\java\\classes\\srchWord.class"},
    {"c:\\windows\\java\\classes\\srchWord.cla", "c:\\windows\\java\\classes\\srchWord.class"},
};

constexpr const char* kDeletions[] = {
    "c:\\vesk\\docs\\8203ksch.reg",
    "c:\\vesk\\docs\\8203khlp.reg",
    "c:\\vesk\\docs\\8203kchm.reg",
};

// A copy that cannot be read changes nothing and is no failed write; one
// that cannot be written is (ExplainsAFailedWrite), the old page staying.
void CopyOverImportant(const std::string& root, const char* source, const ExplainFn& explain) {
  const std::string from = root + source;
  const std::string to = PagePath(root, "importan.htm");
  if (!platform::CanOpenForReading(from)) {
    Explain(explain, "could not copy " + from + " over " + to + ": " + from + " cannot be read");
  } else if (platform::CopyFile(from, to, PageWriteRoot(root))) {
    Explain(explain, "copied " + from + " over " + to);
  } else {
    Explain(explain, "could not write all of " + to + " (a copy of " + from + "); the old page is left");
  }
}

}  // namespace

void CleanUpInstallation(const ExplainFn& explain) {
  // These files are drive C's: nothing outside it is renamed or removed,
  // whatever links its folders hold.
  const platform::WriteRoot driveC(platform::DriveCFolder());
  for (const Rename& rename : kRenames) {
    const std::string from = platform::MapWindowsPath(rename.from);
    const std::string to = platform::MapWindowsPath(rename.to);
    if (platform::RenameFile(from, to, driveC)) {
      if (explain) explain("renamed " + from + " to " + to);
    } else if (explain) {
      explain("could not rename " + from + " (missing, or " + to + " exists)");
    }
  }
  for (const char* file : kDeletions) {
    const std::string path = platform::MapWindowsPath(file);
    if (platform::RemoveFile(path, driveC)) {
      if (explain) explain("deleted " + path);
    } else if (explain) {
      explain("could not delete " + path + " (missing or protected)");
    }
  }
}

bool SidebarTemplateMissing(const std::string& root) {
  return !platform::CanOpenForReading(root + kSidebarTemplate);
}

void ResetImportantPage(const std::string& root, const ExplainFn& explain) {
  CopyOverImportant(root, "blank_in.htm", explain);
}

void PrepareEmptyCatalogue(CDocList& list, const std::string& root, const ExplainFn& explain) {
  if (!list.IsEmpty()) return;
  Explain(explain, "no usable document: adding the contact entry");
  CopyOverImportant(root, "nodocs.htm", explain);
  auto contact = std::make_unique<CDocEntry>();
  contact->partNum = "FAKE";
  contact->Type = "CONTACT";
  contact->Title = kSupportHost;
  contact->link = kSupportAddress;
  contact->linktype = kLinkFake;
  list.AddTail(std::move(contact));
}
