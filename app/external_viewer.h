#pragma once
// Where targets the view does not show itself go: help files to the viewer
// programs registered for them, web addresses to the desktop's browser, and
// local pages asked for in a new window to a plain window of their own.

#include <gtkmm.h>
#include <webkit2/webkit2.h>

#include <memory>
#include <set>
#include <string>

#include "app/core/doc_site.h"
#include "app/core/navigation_check.h"

namespace quiro {

/// The viewer command line for compiled help (`chm` true) or WinHelp files
/// from the key store ("" when it has none; the desktop's default
/// application for the file type is used then).
std::string ViewerCommandLine(bool chm);

/// A program path cut from a command line may keep the blank that stood
/// before "%1"; a file name never ends in one here, so trailing blanks go.
std::string TrimProgramPath(std::string path);

/// Starts `program` (an absolute path) with the single argument `argument`:
/// no shell, no search along PATH, no waiting; the child is reaped when it ends. Returns
/// false when the program could not be started (nothing is reported).
bool StartViewer(const std::string& program, const std::string& argument);

/// How a hand-off to a viewer went.
/// Refused: not a local help file below the root or opened by the user, not
/// the user's own action, or a second start within a second.
enum class HandOff { Started, NoViewer, NotStarted, NotFound, Refused };

/// What the plain windows a view opens share with it: the site it shows and
/// the gate every viewer it starts goes through (at most one a second).
struct ViewLinks {
  std::shared_ptr<const SiteHolder> site;
  std::shared_ptr<ViewerStartGate> viewerStarts;
};

/// Hands a compiled help (`chm` true) or WinHelp target to its viewer: the
/// program cut from ViewerCommandLine() by the kind's rule (a bare name
/// looked up along PATH) gets the target URL exactly as the browser reported
/// it; without a key store command the desktop's default application for the
/// type is started through its entry on the file `path`. At most one viewer
/// starts a second through `gate`. Either way the caller cancels the
/// navigation.
HandOff HandOffToViewer(bool chm, const std::string& targetURL, const std::string& path, ViewerStartGate& gate);

/// HandOffToViewer for a navigation `decision`, only when it comes from the
/// user's own action and its target is a local help file below the document
/// root `root` or one the user opened (`opened`, as chosen); else Refused and
/// nothing starts.
HandOff HandOffHelpFile(bool chm, const NavigationDecision& decision, const std::string& targetURL,
                        bool userAction, const std::string& root, const std::set<std::string>& opened,
                        ViewerStartGate& gate);

/// Whether a navigation decision comes from the user's click or key.
bool IsUserAction(WebKitPolicyDecision* decision);

/// The name a window shows for the page in `view`: its title, or its address
/// (a page below `root` by its file's) when it has no title ("" when it has
/// neither).
std::string TitleOrAddress(WebKitWebView* view, const std::string& root);

/// The address a navigation action asks for ("" when it has none).
std::string RequestUri(WebKitNavigationAction* action);

/// The address of a policy decision that is a navigation or a new-window
/// request; false for every other kind of decision (responses), which the
/// engine decides by itself.
bool NavigationTarget(WebKitPolicyDecision* decision, WebKitPolicyDecisionType type, std::string& uri);

/// Opens `uri` with the desktop's default handler (a web browser for web
/// addresses). Failures are silent.
void OpenInDesktopBrowser(const std::string& uri);

/// Opens a plain top-level window with a browser view related to
/// `relatedTo` (same engine process) and returns its view; the caller's
/// engine loads the request into it. The window shows itself when the
/// engine says it is ready, follows the page title and goes when closed.
/// Help files linked from its pages go to their viewers as well. The window
/// keeps `links`, those of the view it came from, while it lives.
WebKitWebView* OpenPlainWindow(WebKitWebView* relatedTo, ViewLinks links);

/// Whether a new window asked for `uri` is the desktop's browser: every
/// address but file:, the program's schemes, about: and none.
bool OpensInDesktopBrowser(const std::string& uri);

/// Answers a page's request for a new window for `uri`: web addresses go to
/// the desktop's browser and nullptr is returned; local pages and blank
/// windows get a plain window related to `relatedTo`, whose view is returned.
WebKitWebView* OpenRequestedWindow(WebKitWebView* relatedTo, const std::string& uri, ViewLinks links);

}  // namespace quiro
