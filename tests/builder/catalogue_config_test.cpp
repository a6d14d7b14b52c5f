#include "builder/catalogue_config.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
