#include "builder/site_builder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <system_error>
#include <unordered_set>
#include <vector>

#include "builder/auxiliary_pages.h"
#include "builder/catalogue_config.h"
#include "builder/doc_list.h"
#include "builder/page_folder.h"
#include "builder/template_expansion.h"
#include "platform/confined.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/user_folders.h"

namespace {

constexpr const char* kStartPage = "DocFrame.htm";
constexpr const char* kSystemTemplate = "sys_in.htm";
constexpr const char* kSystemPage = "sys.htm";

void Show(const ShowPageFn& showPage, const std::string& path, const ExplainFn& explain) {
  Explain(explain, "showing " + path);
  if (showPage) showPage(path);
}

// The pages a build of `catalogue` writes into the root, each name once
// (many documents share a category page).
std::vector<std::string> PagesToWrite(const CDocList& catalogue) {
  std::vector<std::string> pages = {"importan.htm", "sidebar.htm", kSystemPage};
  std::unordered_set<std::string> seen(pages.begin(), pages.end());
  const auto add = [&](const std::string& page) {
    if (seen.insert(page).second) pages.push_back(page);
  };
  if (catalogue.IsEmpty()) add(CategoryPageName("CONTACT"));
  catalogue.ForEachEntry([&](const CDocEntry& entry) {
    if (IsSafeCategoryWord(entry.Type) && !NamesAnInstalledPage(CategoryPageName(entry.Type)))
      add(CategoryPageName(entry.Type));
  });
  return pages;
}

// A page of an earlier build in the per-user folder, and the file it is.
struct EarlierPage {
  std::string name;
  dev_t dev;
  ino_t ino;
};

// Tidies the per-user page folder (descriptor `folder`): removes what the
// writing of `pages` left behind (temporary files of a killed build) and,
// with `pagesToo`, the pages themselves; nothing else, whatever its name.
// Entries go as entries (unlinkat): a link is removed, never what it names.
// Returns the pages that stay.
std::vector<EarlierPage> TidyUserFolder(int folder, const std::vector<std::string>& pages, bool pagesToo) {
  std::vector<EarlierPage> kept;
  const int listFd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* dir = listFd < 0 ? nullptr : ::fdopendir(listFd);
  if (!dir) {
    if (listFd >= 0) ::close(listFd);
    return kept;
  }
  std::vector<std::string> prefixes;
  for (const std::string& page : pages) prefixes.push_back(platform::TemporaryNamePrefix(page));
  std::vector<std::string> remove;
  while (const dirent* ent = ::readdir(dir)) {
    const std::string name = ent->d_name;
    for (std::size_t i = 0; i < pages.size(); ++i) {
      struct stat st {};
      if (name.starts_with(prefixes[i])) {
        remove.push_back(name);
      } else if (!platform::EqualsNoCase(name, pages[i])) {
        continue;
      } else if (pagesToo) {
        remove.push_back(name);
      } else if (::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        kept.push_back({name, st.st_dev, st.st_ino});
      }
      break;
    }
  }
  ::closedir(dir);
  for (const std::string& name : remove) {
    if (::unlinkat(folder, name.c_str(), 0) == 0) platform::NoteEntryRemoved(folder, name);
  }
  return kept;
}

// After a build into the per-user folder in which no write failed: the pages
// of an earlier build that this one did not write again (each page written
// is a new file) go, so that the folder holds this build's pages only.
void RemovePagesNotRewritten(const std::string& root, const std::vector<EarlierPage>& earlier) {
  std::string why;
  const int folder = platform::OpenUserPageFolder(root, false, why);
  if (folder < 0) return;
  for (const EarlierPage& page : earlier) {
    struct stat st {};
    if (::fstatat(folder, page.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && st.st_dev == page.dev &&
        st.st_ino == page.ino && ::unlinkat(folder, page.name.c_str(), 0) == 0) {
      platform::NoteEntryRemoved(folder, page.name);
    }
  }
  ::close(folder);
}

// Says which of the pages to be written into `folder` are symbolic links:
// each is replaced by the page, and what it names is left alone.
void SayLinkedPages(const std::string& folder, const std::vector<std::string>& pages, const ExplainFn& explain) {
  if (!explain) return;
  for (const std::string& page : pages) {
    const std::string path = platform::ResolveCase(folder + page);
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
      std::error_code ec;
      const std::string target = std::filesystem::read_symlink(path, ec).string();
      Explain(explain, path + " is a symbolic link (to " + target +
                           "): the page replaces the link, what it names is left alone");
    }
  }
}

// Decides where the pages go. Returns false when they can go nowhere.
// `redirect` is set when they go to the per-user folder, which must be a
// real folder of the user's own (OpenUserPageFolder): any other is left
// untouched and nothing is built there. `earlier` receives the pages of an
// earlier build found there.
bool ChoosePageFolder(const std::string& root, const CDocList& catalogue,
                      std::optional<PageFolderRedirect>& redirect, std::vector<EarlierPage>& earlier,
                      const ExplainFn& explain) {
  const std::string userFolder = platform::UserPageFolder(root);
  const std::vector<std::string> pages = PagesToWrite(catalogue);
  std::string why;
  std::string problem;
  if (CanWritePages(root, pages, why)) {
    // Pages of an earlier build for the same root, made while it could not
    // be written, would only hide these.
    const int folder = platform::OpenUserPageFolder(root, false, problem);
    if (folder >= 0) {
      TidyUserFolder(folder, pages, true);
      ::close(folder);
      Explain(explain, "removed the pages of an earlier build in " + userFolder);
      if (!platform::RemoveUserPageFolder(root)) {
        Explain(explain, userFolder + " kept: it holds files other than this build's pages");
      }
    } else if (!problem.empty()) {
      Explain(explain, "the per-user folder is left alone: " + problem);
    }
    SayLinkedPages(root, pages, explain);
    return true;
  }
  const int folder = platform::OpenUserPageFolder(root, true, problem);
  if (folder < 0) {
    Explain(explain, "could not create the per-user folder " +
                         (userFolder.empty() ? std::string("(no cache folder)") : userFolder) + ": " + problem +
                         "; the document root " + root + " cannot be written either: " + why +
                         "; no page written");
    return false;
  }
  earlier = TidyUserFolder(folder, pages, false);
  ::close(folder);
  SayLinkedPages(userFolder, pages, explain);
  Explain(explain, "document root " + root + " cannot be written: " + why + "; pages written to " + userFolder +
                       " instead, the root is left unchanged");
  redirect.emplace(root, userFolder);
  return true;
}

}  // namespace

