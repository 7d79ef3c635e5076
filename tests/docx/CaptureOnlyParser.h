#pragma once
// A page parser whose pages keep what the capture recorded as it was: their
// runs are not laid out, and they never ask to be captured again turned.
#include <memory>

#include "docx/VQDocxPDFPageParser.h"
#include "docx/layout/VQDocxPage.h"

namespace vqtest {

class CapturedPage : public vq::VQDocxPage {
 public:
  using VQDocxPage::VQDocxPage;
  void processPDFPage() override {}
  int autoRotationOfPDFPage() const override { return 0; }
};

class CaptureOnlyParser : public vq::VQDocxPDFPageParser {
 public:
  using VQDocxPDFPageParser::VQDocxPDFPageParser;

 protected:
  std::shared_ptr<vq::VQDocxPage> newPage(double w, double h, const vq::AffineTransform& t, int64_t pdf, int64_t word,
                                          bool first, bool last) override {
    return std::make_shared<CapturedPage>(w, h, t, pdf, word, first, last);
  }
};

}  // namespace vqtest
