// Use qpdf's std::shared_ptr interface, not its old pointer holder.
#define POINTERHOLDER_TRANSITION 4

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <memory>

#include "pdfprint/pdf_work.h"

namespace pdfprint {

bool JoinPdfFiles(const std::vector<std::string>& inputs, const std::string& output, std::string& error) {
  if (inputs.empty()) {
    error = "no pages to join";
    return false;
  }
  std::string temp = output + ".part";
  try {
    QPDF joined;
    joined.emptyPDF();
    QPDFPageDocumentHelper target(joined);
    // The sources must live until the joined file is written: their pages
    // are copied from them then.
    std::vector<std::unique_ptr<QPDF>> sources;
    for (const std::string& input : inputs) {
      auto source = std::make_unique<QPDF>();
      source->processFile(input.c_str());
      for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(*source).getAllPages()) {
        target.addPage(page, false);
      }
      sources.push_back(std::move(source));
    }
    QPDFWriter writer(joined, temp.c_str());
    writer.write();
  } catch (const std::exception& e) {
    error = e.what();
    ::unlink(temp.c_str());
    return false;
  }
  if (std::rename(temp.c_str(), output.c_str()) != 0) {
    error = "cannot write " + output;
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace pdfprint
