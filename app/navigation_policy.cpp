#include "app/navigation_policy.h"

#include "app/core/doc_site.h"
#include "platform/doc_uri.h"
#include "platform/text.h"
#include "printall/page_rewriter.h"

namespace quiro {

bool NavigationPolicy::BeforeNavigate(const std::string& engineURL, bool userAction) {
  // The check works on file URLs: a page of the scheme is taken as its file.
  const std::string root = m_site.Root();
  const std::string targetURL = LocalAddress(engineURL, root);
  NavigationDecision d = DecideNavigation(targetURL, root);
  // The program's own pages (search results) are local pages one can search.
  if (platform::IsDocUri(engineURL) &&
      platform::StartsWithNoCase(platform::DocUriRelativePath(engineURL), platform::kReservedPrefix))
    d.find = ButtonChange::Show;
  m_decided.emit(d);
  if (d.action != NavigationAction::RewriteAndContinue) {
    // A file the user has just chosen in File > Open is the user's action.
    if (!m_userOpening.empty() && d.url == m_userOpening) userAction = true;
    m_userOpening.clear();
  }
  switch (d.action) {
    case NavigationAction::HandOffChm:
      m_handedOff.emit(true,
                       HandOffHelpFile(true, d, targetURL, userAction, root, m_site.OpenedPaths(), m_viewerStarts));
      return true;
    case NavigationAction::HandOffHlp:
      m_handedOff.emit(false,
                       HandOffHelpFile(false, d, targetURL, userAction, root, m_site.OpenedPaths(), m_viewerStarts));
      return true;
    case NavigationAction::RewriteAndContinue:
      break;
  }
  // An empty url means the target is no local file: nothing to prepare.
  // Only pages the user may rewrite below the root are rewritten on disk.
  if (m_preparesPrinting && !d.url.empty()) InsertPrintPageBreaks(d.url, root);
  return false;
}

bool NavigationPolicy::Decide(WebKitPolicyDecision* decision, WebKitPolicyDecisionType type) {
  std::string uri;
  if (!NavigationTarget(decision, type, uri)) return false;
  // A web address asked for in a new window goes to the desktop's browser
  // (OpenRequestedWindow): the page on display stays, and so do its buttons.
  if (type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION && OpensInDesktopBrowser(uri)) {
    webkit_policy_decision_use(decision);
    return true;
  }
  if (BeforeNavigate(uri, IsUserAction(decision)))
    webkit_policy_decision_ignore(decision);
  else
    webkit_policy_decision_use(decision);
  return true;
}

}  // namespace quiro
