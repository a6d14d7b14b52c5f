#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

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

}  // namespace
