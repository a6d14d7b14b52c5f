#include "printall/pdf_compact.h"

#define POINTERHOLDER_TRANSITION 4

#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "common/temp_dir.h"

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;

constexpr const char* kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// `pages` pages that each embed their own whole copy of one font, as the
// pages the engine prints do once they are joined.
void WriteJoinedPdf(const std::string& path, int pages) {
  const std::string font = ReadFile(kFont);
  QPDF pdf;
  pdf.emptyPDF();
  QPDFPageDocumentHelper document(pdf);
  std::string widths;
  for (int c = 32; c <= 126; ++c) widths += " 600";
  for (int i = 1; i <= pages; ++i) {
    QPDFObjectHandle file = QPDFObjectHandle::newStream(&pdf, font);
    file.getDict().replaceKey("/Length1", QPDFObjectHandle::newInteger(static_cast<long long>(font.size())));
    QPDFObjectHandle descriptor = pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /FontDescriptor /FontName /DejaVuSans /Flags 32 /FontBBox [-1021 -463 1793 1232]"
        " /ItalicAngle 0 /Ascent 928 /Descent -236 /CapHeight 729 /StemV 80 >>"));
    descriptor.replaceKey("/FontFile2", file);
    QPDFObjectHandle fontDict = pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /TrueType /BaseFont /DejaVuSans /FirstChar 32 /LastChar 126 /Widths [" + widths +
        "] /Encoding /WinAnsiEncoding >>"));
    fontDict.replaceKey("/FontDescriptor", descriptor);
    QPDFObjectHandle page =
        QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 595 842] /Resources << /Font << >> >> >>");
    page.getKey("/Resources").getKey("/Font").replaceKey("/F1", fontDict);
    page.replaceKey("/Contents", QPDFObjectHandle::newStream(
                                     &pdf, "BT /F1 24 Tf 72 700 Td (Page " + std::to_string(i) + " of the guide) Tj ET"));
    document.addPage(QPDFPageObjectHelper(pdf.makeIndirectObject(page)), false);
  }
  QPDFWriter writer(pdf, path.c_str());
  writer.write();
}

std::size_t PageCount(const std::string& path) {
  QPDF pdf;
  pdf.processFile(path.c_str());
  return QPDFPageDocumentHelper(pdf).getAllPages().size();
}

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename());
  return names;
}

// A folder of its own on PATH with a fake "gs", and TMPDIR pointed at an
// empty folder, so that what Ghostscript would leave there shows.
class CompactPdfTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* path = std::getenv("PATH");
    const char* tmp = std::getenv("TMPDIR");
    oldPath_ = path != nullptr ? path : "";
    hadTmp_ = tmp != nullptr;
    oldTmp_ = hadTmp_ ? tmp : "";
    dir_.MakeDir("bin");
    setenv("TMPDIR", dir_.MakeDir("tmp").c_str(), 1);
    target_ = dir_.Write("out/all.pdf", "%PDF-1.4\n" + std::string(4000, 'x') + "\n%%EOF\n");
    ::chmod(target_.c_str(), 0640);
  }
  void TearDown() override {
    setenv("PATH", oldPath_.c_str(), 1);
    if (hadTmp_)
      setenv("TMPDIR", oldTmp_.c_str(), 1);
    else
      unsetenv("TMPDIR");
  }

  // A "gs" that runs `body` with $out set to its output file and $in to its
  // input, found on PATH before the real one (the relative entry is never
  // searched).
  void FakeGs(const std::string& body) {
    dir_.Write("bin/gs",
               "#!/bin/sh\n"
               "for a; do case \"$a\" in -sOutputFile=*) out=\"${a#-sOutputFile=}\";; esac; in=\"$a\"; done\n"
               "echo \"$@\" > \"" + dir_ / "args" + "\"\n" + body + "\n");
    ::chmod((dir_ / "bin/gs").c_str(), 0755);
    setenv("PATH", (".:" + dir_ / "bin" + ":/usr/bin:/bin").c_str(), 1);
  }

  TempDir dir_;
  std::string target_;
  std::string oldPath_, oldTmp_;
  bool hadTmp_ = false;
};

TEST_F(CompactPdfTest, AnyFailureKeepsTheJoinedFileAndLeavesNothing) {
  const std::string before = ReadFile(target_);
  struct Case {
    const char* what;
    const char* gs;  // nullptr: no gs on PATH at all
    const char* says;
  };
  const Case cases[] = {
      {"not installed", nullptr, "not installed"},
      {"fails", "printf '%%PDF-1.7\\n%%%%EOF\\n' > \"$out\"; exit 3", "status 3"},
      {"writes garbage", "echo garbage > \"$out\"; exit 0", "no PDF"},
      {"writes a PDF cut short", "printf '%%PDF-1.7\\n1 0 obj\\n' > \"$out\"", "no PDF"},
      {"writes larger", "cat \"$in\" \"$in\" > \"$out\"", "not smaller"},
      {"writes nothing", "rm -f \"$out\"", "no PDF"},
      {"is killed", "kill -9 $$", "signal 9"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.gs != nullptr)
      FakeGs(c.gs);
    else
      setenv("PATH", (dir_ / "bin-none").c_str(), 1);
    std::string why;
    EXPECT_FALSE(quiro::CompactPdf(target_, why, 10000));
    EXPECT_NE(why.find(c.says), std::string::npos) << why;
    EXPECT_EQ(ReadFile(target_), before);
    EXPECT_EQ(Entries(dir_ / "out"), std::vector<std::string>{"all.pdf"});
    EXPECT_TRUE(Entries(dir_ / "tmp").empty());
  }
}

