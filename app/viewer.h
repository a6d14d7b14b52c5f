#pragma once
// The program's window entry.

namespace quiro {

/// Runs the documentation viewer: parses the window's options, opens the
/// window and runs until it closes. Returns the exit status (2 for an
/// unknown option).
///
///   quiro [FILE]                       FILE is accepted and changes nothing
///   --screenshot FILE                  once the start page and its frames
///                                      have completed, save a PNG of the window
///   --exit-after-screenshot            and quit after saving it
///   --report-ready                     print "quiro: ready monotonic_us=N" on
///                                      stderr at that moment
///   --print-all PAGE --to-pdf FILE     print what Print All prints for PAGE
///                                      into one PDF file
int RunViewer(int argc, char** argv);

}  // namespace quiro
