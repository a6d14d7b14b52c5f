#include "printall/empty_sheets.h"

// Use qpdf's std::shared_ptr interface, not its old pointer holder.
#define POINTERHOLDER_TRANSITION 4

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <cstdio>
#include <exception>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// A fill colour as a comparable text: device colours as RGB rounded to three
// places (so "1 g" and "1 1 1 rg" are both white), any other colour space by
// its name and operands.
using Colour = std::string;

const Colour kWhite = "rgb 1.000 1.000 1.000";
const Colour kBlack = "rgb 0.000 0.000 0.000";

Colour Rgb(double r, double g, double b) {
  char text[64];
  std::snprintf(text, sizeof text, "rgb %.3f %.3f %.3f", r, g, b);
  return text;
}

double Number(QPDFObjectHandle operand) {
  return operand.isNumber() ? operand.getNumericValue() : 0.0;
}

// Follows one sheet's content stream: the fill colour through q/Q, and
// whether anything was painted that shows (ink).
class SheetScan : public QPDFObjectHandle::ParserCallbacks {
 public:
  explicit SheetScan(const Colour* background) : background_(background) {}

  void handleObject(QPDFObjectHandle object) override {
    if (!object.isOperator()) {
      operands_.push_back(object);
      return;
    }
    Operate(object.getOperatorValue());
    operands_.clear();
    if (ink_) terminateParsing();
  }
  void handleEOF() override {}

  bool ink() const { return ink_; }
  /// The colour of the first fill met, or empty when nothing was filled.
  const Colour& firstFill() const { return firstFill_; }

 private:
  struct State {
    Colour fill = kBlack;
    std::string space = "DeviceGray";
  };

  void Operate(const std::string& op) {
    if (op == "q") {
      saved_.push_back(state_);
    } else if (op == "Q") {
      if (!saved_.empty()) {
        state_ = saved_.back();
        saved_.pop_back();
      }
    } else if (op == "g" && operands_.size() == 1) {
      const double v = Number(operands_[0]);
      state_.fill = Rgb(v, v, v);
    } else if (op == "rg" && operands_.size() == 3) {
      state_.fill = Rgb(Number(operands_[0]), Number(operands_[1]), Number(operands_[2]));
    } else if (op == "k" && operands_.size() == 4) {
      const double k = 1.0 - Number(operands_[3]);
      state_.fill = Rgb((1.0 - Number(operands_[0])) * k, (1.0 - Number(operands_[1])) * k,
                        (1.0 - Number(operands_[2])) * k);
    } else if (op == "cs" && operands_.size() == 1) {
      state_.space = operands_[0].isName() ? operands_[0].getName().substr(1) : "?";
      // Each device space starts at black; other spaces by their own rule.
      state_.fill = state_.space.rfind("Device", 0) == 0 ? kBlack : state_.space + " initial";
    } else if (op == "sc" || op == "scn") {
      if (state_.space == "DeviceGray" && operands_.size() == 1) {
        const double v = Number(operands_[0]);
        state_.fill = Rgb(v, v, v);
      } else if (state_.space == "DeviceRGB" && operands_.size() == 3) {
        state_.fill = Rgb(Number(operands_[0]), Number(operands_[1]), Number(operands_[2]));
      } else {
        Colour text = state_.space;
        for (QPDFObjectHandle operand : operands_) text += " " + operand.unparse();
        state_.fill = text;
      }
    } else if (op == "f" || op == "F" || op == "f*") {
      if (firstFill_.empty()) firstFill_ = state_.fill;
      if (background_ != nullptr && state_.fill != *background_) ink_ = true;
    } else if (op == "Tj" || op == "TJ" || op == "'" || op == "\"" || op == "Do" || op == "sh" ||
               op == "BI" || op == "ID" || op == "EI" || op == "S" || op == "s" || op == "B" ||
               op == "B*" || op == "b" || op == "b*") {
      ink_ = true;
    }
  }

  const Colour* background_;  // null: only learn the first fill
  std::vector<QPDFObjectHandle> operands_;
  State state_;
  std::vector<State> saved_;
  Colour firstFill_;
  bool ink_ = false;
};

}  // namespace

int TrimTrailingEmptySheets(const std::string& path, std::string& error) {
  const std::string temp = path + ".trim";
  try {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processFile(path.c_str());
    QPDFPageDocumentHelper document(pdf);
    std::vector<QPDFPageObjectHelper> sheets = document.getAllPages();
    if (sheets.size() < 2) return 0;

    SheetScan first(nullptr);
    try {
      sheets.front().parseContents(&first);
    } catch (const std::exception&) {
      // The background stays white.
    }
    const Colour background = first.firstFill().empty() ? kWhite : first.firstFill();

    std::size_t keep = sheets.size();
    while (keep > 1) {
      SheetScan scan(&background);
      try {
        sheets[keep - 1].parseContents(&scan);
      } catch (const std::exception&) {
        break;  // a sheet that cannot be read is not known to be empty
      }
      if (scan.ink()) break;
      --keep;
    }
    const int removed = static_cast<int>(sheets.size() - keep);
    if (removed == 0) return 0;
    for (std::size_t i = keep; i < sheets.size(); ++i) document.removePage(sheets[i]);
    QPDFWriter writer(pdf, temp.c_str());
    writer.write();
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
      error = "cannot replace " + path;
      ::unlink(temp.c_str());
      return -1;
    }
    return removed;
  } catch (const std::exception& e) {
    error = e.what();
    ::unlink(temp.c_str());
    return -1;
  }
}
