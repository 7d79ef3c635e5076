// Font loader: the input is a font dictionary in PDF syntax, a line
// "stream", then the bytes of an embedded font program. Wherever the
// dictionary (or a dictionary inside it) has a FontFile, FontFile2 or
// FontFile3 entry, that entry becomes a stream holding the program, with the
// entry's value (when it is a dictionary: /Subtype, /Filter...) as the
// stream's dictionary. A ToUnicode or CIDToGIDMap entry given as a string
// becomes a stream of those bytes. The font is then built and read the way
// the text extraction reads it.
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fonts/VQPDFFont.h"
#include "platform/pdf/PdfObjectImpl.h"
#include "platform/text/InstalledFonts.h"

namespace {

// A fixed, file-less list of installed fonts: name matching must not read
// the machine's fonts on every input.
class FixedFonts : public vq::text::FontProvider {
 public:
  std::vector<vq::text::InstalledFace> faces() const override {
    return {{"Liberation Sans", "Regular", "Liberation Sans", "LiberationSans", "/nonexistent.ttf", 0},
            {"Liberation Serif", "Bold", "Liberation Serif Bold", "LiberationSerif-Bold", "/nonexistent.ttf", 0},
            {"Liberation Mono", "Regular", "Liberation Mono", "LiberationMono", "/nonexistent.ttf", 0}};
  }
  std::vector<vq::text::InstalledFace> facesWithCharacter(uint32_t) const override { return {}; }
};

QPDFObjectHandle streamOf(QPDF& qpdf, const std::string& data, QPDFObjectHandle dict) {
  QPDFObjectHandle s = QPDFObjectHandle::newStream(&qpdf, data);
  if (dict.isDictionary())
    for (const auto& key : dict.getKeys()) s.getDict().replaceKey(key, dict.getKey(key));
  return qpdf.makeIndirectObject(s);
}

// Puts the program (and string-valued maps) in as streams, a few levels deep
// (a Type 0 font's descriptor sits in its descendant's dictionary).
void attachStreams(QPDF& qpdf, QPDFObjectHandle o, const std::string& program, int depth) {
  if (depth > 4) return;
  if (o.isArray()) {
    for (int i = 0; i < o.getArrayNItems(); ++i) attachStreams(qpdf, o.getArrayItem(i), program, depth + 1);
    return;
  }
  if (!o.isDictionary()) return;
  for (const auto& key : o.getKeys()) {
    QPDFObjectHandle v = o.getKey(key);
    if (key == "/FontFile" || key == "/FontFile2" || key == "/FontFile3") {
      o.replaceKey(key, streamOf(qpdf, program, v));
    } else if ((key == "/ToUnicode" || key == "/CIDToGIDMap") && v.isString()) {
      o.replaceKey(key, streamOf(qpdf, v.getStringValue(), QPDFObjectHandle::newNull()));
    } else if (!v.isIndirect()) {
      attachStreams(qpdf, v, program, depth + 1);
    }
  }
}

void read(const vq::VQPDFFont& font) {
  std::string all;
  for (int c = 0; c < 256; ++c) all.push_back(static_cast<char>(c));
  all += std::string("\x00\x41\x4e\x00\xff\xff\x12", 7);
  for (size_t i = 0; i < all.size();) {
    auto c = font.getNextChar(std::string_view(all).substr(i));
    i += c.bytesUsed;
  }
  for (uint32_t code : {0u, 32u, 65u, 255u, 256u, 0xFFFFu, 0x10000u}) font.embFontWidthForCode(code);
  font.widthOfSpace();
  font.ascent();
  font.descent();
  font.fontBBox();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool once = [] {
    vq::text::InstalledFonts::setProvider(std::make_shared<FixedFonts>());
    return true;
  }();
  (void)once;

  std::string input(reinterpret_cast<const char*>(data), size);
  static const std::string kSplit = "\nstream\n";
  size_t at = input.find(kSplit);
  std::string dictText = input.substr(0, at);
  std::string program = at == std::string::npos ? std::string() : input.substr(at + kSplit.size());

  auto qpdf = std::make_shared<QPDF>();
  qpdf->setSuppressWarnings(true);  // damaged syntax is the rule here, not news
  qpdf->emptyPDF();
  QPDFObjectHandle dict;
  try {
    dict = QPDFObjectHandle::parse(qpdf.get(), dictText);
  } catch (...) {
    return 0;  // not one object: the fuzzer is after the font code, not qpdf's parser
  }
  if (!dict.isDictionary()) return 0;
  attachStreams(*qpdf, dict, program, 0);
  vq::pdf::Object font = vq::pdf::Object::Impl::wrap(qpdf->makeIndirectObject(dict), qpdf);

  auto built = vq::VQPDFFont::NewFontWithDictionary(font, "F1");
  if (!built) return 0;
  read(*built);
  built->updateBankSpaceWidth();
  if (auto copy = built->copy()) read(*copy);
  return 0;
}
