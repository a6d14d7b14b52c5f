#pragma once
// The browser engine as the program sets it up: the one web context every
// view shares, the user script through which every document reports itself,
// and the two kinds of view made from them (the window's view and hidden
// print views).

#include <webkit2/webkit2.h>

#include <string>
#include <string_view>

#include "app/core/reading_frame.h"
#include "app/gobject_ptr.h"
#include "platform/doc_request.h"

namespace quiro {

/// Sets up the web context of every view for `site`: its web process
/// sandbox reads the site's folders, and the quiro:// scheme is registered
/// on it. Only the first call counts; it must come before the first view.
void SetUpSharedWebContext(const platform::DocSite& site);

/// The web context of every view the program makes, set up for the site as
/// it is now when SetUpSharedWebContext() has not been called.
WebKitWebContext* SharedWebContext();

/// The script world of the program's own scripts in a page: the frame
/// reporter and the scripts the view runs (Refresh, loading into a frame).
/// A page's own scripts run in another world and cannot reach this one.
inline constexpr const char* kProgramWorld = "quiro";

/// The script message handler the reports arrive on, in kProgramWorld only;
/// connect to "script-message-received::quiroFrame" of the view's content
/// manager.
inline constexpr const char* kFrameReportHandler = "quiroFrame";

/// Whether two addresses name the same document (they differ at most in
/// their "#fragment").
bool SameDocumentAddress(std::string_view a, std::string_view b);

/// Whether `report` names what the engine of `view` (a NewBrowserView) has:
/// the top document's report the address the view shows, a frame's one of
/// the documents the view loaded since its top document started.
bool ReportMatchesView(WebKitWebView* view, const FrameReport& report);

/// Reads one report; false for a message that is not one.
bool ReadFrameReport(WebKitJavascriptResult* message, FrameReport& report);

/// A new view (its floating reference sunk and handed to the caller) on the
/// shared context, whose documents report themselves through the frame
/// reporter.
GObjectPtr<WebKitWebView> NewBrowserView();

/// A new hidden view for printing, or null: related to
/// `related` when given (one web process for all), else on the shared
/// context. The page's own dialogs and print() requests stay unseen in it.
GObjectPtr<WebKitWebView> NewHiddenPrintView(WebKitWebView* related = nullptr);

}  // namespace quiro
