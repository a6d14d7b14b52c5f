// The catalogues as the program reads them: each language keeps every text's
// placeholders and access key and gives the items of one menu distinct keys;
// --help lines up in every script; the C locale, a language without a
// catalogue and a missing or damaged catalogue give the English texts.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "app/core/command_line.h"
#include "common/temp_dir.h"
#include "platform/translations.h"
#include "res/strings.h"

namespace {

using namespace quiro::res;

std::vector<std::string> Languages() {
  std::vector<std::string> languages;
  std::ifstream in(QUIRO_TEST_PO_DIR "/LINGUAS");
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line[0] != '#') languages.push_back(line);
  return languages;
}

// The user's language as the environment gives it, the catalogues in `folder`.
void UseLanguage(const char* lang, const char* language, const std::string& folder) {
  ::unsetenv("LC_ALL");
  ::unsetenv("LC_MESSAGES");
  ::setenv("LANG", lang, 1);
  ::setenv("LANGUAGE", language, 1);
  ::setenv("QUIRO_LOCALEDIR", folder.c_str(), 1);
  platform::StartTranslations();
}

std::vector<std::string> Placeholders(const std::string& text) {
  std::vector<std::string> found;
  for (std::size_t i = 0; i + 1 < text.size(); ++i)
    if (text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9') found.push_back(text.substr(i, 2));
  std::sort(found.begin(), found.end());
  return found;
}

// The character after "&" (a whole UTF-8 character), ASCII letters lower-cased.
std::string AccessKey(const std::string& text) {
  const std::size_t amp = text.find('&');
  if (amp == std::string::npos || amp + 1 >= text.size()) return {};
  std::size_t end = amp + 2;
  while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
  std::string key = text.substr(amp + 1, end - amp - 1);
  if (key.size() == 1) key[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(key[0])));
  return key;
}

// The texts shown side by side, whose access keys must differ: the menu bar,
// each menu (its sub-menu's own items apart), the Font button's menu and the
// buttons of each dialog.
std::vector<std::vector<const char*>> SideBySide() {
  std::vector<std::vector<const char*>> groups(1);  // [0]: the menu bar
  std::size_t menu = 0, outer = 0;
  for (const MenuEntry& e : kMainMenu) {
    if (e.id == kPopup) {
      groups[0].push_back(e.text);
      groups.emplace_back();
      menu = groups.size() - 1;
    } else if (e.id == kSubMenu) {
      groups[menu].push_back(e.text);
      outer = menu;
      groups.emplace_back();
      menu = groups.size() - 1;
    } else if (e.id == kEndSubMenu) {
      menu = outer;
    } else if (e.id != kSeparator) {
      groups[menu].push_back(e.text);
    }
  }
  groups.emplace_back();
  for (const MenuEntry& e : kFontMenu) groups.back().push_back(e.text);
  auto text = [](int id) {
    for (const StringEntry& e : kStringTable)
      if (e.id == id) return e.text;
    return "";
  };
  groups.push_back({text(IDS_CLOSE_KEEP_OPEN), text(IDS_CLOSE_ANYWAY)});
  groups.push_back({text(IDS_OPEN_CANCEL), text(IDS_OPEN_OK)});
  return groups;
}

TEST(Translations, EachLanguageKeepsPlaceholdersAndAccessKeysApart) {
  const std::vector<std::string> languages = Languages();
  ASSERT_FALSE(languages.empty());
  for (const std::string& language : languages) {
    UseLanguage("C.UTF-8", language.c_str(), QUIRO_TEST_LOCALE_DIR);
    // The catalogue is the one read: the menu bar speaks the language.
    EXPECT_NE(Translate("&File"), "&File") << language;
    for (const StringEntry& e : kStringTable) {
      const std::string shown = LoadString(e.id);
      EXPECT_FALSE(shown.empty()) << language << " " << e.id;
      EXPECT_EQ(Placeholders(shown), Placeholders(e.text)) << language << " " << e.id << ": " << shown;
      // A command's prompt and tooltip stay apart; --help's lines stay lines.
      const auto lines = [](const std::string& t) { return std::count(t.begin(), t.end(), '\n'); };
      if (e.id >= 32768) {
        EXPECT_EQ(lines(shown), lines(e.text)) << language << " " << e.id << ": " << shown;
      }
    }
    for (const std::vector<const char*>& group : SideBySide()) {
      std::map<std::string, std::string> keys;
      for (const char* english : group) {
        const std::string shown = Translate(english);
        const std::string key = AccessKey(shown);
        if (AccessKey(english).empty()) continue;
        EXPECT_FALSE(key.empty()) << language << ": " << shown << " has no access key";
        auto [it, added] = keys.emplace(key, shown);
        EXPECT_TRUE(added) << language << ": " << shown << " and " << it->second << " share \"" << key << "\"";
      }
    }
  }
}

