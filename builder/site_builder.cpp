#include "builder/site_builder.h"

#include "builder/auxiliary_pages.h"
#include "builder/catalogue_config.h"
#include "builder/doc_list.h"
#include "builder/template_expansion.h"
#include "platform/ini.h"

namespace {

constexpr const char* kStartPage = "DocFrame.htm";
constexpr const char* kSystemTemplate = "sys_in.htm";
constexpr const char* kSystemPage = "sys.htm";

void Show(const ShowPageFn& showPage, const std::string& path, const ExplainFn& explain) {
  Explain(explain, "showing " + path);
  if (showPage) showPage(path);
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
