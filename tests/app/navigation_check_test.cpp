#include "app/core/navigation_check.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "app/core/viewer_registry.h"
#include "common/temp_dir.h"
#include "platform/ini.h"

namespace {

using namespace quiro;
using testing_support::TempDir;

constexpr ButtonChange K = ButtonChange::Keep;
constexpr ButtonChange S = ButtonChange::Show;
constexpr ButtonChange H = ButtonChange::Hide;
constexpr NavigationAction Chm = NavigationAction::HandOffChm;
constexpr NavigationAction Hlp = NavigationAction::HandOffHlp;
constexpr NavigationAction Load = NavigationAction::RewriteAndContinue;

struct Row {
  const char* target;
  ButtonChange find, print, printAll;
  NavigationAction action;
  const char* url;
};

TEST(NavigationDecision, Table) {
  const std::string root = "/var/lib/vesk/DOCS/";
  const Row rows[] = {
      // Web addresses: Find hidden, Print buttons untouched, nothing to rewrite.
      {"http://example.com/page.htm#sec", H, K, K, Load, ""},
      {"HTTPS://example.com/manual.pdf", H, K, K, Load, ""},
      {"http://example.com/help.chm#x", H, K, K, Chm, "http://example.com/help.chm"},
      // Local pages, under the root or not, in any letter case.
      {"file:///var/lib/vesk/DOCS/guide/ch1.htm", S, S, S, Load, "/var/lib/vesk/DOCS/guide/ch1.htm"},
      {"FILE:///VAR/LIB/VESK/docs/Guide/CH1.HTM#Intro", S, S, S, Load, "/VAR/LIB/VESK/docs/Guide/CH1.HTM"},
      {"file:///home/user/notes.htm", H, S, S, Load, "/home/user/notes.htm"},
      {"file:///var/lib/vesk/DOCS/My%20Guide/a%23b.htm#top", S, S, S, Load, "/var/lib/vesk/DOCS/My Guide/a#b.htm"},
      {"/var/lib/vesk/DOCS/plain.htm", S, S, S, Load, "/var/lib/vesk/DOCS/plain.htm"},
      // PDF stays in the browser; with a fragment it no longer ends in PDF.
      {"file:///var/lib/vesk/DOCS/a/manual.PDF", S, H, H, Load, "/var/lib/vesk/DOCS/a/manual.PDF"},
      {"file:///var/lib/vesk/DOCS/a/manual.pdf#page=2", S, S, S, Load, "/var/lib/vesk/DOCS/a/manual.pdf"},
      // Help files: fragment cut first, last three letters only.
      {"file:///var/lib/vesk/DOCS/a/help.chm#topic", S, S, S, Chm, "/var/lib/vesk/DOCS/a/help.chm"},
      {"file:///var/lib/vesk/DOCS/a/helpxchm", S, S, S, Chm, "/var/lib/vesk/DOCS/a/helpxchm"},
      {"file:///elsewhere/OLD.HLP", H, S, S, Hlp, "/elsewhere/OLD.HLP"},
      // Other schemes are never taken for files in the current folder.
      {"about:blank", H, S, S, Load, ""},
      {"data:text/html,<p>x</p>", H, S, S, Load, ""},
      {"#only-fragment", H, S, S, Load, ""},
      {"", H, S, S, Load, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.target);
    const NavigationDecision d = DecideNavigation(r.target, root);
    EXPECT_EQ(d.find, r.find);
    EXPECT_EQ(d.print, r.print);
    EXPECT_EQ(d.printAll, r.printAll);
    EXPECT_EQ(d.action, r.action);
    EXPECT_EQ(d.url, r.url);
  }
}

TEST(NavigationDecision, ShortTargetsAndRootsAreComparedWhole) {
  EXPECT_EQ(DecideNavigation("pdf", "/r/").print, H);
  EXPECT_EQ(DecideNavigation("df", "/r/").print, S);
  EXPECT_EQ(DecideNavigation("/r", "/r/").find, H);
  EXPECT_EQ(DecideNavigation("/R/", "/r/").find, S);
  EXPECT_EQ(DecideNavigation("HTT", "/r/").find, H);
  EXPECT_EQ(DecideNavigation("HTT", "/r/").print, S);  // not a web address
}

TEST(ViewerCommandCut, QuotedProgramRule) {
  EXPECT_EQ(CutQuotedProgram("\"/usr/bin/chm viewer\" %1"), "/usr/bin/chm viewer");
  EXPECT_EQ(CutQuotedProgram("\"/usr/bin/viewer\""), "/usr/bin/viewer");
  EXPECT_EQ(CutQuotedProgram(""), "");
  EXPECT_EQ(CutQuotedProgram("\""), "");
  EXPECT_EQ(CutQuotedProgram("\"a"), "");
  EXPECT_EQ(CutQuotedProgram("\"ab"), "a");
  EXPECT_EQ(CutQuotedProgram("\"\"x"), "");
}

// A command without quotes is cut before its placeholder, never into a
// program name with its first character gone.
TEST(ViewerCommandCut, UnquotedCommands) {
  TempDir dir;
  dir.Write("chm viewer", "#!/bin/sh\n");
  const std::string spaced = dir.path() + "/chm viewer";
  chmod(spaced.c_str(), 0755);
  const struct {
    std::string value, program;
  } rows[] = {
      {"/usr/bin/xchm %1", "/usr/bin/xchm"},
      {"/usr/bin/xchm", "/usr/bin/xchm"},
      {"xchm %1", "xchm"},
      {"  xchm\t--new %1", "xchm"},
      {spaced + " %1", spaced},                 // an existing path keeps its blank
      {"/nowhere/chm viewer %1", "/nowhere/chm"},  // else the first word
      {"%1", ""},
  };
  for (const auto& r : rows) EXPECT_EQ(CutQuotedProgram(r.value), r.program) << r.value;
}

TEST(ViewerCommandCut, ProgramsAreFoundAlongAbsolutePathEntriesOnly) {
  TempDir dir;
  for (const char* name : {"bin/viewer", "here/viewer", "plain/notexec"}) dir.Write(name, "#!/bin/sh\n");
  chmod((dir / "bin/viewer").c_str(), 0755);
  chmod((dir / "here/viewer").c_str(), 0755);
  const std::string bin = dir / "bin", here = dir / "here";
  const std::string cwd = std::filesystem::current_path().string();
  std::filesystem::current_path(here);
  const struct {
    std::string program, path, found;
  } rows[] = {
      {"viewer", "/nowhere:" + bin + "/", bin + "/viewer"},
      {"viewer", ":.:here:" + bin, bin + "/viewer"},  // empty and relative entries are the current folder
      {"viewer", "", ""},
      {"./viewer", bin, ""},
      {"here/viewer", dir.path(), ""},
      {"notexec", dir / "plain", ""},
      {bin + "/viewer", "", bin + "/viewer"},
      {"/nowhere/viewer", bin, ""},
  };
  for (const auto& r : rows) EXPECT_EQ(FindProgram(r.program, r.path), r.found) << r.program << " in " << r.path;
  std::filesystem::current_path(cwd);
}

TEST(HelpFileHandOff, OnlyLocalFilesBelowTheRootOrOpenedByTheUser) {
  const std::set<std::string> opened = {"/home/me/own.chm"};
  const struct {
    const char* url;
    bool allowed;
  } rows[] = {
      {"/var/lib/vesk/DOCS/a/help.chm", true},
      {"/VAR/LIB/VESK/docs/A/HELP.CHM", true},
      {"/home/me/own.chm", true},
      {"/home/me/other.chm", false},
      {"/var/lib/vesk/DOCS/../../../../tmp/x.chm", false},
      {"/var/lib/vesk/DOCS/./a.chm", false},
      {"http://example.com/help.chm", false},
      {"data:application/x-chm,ITSF", false},
      {"", false},
  };
  for (const auto& r : rows) EXPECT_EQ(IsLocalHelpFile(r.url, "/var/lib/vesk/DOCS/", opened), r.allowed) << r.url;
}

TEST(HelpFileHandOff, AtMostOneViewerStartASecond) {
  using namespace std::chrono;
  ViewerStartGate gate;
  const steady_clock::time_point t0 = steady_clock::now();
  EXPECT_TRUE(gate.Take(t0));
  EXPECT_FALSE(gate.Take(t0));
  EXPECT_FALSE(gate.Take(t0 + milliseconds(999)));
  EXPECT_TRUE(gate.Take(t0 + milliseconds(1000)));
  EXPECT_FALSE(gate.Take(t0 + milliseconds(1500)));  // counted from the last start
}

TEST(ViewerCommandCut, PercentRule) {
  EXPECT_EQ(CutPercentProgram("/usr/bin/hlp-viewer %1"), "/usr/bin/hlp-viewer ");
  EXPECT_EQ(CutPercentProgram("/usr/bin/hlp-viewer"), "/usr/bin/hlp-viewe");
  EXPECT_EQ(CutPercentProgram(""), "");
  EXPECT_EQ(CutPercentProgram("x"), "");
  EXPECT_EQ(CutPercentProgram("xy"), "x");
  EXPECT_EQ(CutPercentProgram("%1"), "");
}

TEST(ViewerCommandCut, LongValuesAreReadAs511Characters) {
  const std::string path(600, 'p');
  // 511 characters read: the quote and 510 of the path; the last one is dropped.
  EXPECT_EQ(CutQuotedProgram("\"" + path + "\" %1"), std::string(509, 'p'));
  EXPECT_EQ(CutPercentProgram(path + " %1"), std::string(510, 'p'));
  const std::string exact = "\"" + std::string(507, 'q') + "\" %";  // 511 characters
  EXPECT_EQ(CutQuotedProgram(exact), std::string(507, 'q'));
  const std::string exactPercent = std::string(509, 'q') + "%1";
  EXPECT_EQ(CutPercentProgram(exactPercent), std::string(509, 'q'));
}

class ViewerRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    Save("XDG_CONFIG_HOME", 0);
    Save("XDG_CONFIG_DIRS", 1);
    Save("HOME", 2);
    setenv("XDG_CONFIG_HOME", user_.path().c_str(), 1);
    setenv("XDG_CONFIG_DIRS", system_.path().c_str(), 1);
  }
  void TearDown() override {
    Restore("XDG_CONFIG_HOME", 0);
    Restore("XDG_CONFIG_DIRS", 1);
    Restore("HOME", 2);
    platform::ClearIniCache();
  }
  void Save(const char* name, int i) {
    const char* v = std::getenv(name);
    had_[i] = v != nullptr;
    if (v) saved_[i] = v;
  }
  void Restore(const char* name, int i) {
    if (had_[i]) {
      setenv(name, saved_[i].c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  TempDir user_, system_;
  std::string saved_[3];
  bool had_[3] = {false, false, false};
};

TEST_F(ViewerRegistry, UserStoreFirstThenSystemThenNothing) {
  EXPECT_EQ(ReadViewerCommand(ViewerKind::Chm), "");
  system_.Write("vesk/registry.ini",
                "[HKEY_LOCAL_MACHINE\\Software\\CLASSES\\chm.file\\shell\\open\\command]\r\n"
                "@=\"/opt/sys/chm\" %1\r\n"
                "[HKEY_LOCAL_MACHINE\\Software\\CLASSES\\hlpfile\\shell\\open\\command]\r\n"
                "@=/opt/sys/hlp %1\r\n");
  EXPECT_EQ(ReadViewerCommand(ViewerKind::Chm), "\"/opt/sys/chm\" %1");
  EXPECT_EQ(ReadViewerCommand(ViewerKind::Hlp), "/opt/sys/hlp %1");

  user_.Write("vesk/registry.ini",
              "; the user's own viewer\n"
              "[hkey_local_machine\\software\\classes\\CHM.FILE\\shell\\open\\command]\n"
              "@ = \"/home/me/bin/chm\" %1\n"
              "[HKEY_LOCAL_MACHINE\\Software\\CLASSES\\hlpfile\\shell\\open\\command]\n"
              "@=\n");
  EXPECT_EQ(ReadViewerCommand(ViewerKind::Chm), "\"/home/me/bin/chm\" %1");
  EXPECT_EQ(ReadViewerCommand(ViewerKind::Hlp), "/opt/sys/hlp %1");  // empty value names nothing
  EXPECT_EQ(CutQuotedProgram(ReadViewerCommand(ViewerKind::Chm)), "/home/me/bin/chm");
  EXPECT_EQ(CutPercentProgram(ReadViewerCommand(ViewerKind::Hlp)), "/opt/sys/hlp ");
}

TEST_F(ViewerRegistry, RelativeXdgFoldersAreIgnored) {
  setenv("XDG_CONFIG_HOME", "relative/config", 1);
  setenv("HOME", user_.path().c_str(), 1);
  const auto stores = RegistryStorePaths();
  ASSERT_GE(stores.size(), 2u);
  EXPECT_EQ(stores[0], user_.path() + "/.config/vesk/registry.ini");
  EXPECT_EQ(stores[1], system_.path() + "/vesk/registry.ini");
}

}  // namespace
