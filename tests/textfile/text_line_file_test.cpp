#include "textfile/text_line_file.h"

#include <gtest/gtest.h>

#include <string>

#include "common/temp_dir.h"

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;

class TextLineFileTest : public ::testing::Test {
 protected:
  std::string Input(const std::string& content) { return dir.Write("in.htm", content); }
  TempDir dir;
};

TEST_F(TextLineFileTest, MissingInputLeavesObjectUsable) {
  CTextLineFile file(dir / "missing.htm", dir / "out.htm");
  EXPECT_TRUE(file.inputClosed);
  EXPECT_FALSE(file.outputClosed);
  EXPECT_EQ(file.ExtractFromStart("<a>", "</a>", false), "");
  EXPECT_EQ(file.ExtractNext("<a>", "</a>", false), "");
  file.RewindInput();
  EXPECT_TRUE(file.CopySection("<a>", "</a>", false));  // writes the empty section
  EXPECT_TRUE(file.WriteText("x"));
  EXPECT_TRUE(file.Close());
  EXPECT_TRUE(file.Close());  // a second close does nothing
  EXPECT_EQ(ReadFile(dir / "out.htm"), "x");
}

TEST_F(TextLineFileTest, OutputIsCreatedOrEmptiedAndWrittenInTextMode) {
  dir.Write("out.htm", "old content that must go");
  {
    CTextLineFile file(dir / "missing.htm", dir / "out.htm");
    EXPECT_TRUE(file.WriteText("a\nb"));
    EXPECT_TRUE(file.WriteText(""));
  }  // the destructor closes
  EXPECT_EQ(ReadFile(dir / "out.htm"), "a\r\nb");
}

TEST_F(TextLineFileTest, WritingToAClosedOutputStoresNothingAndFails) {
  CTextLineFile inputOnly(Input("x\n"));
  EXPECT_TRUE(inputOnly.outputClosed);
  EXPECT_FALSE(inputOnly.WriteText("lost"));
  EXPECT_FALSE(inputOnly.CopySection("x", "y", false));

  // An output in a folder that does not exist cannot be created.
  CTextLineFile badOutput(Input("x\n"), dir / "no/such/folder/out.htm");
  EXPECT_TRUE(badOutput.outputClosed);
  EXPECT_FALSE(badOutput.WriteText("lost"));

  CTextLineFile closed(Input("x\n"), dir / "out.htm");
  closed.Close();
  EXPECT_FALSE(closed.WriteText("after close"));
  EXPECT_EQ(ReadFile(dir / "out.htm"), "");
}

TEST_F(TextLineFileTest, ExtractionsAcrossLines) {
  // Markers on one line: exactly the text between, no "\n" added.
  {
    CTextLineFile file(Input("x<B>Mixed Case</e>y\n"));
    EXPECT_EQ(file.ExtractFromStart("<b>", "</E>", false), "Mixed Case");
  }
  // Text behind the start marker on its line is dropped; whole lines keep
  // their "\n"; the part before the end marker is kept.
  {
    CTextLineFile file(Input("head<s>dropped\nline one\r\nline two\nkept<e>tail\n"));
    EXPECT_EQ(file.ExtractFromStart("<s>", "<e>", false), "line one\nline two\nkept");
  }
  // Raw lines run together.
  {
    CTextLineFile file(Input("<s>\none\ntwo\nthree\n<e>\n"));
    EXPECT_EQ(file.ExtractFromStart("<s>", "<e>", true), "onetwothree");
  }
  // Markers on lines of their own yield exactly the lines between them; CR LF
  // and LF files give the same result.
  {
    CTextLineFile lf(Input("<s>\na\nb\n<e>\n"));
    const std::string fromLf = lf.ExtractFromStart("<s>", "<e>", false);
    CTextLineFile crlf(dir.Write("crlf.htm", "<s>\r\na\r\nb\r\n<e>\r\n"));
    EXPECT_EQ(fromLf, "a\nb\n");
    EXPECT_EQ(crlf.ExtractFromStart("<s>", "<e>", false), fromLf);
  }
  // A last line without a line feed is still a line.
  {
    CTextLineFile file(Input("<s>\nlast<e>"));
    EXPECT_EQ(file.ExtractFromStart("<s>", "<e>", false), "last");
  }
}

TEST_F(TextLineFileTest, MissingOrSplitMarkersGiveEmptyText) {
  CTextLineFile file(Input("<s>text\nmore\n<e\n>\n"));
  EXPECT_EQ(file.ExtractFromStart("<s>", "<e>", false), "");  // end marker split by a line break
  EXPECT_EQ(file.ExtractFromStart("<x>", "<e", false), "");   // no start marker
  EXPECT_EQ(file.ExtractFromStart("<s>", "<e", false), "more\n");
}

