#include "builder/template_expansion.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/temp_dir.h"
#include "template_markup.h"

namespace {

using testing_support::Begin;
using testing_support::End;
using testing_support::Exists;
using testing_support::ReadFile;
using testing_support::Section;
using testing_support::TempDir;

// A template whose head is "<HTML>\n<BODY>\n" and whose foot is "</BODY>\n".
std::string Template(const std::string& sections) {
  return "lost before the head\n" + Begin("HEAD") + "\n<HTML>\n<BODY>\n" + End("HEAD") + "\n" + sections +
         Begin("FOOT") + "\n</BODY>\n</HTML>\nlost after the end\n";
}
const std::string kHead = "<HTML>\r\n<BODY>\r\n";
const std::string kFoot = "</BODY>\r\n</HTML>";

class TemplateTest : public ::testing::Test {
 protected:
  CDocEntry& Add(const std::string& name, const std::string& type, const std::string& linktype = "DOCS") {
    auto entry = std::make_unique<CDocEntry>(name);
    entry->Type = type;
    entry->Title = name + " Title";
    entry->link = name + "/index.htm";
    entry->linktype = linktype;
    return list.GetAt(list.AddTail(std::move(entry)));
  }
  std::string Anchor(const std::string& name) {
    return "<A href=\"file://" + root + name + "/index.htm\">" + name + " Title</A><br><br>";
  }
  TempDir dir;
  std::string root = dir.root();
  CDocList list;
};

TEST_F(TemplateTest, CategoryPageListsNonFakeEntriesAndMarksThemDone) {
  dir.Write("IMPOR_IN.HTM", Template(""));
  CDocEntry& first = Add("First", "IMPORTANT");
  CDocEntry& fake = Add("Fake", "IMPORTANT", "FAKE");
  CDocEntry& other = Add("Other", "INTRO");
  EXPECT_TRUE(WriteCategoryPage(list, "IMPORTANT", root));
  EXPECT_EQ(ReadFile(dir / "IMPORTAN.HTM"), kHead + Anchor("First") + kFoot);
  EXPECT_EQ(first.Type, "DONE");
  EXPECT_EQ(fake.Type, "DONE");
  EXPECT_EQ(other.Type, "INTRO");
  EXPECT_FALSE(list.HasType("IMPORTANT"));
}

TEST_F(TemplateTest, CategoryPageTemplateFallbacks) {
  Add("A", "INTRO");
  Add("B", "INTRO");
  // No template at all: the anchors and the closing tag only.
  WriteCategoryPage(list, "INTRO", root);
  EXPECT_EQ(ReadFile(dir / "INTRO.HTM"), Anchor("A") + Anchor("B") + "</HTML>");

  // The blank template stands in for a missing category template; the page
  // name is found without regard to letter case.
  dir.Write("blank_in.htm", Template(""));
  dir.Write("contact.htm", "old");
  Add("C", "CONTACT");
  WriteCategoryPage(list, "CONTACT", root);
  EXPECT_EQ(ReadFile(dir / "contact.htm"), kHead + Anchor("C") + kFoot);
  EXPECT_FALSE(Exists(dir / "CONTACT.HTM"));
}

TEST_F(TemplateTest, CategoryWordsThatCannotNameAFileWriteNothing) {
  dir.Write("BLANK_IN.HTM", Template(""));
  const std::string nested = dir.root() + "root/";
  dir.MakeDir("root/sub");
  const std::string types[] = {"../EVIL", "SUB/X", "SUB\\Y", std::string("A\0/../B", 7), ".."};
  for (const std::string& type : types) {
    CDocEntry& entry = Add("E", type);
    EXPECT_TRUE(WriteCategoryPage(list, type, nested));
    EXPECT_EQ(entry.Type, "DONE");
  }
  EXPECT_FALSE(Exists(dir / "EVIL.HTM"));
  EXPECT_FALSE(Exists(dir / "root/sub/X.HTM"));
  EXPECT_FALSE(Exists(dir / "root/sub/Y.HTM"));
  EXPECT_FALSE(Exists(dir / "root/A.HTM"));
  EXPECT_TRUE(IsSafeCategoryWord("IMPORTANT"));
  EXPECT_TRUE(IsSafeCategoryWord("V1.2"));
}

TEST_F(TemplateTest, FirstSystemCategory) {
  EXPECT_EQ(FindFirstSystemCategory("sys_in.htm", list, root), "FOOT");  // no template
  dir.Write("sys_in.htm", Template(Section("SYSTEM", "s") + Section("DRIVERS", "d")));
  EXPECT_EQ(FindFirstSystemCategory("sys_in.htm", list, root), "FOOT");
  Add("D", "DRIVERS");
  EXPECT_EQ(FindFirstSystemCategory("sys_in.htm", list, root), "DRIVERS");
  Add("S", "SYSTEM");
  EXPECT_EQ(FindFirstSystemCategory("SYS_IN.HTM", list, root), "SYSTEM");
}

TEST_F(TemplateTest, SidebarKeepsSectionsByCategory) {
  const std::string sections = Section("IMPORTANT", "imp") + Section("INTRO", "intro") +
                               Section("SYSTEM", "sys") + Section("CONTACT", "contact") +
                               Section("intro", "lower-case name") + "between sections\n";
  dir.Write("sb_in.htm", Template(sections));
  EXPECT_FALSE(WriteSidebar(list, root, "FOOT"));
  EXPECT_EQ(ReadFile(dir / "sidebar.htm"), kHead + "intro\r\n" + kFoot);

  Add("I", "IMPORTANT");
  Add("C", "CONTACT", "FAKE");
  EXPECT_TRUE(WriteSidebar(list, root, "DRIVERS"));
  EXPECT_EQ(ReadFile(dir / "sidebar.htm"), kHead + "imp\r\nintro\r\nsys\r\ncontact\r\n" + kFoot);
  EXPECT_EQ(ReadFile(dir / "IMPORTAN.HTM"), Anchor("I") + "</HTML>");
  EXPECT_EQ(ReadFile(dir / "CONTACT.HTM"), "</HTML>");
}

TEST_F(TemplateTest, SidebarWalkStartsAtImportant) {
  dir.Write("sb_in.htm", Template(Section("INTRO", "skipped intro") + Section("IMPORTANT", "imp") +
                                  Section("INTRO", "never reached")));
  Add("I", "IMPORTANT");
  WriteSidebar(list, root, "FOOT");
  // The later INTRO is found again from the start of the template.
  EXPECT_EQ(ReadFile(dir / "sidebar.htm"), kHead + "imp\r\nskipped intro\r\n" + kFoot);

  // Without an IMPORTANT section the page is head and foot, and the
  // IMPORTANT category page is still written.
  dir.Write("sb_in.htm", Template(Section("INTRO", "intro")));
  Add("J", "IMPORTANT");
  WriteSidebar(list, root, "FOOT");
  EXPECT_EQ(ReadFile(dir / "sidebar.htm"), kHead + kFoot);
  EXPECT_EQ(ReadFile(dir / "IMPORTAN.HTM"), Anchor("J") + "</HTML>");
}

TEST_F(TemplateTest, HeadAfterTheSectionsIsStillFound) {
  dir.Write("sb_in.htm", Section("IMPORTANT", "imp") + Section("INTRO", "intro") + Begin("HEAD") +
                             "\n<HTML>\n" + End("HEAD") + "\n" + Begin("FOOT") + "\n</HTML>\n");
  Add("I", "IMPORTANT");
  WriteSidebar(list, root, "FOOT");
  // The first section is searched on from the end of the head, so no
  // section is visited at all.
  EXPECT_EQ(ReadFile(dir / "sidebar.htm"), "<HTML>\r\n</HTML>");
}

TEST_F(TemplateTest, RepeatedSectionNamesEndTheWalk) {
  dir.Write("sb_in.htm",
            Template(Section("IMPORTANT", "imp") + Section("INTRO", "first intro") + Section("X", "x") +
                     Section("intro", "second intro") + Section("Important", "second imp") +
                     Section("INTRO", "third") + Section("CONTACT", "contact")));
  Add("C", "CONTACT");
  WriteSidebar(list, root, "FOOT");
  EXPECT_EQ(ReadFile(dir / "sidebar.htm"), kHead + "first intro\r\ncontact\r\n" + kFoot);

  dir.Write("sys_in.htm", Template(Section("SYSTEM", "<A href=\"QVXTGT\">s</A>") + Section("D", "d") +
                                   Section("SYSTEM", "again") + Section("d", "again")));
  Add("S", "SYSTEM");
  Add("T", "SYSTEM");
  WriteSystemPage(list, "SYSTEM", "sys_in.htm", "sys.htm", root);
  EXPECT_EQ(ReadFile(dir / "sys.htm"), kHead + "<A href=\"SYSTEM.HTM\">s</A>\r\n" + kFoot);
}

TEST_F(TemplateTest, TemplateOfAHundredThousandSections) {
  std::string sections = Section("IMPORTANT", "imp");
  for (int i = 0; i < 100000; ++i) sections += Section("S" + std::to_string(i), "s");
  sections += Section("INTRO", "intro");
  for (int i = 0; i < 1000; ++i) sections += Section(i % 2 ? "intro" : "S7", "repeat");
  dir.Write("sb_in.htm", Template(sections));
  for (int i = 0; i < 20000; ++i) Add("O" + std::to_string(i), "OTHER");  // a large catalogue too
  Add("S99999", "S99999");
  EXPECT_EQ(FindFirstSystemCategory("sb_in.htm", list, root), "S99999");
  WriteSidebar(list, root, "FOOT");
  EXPECT_EQ(ReadFile(dir / "sidebar.htm"), kHead + "s\r\nintro\r\n" + kFoot);
  EXPECT_EQ(ReadFile(dir / "S99999.HTM"), Anchor("S99999") + "</HTML>");
}

TEST_F(TemplateTest, SystemPageLinksOneDocumentOrItsCategoryPage) {
  const std::string single = "<A href=\"QVXTGT\"><IMG src=\"yellow.gif\">One</A>";
  const std::string many = "<A href=\"QVXTGT\"><IMG src=\"yellow.gif\">Many</A>";
  dir.Write("sys_in.htm", Template(Section("SYSTEM", single) + Section("MANYDOCUMENTS", many) +
                                   Section("NONE", "dropped")));
  CDocEntry& one = Add("One", "SYSTEM", "INTERNAL");
  one.link = "/opt/one.htm";
  Add("M1", "MANYDOCUMENTS");
  Add("M2", "MANYDOCUMENTS");
  Add("M3", "MANYDOCUMENTS");
  EXPECT_TRUE(WriteSystemPage(list, "SYSTEM", "sys_in.htm", "sys.htm", root));
  EXPECT_EQ(ReadFile(dir / "sys.htm"),
            kHead + "<A href=\"file:///opt/one.htm\"  target=\"_self\"><IMG src=\"doc.gif\">One</A>\r\n" +
                "<A href=\"MANYDOCU.HTM\"><IMG src=\"yellow.gif\">Many</A>\r\n" + kFoot);
  EXPECT_EQ(ReadFile(dir / "MANYDOCU.HTM"), Anchor("M1") + Anchor("M2") + Anchor("M3") + "</HTML>");
  EXPECT_EQ(one.Type, "SYSTEM");
}

TEST_F(TemplateTest, BadTemplatesGiveQuietPages) {
  Add("I", "IMPORTANT");
  // Missing template: head and foot are empty.
  WriteSidebar(list, root, "FOOT");
  EXPECT_EQ(ReadFile(dir / "sidebar.htm"), "</HTML>");
  // A section without its end marker ends the walk.
  dir.Write("sb_in.htm", Template(Begin("IMPORTANT") + "\nimp\n" + Section("INTRO", "intro")));
  WriteSidebar(list, root, "FOOT");
  EXPECT_EQ(ReadFile(dir / "sidebar.htm"), kHead + kFoot);
  // A binary template with a line of many megabytes.
  std::string binary(8 * 1024 * 1024, '\0');
  for (std::size_t i = 0; i < binary.size(); i += 4099) binary[i] = static_cast<char>(i % 251);
  dir.Write("sb_in.htm", binary + Begin("INTRO") + binary);
  WriteSidebar(list, root, "FOOT");
  EXPECT_EQ(ReadFile(dir / "sidebar.htm"), "</HTML>");
  // Marker names of megabytes built from runs of marker prefixes, whose
  // searches meet a partial match at every prefix.
  std::string run;
  for (int i = 0; i < 50000; ++i) run += "<!--QVXTAG:";
  dir.Write("sb_in.htm", Template(Section("IMPORTANT", "imp") + run + " -->" + run + run + "Y -->\n" +
                                  Section("INTRO", "intro")));
  WriteSidebar(list, root, "FOOT");
  EXPECT_EQ(ReadFile(dir / "sidebar.htm"), kHead + kFoot);  // IMPORTANT is DONE by now
  // A page that cannot be created: nothing is written, nothing fails.
  TempDir other;
  other.Write("sb_in.htm", Template(Section("INTRO", "intro")));
  other.MakeDir("sidebar.htm");
  EXPECT_FALSE(WriteSidebar(list, other.root(), "FOOT"));
}

}  // namespace
