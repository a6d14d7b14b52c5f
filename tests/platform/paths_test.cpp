#include "platform/paths.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "common/temp_dir.h"
#include "platform/files.h"
#include "platform/text.h"

using namespace platform;
using testing_support::TempDir;

TEST(Text, CaseFoldingTouchesAsciiLettersOnly) {
  EXPECT_EQ(ToUpperAscii("abc\xc3\xa9z-1"), "ABC\xc3\xa9Z-1");
  EXPECT_TRUE(EqualsNoCase("Index.HTM", "index.htm"));
  EXPECT_FALSE(EqualsNoCase("index.htm", "index.htm "));
  EXPECT_LT(CompareNoCase("a", "B"), 0);
  EXPECT_GT(CompareNoCase("ab", "A"), 0);
  EXPECT_TRUE(StartsWithNoCase("HTTPS://x", "http"));
  EXPECT_FALSE(StartsWithNoCase("ht", "http"));
  EXPECT_TRUE(EndsWithNoCase("help.ChM", "chm"));
  EXPECT_FALSE(EndsWithNoCase("hm", "chm"));
  EXPECT_EQ(ReplaceAll("aXbXX", "X", "yy"), "ayybyyyy");
  EXPECT_EQ(ReplaceAll("abc", "", "z"), "abc");
}

TEST(Paths, DriveCMapsThroughTheEnvironment) {
  setenv("VESK_DRIVE_C", "/tmp/drivec/", 1);
  EXPECT_EQ(DriveCFolder(), "/tmp/drivec");
  EXPECT_EQ(MapWindowsPath("C:\\VESK\\DOCS\\TOVY.INI"), "/tmp/drivec/VESK/DOCS/TOVY.INI");
  EXPECT_EQ(MapWindowsPath("c:/vesk/docs"), "/tmp/drivec/vesk/docs");
  EXPECT_EQ(MapWindowsPath("C:"), "/tmp/drivec/");
  EXPECT_EQ(MapWindowsPath("\\winnt\\x"), "/tmp/drivec/winnt/x");
  EXPECT_EQ(MapWindowsPath("/usr/share/doc"), "/usr/share/doc");
  EXPECT_EQ(MapWindowsPath("docs\\sub"), "docs/sub");
  EXPECT_EQ(MapWindowsPath("D:\\x"), "D:/x");
  unsetenv("VESK_DRIVE_C");
  EXPECT_FALSE(DriveCFolder().empty());
}

TEST(Paths, ParentFolder) {
  EXPECT_EQ(ParentFolder("/a/b/TOVY.INI"), "/a/b");
  EXPECT_EQ(ParentFolder("/TOVY.INI"), "/");
  EXPECT_EQ(ParentFolder("TOVY.INI"), ".");
}

TEST(Paths, ResolveCaseFindsExistingNamesInAnyCase) {
  TempDir dir;
  dir.Write("Docs/Guide/index.htm", "x");
  dir.Write("Docs/importan.htm", "x");
  EXPECT_EQ(ResolveCase(dir / "DOCS/GUIDE/INDEX.HTM"), dir / "Docs/Guide/index.htm");
  EXPECT_EQ(ResolveCase(dir / "docs\\IMPORTAN.HTM"), dir / "Docs/importan.htm");
  // A missing name keeps its spelling, so it can be created.
  EXPECT_EQ(ResolveCase(dir / "DOCS/NEW.HTM"), dir / "Docs/NEW.HTM");
  EXPECT_EQ(ResolveCase(dir / "NOPE/SUB/x"), dir / "NOPE/SUB/x");
  EXPECT_EQ(ResolveCase(dir / "DOCS/GUIDE/../IMPORTAN.HTM"), dir / "Docs/Guide/../importan.htm");
  EXPECT_EQ(ResolveCase(dir / "DOCS/"), dir / "Docs/");
  EXPECT_EQ(ResolveCase(""), "");
}

