// The File > Open filter string as the dialog gets it.

#include "app/core/open_filter.h"

#include <gtest/gtest.h>

#include "res/strings.h"

namespace {

using quiro::OpenFilter;
using quiro::ParseOpenFilter;

TEST(OpenFilter, TheDialogsListInOrderWithCaseFreePatterns) {
  std::vector<OpenFilter> f = ParseOpenFilter(quiro::res::LoadString(quiro::res::IDS_OPEN_FILTER));
  ASSERT_EQ(f.size(), 8u);
  EXPECT_EQ(f[0].name, "HTML Files");
  EXPECT_EQ(f[0].patterns, (std::vector<std::string>{"*.[hH][tT][mM]", "*.[hH][tT][mM][lL]"}));
  EXPECT_EQ(f[3].name, "JPEG Files");
  EXPECT_EQ(f[3].patterns.size(), 2u);
  EXPECT_EQ(f[5].patterns, (std::vector<std::string>{"*.[aA][iI][fF]", "*.[aA][iI][fF][fF]"}));
  EXPECT_EQ(f[7].name, "All Files");
  EXPECT_EQ(f[7].patterns, std::vector<std::string>{"*"});
}

TEST(OpenFilter, TheDialogAddsPdfFilesAfterTheString) {
  std::vector<OpenFilter> f = quiro::OpenDialogFilters(quiro::res::LoadString(quiro::res::IDS_OPEN_FILTER),
                                                       quiro::res::LoadString(quiro::res::IDS_OPEN_FILTER_PDF));
  ASSERT_EQ(f.size(), 9u);
  EXPECT_EQ(f[7].name, "All Files");
  EXPECT_EQ(f[8].name, "PDF Files");
  EXPECT_EQ(f[8].patterns, std::vector<std::string>{"*.[pP][dD][fF]"});
}

TEST(OpenFilter, OddStrings) {
  EXPECT_TRUE(ParseOpenFilter("").empty());
  EXPECT_TRUE(ParseOpenFilter("||").empty());
  // A name without a pattern part ends the list.
  EXPECT_EQ(ParseOpenFilter("Text|*.txt|Lonely").size(), 1u);
  // Empty patterns between separators are dropped; the filter stays.
  std::vector<OpenFilter> f = ParseOpenFilter("Pages|;*.htm;;|Rest|*.*||");
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[0].patterns, std::vector<std::string>{"*.[hH][tT][mM]"});
  EXPECT_EQ(f[1].patterns, std::vector<std::string>{"*"});
}

}  // namespace
