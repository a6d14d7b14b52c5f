// Use qpdf's std::shared_ptr interface, not its old pointer holder.
#define POINTERHOLDER_TRANSITION 4

#include <qpdf/Buffer.hh>
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <memory>
#include <set>

#include "pdfprint/pdf_work.h"

namespace pdfprint {

namespace {

// Whether a stream's raw bytes, piped through, are those of `expected`.
// Compares as the bytes come, so a copy is never held in memory.
class SameBytes : public Pipeline {
 public:
  explicit SameBytes(const Buffer& expected) : Pipeline("compare", nullptr), expected_(expected) {}
  void write(unsigned char const* data, size_t length) override {
    if (!same_) return;
    same_ = at_ + length <= expected_.getSize() && std::memcmp(expected_.getBuffer() + at_, data, length) == 0;
    at_ += length;
  }
  void finish() override {}
  bool Same() const { return same_ && at_ == expected_.getSize(); }

 private:
  const Buffer& expected_;
  std::size_t at_ = 0;
  bool same_ = true;
};

// Each page file the engine prints embeds whole copies of the fonts it uses,
// so joined as they come, a document carries each font once per page file.
// This keeps the first copy of each font program and points every font that
// embeds the same bytes, under the same dictionary, at it; the copies are
// then no longer reachable and the writer leaves them out.
class SharedFontPrograms {
 public:
  void ShareIn(QPDFPageObjectHelper& page) {
    QPDFObjectHandle resources = page.getAttribute("/Resources", false);
    if (!resources.isDictionary()) return;
    QPDFObjectHandle fonts = resources.getKey("/Font");
    if (!fonts.isDictionary()) return;
    for (const std::string& name : fonts.getKeys()) {
      QPDFObjectHandle font = fonts.getKey(name);
      if (!font.isDictionary()) continue;
      ShareInDescriptor(font.getKey("/FontDescriptor"));
      QPDFObjectHandle descendants = font.getKey("/DescendantFonts");
      if (!descendants.isArray()) continue;
      for (QPDFObjectHandle& descendant : descendants.getArrayAsVector()) {
        if (descendant.isDictionary()) ShareInDescriptor(descendant.getKey("/FontDescriptor"));
      }
    }
  }

 private:
  struct Kept {
    QPDFObjectHandle stream;
    std::shared_ptr<Buffer> bytes;
  };

  void ShareInDescriptor(QPDFObjectHandle descriptor) {
    if (!descriptor.isDictionary()) return;
    for (const char* key : {"/FontFile", "/FontFile2", "/FontFile3"}) {
      QPDFObjectHandle program = descriptor.getKey(key);
      if (!program.isStream() || !looked_.insert(program.getObjGen()).second) continue;
      // Resolved, so that a /Length held in an object of its own compares by
      // value; the length is part of it, so only streams as long are compared.
      std::vector<Kept>& alike = kept_[program.getDict().unparseResolved()];
      bool shared = false;
      for (const Kept& kept : alike) {
        SameBytes compare(*kept.bytes);
        if (program.pipeStreamData(&compare, nullptr, 0, qpdf_dl_none) && compare.Same()) {
          descriptor.replaceKey(key, kept.stream);
          shared = true;
          break;
        }
      }
      if (!shared) alike.push_back(Kept{program, program.getRawStreamData()});
    }
  }

  std::set<QPDFObjGen> looked_;
  std::map<std::string, std::vector<Kept>> kept_;  // by dictionary
};

}  // namespace

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
    SharedFontPrograms fonts;
    for (QPDFPageObjectHelper& page : target.getAllPages()) fonts.ShareIn(page);
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
