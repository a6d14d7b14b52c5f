#include "builder/catalogue_config.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "builder_env.h"

namespace {

using testing_support::BuilderEnv;

class CatalogueConfigTest : public BuilderEnv {};

TEST_F(CatalogueConfigTest, IniInCurrentDirectoryGovernsWhenItSetsTheRoot) {
  EXPECT_EQ(GetIniPath(), work / "TOVY.INI");
  work.Write("TOVY.INI", "[MAIN]\r\nDocumentRoot=/srv/docs\r\nDefaultType=intro\r\n");
  std::string ini = GetIniPath();
  EXPECT_EQ(ReadDocumentRoot(ini), "/srv/docs/");
  EXPECT_EQ(ini, work / "TOVY.INI");
  EXPECT_EQ(GetDefaultType(ini), "intro");
  EXPECT_EQ(GetDocumentRoot(), "/srv/docs/");
}

TEST_F(CatalogueConfigTest, FallsBackToTheDefaultIniAsAWhole) {
  // No INI at all: the default root on drive C.
  std::string ini = GetIniPath();
  EXPECT_EQ(ReadDocumentRoot(ini), DefaultDocs());
  EXPECT_EQ(ini, DefaultDocs() + "TOVY.INI");
  EXPECT_EQ(GetDefaultType(ini), "SYSTEM");

  // An INI here without DocumentRoot, or with the sentinel, does not count.
  drive.Write("VESK/DOCS/TOVY.INI", "[main]\ndocumentroot=C:\\Manuals\\\ndefaulttype=Intro\n");
  for (const char* local : {"[MAIN]\nDefaultType=LOCAL\n", "[MAIN]\nDocumentRoot=%\n"}) {
    work.Write("TOVY.INI", local);
    platform::ClearIniCache();
    ini = GetIniPath();
    EXPECT_EQ(ReadDocumentRoot(ini), drive.path() + "/Manuals/");
    EXPECT_EQ(ini, DefaultDocs() + "TOVY.INI");
    EXPECT_EQ(GetDefaultType(ini), "Intro");
  }
}

TEST_F(CatalogueConfigTest, TheRootIsFoundOnDiskWhateverItsCase) {
  drive.Write("vesk/docs/tovy.ini", "[MAIN]\r\nDocumentRoot=C:\\VESK\\DOCS\r\n");
  std::string ini = GetIniPath();
  EXPECT_EQ(ReadDocumentRoot(ini), drive.path() + "/vesk/docs/");
  EXPECT_EQ(GetDocumentRoot(), drive.path() + "/vesk/docs/");
  // A root that is not there yet keeps its spelling.
  EXPECT_EQ(MapDocumentRoot("C:\\Vesk\\Docs\\New", ini), drive.path() + "/vesk/docs/New/");
}

TEST_F(CatalogueConfigTest, RootValuesAreMappedAndEndInASeparator) {
  const std::string ini = work / "sub/TOVY.INI";
  EXPECT_EQ(MapDocumentRoot("", ini), drive.path() + "/");
  EXPECT_EQ(MapDocumentRoot("\\", ini), drive.path() + "/");
  EXPECT_EQ(MapDocumentRoot("c:\\Docs\\", ini), drive.path() + "/Docs/");
  EXPECT_EQ(MapDocumentRoot("\\Docs", ini), drive.path() + "/Docs/");
  EXPECT_EQ(MapDocumentRoot("/abs/docs/", ini), "/abs/docs/");
  EXPECT_EQ(MapDocumentRoot("docs\\here", ini), work / "sub/docs/here/");

  // A 600-character value is cut to 511 before the separator is added.
  work.Write("TOVY.INI", "[MAIN]\nDocumentRoot=/" + std::string(599, 'd') + "\n");
  std::string path = GetIniPath();
  const std::string root = ReadDocumentRoot(path);
  EXPECT_EQ(root, "/" + std::string(510, 'd') + "/");
}

// The locale variables, set for one test and given back afterwards.
class LanguageEnv {
 public:
  LanguageEnv() {
    for (const char* name : kNames)
      if (const char* v = std::getenv(name)) saved_[name] = v;
  }
  ~LanguageEnv() {
    for (const char* name : kNames) {
      auto it = saved_.find(name);
      if (it == saved_.end()) ::unsetenv(name); else ::setenv(name, it->second.c_str(), 1);
    }
  }
  void Use(const char* lang, const char* language) const {
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_MESSAGES");
    ::setenv("LANG", lang, 1);
    ::setenv("LANGUAGE", language, 1);
  }

