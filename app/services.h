#pragma once
// What the application owns beside its window and document: one of each,
// made before the window and gone after it. The window is handed them by
// reference; nothing reaches them any other way.

#include "app/doc_scheme.h"
#include "app/help_window.h"
#include "app/print_worker.h"

namespace quiro {

struct Services {
  /// Answers the quiro:// scheme of the shared web context while it lives.
  CDocScheme scheme;
  /// The Print All runs started from the window.
  PrintAllService printAll;
  /// The user's guide (F1).
  HelpWindow help;
};

}  // namespace quiro
