// The printer and empty-sheet calls of the rest of the program, answered by
// the print and PDF module. Without the module each one fails the way its
// callers already handle: with the reason as a sentence.

#include "pdfprint/module.h"
#include "printall/empty_sheets.h"
#include "printall/printer.h"
#include "res/strings.h"

namespace printall {

PrinterStatus DefaultPrinter() {
  std::string why;
  const pdfprint::Table* module = pdfprint::Module(why);
  if (module == nullptr) {
    PrinterStatus status;
    status.problem = quiro::res::FormatString(quiro::res::IDS_PRINTING_NOT_AVAILABLE, {why});
    return status;
  }
  return module->defaultPrinter();
}

PrintJob SubmitPdf(const std::string& printer, const std::string& path, const std::string& title) {
  std::string why;
  const pdfprint::Table* module = pdfprint::Module(why);
  if (module == nullptr) return PrintJob{0, quiro::res::FormatString(quiro::res::IDS_PRINTING_NOT_AVAILABLE, {why})};
  return module->submitPdf(printer, path, title);
}

JobState QueryJob(int id) {
  std::string why;
  const pdfprint::Table* module = pdfprint::Module(why);
  if (module == nullptr) return JobState{JobOutcome::Failed, why};
  return module->queryJob(id);
}

}  // namespace printall

int TrimTrailingEmptySheets(const std::string& path, std::string& error) {
  const pdfprint::Table* module = pdfprint::Module(error);
  if (module == nullptr) return -1;
  return module->trimTrailingEmptySheets(path, error);
}