void BuildSite(const ShowPageFn& showPage, const ExplainFn& explain) {
  // Names are looked up ignoring case through one listing per folder, kept
  // up to date with the build's own writes. A new build lists afresh, so
  // what other processes changed meanwhile is seen then.
  platform::FolderListings listings;
  const platform::FolderListingsScope listingScope(listings);
  std::string iniPath = GetIniPath();
  const std::string root = ReadDocumentRoot(iniPath, [&explain](const std::string& line) { Explain(explain, line); });
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
  // The writing steps say what could not be written (ExplainsAFailedWrite);
  // after such a failure the pages of an earlier build are all kept.
  bool failedWrite = false;
  const ExplainFn writing = [&](const std::string& line) {
    failedWrite = failedWrite || ExplainsAFailedWrite(line);
    Explain(explain, line);
  };
  std::optional<PageFolderRedirect> redirect;
  std::vector<EarlierPage> earlier;
  if (!ChoosePageFolder(root, catalogue, redirect, earlier, writing)) {
    Show(showPage, root + kStartPage, explain);
    return;
  }
  ResetImportantPage(root, writing);
  PrepareEmptyCatalogue(catalogue, root, writing);

  const std::string firstSystemType = FindFirstSystemCategory(kSystemTemplate, catalogue, root);
  Explain(explain, std::string("first category of ") + kSystemTemplate + " in use: " + firstSystemType);
  const bool shownSystem = WriteSidebar(catalogue, root, firstSystemType, writing);
  if (shownSystem) {
    WriteSystemPage(catalogue, firstSystemType, kSystemTemplate, kSystemPage, root, writing);
  } else {
    Explain(explain, std::string(kSystemPage) + " not written: the sidebar shows no SYSTEM section");
  }
  if (redirect && !failedWrite) RemovePagesNotRewritten(root, earlier);
  Show(showPage, root + kStartPage, explain);
}
