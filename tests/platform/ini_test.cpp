#include "platform/ini.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "common/temp_dir.h"

using platform::GetPrivateProfileInt;
using platform::GetPrivateProfileString;
using platform::WritePrivateProfileString;
using testing_support::ReadFile;
using testing_support::TempDir;

TEST(IniRead, NamesMatchIgnoringCaseAndFirstOneWins) {
  TempDir dir;
  const std::string ini = dir.Write("t.ini",
                                    "; comment=1\r\n"
                                    "  [Main]  \r\n"
                                    "  DocumentRoot  =  C:\\Docs  \r\n"
                                    "documentroot=second\r\n"
                                    "Quoted=\"  padded  \"\r\n"
                                    "Single='x'\r\n"
                                    "Mismatched=\"x'\r\n"
                                    "Empty=\r\n"
                                    "[main]\r\n"
                                    "Other=hidden by the first MAIN\r\n");
  EXPECT_EQ(GetPrivateProfileString("MAIN", "DOCUMENTROOT", "%", ini), "C:\\Docs");
  EXPECT_EQ(GetPrivateProfileString("main", "quoted", "%", ini), "  padded  ");
  EXPECT_EQ(GetPrivateProfileString("main", "single", "%", ini), "x");
  EXPECT_EQ(GetPrivateProfileString("main", "mismatched", "%", ini), "\"x'");
  EXPECT_EQ(GetPrivateProfileString("main", "empty", "%", ini), "");
  EXPECT_EQ(GetPrivateProfileString("main", "other", "%", ini), "%");
  EXPECT_EQ(GetPrivateProfileString("main", "; comment", "%", ini), "%");
  EXPECT_EQ(GetPrivateProfileString("nosuch", "x", "dflt", ini), "dflt");
  EXPECT_EQ(GetPrivateProfileString("main", "x", "dflt", dir / "missing.ini"), "dflt");
  EXPECT_EQ(GetPrivateProfileString("main", "x", "dflt", dir.path()), "dflt");  // a folder
}

TEST(IniRead, LfFilesAndLongValues) {
  TempDir dir;
  const std::string longValue(600, 'v');
  const std::string ini = dir.Write("t.ini", "[A]\nk=" + longValue + "\nLast=no newline");
  EXPECT_EQ(GetPrivateProfileString("a", "k", "", ini), std::string(511, 'v'));
  EXPECT_EQ(GetPrivateProfileString("a", "last", "", ini), "no newline");
  EXPECT_EQ(GetPrivateProfileString("a", "missing", std::string(600, 'd'), ini).size(), 511u);
}

TEST(IniRead, Integers) {
  TempDir dir;
  const std::string ini = dir.Write("t.ini",
                                    "[M]\nA=  42\nB=-3\nC=+7x\nD=abc\nE=\nF=99999999999\nG=\"5\"\n");
  EXPECT_EQ(GetPrivateProfileInt("m", "a", 1, ini), 42);
  EXPECT_EQ(GetPrivateProfileInt("m", "b", 1, ini), -3);
  EXPECT_EQ(GetPrivateProfileInt("m", "c", 1, ini), 7);
  EXPECT_EQ(GetPrivateProfileInt("m", "d", 1, ini), 0);
  EXPECT_EQ(GetPrivateProfileInt("m", "e", 1, ini), 1);
  EXPECT_EQ(GetPrivateProfileInt("m", "f", 1, ini), 2147483647);
  EXPECT_EQ(GetPrivateProfileInt("m", "g", 1, ini), 5);
  EXPECT_EQ(GetPrivateProfileInt("m", "absent", -1, ini), -1);
}

TEST(IniRead, SeesEditsBetweenCalls) {
  TempDir dir;
  const std::string ini = dir.Write("t.ini", "[M]\nK=1\n");
  EXPECT_EQ(GetPrivateProfileString("M", "K", "", ini), "1");
  dir.Write("t.ini", "[M]\nK=22\n");
  EXPECT_EQ(GetPrivateProfileString("M", "K", "", ini), "22");
}

TEST(IniRead, ResolvesTheFileNameIgnoringCase) {
  TempDir dir;
  dir.Write("tovy.ini", "[M]\nK=v\n");
  EXPECT_EQ(GetPrivateProfileString("M", "K", "", dir / "TOVY.INI"), "v");
}

