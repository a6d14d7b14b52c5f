#pragma once
// A bounded wait on the default GLib main context, for tests of code that
// reports through the main loop.

#include <glib.h>

#include <functional>

namespace gui_test {

/// Runs the main loop until `done` holds or `timeoutMs` passes; returns `done()`.
inline bool RunUntil(const std::function<bool()>& done, int timeoutMs = 8000) {
  gint64 end = g_get_monotonic_time() + gint64(timeoutMs) * 1000;
  while (!done()) {
    if (g_get_monotonic_time() > end) return false;
    if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(2000);
  }
  return true;
}

}  // namespace gui_test
