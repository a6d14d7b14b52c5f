#pragma once
// The File > Open dialog's filter list, written as one string:
// "Name|pattern;pattern|Name|pattern|...||".

#include <string>
#include <vector>

namespace quiro {

struct OpenFilter {
  std::string name;
  std::vector<std::string> patterns;  ///< GTK glob patterns, letter case ignored
};

/// Splits the filter string into named filters. The list ends at the first
/// empty name or when no pattern part follows a name. A pattern matches names
/// without regard to letter case ("*.htm" becomes "*.[hH][tT][mM]"); "*.*"
/// means every file, as it does in the dialog the string was written for.
std::vector<OpenFilter> ParseOpenFilter(const std::string& text);

/// The filters the Open dialog offers: those of the filter string `text`,
/// in its order, then those of `more` (written the same way; the PDF files
/// the view shows inline, which `text` names none of).
std::vector<OpenFilter> OpenDialogFilters(const std::string& text, const std::string& more);

}  // namespace quiro
