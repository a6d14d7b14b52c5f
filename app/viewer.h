#pragma once
// The window layer's entries for the command line (app/core/command_line.h).

#include "app/core/command_line.h"

namespace quiro {

/// Opens the documentation viewer with `options` and runs until it closes.
/// Returns the exit status (1 when a requested screenshot failed).
int RunViewer(const ViewerOptions& options, char* programName);

/// The entries RunCommandLine runs the window's options through.
WindowEntries WindowLayerEntries();

}  // namespace quiro
