// The window's string table: one text per id, texts with arguments, the
// toolbar's buttons found by command, and dialog buttons' mnemonics.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "res/strings.h"

namespace {

using namespace quiro::res;

TEST(StringTable, EveryIdHasOneText) {
  // A second entry for an id would never be loaded.
  std::set<int> seen;
  for (const StringEntry& e : kStringTable) EXPECT_TRUE(seen.insert(e.id).second) << "id " << e.id << " twice";
  for (const ToolbarButton& b : kToolbar) EXPECT_FALSE(LoadString(b.label).empty()) << b.label;
}

TEST(StringTable, FormatStringFillsArgumentsInOnePass) {
  struct Case {
    int id;
    std::initializer_list<std::string_view> args;
    const char* expected;
  };
  const Case cases[] = {
      {IDS_FIND_MATCHES, {"12"}, "12 matches"},
      {IDS_PRINTING_PAGE, {"3", "/docs/a.htm"}, "Printing page 3: /docs/a.htm"},
      // An argument's own "%1" or "%2" is not filled again.
      {IDS_PRINTING_PAGE, {"%2", "/docs/%1.htm"}, "Printing page %2: /docs/%1.htm"},
      // Missing arguments leave their mark; extra ones are not used.
      {IDS_PRINTING_PAGE, {"7"}, "Printing page 7: %2"},
      {IDS_PDF_NOT_PRINTED, {"no printer", "extra"}, "The PDF was not printed: no printer"},
      {IDS_PAGE_NO_FILE, {}, "no file could be made for it in %1"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatString(c.id, c.args), c.expected) << c.id;
}

TEST(StringTable, ToolbarButtonsAreFoundByTheirCommand) {
  EXPECT_EQ(kToolbar[kFindButton].command, ID_GO_SEARCH_THE_WEB);
  EXPECT_EQ(kToolbar[kPrintButton].command, ID_FILE_PRINT);
  EXPECT_EQ(kToolbar[kPrintAllButton].command, ID_FILE_PRINT_ALL);
  EXPECT_EQ(ToolbarIndex(ID_FILE_OPEN), -1);
}

TEST(StringTable, DialogButtonsGetTheirMnemonics) {
  EXPECT_EQ(MenuLabel(LoadString(IDS_CLOSE_KEEP_OPEN)), "_Keep Open");
  EXPECT_EQ(MenuLabel(LoadString(IDS_CLOSE_ANYWAY)), "_Close");
  EXPECT_EQ(MenuLabel(LoadString(IDS_OPEN_CANCEL)), "_Cancel");
  EXPECT_EQ(MenuLabel(LoadString(IDS_OPEN_OK)), "_Open");
}

}  // namespace
