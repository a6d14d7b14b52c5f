// Text taken from pages for the index: HTML in its character sets, entities,
// scripts and styles; text files; PDF documents.

#define POINTERHOLDER_TRANSITION 4
#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <cstdlib>
#include <string>

#include "common/temp_dir.h"
#include "search/html_text.h"
#include "search/page_text.h"

namespace {

using search::ExtractHtmlText;
using search::ExtractPdfText;
using search::ExtractPlainText;
using search::PageText;

std::string Utf16Le(const std::u16string& text) {
  std::string out = "\xFF\xFE";
  for (char16_t c : text) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out;
}

std::string SamplePdf() {
  const char* sample = std::getenv("QUIRO_TEST_SAMPLE");
  return testing_support::ReadFile(std::string(sample ? sample : "sample") + "/docs/setup/manual.pdf");
}

TEST(TextExtraction, HtmlPages) {
  struct Case {
    const char* what;
    std::string page;
    std::string title;
    std::string body;
  };
  const Case cases[] = {
      {"no charset: Windows-1252", "<title>Caf\xE9</title><p>na\xEFve \x93quoted\x94 \x80</p>", "Café",
       "naïve “quoted” €"},
      {"meta charset", "<META CHARSET=\"utf-8\"><p>Caf\xC3\xA9</p>", "", "Café"},
      {"http-equiv Content-Type", "<meta http-equiv=content-type content='text/html; charset=ISO-8859-1'>\xE9t\xE9",
       "", "été"},
      {"a multi-byte charset", "<meta charset=shift_jis><p>\x93\xfa\x96\x7b\x8c\xea</p>", "", "日本語"},
      {"EUC-KR", "<meta charset=euc-kr>\xC7\xD1\xB1\xB9", "", "한국"},
      {"GB2312 read as GBK", "<meta charset=gb2312>\xD6\xD0\xCE\xC4", "", "中文"},
      {"unknown charset: Windows-1252", "<meta charset=\"x-nonsense\">\xE9", "", "é"},
      {"UTF-8 byte order mark", "\xEF\xBB\xBF<p>\xC3\xA9</p>", "", "é"},
      {"a byte order mark wins over meta", "\xEF\xBB\xBF<meta charset=windows-1252>\xC3\xA9", "", "é"},
      {"UTF-16 byte order mark", Utf16Le(u"<title>T\u00e9</title><p>\u65e5\u672c</p>"), "Té", "日本"},
      {"bytes invalid in UTF-8", "<meta charset=utf-8>a\xFF" "b", "", "a\uFFFDb"},
      {"entities", "<title>A &amp; B</title>&lt;a&gt; &eacute;&#233;&#xE9; &#150; &nbsp;x &bogus; &amp", "A & B",
       "<a> ééé – x &bogus; &"},
      {"scripts, styles, comments",
       "<style>p{}</style><script>var a='<p>no</p>';</SCRIPT><!-- hidden --><p>shown</p><noscript>n</noscript>", "",
       "shown"},
      {"attributes", "<img alt=\"picture\" src=a.gif><a href=\"x.htm\" title='t>x'>link</a>", "", "link"},
      {"inline and block tags", "<p>pre<b>fix</b></p><p>next</p>line<br>break\n\n  end", "", "prefix next line break end"},
      {"a stray <", "<p>a < b</p>", "", "a < b"},
      {"an unclosed comment", "<p>a</p><!-- b", "", "a"},
  };
  for (const Case& c : cases) {
    const PageText text = ExtractHtmlText(c.page);
    EXPECT_FALSE(text.binary) << c.what;
    EXPECT_EQ(text.title, c.title) << c.what;
    EXPECT_EQ(text.body, c.body) << c.what;
  }
}

TEST(TextExtraction, BinaryAndHugePages) {
  EXPECT_TRUE(ExtractHtmlText(std::string("GIF89a\x01\0\0\0<p>x</p>", 17)).binary);
  // One line longer than the text limit is cut, whole characters only.
  std::string line = "<meta charset=utf-8><p>";
  while (line.size() < search::kMaxPageText + 1024) line += "wörd ";
  const PageText text = ExtractHtmlText(line);
  EXPECT_LE(text.body.size(), search::kMaxPageText);
  EXPECT_GT(text.body.size(), search::kMaxPageText - 16);
  EXPECT_EQ(search::SanitizeUtf8(text.body), text.body);
}

TEST(TextExtraction, TextFiles) {
  EXPECT_EQ(ExtractPlainText("caf\xC3\xA9\r\nline").body, "café line");
  EXPECT_EQ(ExtractPlainText("caf\xE9 <b>").body, "café <b>");
  EXPECT_EQ(ExtractPlainText(Utf16Le(u"\u65e5 x")).body, "日 x");
  EXPECT_TRUE(ExtractPlainText(std::string("a\0b", 3)).binary);
}

TEST(TextExtraction, PdfDocuments) {
  const std::string pdf = SamplePdf();
  ASSERT_FALSE(pdf.empty());
  const PageText text = ExtractPdfText(pdf);
  EXPECT_EQ(text.title, "Vesk Tower 500 Quick Setup");
  EXPECT_NE(text.body.find("the red voltage switch must match"), std::string::npos);

  // Broken and password-protected documents give no text and no crash.
  EXPECT_EQ(ExtractPdfText(pdf.substr(0, pdf.size() / 2)).body.find("voltage"), std::string::npos);
  EXPECT_EQ(ExtractPdfText("%PDF-1.4\nnothing else").body, "");
  testing_support::TempDir d;
  const std::string plain = d.Write("plain.pdf", pdf);
  const std::string locked = d / "locked.pdf";
  QPDF source;
  source.processFile(plain.c_str());
  QPDFWriter writer(source, locked.c_str());
  writer.setR6EncryptionParameters("user", "owner", true, true, true, true, true, true, qpdf_r3p_full, true);
  writer.write();
  const PageText lockedText = ExtractPdfText(testing_support::ReadFile(locked));
  EXPECT_EQ(lockedText.body, "");
  EXPECT_EQ(lockedText.title, "");

  PageText read;
  EXPECT_TRUE(search::ReadPageText(plain, search::PageKind::Pdf, read));
  EXPECT_EQ(read.title, text.title);
  EXPECT_FALSE(search::ReadPageText(d / "gone.htm", search::PageKind::Html, read));
}

}  // namespace