TEST_F(CompactPdfTest, AGsThatHangsIsStoppedAtTheLimit) {
  // It leaves a child behind in its group, which goes too.
  FakeGs("sleep 30 & echo $! > \"" + dir_ / "child" + "\"; exec sleep 30");
  const auto start = std::chrono::steady_clock::now();
  std::string why;
  EXPECT_FALSE(quiro::CompactPdf(target_, why, 500));
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(took, std::chrono::seconds(5));
  EXPECT_NE(why.find("longer than 500 ms"), std::string::npos) << why;
  EXPECT_EQ(Entries(dir_ / "out"), std::vector<std::string>{"all.pdf"});
  const pid_t child = std::atoi(ReadFile(dir_ / "child").c_str());
  ASSERT_GT(child, 0);
  // Killed; once its parent is gone it is reaped by whoever adopts it.
  const auto gone = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (::kill(child, 0) == 0 && std::chrono::steady_clock::now() < gone) {
    const std::string stat = ReadFile("/proc/" + std::to_string(child) + "/stat");
    if (stat.find(") Z") != std::string::npos) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  const std::string stat = ReadFile("/proc/" + std::to_string(child) + "/stat");
  EXPECT_TRUE(stat.empty() || stat.find(") Z") != std::string::npos) << stat;
}

TEST_F(CompactPdfTest, ASmallerWholePdfTakesThePlaceOfTheFileWithItsMode) {
  FakeGs("printf '%%PDF-1.7\\nsmall\\n%%%%EOF\\n' > \"$out\"; touch \"$TMPDIR/_scratch\"");
  std::string why;
  EXPECT_TRUE(quiro::CompactPdf(target_, why, 10000)) << why;
  EXPECT_EQ(ReadFile(target_), "%PDF-1.7\nsmall\n%%EOF\n");
  struct stat st {};
  ASSERT_EQ(::stat(target_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(Entries(dir_ / "out"), std::vector<std::string>{"all.pdf"});
  // Its scratch files went with their folder.
  EXPECT_TRUE(Entries(dir_ / "tmp").empty());
  // Asked as the pdfwrite device, safely, pages as they are.
  const std::string args = ReadFile(dir_ / "args");
  for (const char* arg : {"-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pdfwrite", "-dAutoRotatePages=/None"})
    EXPECT_NE(args.find(arg), std::string::npos) << arg;
  EXPECT_NE(args.find(" " + target_ + "\n"), std::string::npos) << args;
}

TEST_F(CompactPdfTest, WhatIsNoRegularFileIsLeftAlone) {
  FakeGs("printf '%%PDF-1.7\\n%%%%EOF\\n' > \"$out\"");
  const std::string link = dir_ / "out/link.pdf";
  ASSERT_EQ(::symlink(target_.c_str(), link.c_str()), 0);
  std::string why;
  EXPECT_FALSE(quiro::CompactPdf(link, why, 10000));
  EXPECT_FALSE(quiro::CompactPdf(dir_ / "out", why, 10000));
  EXPECT_FALSE(quiro::CompactPdf(dir_ / "out/missing.pdf", why, 10000));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "args"));
}

// The real Ghostscript: the fonts embedded once per page become one subset
// font, the pages stay; a "%" in the folder's name is no page number format.
TEST_F(CompactPdfTest, GhostscriptEmbedsEachFontOnce) {
  setenv("PATH", oldPath_.c_str(), 1);
  std::string why;
  if (!std::filesystem::exists(kFont)) GTEST_SKIP() << "no " << kFont;
  const std::string pdf = dir_.MakeDir("50%d done") + "/all.pdf";
  WriteJoinedPdf(pdf, 5);
  const auto before = std::filesystem::file_size(pdf);
  if (!quiro::CompactPdf(pdf, why, 60000) && why.find("not installed") != std::string::npos)
    GTEST_SKIP() << why;
  ASSERT_TRUE(why.empty()) << why;
  const auto after = std::filesystem::file_size(pdf);
  // Five copies of the font became one.
  EXPECT_LT(after * 4, before) << before << " -> " << after;
  EXPECT_EQ(PageCount(pdf), 5u);
  EXPECT_EQ(Entries(dir_ / "50%d done"), std::vector<std::string>{"all.pdf"});
  EXPECT_TRUE(Entries(dir_ / "tmp").empty());
}

}  // namespace
