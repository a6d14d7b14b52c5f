#pragma once
// What the view does with a navigation before it starts: which of the
// toolbar buttons Find (5), Print (6) and Print All (8) to show, and whether
// the target goes to an outside viewer (compiled help, WinHelp) or is
// prepared for printing and loaded in the view. Depends only on the target
// and the document root, so it is a plain function.

#include <chrono>
#include <optional>
#include <set>
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
/// A value that does not begin with a double quote gives what stands before
/// its first "%", blanks trimmed, when that is an existing executable's
/// absolute path, else that text's first word ("/usr/bin/viewer %1" gives
/// "/usr/bin/viewer"). The value is taken as read into a 512-byte buffer (at
/// most 511 characters).
std::string CutQuotedProgram(std::string_view value);

/// Whether a help file target may go to its viewer: `preparedUrl` (the
/// decision's url) is a local absolute path with no "." or ".." component,
/// below `root` (letter case ignored, as the decision does) or one of the
/// files the user opened, `opened`. Web addresses, data: and every other
/// scheme never go.
bool IsLocalHelpFile(std::string_view preparedUrl, std::string_view root, const std::set<std::string>& opened);

/// At most one viewer start a second: Take() answers whether one may start
/// at `now`, and counts it when it may.
class ViewerStartGate {
 public:
  bool Take(std::chrono::steady_clock::time_point now);

 private:
  std::optional<std::chrono::steady_clock::time_point> last_;
};

/// The executable a viewer program name stands for: an absolute path as it
/// is, a bare name looked up in the absolute folders of `pathVariable` (a
/// PATH value; empty and relative entries, which mean the current folder,
/// are passed over). A relative name with a "/" is never run. "" when
/// nothing executable is found.
std::string FindProgram(std::string_view program, std::string_view pathVariable);

/// The program path in a WinHelp viewer command such as "/usr/bin/viewer %1":
/// the characters up to the first "%" or the value's last character, whichever
/// comes first (so the blank before "%1" stays). At most 511 characters read.
std::string CutPercentProgram(std::string_view value);

}  // namespace quiro
