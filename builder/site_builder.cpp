#include "builder/site_builder.h"

#include <unistd.h>

#include <optional>
#include <vector>

#include "builder/auxiliary_pages.h"
#include "builder/catalogue_config.h"
#include "builder/doc_list.h"
#include "builder/page_folder.h"
#include "builder/template_expansion.h"
#include "platform/dir.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/user_folders.h"

namespace {

constexpr const char* kStartPage = "DocFrame.htm";
constexpr const char* kSystemTemplate = "sys_in.htm";
constexpr const char* kSystemPage = "sys.htm";

void Show(const ShowPageFn& showPage, const std::string& path, const ExplainFn& explain) {
  Explain(explain, "showing " + path);
  if (showPage) showPage(path);
}

// The pages a build of `catalogue` writes into the root.
std::vector<std::string> PagesToWrite(const CDocList& catalogue) {
  std::vector<std::string> pages = {"importan.htm", "sidebar.htm", kSystemPage};
  if (catalogue.IsEmpty()) pages.push_back(CategoryPageName("CONTACT"));
  catalogue.ForEachEntry([&](const CDocEntry& entry) {
    if (IsSafeCategoryWord(entry.Type) && !NamesAnInstalledPage(CategoryPageName(entry.Type)))
      pages.push_back(CategoryPageName(entry.Type));
  });
  return pages;
}

// Empties the per-user page folder, so that it holds this build's pages only.
void EmptyFolder(const std::string& folder) {
  std::vector<platform::DirEntry> entries;
  if (!platform::ListDirectory(folder, entries)) return;
  for (const auto& entry : entries) {
    if (!entry.isDirectory) platform::RemoveFile(folder + entry.name);
  }
}

// Decides where the pages go. Returns false when they can go nowhere.
// `redirect` is set when they go to the per-user folder.
bool ChoosePageFolder(const std::string& root, const CDocList& catalogue,
                      std::optional<PageFolderRedirect>& redirect, const ExplainFn& explain) {
  const std::string userFolder = platform::UserPageFolder(root);
  std::string why;
  if (CanWritePages(root, PagesToWrite(catalogue), why)) {
    // Pages of an earlier build for the same root, made while it could not
    // be written, would only hide these.
    if (!userFolder.empty() && platform::IsDirectory(userFolder)) {
      EmptyFolder(userFolder);
      ::rmdir(userFolder.c_str());
      Explain(explain, "removed the pages of an earlier build in " + userFolder);
    }
    return true;
  }
  if (userFolder.empty() || !platform::MakeFolders(userFolder)) {
    Explain(explain, "document root " + root + " cannot be written: " + why + "; the per-user folder " +
                         (userFolder.empty() ? std::string("(no cache folder)") : userFolder) +
                         " cannot be created either: no page written");
    return false;
  }
  EmptyFolder(userFolder);
  Explain(explain, "document root " + root + " cannot be written: " + why + "; pages written to " + userFolder +
                       " instead, the root is left unchanged");
  redirect.emplace(root, userFolder);
  return true;
}

}  // namespace

void BuildSite(const ShowPageFn& showPage, const ExplainFn& explain) {
  std::string iniPath = GetIniPath();
  const std::string firstIni = iniPath;
  const std::string root = ReadDocumentRoot(iniPath);
  if (iniPath != firstIni) {
    Explain(explain, firstIni + " sets no DocumentRoot: using " + iniPath);
  }
  Explain(explain, "catalogue INI: " + iniPath);
  Explain(explain, "document root: " + root);

  const int skipsLeft = platform::GetPrivateProfileInt(kMainSection, kSkipsLeftKey, -1, iniPath);
  if (skipsLeft > 0) {
    const std::string left = std::to_string(skipsLeft - 1);
    if (platform::WritePrivateProfileString(kMainSection, kSkipsLeftKey, left, iniPath)) {
      Explain(explain,
              "SkipsLeft is " + std::to_string(skipsLeft) + ": start-up skipped, SkipsLeft now " + left);
      return;
    }
    // A count that cannot be written down would suppress every start-up.
    Explain(explain, "SkipsLeft is " + std::to_string(skipsLeft) +
                         " but the INI cannot be written: building as if not skipped");
  }

  CleanUpInstallation(explain);
  const bool sidebarMissing = SidebarTemplateMissing(root);
  const int autoRebuild = platform::GetPrivateProfileInt(kMainSection, kAutoRebuildKey, 1, iniPath);
  if (autoRebuild == 0 || sidebarMissing) {
    Explain(explain, autoRebuild == 0 ? "AutoRebuild is 0: pages not rebuilt"
                                      : root + kSidebarTemplate + " missing: pages not rebuilt");
    Show(showPage, root + kStartPage, explain);
    return;
  }

  const std::string defaultType = GetDefaultType(iniPath);
  Explain(explain, "default type: " + defaultType);
  CDocList catalogue;
  catalogue.ScanDocumentFolder(root, explain);
  {
    // Thousands of key reads: take the INI once instead of checking it per key.
    platform::IniSnapshot snapshot;
    catalogue.ReadCatalogue(root, iniPath, defaultType, explain);
  }
  std::optional<PageFolderRedirect> redirect;
  if (!ChoosePageFolder(root, catalogue, redirect, explain)) {
    Show(showPage, root + kStartPage, explain);
    return;
  }
  ResetImportantPage(root, explain);
  PrepareEmptyCatalogue(catalogue, root, explain);

  const std::string firstSystemType = FindFirstSystemCategory(kSystemTemplate, catalogue, root);
  Explain(explain, std::string("first category of ") + kSystemTemplate + " in use: " + firstSystemType);
  const bool shownSystem = WriteSidebar(catalogue, root, firstSystemType, explain);
  if (shownSystem) {
    WriteSystemPage(catalogue, firstSystemType, kSystemTemplate, kSystemPage, root, explain);
  } else {
    Explain(explain, std::string(kSystemPage) + " not written: the sidebar shows no SYSTEM section");
  }
  Show(showPage, root + kStartPage, explain);
}
