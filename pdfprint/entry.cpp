// The module's side: its one exported symbol hands the program the table of
// the functions compiled into it. Everything else in the module is hidden,
// so its printall functions never stand in for the program's same-named
// ones, nor the other way round.

#include "pdfprint/module.h"
#include "pdfprint/pdf_work.h"
#include "printall/empty_sheets.h"
#include "printall/printer.h"

extern "C" __attribute__((visibility("default"))) const pdfprint::Table* quiro_pdfprint_table() {
  static const pdfprint::Table table = {
      pdfprint::kTableVersion,
      sizeof(pdfprint::Table),
      &printall::DefaultPrinter,
      &printall::SubmitPdf,
      &printall::QueryJob,
      &TrimTrailingEmptySheets,
      &pdfprint::JoinPdfFiles,
      &pdfprint::PdfText,
  };
  return &table;
}