TEST(IniWrite, ReplacesInPlaceAndKeepsEverythingElse) {
  TempDir dir;
  const std::string ini = dir.Write("t.ini",
                                    "; keep me\r\n[MAIN]\r\nDocumentRoot=x\r\n  skipsleft = 3 \r\n"
                                    "\r\n[DOC]\r\nTITLE=t\r\n");
  ASSERT_TRUE(WritePrivateProfileString("main", "SkipsLeft", "2", ini));
  EXPECT_EQ(ReadFile(ini),
            "; keep me\r\n[MAIN]\r\nDocumentRoot=x\r\nskipsleft=2\r\n\r\n[DOC]\r\nTITLE=t\r\n");
  EXPECT_EQ(GetPrivateProfileInt("MAIN", "SkipsLeft", -1, ini), 2);
}

TEST(IniWrite, AddsKeysAndSectionsWithTheFilesLineEnds) {
  TempDir dir;
  const std::string lf = dir.Write("lf.ini", "[MAIN]\nA=1\n\n[DOC]\nT=x");
  ASSERT_TRUE(WritePrivateProfileString("MAIN", "SkipsLeft", "0", lf));
  ASSERT_TRUE(WritePrivateProfileString("NEW", "K", "v", lf));
  EXPECT_EQ(ReadFile(lf), "[MAIN]\nA=1\nSkipsLeft=0\n\n[DOC]\nT=x\n[NEW]\nK=v\n");

  const std::string created = dir / "sub-missing-is-fine.ini";
  ASSERT_TRUE(WritePrivateProfileString("MAIN", "SkipsLeft", "4", created));
  EXPECT_EQ(ReadFile(created), "[MAIN]\r\nSkipsLeft=4\r\n");

  const std::string lastSection = dir.Write("last.ini", "[MAIN]\r\nA=1");
  ASSERT_TRUE(WritePrivateProfileString("MAIN", "B", "2", lastSection));
  EXPECT_EQ(ReadFile(lastSection), "[MAIN]\r\nA=1\r\nB=2\r\n");
}

TEST(IniWrite, ValueWithLineBreaksCannotInjectLines) {
  TempDir dir;
  const std::string ini = dir.Write("t.ini", "[M]\nK=1\n");
  ASSERT_TRUE(WritePrivateProfileString("M", "K", "a\n[EVIL]\nX=1", ini));
  EXPECT_EQ(GetPrivateProfileString("EVIL", "X", "%", ini), "%");
}

TEST(IniWrite, ReportsFailureAndLeavesTheFileAlone) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes anywhere";
  TempDir dir;
  const std::string ini = dir.Write("ro/t.ini", "[M]\nK=1\n");
  chmod((dir / "ro").c_str(), 0555);
  EXPECT_FALSE(WritePrivateProfileString("M", "K", "2", ini));
  chmod((dir / "ro").c_str(), 0755);
  EXPECT_EQ(ReadFile(ini), "[M]\nK=1\n");
}

TEST(IniWrite, FolderInsteadOfFileFails) {
  TempDir dir;
  dir.MakeDir("x.ini");
  EXPECT_FALSE(WritePrivateProfileString("M", "K", "2", dir / "x.ini"));
}

TEST(IniRead, ManySectionsReadInOneParse) {
  TempDir dir;
  std::string text;
  for (int i = 0; i < 100000; ++i) text += "[S" + std::to_string(i) + "]\r\nTITLE=t" + std::to_string(i) + "\r\n";
  const std::string ini = dir.Write("big.ini", text);
  for (int i = 0; i < 100000; i += 997) {
    EXPECT_EQ(GetPrivateProfileString("s" + std::to_string(i), "title", "%", ini), "t" + std::to_string(i));
  }
}

TEST(IniSnapshot, PinsFilesUntilItEndsButNotAcrossWrites) {
  TempDir dir;
  const std::string ini = dir.Write("t.ini", "[M]\nK=1\n");
  {
    platform::IniSnapshot snapshot;
    EXPECT_EQ(GetPrivateProfileString("M", "K", "", ini), "1");
    dir.Write("t.ini", "[M]\nK=22\n");
    EXPECT_EQ(GetPrivateProfileString("M", "K", "", ini), "1");
    ASSERT_TRUE(WritePrivateProfileString("M", "J", "3", ini));
    EXPECT_EQ(GetPrivateProfileString("M", "K", "", ini), "22");
    EXPECT_EQ(GetPrivateProfileInt("M", "J", 0, ini), 3);
  }
  dir.Write("t.ini", "[M]\nK=4444\n");
  EXPECT_EQ(GetPrivateProfileString("M", "K", "", ini), "4444");
}

