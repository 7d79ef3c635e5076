#include "pdf/annots/VQPDFAnnotFreeText.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "pdf/VQPDFObjectValues.h"
#include "pdf/VQPDFRenderState.h"

namespace vq {

using vqpdf_detail::ReadNumber;
using vqpdf_detail::ScaleComponent;

namespace {

// A token's value as a single-precision number; anything unreadable is 0.
float TokenNumber(const std::string& token) {
  if (token.empty()) return 0;
  char* end = nullptr;
  float v = std::strtof(token.c_str(), &end);
  if (end == token.c_str() || !std::isfinite(v)) return 0;
  return v;
}

std::vector<std::string> SplitAtSpaces(const std::string& s) {
  std::vector<std::string> tokens;
  size_t start = 0;
  while (true) {
    size_t pos = s.find(' ', start);
    tokens.push_back(s.substr(start, pos == std::string::npos ? std::string::npos : pos - start));
    if (pos == std::string::npos) break;
    start = pos + 1;
  }
  return tokens;
}

}  // namespace

std::optional<std::string> VQPDFAnnotFreeText::ParseAppearanceString(const std::string& da, double* fontsize,
                                                                     VQPDFColor* fontcolor) {
  double size = 0;
  VQPDFColor color = NullColor();
  std::optional<std::string> name;
  if (!da.empty()) {
    const std::vector<std::string> t = SplitAtSpaces(da);
    constexpr float kMinSize = 0.01f;
    for (size_t k = t.size(); k-- > 0;) {
      if (size < static_cast<double>(kMinSize) && t[k] == "Tf" && k > 1) {
        std::string n;
        for (char ch : t[k - 2]) {
          if (ch != '/') n += ch;
        }
        name = n;
        size = static_cast<double>(TokenNumber(t[k - 1]));
      }
      if (color.isNull) {
        int count = 0;
        if (t[k] == "g" && k >= 1) count = 1;
        else if (t[k] == "rg" && k >= 3) count = 3;
        else if (t[k] == "k" && k >= 4) count = 4;
        if (count > 0) {
          for (int c = 0; c < count; ++c) {
            color.c[c] = ScaleComponent(static_cast<double>(TokenNumber(t[k - count + static_cast<size_t>(c)])));
          }
          color.length = count;
          color.isNull = 0;
        }
      }
    }
  }
  if (fontsize) *fontsize = size;
  if (fontcolor) *fontcolor = color;
  return name;
}

int64_t VQPDFAnnotFreeText::TextAlignmentForQuadding(int64_t q) {
  if (q == 1) return 2;
  if (q == 2) return 1;
  return 0;
}

void VQPDFAnnotFreeText::initWithPDFDictionary(const pdf::Object& dictionary) {
  VQPDFAnnotMarkup::initWithPDFDictionary(dictionary);
  pdf::Object da = dictionary.get("DA");
  appearanceString = da.isString() ? da.bytes() : std::nullopt;
  quadding = dictionary.get("Q").integer().value_or(0);
  pdf::Object ds = dictionary.get("DS");
  styleString = ds.isString() ? ds.text() : std::nullopt;
  calloutLine = {};
  pdf::Object cl = dictionary.get("CL");
  if (cl.isArray() && (cl.size() == 4 || cl.size() == 6)) {
    for (size_t i = 0; i < cl.size(); ++i) {
      double v = 0;
      ReadNumber(cl.at(i), &v);
      calloutLine.points[i] = static_cast<float>(v);
    }
    calloutLine.count = static_cast<int>(cl.size());
  }
  intent = dictionary.get("IT").name();
  borderEffect = VQPDFBorderEffect(dictionary.get("BE"));
  rectangle.reset();
  pdf::Object rd = dictionary.get("RD");
  if (rd.isArray() && rd.size() == 4) {
    double v[4] = {};
    bool ok = true;
    for (size_t i = 0; i < 4 && ok; ++i) ok = ReadNumber(rd.at(i), &v[i]);
    if (ok) rectangle = RectMake(v[0], v[1], v[2], v[3]);
  }
  endStyle = dictionary.get("LE").name();
  interiorColor = ColorWithPDFArray(dictionary.get("IC"));
  textAlignment = TextAlignmentForQuadding(quadding);

  double size = 0;
  VQPDFColor daColor = NullColor();
  auto name = ParseAppearanceString(appearanceString.value_or(""), &size, &daColor);
  fontName = (name && !name->empty()) ? *name : "Helvetica";
  fontSize = (size > 0 && std::isfinite(size)) ? size : 10.0;
  fontColor = daColor;

  pdf::Object bs = dictionary.get("BS");
  border = bs.isDictionary() ? std::make_shared<VQPDFBorderBS>(bs) : std::make_shared<VQPDFBorderBS>();
}

void VQPDFAnnotFreeText::startParser() {
  VQPDFRenderState* state = stateForOwnDrawing();
  if (!state) return;
  const bool borderStroke = border && border->lineWidth > 0;
  if (borderStroke) {
    setStroke(*state, color.isNull ? fontColor : color, border->lineWidth, border->dashPattern, "VQPDFAnnotFreeText");
  }
  const bool borderFill = !color.isNull;
  if (borderFill) setFill(*state, interiorColor.isNull ? color : interiorColor, "VQPDFAnnotFreeText");
  delegate->didScanTextBoxTextFontNameFontColorFontSizeAlignmentBorderStrokeBorderFill(
      this, bounds, contents.value_or(""), fontName, fontColor, fontSize, textAlignment, borderStroke, borderFill);
}

}  // namespace vq
