#pragma once
// Template fragments for builder tests: section markers written out
// literally, so a test notices when the code's markers drift from them.

#include <string>

namespace testing_support {

inline std::string Begin(const std::string& name) { return "<!--QVXTAG:" + name + " -->"; }
inline std::string End(const std::string& name) { return "<!--QVXTAG:/" + name + " -->"; }
inline std::string Section(const std::string& name, const std::string& body) {
  return Begin(name) + "\n" + body + "\n" + End(name) + "\n";
}

}  // namespace testing_support