TEST_F(TextLineFileTest, ExtractNextContinuesAndExtractFromStartRestarts) {
  CTextLineFile file(Input("<s>one<e>\n<s>\ntwo\n<e><s>three<e>\n"));
  EXPECT_EQ(file.ExtractNext("<s>", "<e>", false), "one");
  EXPECT_EQ(file.ExtractNext("<s>", "<e>", false), "two\n");
  // The next start marker stands on the line of the previous end marker.
  EXPECT_EQ(file.ExtractNext("<s>", "<e>", false), "three");
  EXPECT_EQ(file.ExtractNext("<s>", "<e>", false), "");
  EXPECT_EQ(file.ExtractNext("<s>", "<e>", false), "");  // stays at the end until a rewind
  EXPECT_EQ(file.ExtractFromStart("<s>", "<e>", false), "one");
  EXPECT_EQ(file.ExtractFromStart("<s>", "<e>", false), "one");
}

TEST_F(TextLineFileTest, RewindInputKeepsTheUnreadRestOfTheLine) {
  CTextLineFile file(Input("<m>first<m>rest<m>again\nsecond<m>x\n"));
  EXPECT_TRUE(file.SkipPast("<m>"));
  EXPECT_EQ(file.Unread(), "first<m>rest<m>again\n");
  file.RewindInput();
  // The rest of the current line is searched before the file is read again.
  EXPECT_EQ(file.ExtractNext("<m>", "<m>", false), "rest");
  file.RewindInput();
  EXPECT_EQ(file.ExtractNext("<m>", "<m>", false), "first");  // from line one again
}

TEST_F(TextLineFileTest, ScanningPrimitives) {
  CTextLineFile file(Input("abc\nxyzMARKtail\n"));
  EXPECT_EQ(file.FindMarker(""), 0);
  EXPECT_EQ(file.FindMarker("mark"), 3);
  EXPECT_EQ(file.collected, "abc\n");  // the line passed over, with its line feed
  file.collected.clear();
  EXPECT_TRUE(file.TakeUpTo("MARK"));
  EXPECT_EQ(file.collected, "xyz");
  EXPECT_TRUE(file.bufferTaken);
  EXPECT_EQ(file.Unread(), "tail\n");
  EXPECT_FALSE(file.SkipPast("nowhere"));
  EXPECT_EQ(file.FindMarker("abc"), -1);
  EXPECT_TRUE(file.RewindAndSkipPast("B"));
  EXPECT_EQ(file.Unread(), "c\n");
}

TEST_F(TextLineFileTest, LongLinesAndBinaryInput) {
  // One line of 20 MB with markers near its end and many markers in it.
  std::string line(20 * 1024 * 1024, 'x');
  for (std::size_t i = 0; i < line.size(); i += 1000) line.replace(i, 3, "<m>");
  line += "<s>found<e>";
  CTextLineFile file(Input(line + "\n"));
  EXPECT_EQ(file.ExtractFromStart("<S>", "<E>", false), "found");
  int sections = 0;
  file.RewindInput();
  while (!file.ExtractNext("<m>", "<m>", true).empty()) ++sections;
  EXPECT_GT(sections, 10000);

  std::string binary;
  for (int i = 0; i < 100000; ++i) binary += static_cast<char>((i * 7919) % 256);
  CTextLineFile bin(dir.Write("bin.htm", binary + "<s>ok<e>"));
  EXPECT_EQ(bin.ExtractFromStart("<s>", "<e>", true), "ok");
}

// The indexed re-find must leave the same result and state as a rewind and
// a plain search.
TEST_F(TextLineFileTest, IndexedRefindMatchesRewindAndSearch) {
  const std::string text =
      "<!--T:HEAD -->h<!--T:/HEAD -->\n"
      "<!--T:A -->\n"
      "a1\n"
      "<!--T:/A --><!--T:B -->b<!--T:/B --><!--T:A -->again<!--T:/A -->\n"
      "<!--T:c -->\n"
      "c\n"
      "<!--T:/c -->tail <!--T:X\n"
      "Y -->\n";
  const std::string path = Input(text);
  const char* names[] = {"A", "B", "C", "HEAD", "X", "XY", "missing", "/A"};
  // Start the re-find from several scan positions.
  for (int skips = 0; skips < 8; ++skips) {
    for (const char* name : names) {
      const std::string begin = std::string("<!--T:") + name + " -->";
      const std::string end = std::string("<!--T:/") + name + " -->";
      CTextLineFile plain(path);
      CTextLineFile indexed(path);
      ASSERT_TRUE(indexed.KeepInMemory("<!--T:", " -->"));
      for (int i = 0; i < skips; ++i) {
        EXPECT_EQ(plain.ExtractNext("<!--T:", " -->", true), indexed.ExtractNext("<!--T:", " -->", true));
      }
      plain.RewindInput();
      const std::string expected = plain.ExtractNext(begin, end, false);
      EXPECT_EQ(indexed.RewindAndExtractNext(begin, end, false), expected) << name << " " << skips;
      // The scan goes on from the same place.
      for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(indexed.ExtractNext("<!--T:", " -->", true), plain.ExtractNext("<!--T:", " -->", true))
            << name << " " << skips;
      }
    }
  }
}

}  // namespace
