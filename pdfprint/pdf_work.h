#pragma once
// The module's own PDF work (see Table in module.h for what each returns).

#include <string>
#include <string_view>
#include <vector>

namespace pdfprint {

bool JoinPdfFiles(const std::vector<std::string>& inputs, const std::string& output, std::string& error);

bool PdfText(std::string_view bytes, std::size_t limit, std::string& title, std::vector<std::string>& pages);

}  // namespace pdfprint
