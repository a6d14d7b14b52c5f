#pragma once
// What the view does with a navigation before it starts: which of the
// toolbar buttons Find (5), Print (6) and Print All (8) to show, and whether
// the target goes to an outside viewer (compiled help, WinHelp) or is
// prepared for printing and loaded in the view. Depends only on the target
// and the document root, so it is a plain function.

#include <string>
#include <string_view>

namespace quiro {

enum class ButtonChange { Keep, Show, Hide };
enum class NavigationAction { HandOffChm, HandOffHlp, RewriteAndContinue };

struct NavigationDecision {
  ButtonChange find = ButtonChange::Keep;
  ButtonChange print = ButtonChange::Keep;
  ButtonChange printAll = ButtonChange::Keep;
  NavigationAction action = NavigationAction::RewriteAndContinue;
  /// The prepared target: for a local page its file path without "#fragment".
  /// With RewriteAndContinue it is the page to hand to the rewriter, and it
  /// is EMPTY when the target is no local file (a web address, about:,
  /// data: and every other scheme): the view then skips the rewrite and lets
  /// the navigation go on. A hand-off passes the target URL as reported, not
  /// this value, to the viewer.
  std::string url;
};

/// Decides a navigation to `targetUrl` (as the browser reports it) with the
/// document root `root` (ending in "/"). All tests ignore letter case:
/// - a target beginning with "HTTP" hides Find and leaves Print and Print All;
/// - otherwise a "file:" URL becomes its decoded path, Find is shown only
///   when the target begins with the root, and Print and Print All are
///   hidden when the target ends in "PDF" and shown otherwise;
/// - a "#" from the second character on cuts the fragment off;
/// - a target then ending in "CHM" or "HLP" (last three characters, with or
///   without a dot) goes to its viewer, anything else is rewritten and loaded.
NavigationDecision DecideNavigation(std::string_view targetUrl, std::string_view root);

/// The program path in a compiled-help viewer command such as
/// "\"/usr/bin/viewer\" %1": the characters from the second one on, up to the
/// first double quote or the value's last character, whichever comes first.
/// The value is taken as read into a 512-byte buffer (at most 511 characters).
std::string CutQuotedProgram(std::string_view value);

/// The program path in a WinHelp viewer command such as "/usr/bin/viewer %1":
/// the characters up to the first "%" or the value's last character, whichever
/// comes first (so the blank before "%1" stays). At most 511 characters read.
std::string CutPercentProgram(std::string_view value);

}  // namespace quiro