TEST(Paths, ResolveCasePrefersAnExactNameThenListingOrder) {
  TempDir dir;
  dir.Write("a/Page.htm", "1");
  dir.Write("a/page.HTM", "2");
  dir.Write("a/PAGE.htm", "3");
  EXPECT_EQ(ResolveCase(dir / "a/page.HTM"), dir / "a/page.HTM");
  EXPECT_EQ(ResolveCase(dir / "a/page.htm"), dir / "a/PAGE.htm");  // byte order among equals
}

TEST(Paths, FileUrls) {
  EXPECT_EQ(FileUrlToPath("file:///home/u/a%20b.htm"), "/home/u/a b.htm");
  EXPECT_EQ(FileUrlToPath("FILE:/x/y"), "/x/y");
  EXPECT_EQ(FileUrlToPath("file://localhost/x"), "/x");
  EXPECT_EQ(FileUrlToPath("file:////x"), "/x");
  EXPECT_EQ(FileUrlToPath("file:///x/%zz%4"), "/x/%zz%4");
  EXPECT_EQ(FileUrlToPath("file:///x/p.htm#top"), "/x/p.htm#top");
  EXPECT_EQ(FileUrlToPath("http://example.com/"), "");
  EXPECT_EQ(PathToFileUrl("/a b/#1/\xc3\xa9.htm"), "file:///a%20b/%231/%C3%A9.htm");
  EXPECT_EQ(FileUrlToPath(PathToFileUrl("/odd %?#\\name")), "/odd %?#\\name");
  EXPECT_TRUE(IsFileUrl("File:///x"));
  EXPECT_FALSE(IsFileUrl("files"));
}

TEST(Paths, FolderListingsFollowTheProgramsOwnWritesOnly) {
  TempDir dir;
  dir.Write("Docs/Old.htm", "1");
  dir.Write("Docs/stale.htm", "2");
  const WriteRoot root(dir.path());
  FolderListings listings;
  {
    const FolderListingsScope scope(listings);
    EXPECT_EQ(ResolveCase(dir / "DOCS/OLD.HTM"), dir / "Docs/Old.htm");
    // Written and removed by the program: seen without listing again, under
    // any path to the folder.
    OutputFile page;
    ASSERT_TRUE(page.Create(root, dir / "Docs/sidebar.htm"));
    ASSERT_TRUE(page.Close());
    ASSERT_TRUE(RemoveFile(dir / "Docs/stale.htm", root));
    EXPECT_EQ(ResolveCase(dir / "DOCS/SIDEBAR.HTM"), dir / "Docs/sidebar.htm");
    EXPECT_EQ(ResolveCase(dir / "Docs/./SIDEBAR.HTM"), dir / "Docs/./sidebar.htm");
    EXPECT_EQ(ResolveCase(dir / "DOCS/STALE.HTM"), dir / "Docs/STALE.HTM");
    EXPECT_EQ(listings.ListingsRead(), 2u);  // the test folder and Docs
    // Written by someone else: not seen until the next pass.
    dir.Write("Docs/other.htm", "3");
    EXPECT_EQ(ResolveCase(dir / "DOCS/OTHER.HTM"), dir / "Docs/OTHER.HTM");
  }
  EXPECT_EQ(ResolveCase(dir / "DOCS/OTHER.HTM"), dir / "Docs/other.htm");
}

TEST(Paths, CaseResolverAgreesWithResolveCaseAndListsEachFolderOnce) {
  TempDir dir;
  dir.Write("Docs/Guide/Ch1.htm", "1");
  dir.Write("Docs/Guide/ch1.HTM", "2");
  CaseResolver resolver;
  for (const char* p : {"DOCS/GUIDE/CH1.HTM", "docs/guide/ch1.HTM", "DOCS/NEW.HTM", "NOPE/X", "Docs/"}) {
    EXPECT_EQ(resolver.Resolve(dir / p), ResolveCase(dir / p)) << p;
  }
  // A name added after the folder was listed is found only as written.
  dir.Write("Docs/Guide/Late.htm", "3");
  EXPECT_EQ(resolver.Resolve(dir / "DOCS/GUIDE/LATE.HTM"), dir / "Docs/Guide/LATE.HTM");
  EXPECT_EQ(resolver.Resolve(dir / "DOCS/GUIDE/Late.htm"), dir / "Docs/Guide/Late.htm");
}
