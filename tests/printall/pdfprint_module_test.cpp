#define POINTERHOLDER_TRANSITION 4

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <set>
#include <string>
#include <vector>

#include "common/temp_dir.h"
#include "pdfprint/module.h"

namespace {

TEST(PdfPrintModule, TheBuiltModuleLoadsAndExportsOnlyItsEntry) {
  // A test program lies in the build tree, so it takes the module built there.
  const std::string path = pdfprint::ModulePath();
  EXPECT_EQ(path, QUIRO_PDFPRINT_BUILD_FILE_FOR_TEST);
  std::string why;
  const pdfprint::Table* table = pdfprint::Module(why);
  ASSERT_NE(table, nullptr) << why;
  EXPECT_EQ(table->version, pdfprint::kTableVersion);
  EXPECT_EQ(pdfprint::Module(why), table);  // opened once

  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(handle, nullptr);
  EXPECT_NE(::dlsym(handle, pdfprint::kEntryName), nullptr);
  // Its own printer and PDF functions stay hidden behind the table.
  for (const char* hidden : {"_ZN8printall14DefaultPrinterEv", "_ZN8printall8QueryJobEi"})
    EXPECT_EQ(::dlsym(handle, hidden), nullptr) << hidden;
  ::dlclose(handle);
}

TEST(PdfPrintModule, AMissingOrForeignFileIsRefusedWithAReason) {
  struct Case {
    std::string path;
    const char* reason;
  };
  for (const Case& c : {Case{"/nonexistent/pdfprint.so", "cannot be loaded"},
                        Case{"libm.so.6", "another version"}}) {
    std::string why;
    EXPECT_EQ(pdfprint::OpenModule(c.path, why), nullptr) << c.path;
    EXPECT_NE(why.find(c.reason), std::string::npos) << c.path << ": " << why;
  }
}

// A one-sheet PDF as the engine writes it: a font embedding its whole
// program, here just `program`'s bytes.
std::string WriteFontPdf(const testing_support::TempDir& dir, const std::string& name, const std::string& program) {
  const std::string path = dir / name;
  QPDF pdf;
  pdf.emptyPDF();
  QPDFObjectHandle file = QPDFObjectHandle::newStream(&pdf, program);
  QPDFObjectHandle descriptor = pdf.makeIndirectObject(
      QPDFObjectHandle::parse("<< /Type /FontDescriptor /FontName /AAAAAA+Sans /Flags 32 >>"));
  descriptor.replaceKey("/FontFile2", file);
  QPDFObjectHandle font = QPDFObjectHandle::parse("<< /Type /Font /Subtype /TrueType /BaseFont /AAAAAA+Sans >>");
  font.replaceKey("/FontDescriptor", descriptor);
  QPDFObjectHandle page =
      QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 595 842] /Resources << /Font << >> >> >>");
  page.getKey("/Resources").getKey("/Font").replaceKey("/F1", pdf.makeIndirectObject(font));
  page.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, "BT /F1 12 Tf (x) Tj ET"));
  QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(pdf.makeIndirectObject(page)), false);
  QPDFWriter writer(pdf, path.c_str());
  writer.write();
  return path;
}

TEST(PdfPrintModule, AJoinKeepsAFontProgramOnceOnlyWhereItsBytesAreTheSame) {
  std::string why;
  const pdfprint::Table* table = pdfprint::Module(why);
  ASSERT_NE(table, nullptr) << why;
  testing_support::TempDir dir;
  // Pages one and two embed the same program; page three one as long, under
  // the same dictionary, that differs in its last byte.
  const std::vector<std::string> programs = {"font program A", "font program A", "font program B"};
  std::vector<std::string> inputs;
  for (std::size_t i = 0; i < programs.size(); ++i)
    inputs.push_back(WriteFontPdf(dir, "p" + std::to_string(i) + ".pdf", programs[i]));
  const std::string joined = dir / "joined.pdf";
  std::string error;
  ASSERT_TRUE(table->joinPdfFiles(inputs, joined, error)) << error;

  QPDF pdf;
  pdf.processFile(joined.c_str());
  std::set<QPDFObjGen> kept;
  std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
  ASSERT_EQ(pages.size(), programs.size());
  for (std::size_t i = 0; i < pages.size(); ++i) {
    QPDFObjectHandle file = pages[i].getAttribute("/Resources", false).getKey("/Font").getKey("/F1")
                                .getKey("/FontDescriptor").getKey("/FontFile2");
    ASSERT_TRUE(file.isStream()) << "page " << i + 1;
    const std::shared_ptr<Buffer> bytes = file.getStreamData(qpdf_dl_all);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes->getBuffer()), bytes->getSize()), programs[i])
        << "page " << i + 1;
    kept.insert(file.getObjGen());
  }
  EXPECT_EQ(kept.size(), 2u);
}

}  // namespace
