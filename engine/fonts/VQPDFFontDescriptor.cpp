#include "fonts/VQPDFFontDescriptor.h"

#include "fonts/VQPDFFontUtilities.h"
#include "platform/text/FontFace.h"

namespace vq {

namespace {
double numberOf(const pdf::Object& dict, const char* key) { return dict.get(key).number().value_or(0); }
}  // namespace

VQPDFFontDescriptor::VQPDFFontDescriptor() = default;
VQPDFFontDescriptor::~VQPDFFontDescriptor() = default;
VQPDFFontDescriptor::VQPDFFontDescriptor(const VQPDFFontDescriptor&) = default;
VQPDFFontDescriptor& VQPDFFontDescriptor::operator=(const VQPDFFontDescriptor&) = default;

std::shared_ptr<VQPDFFontDescriptor> VQPDFFontDescriptor::initWithPDFDictionary(const pdf::Object& dict) {
  if (!dict.isDictionary() || !dict.get("Type").isName("FontDescriptor")) return nullptr;
  auto d = std::make_shared<VQPDFFontDescriptor>();
  double a = numberOf(dict, "Ascent"), de = numberOf(dict, "Descent");
  if (a != 0) d->ascent = a / 1000;
  if (de != 0) d->descent = (de > 0 ? -de : de) / 1000;
  pdf::Object box = dict.get("FontBBox");
  if (box.isArray() && box.size() == 4) {
    double v[4];
    for (size_t i = 0; i < 4; ++i) v[i] = box.at(i).number().value_or(0) / 1000;
    d->fontBBox = RectMake(v[0], v[1], v[2], v[3]);
  }
  d->leading = numberOf(dict, "Leading");
  d->capHeight = numberOf(dict, "CapHeight");
  d->xHeight = numberOf(dict, "XHeight");
  d->averageWidth = numberOf(dict, "AvgWidth") / 1000;
  d->maxWidth = numberOf(dict, "MaxWidth") / 1000;
  d->missingWidth = numberOf(dict, "MissingWidth") / 1000;
  d->verticalStemWidth = numberOf(dict, "StemV");
  d->horizontalStemHeigth = numberOf(dict, "StemH");
  d->italicAngle = numberOf(dict, "ItalicAngle");
  if (auto f = dict.get("Flags").integer()) d->flags = static_cast<uint32_t>(*f);
  if (auto n = dict.get("FontName").name()) d->fontName = VQPDFFontUtilities::NameBytesToUTF8(*n);
  if (auto t = dict.get("FontFamily").text()) d->fontFamily = VQPDFFontUtilities::NameBytesToUTF8(*t);

  static const char* kFiles[3] = {"FontFile", "FontFile2", "FontFile3"};
  for (int i = 0; i < 3; ++i) {
    pdf::Object file = dict.get(kFiles[i]);
    if (!file.isStream()) continue;
    d->embFontNum = i + 1;
    if (i == 0) d->embFontSubType = "Type1";
    else if (i == 1) d->embFontSubType = "CIDType2 or TrueType";
    else if (auto s = file.get("Subtype").name()) d->embFontSubType = *s;
    auto data = file.decodedData();
    if (data && !data->empty()) {
      if (auto face = text::FontFace::fromData(std::move(*data))) {
        text::FontTraits t = face->traits();
        if (t.bold) d->flags |= kForceBold;
        if (t.italic) d->flags |= kItalic;
        if (t.monospace) d->flags |= kFixedPitch;
        if (t.serif) d->flags |= kSerif;
        else if (t.script) d->flags |= kScript;
        if (auto full = face->fullName(); !full.empty()) d->embFullName = full;
        if (auto ps = face->postScriptName(); !ps.empty()) d->embPostScriptName = ps;
        d->embFont = std::move(face);
      }
    }
    break;
  }
  return d;
}

double VQPDFFontDescriptor::embFontWidthForGlyphCode(uint32_t glyph) const {
  return embFont ? VQPDFFontUtilities::CGFontWidthOfGlyphCode(*embFont, 1, glyph) : 0;
}
double VQPDFFontDescriptor::embFontWidthForCharCode(uint16_t character) const {
  return embFont ? VQPDFFontUtilities::CGFontWidthOfCharCode(*embFont, 1, character) : 0;
}
double VQPDFFontDescriptor::embFontWidthForBankSpace() const { return embFontWidthForCharCode(32); }
void VQPDFFontDescriptor::setEmbFont(std::shared_ptr<text::FontFace> face) { embFont = std::move(face); }

}  // namespace vq