// The synopsis lines below "Usage:" start under the program's name, counted
// in terminal columns: a Japanese "使い方:" takes seven of them, a Chinese
// "用法：" (its colon a wide one too) six.
TEST(Translations, HelpLinesUpInEveryLanguage) {
  struct Case {
    const char* language;
    const char* first;
    const char* second;
  };
  const Case cases[] = {
      {"de", "Aufruf: quiro [FILE] [--screenshot", "\n        quiro --build-only [--verbose]\n"},
      {"ja", "使い方: quiro [FILE] [--screenshot", "\n        quiro --build-only [--verbose]\n"},
      {"zh_CN", "用法： quiro [FILE] [--screenshot", "\n       quiro --build-only [--verbose]\n"},
  };
  for (const Case& c : cases) {
    UseLanguage("C.UTF-8", c.language, QUIRO_TEST_LOCALE_DIR);
    const std::string help = quiro::UsageText();
    EXPECT_EQ(help.rfind(c.first, 0), 0u) << help;
    EXPECT_NE(help.find(c.second), std::string::npos) << help;
  }
}

TEST(Translations, WithoutAUsableCatalogueEveryTextIsTheEnglishOne) {
  testing_support::TempDir dir;
  const std::string real = testing_support::ReadFile(QUIRO_TEST_LOCALE_DIR "/de/LC_MESSAGES/quiro.mo");
  ASSERT_GT(real.size(), 1000u);
  dir.Write("garbage/de/LC_MESSAGES/quiro.mo", "not a message catalogue at all, just some words\n");
  dir.Write("cut/de/LC_MESSAGES/quiro.mo", real.substr(0, 200));
  dir.Write("empty/de/LC_MESSAGES/quiro.mo", "");
  std::string header = real.substr(0, 28);  // the magic number, then counts and offsets far beyond the file
  for (std::size_t i = 8; i < 28; ++i) header[i] = '\x7f';
  dir.Write("offsets/de/LC_MESSAGES/quiro.mo", header);
  struct Case {
    const char* lang;
    const char* language;
    std::string folder;
  };
  const Case cases[] = {
      {"C", "de", QUIRO_TEST_LOCALE_DIR},        // the C locale: LANGUAGE does not count
      {"POSIX", "fr", QUIRO_TEST_LOCALE_DIR},
      {"C.UTF-8", "xx", QUIRO_TEST_LOCALE_DIR},  // a language without a catalogue
      {"C.UTF-8", "de", dir.root() + "none"},    // no catalogue folder
      {"C.UTF-8", "de", dir.root() + "garbage"},
      {"C.UTF-8", "de", dir.root() + "cut"},
      {"C.UTF-8", "de", dir.root() + "empty"},
      {"C.UTF-8", "de", dir.root() + "offsets"},
  };
  for (const Case& c : cases) {
    UseLanguage(c.lang, c.language, c.folder);
    for (const StringEntry& e : kStringTable) EXPECT_EQ(LoadString(e.id), e.text) << c.lang << " " << c.folder;
    for (const MenuEntry& e : kMainMenu) EXPECT_EQ(MenuText(e), MenuLabel(e.text)) << c.lang << " " << c.folder;
    EXPECT_EQ(Translate(""), "");
  }
}

}  // namespace
