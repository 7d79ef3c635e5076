#include "FontFixture.h"

#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <gtest/gtest.h>

namespace vqtest {

FontFixture::FontFixture() : qpdf_(std::make_unique<QPDF>()) {
  qpdf_->emptyPDF();
  fontDict_ = QPDFObjectHandle::newDictionary();
}

QPDFObjectHandle FontFixture::parse(const std::string& text) { return QPDFObjectHandle::parse(qpdf_.get(), text); }

QPDFObjectHandle FontFixture::stream(const std::string& data, const std::string& dictionary) {
  QPDFObjectHandle s = QPDFObjectHandle::newStream(qpdf_.get(), data);
  QPDFObjectHandle extra = parse(dictionary);
  for (const auto& key : extra.getKeys()) s.getDict().replaceKey(key, extra.getKey(key));
  return s;
}

void FontFixture::addFont(const std::string& key, QPDFObjectHandle font) {
  fontDict_.replaceKey("/" + key, qpdf_->makeIndirectObject(font));
}

vq::pdf::Object FontFixture::fonts() {
  if (!document_) {
    QPDFObjectHandle page = parse("<< /Type /Page /MediaBox [0 0 200 200] >>");
    QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
    resources.replaceKey("/Font", fontDict_);
    page.replaceKey("/Resources", resources);
    page.replaceKey("/Contents", QPDFObjectHandle::newStream(qpdf_.get(), "BT ET"));
    QPDFPageDocumentHelper(*qpdf_).addPage(qpdf_->makeIndirectObject(page), false);
    std::string path = (dir_ / "fonts.pdf").string();
    QPDFWriter writer(*qpdf_, path.c_str());
    writer.write();
    vq::pdf::OpenError error{};
    document_ = vq::pdf::Document::open(path, "", &error);
    EXPECT_TRUE(document_) << "fixture PDF did not open";
    if (!document_) return vq::pdf::Object();
  }
  auto page = document_->page(1);
  return page ? page->resources().get("Font") : vq::pdf::Object();
}

}  // namespace vqtest

#include "platform/text/InstalledFonts.h"

namespace vqtest {

namespace {
class FakeProvider : public vq::text::FontProvider {
 public:
  std::vector<vq::text::InstalledFace> faces() const override {
    auto face = [](const char* family, const char* style, const char* full, const char* ps) {
      return vq::text::InstalledFace{family, style, full, ps, "/nonexistent.ttf", 0};
    };
    return {face("Liberation Sans", "Regular", "Liberation Sans", "LiberationSans"),
            face("Liberation Sans", "Bold", "Liberation Sans Bold", "LiberationSans-Bold"),
            face("Liberation Serif", "Regular", "Liberation Serif", "LiberationSerif"),
            face("Liberation Mono", "Regular", "Liberation Mono", "LiberationMono")};
  }
};
}  // namespace

void useFakeInstalledFonts() {
  static bool done = false;
  if (!done) vq::text::InstalledFonts::setProvider(std::make_shared<FakeProvider>());
  done = true;
}

std::string decodeAll(const vq::VQPDFFont& font, const std::string& bytes) {
  std::string out;
  size_t i = 0;
  while (i < bytes.size()) {
    auto c = font.getNextChar(std::string_view(bytes).substr(i));
    out += c.text;
    i += c.bytesUsed;
  }
  return out;
}

}  // namespace vqtest
