#pragma once
// Printing through CUPS and the PDF work (joining, trimming and reading PDF
// files with qpdf and poppler) live in a module of their own, opened the
// first time one of them is needed: a window that never prints or meets a
// PDF never maps those libraries, and the dynamic loader does not resolve
// them before the first paint. Program and module come from one build; the
// table below is all they share.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "printall/printer.h"

namespace pdfprint {

/// Changed whenever Table changes, so that a module of another build is
/// refused instead of called.
inline constexpr int kTableVersion = 1;

/// The name of the module's only exported symbol: a function without
/// arguments returning `const Table*`.
inline constexpr const char* kEntryName = "quiro_pdfprint_table";

struct Table {
  int version;
  std::size_t size;  ///< sizeof(Table) in the module's build
  printall::PrinterStatus (*defaultPrinter)();
  printall::PrintJob (*submitPdf)(const std::string& printer, const std::string& path,
                                  const std::string& title);
  printall::JobState (*queryJob)(int id);
  int (*trimTrailingEmptySheets)(const std::string& path, std::string& error);
  bool (*joinPdfFiles)(const std::vector<std::string>& inputs, const std::string& output,
                       std::string& error);
  /// The title and each page's text of a PDF given as its bytes, as the
  /// library gives them (UTF-8, not yet checked); pages are read until their
  /// texts reach `limit` bytes. False for a file that cannot be read or is
  /// locked with a password.
  bool (*pdfText)(std::string_view bytes, std::size_t limit, std::string& title,
                  std::vector<std::string>& pages);
};

/// The module, opened on the first call and kept for the process; null,
/// with a sentence in `why`, when it cannot be opened or is of another
/// build. Safe on any thread.
const Table* Module(std::string& why);

/// Opens the module file at `path` (no caching; for tests and for Module).
const Table* OpenModule(const std::string& path, std::string& why);

/// Where Module looks: the module built beside the program when the program
/// runs from its build tree, else the installed one.
std::string ModulePath();

}  // namespace pdfprint
