#include "printall/empty_sheets.h"

#define POINTERHOLDER_TRANSITION 4

#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <string>
#include <vector>

#include "common/temp_dir.h"

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;

// A PDF of one sheet per content stream, as the engine writes them: the page
// background filled first, then what the page shows.
std::string WritePdf(const TempDir& dir, const std::vector<std::string>& sheets) {
  const std::string path = dir / "page.pdf";
  QPDF pdf;
  pdf.emptyPDF();
  QPDFPageDocumentHelper document(pdf);
  for (const std::string& content : sheets) {
    QPDFObjectHandle page = QPDFObjectHandle::parse(
        "<< /Type /Page /MediaBox [0 0 595 842] /Resources << >> >>");
    page.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, content));
    document.addPage(QPDFPageObjectHelper(pdf.makeIndirectObject(page)), false);
  }
  QPDFWriter writer(pdf, path.c_str());
  writer.write();
  return path;
}

int SheetCount(const std::string& path) {
  QPDF pdf;
  pdf.processFile(path.c_str());
  return static_cast<int>(QPDFPageDocumentHelper(pdf).getAllPages().size());
}

const char* const kInked = "1 1 1 rg 0 0 699 979 re f 0 0 0 rg BT /F1 12 Tf (Text) Tj ET";

TEST(EmptySheets, TrailingSheetsWithoutInkGo) {
  struct Case {
    const char* what;
    std::vector<std::string> sheets;
    int removed;
  };
  const std::vector<Case> cases = {
      {"the engine's spill: background only", {kInked, "q 1 1 1 rg 0 1958 699 24 re f Q"}, 1},
      {"an empty stream", {kInked, ""}, 1},
      {"white written as gray", {kInked, "1 g 0 0 699 24 re f"}, 1},
      {"white restored by Q", {kInked, "1 1 1 rg q 0 0 1 rg Q 0 0 699 24 re f"}, 1},
      {"two empty sheets", {kInked, "1 1 1 rg 0 0 9 9 re f", ""}, 2},
      {"a coloured page background",
       {"1 1 .8 rg 0 0 699 979 re f BT (x) Tj ET", "1 1 .8 rg 0 0 699 24 re f"}, 1},
      {"text, even white", {kInked, "1 1 1 rg BT /F1 1 Tf (.) Tj ET"}, 0},
      {"a rule in another colour", {kInked, "1 1 1 rg 0 0 699 24 re f .7 .7 .7 rg 36 4 600 1 re f"}, 0},
      {"a fill in the default black", {kInked, "0 0 699 24 re f"}, 0},
      {"an image", {kInked, "q 100 0 0 100 0 0 cm /Im1 Do Q"}, 0},
      {"a stroke", {kInked, "0 0 m 100 0 l S"}, 0},
      {"a pattern fill", {kInked, "/Pattern cs /P1 scn 0 0 699 24 re f"}, 0},
      {"an empty sheet before an inked one", {kInked, "", "BT (x) Tj ET"}, 0},
      {"a document of one empty sheet keeps it", {""}, 0},
      {"empty sheets after an empty first keep the first", {"1 1 1 rg 0 0 9 9 re f", ""}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string path = WritePdf(dir, c.sheets);
    const std::string before = ReadFile(path);
    std::string error;
    EXPECT_EQ(TrimTrailingEmptySheets(path, error), c.removed);
    EXPECT_EQ(error, "");
    EXPECT_EQ(SheetCount(path), static_cast<int>(c.sheets.size()) - c.removed);
    if (c.removed == 0) {
      EXPECT_EQ(ReadFile(path), before);
    }
    EXPECT_EQ(ReadFile(path + ".trim"), "");
  }
}

TEST(EmptySheets, UnreadableFilesStayAsTheyAre) {
  TempDir dir;
  std::string error;
  EXPECT_EQ(TrimTrailingEmptySheets(dir / "missing.pdf", error), -1);
  EXPECT_NE(error, "");

  const std::string notPdf = dir.Write("not.pdf", "plain text, no PDF\n");
  error.clear();
  EXPECT_EQ(TrimTrailingEmptySheets(notPdf, error), -1);
  EXPECT_NE(error, "");
  EXPECT_EQ(ReadFile(notPdf), "plain text, no PDF\n");
  EXPECT_EQ(ReadFile(notPdf + ".trim"), "");
}

}  // namespace
