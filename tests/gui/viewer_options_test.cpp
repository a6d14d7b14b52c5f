// The window's command line: what it refuses before any window opens.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/viewer.h"

namespace {

int RunWith(std::vector<std::string> args) {
  args.insert(args.begin(), "quiro");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  return quiro::RunViewer(static_cast<int>(args.size()), argv.data());
}

TEST(ViewerOptions, BadCommandLinesExitWithStatus2) {
  EXPECT_EQ(RunWith({"--no-such-option"}), 2);
  EXPECT_EQ(RunWith({"--screenshot"}), 2);
  EXPECT_EQ(RunWith({"--exit-after-screenshot"}), 2);
  EXPECT_EQ(RunWith({"--print-all", "page.htm"}), 2);
  EXPECT_EQ(RunWith({"--to-pdf", "out.pdf"}), 2);
  EXPECT_EQ(RunWith({"one.htm", "two.htm"}), 2);
}

}  // namespace
