#pragma once
// The page generators. Template fragments in the document root are divided
// into sections by marker comments "<!--QVXTAG:" NAME " -->"; begin(N) is
// the marker of NAME N and end(N) the marker of NAME "/" + N. Every page is
// head section, the generator's own content, foot section (from begin(FOOT)
// up to "</HTML>"), then "</HTML>".

#include <string>

#include "builder/doc_list.h"
#include "builder/explain.h"

inline constexpr const char* kMarkerPrefix = "<!--QVXTAG:";
inline constexpr const char* kMarkerSuffix = " -->";
/// The sidebar template in the document root.
inline constexpr const char* kSidebarTemplate = "sb_in.htm";

/// The category page of `type` (its first eight characters + ".HTM") and its
/// template (first five + "_IN.HTM").
std::string CategoryPageName(const std::string& type);
std::string CategoryTemplateName(const std::string& type);

/// begin(name) and end(name).
std::string BeginMarker(const std::string& name);
std::string EndMarker(const std::string& name);

/// True when `type` can name files in the document root: a category page
/// (first eight characters + ".HTM") and its template (first five +
/// "_IN.HTM"). Words with "/", "\", ".." or a NUL byte cannot.
bool IsSafeCategoryWord(const std::string& type);

/// True when a category page called `pageName` would overwrite a file that
/// comes with the documents rather than from a build: a template (any name
/// ending in "_IN.HTM", "sb_in.htm" and "sys_in.htm" among them), "nodocs.htm",
/// "DocFrame.htm" or "Search.htm". Letter case does not matter.
bool NamesAnInstalledPage(const std::string& pageName);

/// Writes the category page of `type` (head, one anchor per entry of the
/// type whose kind is not FAKE, foot) and marks every entry of the type
/// DONE. A type that cannot name a file, or whose page would overwrite an
/// installed page, gets no page, but its entries are still marked. Returns
/// true.
bool WriteCategoryPage(CDocList& list, const std::string& type, const std::string& root,
                       const ExplainFn& explain = {});

/// The NAME of the first marker of root + `templateName` that is the type
/// of some entry, or "FOOT".
std::string FindFirstSystemCategory(const std::string& templateName, const CDocList& list,
                                    const std::string& root);

/// Writes "sidebar.htm" from "sb_in.htm"; returns true when its SYSTEM
/// section was written.
bool WriteSidebar(CDocList& list, const std::string& root, const std::string& firstSystemType,
                  const ExplainFn& explain = {});

/// Writes root + `pageName` from root + `templateName`, starting with the
/// section of `firstType`. Returns true.
bool WriteSystemPage(CDocList& list, const std::string& firstType, const std::string& templateName,
                     const std::string& pageName, const std::string& root, const ExplainFn& explain = {});