 private:
  static constexpr const char* kNames[] = {"LC_ALL", "LC_MESSAGES", "LANG", "LANGUAGE"};
  std::map<std::string, std::string> saved_;
};

TEST_F(CatalogueConfigTest, UserLanguagesComeInGettextsOrder) {
  const LanguageEnv env;
  struct Case {
    const char* lang;
    const char* language;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"fr_FR.UTF-8@euro", "zh_CN:de", {"zh_CN", "zh", "de", "fr_FR", "fr"}},
      {"de_AT.UTF-8", "", {"de_AT", "de"}},
      {"C.UTF-8", "ja", {"ja"}},
      {"C", "ja", {}},  // gettext reads no LANGUAGE in the C locale
      {"POSIX", "de", {}},
      // Nothing that could lead out of the folder is a language.
      {"C.UTF-8", "../../etc:de/x:d:toolong:es_ES:es", {"es_ES", "es"}},
  };
  for (const Case& c : cases) {
    env.Use(c.lang, c.language);
    EXPECT_EQ(UserLanguages(), c.expected) << c.lang << " " << c.language;
  }
}

TEST_F(CatalogueConfigTest, TheUsersLanguageChoosesItsDocumentSet) {
  const LanguageEnv env;
  drive.Write("VESK/DOCS/TOVY.INI", "[MAIN]\r\nDocumentRoot=C:\\VESK\\DOCS\r\n");
  drive.Write("VESK/DOCS/de/TOVY.INI", "[MAIN]\r\nDocumentRoot=C:\\VESK\\DOCS\\de\r\n");
  drive.Write("VESK/DOCS/ZH/tovy.ini", "[MAIN]\r\nDocumentRoot=zh-docs\r\n");  // relative: below its own folder
  drive.MakeDir("VESK/DOCS/ZH/zh-docs");
  drive.MakeDir("VESK/DOCS/fr");                                                   // a folder without a catalogue
  drive.Write("VESK/DOCS/es/TOVY.INI", "[MAIN]\r\nDefaultType=SYSTEM\r\n");     // no DocumentRoot
  drive.Write("VESK/DOCS/ja/TOVY.INI", "[MAIN]\r\nDocumentRoot=C:\\Nowhere\r\n");  // no such folder
  struct Case {
    const char* lang;
    const char* language;
    std::string root;
    std::string ini;
    const char* said;  // a line --build-only --verbose shows
  };
  const std::string docs = DefaultDocs();
  const Case cases[] = {
      {"de_DE.UTF-8", "", docs + "de/", docs + "de/TOVY.INI", "using the catalogue of language de, "},
      {"C.UTF-8", "zh_CN:de", docs + "ZH/zh-docs/", docs + "ZH/tovy.ini", "language zh_CN: "},
      {"C.UTF-8", "fr:es:ja:de", docs + "de/", docs + "de/TOVY.INI", "language ja: "},
      {"C.UTF-8", "fr:es", docs, docs + "TOVY.INI", "language es: " },
      {"C", "de", docs, docs + "TOVY.INI", "sets no DocumentRoot: using "},
      {"pt_BR.UTF-8", "", docs, docs + "TOVY.INI", "language pt: "},
  };
  for (const Case& c : cases) {
    env.Use(c.lang, c.language);
    platform::ClearIniCache();
    std::string ini = GetIniPath();
    std::string said;
    EXPECT_EQ(ReadDocumentRoot(ini, [&said](const std::string& line) { said += line + "\n"; }), c.root)
        << c.lang << " " << c.language;
    EXPECT_EQ(ini, c.ini) << c.lang << " " << c.language;
    EXPECT_NE(said.find(c.said), std::string::npos) << said;
    EXPECT_EQ(GetDocumentRoot(), c.root);
  }

  // A catalogue in the current folder that names its root wins over every language.
  env.Use("de_DE.UTF-8", "de");
  work.Write("TOVY.INI", "[MAIN]\r\nDocumentRoot=/srv/docs\r\n");
  platform::ClearIniCache();
  EXPECT_EQ(GetDocumentRoot(), "/srv/docs/");
}

}  // namespace
