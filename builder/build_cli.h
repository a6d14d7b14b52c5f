#pragma once
// `quiro --build-only [--verbose]`: the start-up build without a window.

namespace quiro {

/// Runs BuildSite, prints the page the window would show on stdout (nothing
/// on a skipped start-up) and, with `verbose`, every decision on stderr.
/// Returns the exit status, 0.
int RunBuildOnly(bool verbose);

}  // namespace quiro
