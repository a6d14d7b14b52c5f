#pragma once
// The small steps of a start-up build that are not template expansion:
// the installation clean-up, the sidebar template check, the reset of the
// IMPORTANT page and the contact entry of an empty catalogue.

#include <string>

#include "builder/doc_list.h"
#include "builder/explain.h"

/// Support web address of the contact entry, and its host name (the title).
inline constexpr const char* kSupportAddress = "https://support.example.com/";
inline constexpr const char* kSupportHost = "support.example.com";

/// Renames the two search class files from ".cla" to ".class" in the
/// system's Java class folders, then deletes the three registry scripts of
/// "c:\vesk\docs". Each step is tried whatever became of the one before;
/// failures change nothing and are only explained.
void CleanUpInstallation(const ExplainFn& explain = {});

/// True when root + "sb_in.htm" cannot be opened.
bool SidebarTemplateMissing(const std::string& root);

/// Copies "blank_in.htm" over "importan.htm" in the document root.
void ResetImportantPage(const std::string& root, const ExplainFn& explain = {});

/// For an empty catalogue: copies "nodocs.htm" over "importan.htm" and adds
/// the contact entry (type CONTACT, kind FAKE). Does nothing otherwise.
void PrepareEmptyCatalogue(CDocList& list, const std::string& root, const ExplainFn& explain = {});
