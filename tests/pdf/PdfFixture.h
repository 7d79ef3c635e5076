#pragma once
// Builds small PDF objects in memory with qpdf for the interpreter's tests:
// direct objects from PDF syntax, and indirect streams whose dictionaries may
// refer to other fixture objects (including themselves).
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <memory>
#include <string>

#include "platform/pdf/PdfObjectImpl.h"

namespace vqtest {

class PdfFixture {
 public:
  PdfFixture() : qpdf_(std::make_shared<QPDF>()) { qpdf_->emptyPDF(); }

  // A direct object from PDF syntax ("<< /N 1 >>", "[/Indexed /DeviceRGB 1 <FF>]").
  QPDFObjectHandle handle(const std::string& syntax) { return QPDFObjectHandle::parse(syntax); }
  vq::pdf::Object object(const std::string& syntax) { return wrap(handle(syntax)); }

  // An indirect stream with the given dictionary entries and data.
  QPDFObjectHandle streamHandle(const std::string& dictSyntax, const std::string& data) {
    QPDFObjectHandle s = QPDFObjectHandle::newStream(qpdf_.get(), data);
    QPDFObjectHandle dict = QPDFObjectHandle::parse(dictSyntax);
    for (const auto& key : dict.getKeys()) s.getDict().replaceKey(key, dict.getKey(key));
    return qpdf_->makeIndirectObject(s);
  }
  vq::pdf::Object stream(const std::string& dictSyntax, const std::string& data) {
    return wrap(streamHandle(dictSyntax, data));
  }

  QPDFObjectHandle indirect(QPDFObjectHandle h) { return qpdf_->makeIndirectObject(h); }
  vq::pdf::Object wrap(QPDFObjectHandle h) { return vq::pdf::Object::Impl::wrap(h, qpdf_); }

 private:
  std::shared_ptr<QPDF> qpdf_;
};

}  // namespace vqtest
