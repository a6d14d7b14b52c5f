// Full-text search in the window, as a user meets it: Find, a word typed into
// the search form, the results, and a result opened in the frame "content".

#include <filesystem>

#include "gui_fixture.h"
#include "res/strings.h"
#include "search/indexer.h"

namespace gui_test {
namespace {

using testing_support::ReadFile;

TEST_F(WindowTest, FindSearchesTheDocumentsAndAResultOpensInContent) {
  std::filesystem::copy(QUIRO_TEST_SAMPLE_DIR, dir_.path(), std::filesystem::copy_options::recursive);
  root_ = dir_.root() + "docs/";
  StartAndWaitReady();
  search::BackgroundIndexer* indexer = app_->GetSearchIndexer();
  ASSERT_TRUE(RunUntil([&] { return indexer->GetStatus().state == search::BackgroundIndexer::State::Ready; },
                       30000));

  // Find shows the sample's search form; the user types two words and sends them.
  Frame().SendCommand(quiro::res::ID_GO_SEARCH_THE_WEB);
  ASSERT_TRUE(WaitForFrameLocation("content", "/Search.htm"));
  EXPECT_EQ(Eval(Web(), "frames['content'].document.activeElement.name"), "q");
  Eval(Web(), "var d = frames['content'].document; d.getElementById('words').value = 'Voltage switch';"
              "d.forms[0].submit(); true");
  ASSERT_TRUE(WaitForFrameLocation("content", "/.quiro/search?q=Voltage+switch"));
  auto content = [&](const std::string& expression) { return Eval(Web(), "frames['content'].document." + expression); };
  const std::string results = content("body.innerText");
  EXPECT_NE(results.find("Connecting Devices"), std::string::npos) << results;
  EXPECT_NE(results.find("Vesk Tower 500 Quick Setup"), std::string::npos) << results;
  EXPECT_EQ(content("querySelector('mark').innerText.toLowerCase()"), "voltage");

  // The best hit opens in "content" and passes the navigation check: the
  // chapter is prepared for printing like any page the user opens.
  EXPECT_EQ(content("querySelector('ol a').getAttribute('href')"), "quiro://doc/guide/ch2.htm");
  Eval(Web(), "frames['content'].document.querySelector('ol a').click(); true");
  ASSERT_TRUE(WaitForFrameLocation("content", "/guide/ch2.htm"));
  EXPECT_EQ(View().GetCurrentURL(), root_ + "guide/ch2.htm");
  EXPECT_NE(ReadFile(root_ + "guide/ch2.htm").find("page-break-before"), std::string::npos);
  EXPECT_TRUE(WaitForFrameLocation("sidebar", "sidebar.htm"));
  // The chapter shows the words searched for, found in it.
  quiro::CFindBar& bar = Frame().GetFindBar();
  ASSERT_TRUE(RunUntil([&] { return bar.IsOpen() && bar.GetMatchCount() >= 0; }));
  EXPECT_EQ(std::string(bar.GetEntry().get_text()), "Voltage switch");
  EXPECT_GE(bar.GetMatchCount(), 1);

  // Back to the results and the same hit again: the words come again.
  bar.Close();
  Frame().SendCommand(quiro::res::ID_GO_BACK);
  ASSERT_TRUE(WaitForFrameLocation("content", "/.quiro/search?q=Voltage+switch"));
  EXPECT_FALSE(bar.IsOpen());
  Eval(Web(), "frames['content'].document.querySelector('ol a').click(); true");
  ASSERT_TRUE(WaitForFrameLocation("content", "/guide/ch2.htm"));
  EXPECT_TRUE(RunUntil([&] { return bar.IsOpen(); }));
}

TEST_F(WindowTest, FindWithoutASearchPageShowsTheProgramsOwn) {
  WriteSmallSite();
  std::filesystem::remove(root_ + "Search.htm");
  dir_.Write("docs/guide/fan.htm", "<html><head><title>Cooling</title></head><body>The fan spins.</body></html>");
  StartAndWaitReady();
  Frame().SendCommand(quiro::res::ID_GO_SEARCH_THE_WEB);
  ASSERT_TRUE(WaitForFrameLocation("content", "/.quiro/search"));
  // The frame's address is known before its page is parsed.
  const char* focused = "frames['content'].document.activeElement.name";
  RunUntil([&] { return Eval(Web(), focused) == "q"; }, 5000);
  EXPECT_EQ(Eval(Web(), "frames['content'].document.title"), "Search");
  EXPECT_EQ(Eval(Web(), focused), "q");
}

// A search form that declares no charset sends its words the way the engine
// encodes such a page (Windows-1252, numeric references beyond it); the
// results find the words all the same, and the toolbar keeps its Find.
TEST_F(WindowTest, WordsBeyondAsciiFromAFormWithoutACharsetFindThePage) {
  WriteSmallSite();
  dir_.Write("docs/Search.htm",
             "<html><head><title>Search</title></head><body>\n"
             "<form action=\"quiro://doc/.quiro/search\"><input name=\"q\" id=\"words\"></form></body></html>\n");
  dir_.Write("docs/guide/memory.htm",
             "<html><head><meta charset=\"utf-8\"><title>Speicher</title></head>"
             "<body>Le caf\xC3\xA9 co\xC3\xBBte 3 \xE2\x82\xAC. \xE5\x86\x85\xE5\xAD\x98</body></html>");
  StartAndWaitReady();
  search::BackgroundIndexer* indexer = app_->GetSearchIndexer();
  ASSERT_TRUE(RunUntil([&] { return indexer->GetStatus().state == search::BackgroundIndexer::State::Ready; },
                       30000));
  for (const char* words : {"caf\u00e9 \u20ac", "\u5185\u5b58"}) {
    Frame().SendCommand(quiro::res::ID_GO_SEARCH_THE_WEB);
    ASSERT_TRUE(WaitForFrameLocation("content", "/Search.htm"));
    Eval(Web(), std::string("var d = frames['content'].document; d.getElementById('words').value = '") + words +
                    "'; d.forms[0].submit(); true");
    ASSERT_TRUE(RunUntil([&] { return LastCompleted("content").find("/.quiro/search?q=") != std::string::npos; }));
    const std::string results = Eval(Web(), "frames['content'].document.body.innerText");
    EXPECT_NE(results.find("Speicher"), std::string::npos) << words << ": " << results;
    EXPECT_TRUE(Frame().IsToolbarButtonVisible(quiro::res::kFindButton)) << words;
  }
}

}  // namespace
}  // namespace gui_test
