// The scanner against qpdf's own content parser on every corpus page: the
// same operators, in the same order, with the same number of operands.
#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <set>

#include "platform/pdf/PdfContentScanner.h"
#include "platform/pdf/PdfDocument.h"
#include "platform/pdf/PdfObjectImpl.h"
#include "support/TestSupport.h"

namespace {

class Collect : public QPDFObjectHandle::ParserCallbacks {
 public:
  std::vector<std::string> ops;
  void handleObject(QPDFObjectHandle h) override {
    if (h.isOperator()) {
      std::string op = h.getOperatorValue();
      if (op == "BI" || op == "ID") {
        operands = 0;
        return;
      }
      // qpdf hands an inline image over as one operand of EI, as we do.
      ops.push_back(op + " " + std::to_string(operands));
      operands = 0;
    } else {
      ++operands;
    }
  }
  void handleEOF() override {}

 private:
  int operands = 0;
};

}  // namespace

TEST(ContentScanner, AgreesWithQpdfOnTheCorpus) {
  size_t compared = 0;
  for (const auto& path : vqtest::corpusFiles()) {
    const std::string name = path.filename().string();
    if (name.find("encrypted") != std::string::npos) continue;
    auto doc = vq::pdf::Document::open(path.string(), "");
    ASSERT_TRUE(doc) << name;
    for (int n = 1; n <= doc->pageCount(); ++n) {
      auto page = doc->page(n);
      Collect reference;
      QPDFObjectHandle::parseContentStream(page->dictionary().impl()->handle.getKey("/Contents"), &reference);
      std::set<std::string> names;
      for (const auto& line : reference.ops) names.insert(line.substr(0, line.find(' ')));
      std::vector<std::string> ours;
      vq::pdf::OperatorTable table;
      for (const auto& op : names) {
        table.setCallback(op, [&](vq::pdf::Scanner& s, void*) {
          ours.push_back(std::string(s.currentOperator()) + " " + std::to_string(s.operandCount()));
        });
      }
      vq::pdf::Scanner scanner(vq::pdf::ContentStream::createWithPage(*page), table);
      EXPECT_TRUE(scanner.scan());
      ASSERT_EQ(ours, reference.ops) << name << " page " << n;
      compared += ours.size();
    }
  }
  EXPECT_GT(compared, 10000u);
}
