#pragma once
// The engine's web process runs in a bubblewrap sandbox that sees only the
// folders the program names. Where the sandbox cannot start (no bubblewrap,
// no user namespaces, as in some containers) pages run without it.

#include <webkit2/webkit2.h>

#include <string>

#include "platform/doc_request.h"

namespace quiro {

/// Why the web process cannot run sandboxed here, as one line of text; ""
/// when it can. QUIRO_WEB_SANDBOX=0 in the environment turns the sandbox
/// off on purpose. The answer is worked out once (a quick trial run of
/// bubblewrap) and kept.
const std::string& WebSandboxProblem();

/// Starts working that answer out on a thread of its own, so that the trial
/// run overlaps what the program does before its first web view.
void StartWebSandboxCheck();

/// Turns the sandbox on for `context` with the document root of `site`, its
/// per-user page folder, the drive C folder and the program's cache folder readable,
/// or, when WebSandboxProblem() says it cannot start, leaves it off and says
/// so once on stderr. Must run before the context's first web process.
void SetUpWebProcessSandbox(WebKitWebContext* context, const platform::DocSite& site);

}  // namespace quiro
