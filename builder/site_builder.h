#pragma once
// BuildSite: the start-up build of the documentation site. Reads the
// catalogue INI, honours SkipsLeft and AutoRebuild, runs the installation
// clean-up, regenerates the sidebar, category and system pages in the
// document root, and finally asks for the start page root + "DocFrame.htm"
// to be shown (never on a skipped start-up).

#include <functional>
#include <string>

#include "builder/explain.h"

using ShowPageFn = std::function<void(const std::string& path)>;

/// The whole start-up build. `showPage` is called once, after every page has
/// been written and closed; `explain` (may be empty) receives one line per
/// decision.
void BuildSite(const ShowPageFn& showPage, const ExplainFn& explain = {});
