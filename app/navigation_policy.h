#pragma once
// What becomes of a navigation in a view of the program, the window's view
// and plain windows alike: help files go to their viewers (on the user's own
// action only), every other target loads, and local pages below the document
// root are first prepared for printing where the view prints. Requests for a
// new window go through OpenRequestedWindow (app/external_viewer.h): web
// addresses to the desktop's browser, local pages to a plain window.

#include <sigc++/sigc++.h>
#include <webkit2/webkit2.h>

#include <string>

#include "app/core/doc_site.h"
#include "app/core/navigation_check.h"
#include "app/external_viewer.h"

namespace quiro {

class NavigationPolicy {
 public:
  /// `preparesPrinting`: pages the user may rewrite below the root get their
  /// print page breaks before they load (the window's view; a plain window
  /// prints nothing). `site`: the document site the view shows; `viewerStarts`:
  /// the gate help-file viewers start through; both outlive the policy.
  NavigationPolicy(bool preparesPrinting, const SiteHolder& site, ViewerStartGate& viewerStarts)
      : m_preparesPrinting(preparesPrinting), m_site(site), m_viewerStarts(viewerStarts) {}

  /// The check every navigation passes, in the top window and in every
  /// frame, before anything is read: `engineURL` as the engine asks for it;
  /// `userAction`: it comes from the user's click or key. Returns true to
  /// cancel the navigation.
  bool BeforeNavigate(const std::string& engineURL, bool userAction);
  /// For "decide-policy": a navigation or new-window request is used or
  /// ignored by BeforeNavigate() and true returned; every other decision is
  /// left to the engine (false).
  bool Decide(WebKitPolicyDecision* decision, WebKitPolicyDecisionType type);
  /// The file the user has just chosen in File > Open and the view loads
  /// next: when its navigation is decided it counts as the user's action.
  void NoteUserOpening(const std::string& path) { m_userOpening = path; }

  /// Every decision, with the toolbar buttons to show or hide.
  sigc::signal<void(const NavigationDecision&)>& signal_decided() { return m_decided; }
  /// A help file link went to its viewer (`chm`: compiled help, else
  /// WinHelp); the navigation was cancelled whatever the outcome.
  sigc::signal<void(bool chm, HandOff outcome)>& signal_handed_off() { return m_handedOff; }

 private:
  bool m_preparesPrinting;
  const SiteHolder& m_site;
  ViewerStartGate& m_viewerStarts;
  std::string m_userOpening;  // the file chosen in File > Open, until its navigation is decided
  sigc::signal<void(const NavigationDecision&)> m_decided;
  sigc::signal<void(bool, HandOff)> m_handedOff;
};

}  // namespace quiro
