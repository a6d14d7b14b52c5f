#pragma once
// Command-line entries that run without a window.

#include <string>
#include <vector>

namespace quiro {

/// Returned by a dispatcher that does not know the option.
inline constexpr int kNotACommand = -1000;

/// Runs --build-only, --prepare-print or --list-print-pages; returns the exit
/// status, or kNotACommand when args[0] is none of them.
int RunCommandLine(const std::vector<std::string>& args);

}  // namespace quiro