namespace {

// UTF-16 with its byte order mark, from ASCII text.
std::string Utf16(const std::string& ascii, bool big) {
  std::string out = big ? "\xFE\xFF" : "\xFF\xFE";
  for (char c : ascii) out += big ? std::string{'\0', c} : std::string{c, '\0'};
  return out;
}

}  // namespace

TEST(IniEncoding, MarksAndLineEndsReadAndSurviveAWrite) {
  struct Case {
    const char* name;
    std::string file;
    std::string afterWrite;  // empty: the write is refused and the file kept
  };
  const std::string body = "[MAIN]\r\nDocumentRoot=C:\\DOCS\r\n";
  const std::string written = body + "SkipsLeft=2\r\n";
  const std::string damaged = Utf16(body, false) + "x";  // odd length
  const std::string loneSurrogate = Utf16(body, true) + std::string("\xD8\x01", 2);
  const std::vector<Case> cases = {
      {"utf8-bom", "\xEF\xBB\xBF" + body, "\xEF\xBB\xBF" + written},
      {"utf16le", Utf16(body, false), Utf16(written, false)},
      {"utf16be", Utf16(body, true), Utf16(written, true)},
      {"cr-only", "[MAIN]\rDocumentRoot=C:\\DOCS\r", "[MAIN]\rDocumentRoot=C:\\DOCS\rSkipsLeft=2\r"},
      {"cr-only-unterminated", "[MAIN]\rDocumentRoot=C:\\DOCS", "[MAIN]\rDocumentRoot=C:\\DOCS\rSkipsLeft=2\r"},
      {"utf16-odd-length", damaged, ""},
      {"utf16-lone-surrogate", loneSurrogate, ""},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string ini = dir.Write(std::string(c.name) + ".ini", c.file);
    EXPECT_EQ(GetPrivateProfileString("MAIN", "DocumentRoot", "%", ini), "C:\\DOCS");
    EXPECT_EQ(WritePrivateProfileString("MAIN", "SkipsLeft", "2", ini), !c.afterWrite.empty());
    EXPECT_EQ(ReadFile(ini), c.afterWrite.empty() ? c.file : c.afterWrite);
  }
}

TEST(IniEncoding, Utf16TextComesBackAsUtf8AndAValueThatIsNoUtf8IsRefused) {
  TempDir dir;
  // "Ü" and a pair for U+1F4D6 in the title.
  std::string file = Utf16("[DOC]\nTITLE=", false) + std::string("\xDC\x00\x3D\xD8\xD6\xDC\n\x00", 8);
  const std::string ini = dir.Write("t.ini", file);
  EXPECT_EQ(GetPrivateProfileString("DOC", "TITLE", "%", ini), "\xC3\x9C\xF0\x9F\x93\x96");
  EXPECT_FALSE(WritePrivateProfileString("DOC", "TITLE", "\xFF", ini));
  EXPECT_EQ(ReadFile(ini), file);
}

TEST(IniRead, ThreadsReadWhileAnotherWrites) {
  // The scheme's worker reads the catalogue while the window's thread counts
  // SkipsLeft down in it (a race here is for the thread sanitizer to see).
  TempDir dir;
  const std::string ini = dir.Write("t.ini", "[MAIN]\r\nDocumentRoot=/docs\r\nSkipsLeft=0\r\n");
  std::atomic<bool> stop{false};
  std::atomic<int> wrongReads{0};
  std::vector<std::thread> readers;
  for (int i = 0; i < 3; ++i) {
    readers.emplace_back([&] {
      while (!stop) wrongReads += GetPrivateProfileString("MAIN", "DocumentRoot", "%", ini) != "/docs";
    });
  }
  for (int n = 1; n <= 50; ++n) ASSERT_TRUE(WritePrivateProfileString("MAIN", "SkipsLeft", std::to_string(n), ini));
  stop = true;
  for (auto& t : readers) t.join();
  EXPECT_EQ(wrongReads, 0);
  EXPECT_EQ(GetPrivateProfileInt("MAIN", "SkipsLeft", -1, ini), 50);
}
