#include "builder/site_builder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "builder/auxiliary_pages.h"
#include "builder_env.h"
#include "common/unprivileged.h"
#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/user_folders.h"
#include "template_markup.h"

namespace {

using testing_support::Begin;
using testing_support::BuilderEnv;
using testing_support::End;
using testing_support::Exists;
using testing_support::ReadFile;
using testing_support::Section;
using testing_support::TempDir;

std::string Template(const std::string& sections) {
  return Begin("HEAD") + "\n<HTML><BODY>\n" + End("HEAD") + "\n" + sections + Begin("FOOT") +
         "\n</BODY>\n</HTML>\n";
}
const std::string kHead = "<HTML><BODY>\r\n";
const std::string kFoot = "</BODY>\r\n</HTML>";

class SiteBuilderTest : public BuilderEnv {
 protected:
  // Builds and records what was shown and explained.
  void Build() {
    shown.clear();
    lines.clear();
    platform::ClearIniCache();
    BuildSite([&](const std::string& path) { shown.push_back(path); },
              [&](const std::string& line) { lines.push_back(line); });
  }
  bool Explained(const std::string& part) const {
    for (const auto& line : lines) {
      if (line.find(part) != std::string::npos) return true;
    }
    return false;
  }
  void WriteTemplates(const std::string& root) {
    docs.Write(root + "sb_in.htm", Template(Section("IMPORTANT", "<A href=\"IMPORTAN.HTM\">Important</A>") +
                                            Section("INTRO", "<A href=\"intro.htm\">Intro</A>") +
                                            Section("SYSTEM", "<A href=\"sys.htm\">System</A>") +
                                            Section("MANUALS", "<A href=\"MANUALS.HTM\">Manuals</A>") +
                                            Section("CONTACT", "<A href=\"CONTACT.HTM\">Contact</A>")));
    docs.Write(root + "sys_in.htm",
               Template(Section("SYSTEM", "<A href=\"QVXTGT\"><IMG src=\"yellow.gif\">System</A>") +
                        Section("DRIVERS", "<A href=\"QVXTGT\"><IMG src=\"yellow.gif\">Drivers</A>")));
    docs.Write(root + "MANUA_IN.HTM", Template("") + "<p>after the end</p>\n");
    docs.Write(root + "blank_in.htm", Template(""));
    docs.Write(root + "nodocs.htm", "<HTML>no documents</HTML>\n");
  }
  TempDir docs;
  std::vector<std::string> shown;
  std::vector<std::string> lines;
};

TEST_F(SiteBuilderTest, FullBuildWritesEveryPage) {
  const std::string root = docs.root();
  WriteTemplates("");
  work.Write("TOVY.INI", "[MAIN]\r\nDocumentRoot=" + docs.path() +
                             "\r\n"
                             "[B]\r\nTITLE=Beta Notes\r\nTYPE=manuals\r\nLINKTYPE=docsnewwindow\r\n"
                             "[C]\r\nTITLE=Driver Disk\r\nTYPE=DRIVERS\r\nLINK=/opt/drivers/readme.htm\r\n"
                             "LINKTYPE=INTERNAL\r\n"
                             "[D]\r\nTITLE=Setup\r\nTYPE=system\r\nLINK=D/start.htm\r\n");
  docs.Write("A/index.htm",
             "<html><head><title>Alpha Guide</title>\n<META name=\"SUBJECT\" content=\"Manuals\">\n");
  docs.MakeDir("B");
  docs.MakeDir("C");
  docs.MakeDir("D");
  docs.Write("E/index.htm", "<TITLE>Editor</TITLE>");
  docs.Write("F/index.htm", "<p>no title: dropped</p>");
  docs.Write(".hidden/index.htm", "<title>Hidden</title>");
  Build();

  ASSERT_EQ(shown, std::vector<std::string>{root + "DocFrame.htm"});
  EXPECT_EQ(ReadFile(docs / "sidebar.htm"),
            kHead +
                "<A href=\"intro.htm\">Intro</A>\r\n<A href=\"sys.htm\">System</A>\r\n"
                "<A href=\"MANUALS.HTM\">Manuals</A>\r\n" +
                kFoot);
  EXPECT_EQ(ReadFile(docs / "MANUALS.HTM"),
            kHead + "<A href=\"file://" + root +
                "A/index.htm\">Alpha Guide</A><br><br>"
                "<A href=\"file://" +
                root + "B/index.htm\" target=\"_blank\">Beta Notes</A><br><br>" + kFoot);
  EXPECT_EQ(ReadFile(docs / "sys.htm"), kHead +
                                            "<A href=\"SYSTEM.HTM\"><IMG src=\"yellow.gif\">System</A>\r\n"
                                            "<A href=\"file:///opt/drivers/readme.htm\"  "
                                            "target=\"_self\"><IMG src=\"doc.gif\">Drivers</A>\r\n" +
                                            kFoot);
  EXPECT_EQ(ReadFile(docs / "SYSTEM.HTM"), kHead + "<A href=\"file://" + root +
                                               "D/start.htm\">Setup</A><br><br>"
                                               "<A href=\"file://" +
                                               root + "E/index.htm\">Editor</A><br><br>" + kFoot);
  // No IMPORTANT document: the IMPORTANT page is the blank page.
  EXPECT_EQ(ReadFile(docs / "importan.htm"), ReadFile(docs / "blank_in.htm"));
  EXPECT_FALSE(Exists(docs / "CONTACT.HTM"));
  EXPECT_TRUE(Explained("catalogue INI: " + work.path() + "/TOVY.INI"));
  EXPECT_TRUE(Explained("document F: dropped"));
  EXPECT_TRUE(Explained("wrote " + root + "sidebar.htm"));
}

TEST_F(SiteBuilderTest, ImportantDocumentsReplaceTheBlankImportantPage) {
  WriteTemplates("");
  work.Write("TOVY.INI", "[MAIN]\nDocumentRoot=" + docs.root() + "\n[N]\nTITLE=News\nTYPE=IMPORTANT\n");
  docs.MakeDir("N");
  docs.Write("IMPOR_IN.HTM", Template(""));
  Build();
  EXPECT_EQ(ReadFile(docs / "importan.htm"),
            kHead + "<A href=\"file://" + docs.root() + "N/index.htm\">News</A><br><br>" + kFoot);
  EXPECT_EQ(ReadFile(docs / "sidebar.htm"),
            kHead + "<A href=\"IMPORTAN.HTM\">Important</A>\r\n<A href=\"intro.htm\">Intro</A>\r\n" + kFoot);
  EXPECT_FALSE(Exists(docs / "sys.htm"));
}

TEST_F(SiteBuilderTest, ATemplateAddedBetweenBuildsIsFoundInAnyCase) {
  WriteTemplates("");
  std::filesystem::remove(docs / "MANUA_IN.HTM");
  work.Write("TOVY.INI", "[MAIN]\nDocumentRoot=" + docs.root() + "\n[M]\nTITLE=Manual\nTYPE=MANUALS\n");
  docs.MakeDir("M");
  Build();
  EXPECT_TRUE(Explained("MANUA_IN.HTM missing or already open"));
  // Another program adds the template, named in its own letter case.
  docs.Write("manua_in.htm", Begin("HEAD") + "\n<HTML><BODY class=m>\n" + End("HEAD") + "\n" + Begin("FOOT") +
                                 "\n</BODY>\n</HTML>\n");
  Build();
  EXPECT_FALSE(Explained("MANUA_IN.HTM missing"));
  EXPECT_EQ(ReadFile(docs / "MANUALS.HTM"), "<HTML><BODY class=m>\r\n<A href=\"file://" + docs.root() +
                                                "M/index.htm\">Manual</A><br><br>" + kFoot);
}

TEST_F(SiteBuilderTest, EmptyCatalogueGetsTheContactEntry) {
  // No INI anywhere: the default root "C:\VESK\DOCS" on drive C.
  const std::string root = DefaultDocs();
  WriteTemplates("");
  for (const char* name : {"sb_in.htm", "sys_in.htm", "blank_in.htm", "nodocs.htm"}) {
    drive.Write(std::string("VESK/DOCS/") + name, ReadFile(docs / name));
  }
  drive.Write("VESK/DOCS/Empty/readme.txt", "a folder with neither section nor page");
  Build();
  ASSERT_EQ(shown, std::vector<std::string>{root + "DocFrame.htm"});
  EXPECT_EQ(ReadFile(root + "importan.htm"), "<HTML>no documents</HTML>\n");
  EXPECT_EQ(ReadFile(root + "sidebar.htm"),
            kHead + "<A href=\"intro.htm\">Intro</A>\r\n<A href=\"CONTACT.HTM\">Contact</A>\r\n" + kFoot);
  EXPECT_EQ(ReadFile(root + "CONTACT.HTM"), kHead + kFoot);
  EXPECT_TRUE(Explained("document Empty: dropped"));
}

TEST_F(SiteBuilderTest, SkipsLeftCountsDownWithoutTouchingAnything) {
  WriteTemplates("");
  drive.Write("winnt/java/classes/search.cla", "class");
  // An INI here without DocumentRoot: the default INI supplies everything.
  work.Write("TOVY.INI", "[MAIN]\nSkipsLeft=9\n");
  drive.Write("VESK/DOCS/TOVY.INI", "[MAIN]\r\nDocumentRoot=" + docs.path() + "\r\nSkipsLeft=2\r\n");
  Build();
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(ReadFile(DefaultDocs() + "TOVY.INI"),
            "[MAIN]\r\nDocumentRoot=" + docs.path() + "\r\nSkipsLeft=1\r\n");
  EXPECT_EQ(ReadFile(work / "TOVY.INI"), "[MAIN]\nSkipsLeft=9\n");
  EXPECT_FALSE(Exists(docs / "sidebar.htm"));
  EXPECT_TRUE(Exists(drive / "winnt/java/classes/search.cla"));

  Build();  // 1 -> 0
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(platform::GetPrivateProfileInt("MAIN", "SkipsLeft", -1, DefaultDocs() + "TOVY.INI"), 0);

  Build();  // 0: builds, and leaves the key alone
  EXPECT_EQ(shown.size(), 1u);
  EXPECT_TRUE(Exists(docs / "sidebar.htm"));
  EXPECT_TRUE(Exists(drive / "winnt/java/classes/search.class"));
  EXPECT_EQ(platform::GetPrivateProfileInt("MAIN", "SkipsLeft", -1, DefaultDocs() + "TOVY.INI"), 0);
}

TEST_F(SiteBuilderTest, UnwritableIniDoesNotSkipForever) {
  WriteTemplates("");
  const std::string folder = work.MakeDir("ro");
  work.Write("ro/TOVY.INI", "[MAIN]\nDocumentRoot=" + docs.path() + "\nSkipsLeft=5\n");
  // The build runs in a child without the right to write the INI's folder
  // (root may write anywhere, so the child gives up root first).
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    int status = 0;
    if (::geteuid() == 0) {
      const uid_t nobody = 65534;
      for (const std::string& path : {work.path(), folder, folder + "/TOVY.INI", docs.path()}) {
        if (::chown(path.c_str(), nobody, nobody) != 0) status = 10;
      }
      for (const char* name : {"sb_in.htm", "sys_in.htm", "MANUA_IN.HTM", "blank_in.htm", "nodocs.htm"}) {
        if (::chown((docs / name).c_str(), nobody, nobody) != 0) status = 11;
      }
      if (::chmod(drive.path().c_str(), 0755) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0)
        status = 12;
    }
    ::chmod(folder.c_str(), 0555);
    if (::chdir(folder.c_str()) != 0) status = 13;
    int shownCount = 0;
    bool explained = false;
    platform::ClearIniCache();
    BuildSite([&](const std::string&) { ++shownCount; },
              [&](const std::string& line) {
                explained = explained || line.find("cannot be written") != std::string::npos;
              });
    if (status == 0 && shownCount != 1) status = 1;
    if (status == 0 && !Exists(docs / "sidebar.htm")) status = 2;
    if (status == 0 && !explained) status = 3;
    if (status == 0 && ReadFile(folder + "/TOVY.INI").find("SkipsLeft=5") == std::string::npos) status = 4;
    ::_exit(status);
  }
  int status = -1;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(SiteBuilderTest, NoRebuildStillCleansUpAndShowsTheStartPage) {
  WriteTemplates("");
  drive.Write("windows/java/classes/search.cla", "new");
  drive.Write("windows/java/classes/srchWord.cla", "new");
  drive.Write("windows/java/classes/srchWord.class", "old");
  drive.Write("vesk/docs/8203khlp.reg", "");
  work.Write("TOVY.INI", "[MAIN]\nDocumentRoot=" + docs.path() + "\nAutoRebuild=0\n");
  Build();
  EXPECT_EQ(shown, std::vector<std::string>{docs.root() + "DocFrame.htm"});
  EXPECT_FALSE(Exists(docs / "sidebar.htm"));
  EXPECT_FALSE(Exists(docs / "importan.htm"));
  EXPECT_EQ(ReadFile(drive / "windows/java/classes/search.class"), "new");
  EXPECT_EQ(ReadFile(drive / "windows/java/classes/srchWord.cla"), "new");  // target exists: unchanged
  EXPECT_EQ(ReadFile(drive / "windows/java/classes/srchWord.class"), "old");
  EXPECT_FALSE(Exists(drive / "vesk/docs/8203khlp.reg"));

  // No sidebar template: nothing is generated either.
  work.Write("TOVY.INI", "[MAIN]\nDocumentRoot=" + docs.path() + "\n");
  ::unlink((docs / "sb_in.htm").c_str());
  Build();
  EXPECT_EQ(shown.size(), 1u);
  EXPECT_FALSE(Exists(docs / "sidebar.htm"));

  // A document root that does not exist.
  work.Write("TOVY.INI", "[MAIN]\nDocumentRoot=missing\\root\n");
  Build();
  EXPECT_EQ(shown, std::vector<std::string>{work.path() + "/missing/root/DocFrame.htm"});
}

TEST_F(SiteBuilderTest, LargeCatalogueAndIniOfManySections) {
  WriteTemplates("");
  std::string ini = "[MAIN]\nDocumentRoot=" + docs.path() + "\n";
  for (int i = 0; i < 100000; ++i) ini += "[S" + std::to_string(i) + "]\nTITLE=t\nTYPE=MANUALS\n";
  work.Write("TOVY.INI", ini);
  for (int i = 0; i < 2000; i += 2) docs.MakeDir("S" + std::to_string(i));
  Build();
  const std::string page = ReadFile(docs / "MANUALS.HTM");
  std::size_t anchors = 0;
  for (std::size_t at = page.find("<A "); at != std::string::npos; at = page.find("<A ", at + 1)) ++anchors;
  EXPECT_EQ(anchors, 1000u);
}

TEST_F(SiteBuilderTest, CategoryWordsNamingTheBuildersOwnFilesDamageNothing) {
  WriteTemplates("");
  // BLANK_IN: its template and its page are both the fallback template.
  // SYS_IN and DOCFRAME: their pages would be the system template, read
  // later, and the installed start page.
  docs.Write("sb_in.htm", Template(Section("IMPORTANT", "") + Section("SYSTEM", "<A href=\"sys.htm\">System</A>") +
                                   Section("BLANK_IN", "<A href=\"BLANK_IN.HTM\">Blank</A>") +
                                   Section("SYS_IN", "<A href=\"SYS_IN.HTM\">SysIn</A>") +
                                   Section("DOCFRAME", "<A href=\"DOCFRAME.HTM\">Frame</A>")));
  docs.Write("DocFrame.htm", "<FRAMESET><FRAME name=\"content\"></FRAMESET>");
  // SYS with two documents: its category page is the system page being
  // written, its template the system template being read.
  docs.Write("sys_in.htm", Template(Section("SYS", "<A href=\"QVXTGT\">Sys</A>")));
  work.Write("TOVY.INI", "[MAIN]\nDocumentRoot=" + docs.path() +
                             "\n[G1]\nTITLE=One\nTYPE=BLANK_IN\n"
                             "[S1]\nTITLE=S one\nTYPE=SYS\n[S2]\nTITLE=S two\nTYPE=SYS\n"
                             "[G2]\nTITLE=Two\nTYPE=SYS_IN\n[G3]\nTITLE=Three\nTYPE=DOCFRAME\n");
  for (const char* folder : {"G1", "G2", "G3", "S1", "S2"}) docs.MakeDir(folder);
  const std::string frame = ReadFile(docs / "DocFrame.htm");
  const std::string blank = ReadFile(docs / "blank_in.htm");
  const std::string system = ReadFile(docs / "sys_in.htm");

  Build();
  EXPECT_EQ(ReadFile(docs / "blank_in.htm"), blank);
  EXPECT_EQ(ReadFile(docs / "sys_in.htm"), system);
  EXPECT_EQ(ReadFile(docs / "sys.htm"), kHead + "<A href=\"SYS.HTM\">Sys</A>\r\n" + kFoot);
  EXPECT_EQ(ReadFile(docs / "sidebar.htm"),
            kHead + "<A href=\"sys.htm\">System</A>\r\n<A href=\"BLANK_IN.HTM\">Blank</A>\r\n" +
                "<A href=\"SYS_IN.HTM\">SysIn</A>\r\n<A href=\"DOCFRAME.HTM\">Frame</A>\r\n" + kFoot);
  EXPECT_EQ(ReadFile(docs / "DocFrame.htm"), frame);
  EXPECT_TRUE(Explained("would overwrite the installed page BLANK_IN.HTM"));
  EXPECT_TRUE(Explained("would overwrite the installed page SYS_IN.HTM"));
  EXPECT_TRUE(Explained("could not create " + docs.root() + "SYS.HTM"));

  // The next start-up copies an undamaged fallback over the IMPORTANT page.
  Build();
  EXPECT_EQ(ReadFile(docs / "importan.htm"), blank);
}

TEST_F(SiteBuilderTest, ARootTheUserCannotWriteIsBuiltIntoAPerUserFolderAndSaysSo) {
  WriteTemplates("");
  work.Write("TOVY.INI", "[MAIN]\nDocumentRoot=" + docs.path() + "\n[A]\nTITLE=Alpha\nTYPE=MANUALS\n");
  docs.MakeDir("A");
  TempDir cache;
  const int status = testing_support::RunUnprivileged(
      [&] {
        ::setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
        // An earlier build's folder: its stale system page goes, a file that
        // is none of the build's pages stays.
        const std::string pages = platform::UserPageFolder(docs.root());
        std::filesystem::create_directories(pages);
        cache.Write(pages.substr(cache.path().size() + 1) + "keep.txt", "mine");
        cache.Write(pages.substr(cache.path().size() + 1) + "sys.htm", "stale");
        if (::geteuid() != 0) return ::chmod(docs.path().c_str(), 0555);
        // Readable by everyone, as a system install is; owned by root.
        for (const std::string& path : {docs.path(), work.path(), drive.path()}) ::chmod(path.c_str(), 0755);
        int failed = 0;
        for (std::string path = pages; path.size() >= cache.path().size(); path = platform::ParentFolder(path)) {
          if (!path.empty() && path.back() == '/') path.pop_back();
          ::chmod(path.c_str(), 0700);
          failed += ::chown(path.c_str(), testing_support::kNobody, testing_support::kNobody) != 0;
        }
        for (const char* name : {"keep.txt", "sys.htm"}) {
          failed += ::chown((pages + name).c_str(), testing_support::kNobody, testing_support::kNobody) != 0;
        }
        return failed == 0 ? 0 : 10;
      },
      [&] {
        const std::string pages = platform::UserPageFolder(docs.root());
        bool told = false;
        platform::ClearIniCache();
        BuildSite({}, [&](const std::string& line) {
          told = told || line.find("cannot be written: the folder cannot be written (Permission denied); "
                                   "pages written to " + pages) != std::string::npos;
        });
        if (!told) return 1;
        if (!Exists(pages + "keep.txt") || Exists(pages + "sys.htm")) return 3;
        return Exists(pages + "sidebar.htm") && Exists(pages + "MANUALS.HTM") && Exists(pages + "importan.htm") ? 0 : 2;
      });
  ::chmod(docs.path().c_str(), 0755);
  EXPECT_EQ(status, 0);
  EXPECT_FALSE(Exists(docs / "sidebar.htm"));
  EXPECT_FALSE(Exists(docs / "importan.htm"));
}

}  // namespace
