#pragma once
// The explanation hook of the site builder: one line per decision, for
// `quiro --build-only --verbose` and for tests. May be empty.

#include <functional>
#include <string>

using ExplainFn = std::function<void(const std::string& line)>;

inline void Explain(const ExplainFn& explain, const std::string& line) {
  if (explain) explain(line);
}
