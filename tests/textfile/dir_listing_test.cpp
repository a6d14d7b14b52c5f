#include "textfile/dir_listing.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/temp_dir.h"

namespace {

using testing_support::TempDir;

std::vector<std::string> ListAll(CDirListing& listing, const std::string& folder) {
  std::vector<std::string> names;
  for (std::string name = listing.First(folder); name.front() != '%'; name = listing.Next()) {
    names.push_back(name);
  }
  return names;
}

TEST(DirListingTest, EndMarkers) {
  TempDir dir;
  CDirListing listing;
  EXPECT_EQ(listing.First(dir / "missing/"), "%1");
  listing.Close();
  listing.Close();

  EXPECT_EQ(listing.First(dir.root()), "%2");  // empty folder

  dir.Write("file.txt", "plain files do not qualify");
  dir.Write(".hidden/index.htm", "");
  EXPECT_EQ(listing.First(dir.root()), "%2");

  dir.MakeDir("Doc");
  EXPECT_EQ(listing.First(dir.root()), "Doc");
  EXPECT_EQ(listing.Next(), "%4");
  EXPECT_EQ(listing.Next(), "%4");
  listing.Close();
}

TEST(DirListingTest, FoldersInCaseBlindOrder) {
  TempDir dir;
  for (const char* name : {"beta", "Alpha", "%odd", "gamma", "10"}) dir.MakeDir(name);
  dir.MakeDir("readonly");
  ::chmod((dir / "readonly").c_str(), 0555);
  std::filesystem::create_directory_symlink(dir / "gamma", dir / "link");
  dir.Write("zfile", "");
  CDirListing listing;
  // A name beginning with "%" is handed out like any other.
  std::vector<std::string> names;
  std::string name = listing.First(dir.root());
  while (name != "%4") {
    names.push_back(name);
    name = listing.Next();
  }
  EXPECT_EQ(names, (std::vector<std::string>{"%odd", "10", "Alpha", "beta", "gamma", "link", "readonly"}));
}

TEST(DirListingTest, FolderWithoutSeparatorMatchesNamesInItsParent) {
  TempDir dir;
  dir.MakeDir("docs/inner");
  dir.MakeDir("docs2");
  dir.MakeDir("other");
  CDirListing listing;
  EXPECT_EQ(ListAll(listing, dir / "docs"), (std::vector<std::string>{"docs", "docs2"}));
}

}  // namespace
