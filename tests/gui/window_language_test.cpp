// The window in the user's language: what a German user sees in the menus,
// the toolbar and the status bar, the program's search page for a Japanese
// user, and the English window of the C locale, where LANGUAGE does not
// count.

#include <filesystem>

#include "gui_fixture.h"
#include "platform/translations.h"
#include "res/strings.h"
#include "search/indexer.h"

namespace gui_test {
namespace {

std::vector<std::string> ItemLabels(Gtk::MenuShell& shell) {
  std::vector<std::string> labels;
  for (Gtk::Widget* w : shell.get_children())
    if (auto* item = dynamic_cast<Gtk::MenuItem*>(w); item && !dynamic_cast<Gtk::SeparatorMenuItem*>(w))
      labels.push_back(item->get_label());
  return labels;
}

Gtk::MenuItem* FindItem(Gtk::MenuShell& shell, const std::string& label) {
  for (Gtk::Widget* w : shell.get_children()) {
    auto* item = dynamic_cast<Gtk::MenuItem*>(w);
    if (!item) continue;
    if (item->get_label() == label) return item;
    if (Gtk::Menu* sub = item->get_submenu())
      if (Gtk::MenuItem* found = FindItem(*sub, label)) return found;
  }
  return nullptr;
}

class LanguageTest : public WindowTest {
 protected:
  // As the program's main does, before any window is made.
  void UseLanguage(const char* lang, const char* language) {
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_MESSAGES");
    ::unsetenv("QUIRO_LOCALEDIR");  // the build tree's catalogues
    ::setenv("LANG", lang, 1);
    ::setenv("LANGUAGE", language, 1);
    platform::StartTranslations();
  }
};

TEST_F(LanguageTest, AGermanUserSeesGermanMenusToolbarAndPrompts) {
  UseLanguage("C.UTF-8", "de");
  WriteSmallSite();
  StartAndWaitReady();
  Gtk::MenuBar& bar = *Frame().GetMenuBar();
  EXPECT_EQ(ItemLabels(bar), (std::vector<std::string>{"_Datei", "_Ansicht", "_Wechseln zu"}));
  EXPECT_EQ(ItemLabels(*FindItem(bar, "_Datei")->get_submenu()),
            (std::vector<std::string>{"Ö_ffnen...", "_Drucken...", "_Schließen"}));
  EXPECT_EQ(ItemLabels(*FindItem(bar, "_Ansicht")->get_submenu()),
            (std::vector<std::string>{"_Symbolleiste", "Status_leiste", "Schrift_grad", "_Abbrechen", "Ak_tualisieren"}));
  auto* back = dynamic_cast<Gtk::ToolButton*>(&Frame().GetToolbarItem(0));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->get_label(), "Zurück");
  EXPECT_EQ(back->get_child()->get_tooltip_text(), "Zurück");

  // The pointer on File > Open: its prompt in the status bar, then "Ready" again.
  EXPECT_EQ(Frame().GetMessageText(), "Bereit");
  Gtk::MenuItem* open = FindItem(bar, "Ö_ffnen...");
  ASSERT_NE(open, nullptr);
  open->select();
  EXPECT_EQ(Frame().GetMessageText(), "Öffnet ein Dokument in diesem Fenster.");
  open->deselect();
  EXPECT_EQ(Frame().GetMessageText(), "Bereit");
  EXPECT_EQ(Frame().get_title(), "Small Site - quiro");
}

TEST_F(LanguageTest, AJapaneseUserSearchesOnAJapanesePage) {
  UseLanguage("C.UTF-8", "ja");
  WriteSmallSite();
  std::filesystem::remove(root_ + "Search.htm");
  StartAndWaitReady();
  search::BackgroundIndexer* indexer = app_->GetSearchIndexer();
  ASSERT_TRUE(RunUntil([&] { return indexer->GetStatus().state == search::BackgroundIndexer::State::Ready; },
                       30000));
  Frame().SendCommand(quiro::res::ID_GO_SEARCH_THE_WEB);
  ASSERT_TRUE(WaitForFrameLocation("content", "/.quiro/search"));
  auto content = [&](const std::string& expression) { return Eval(Web(), "frames['content'].document." + expression); };
  EXPECT_EQ(content("title"), "検索");
  EXPECT_EQ(content("querySelector('h1').textContent"), "ドキュメントの検索");
  EXPECT_EQ(content("querySelector('input[type=submit]').value"), "検索");

  // Words no page holds: the page says so in Japanese.
  Eval(Web(), "var d = frames['content'].document; d.getElementById('q').value = 'zzyzx';"
              "d.forms[0].submit(); true");
  ASSERT_TRUE(WaitForFrameLocation("content", "/.quiro/search?q=zzyzx"));
  EXPECT_EQ(content("title"), "検索: zzyzx");
  EXPECT_EQ(content("querySelector('p.message').textContent"), "これらの語を含むページはありません。");
}

TEST_F(LanguageTest, TheCLocaleKeepsTheWindowEnglish) {
  UseLanguage("C", "de");
  WriteSmallSite();
  StartAndWaitReady();
  Gtk::MenuBar& bar = *Frame().GetMenuBar();
  EXPECT_EQ(ItemLabels(bar), (std::vector<std::string>{"_File", "_View", "_Go"}));
  EXPECT_EQ(ItemLabels(*FindItem(bar, "_Go")->get_submenu()),
            (std::vector<std::string>{"_Back", "_Forward", "_Start Page"}));
  EXPECT_EQ(Frame().GetMessageText(), "Ready");
  auto* find = dynamic_cast<Gtk::ToolButton*>(&Frame().GetToolbarItem(quiro::res::kFindButton));
  ASSERT_NE(find, nullptr);
  EXPECT_EQ(find->get_label(), "Find");
  EXPECT_EQ(find->get_child()->get_tooltip_text(), "Find");
}

}  // namespace
}  // namespace gui_test
