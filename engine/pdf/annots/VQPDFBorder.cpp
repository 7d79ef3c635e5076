#include "pdf/annots/VQPDFBorder.h"

#include "pdf/VQPDFObjectValues.h"

namespace vq {

using vqpdf_detail::ReadNumber;

bool VQPDFBorder::parseDashArray(const pdf::Object& array) {
  std::vector<double> values;
  double previous = 0;
  const size_t count = std::min<size_t>(array.size(), 10);
  for (size_t i = 0; i < count; ++i) {
    double v = previous;
    ReadNumber(array.at(i), &v);
    // Dash lengths are kept in single precision, as every reader stores them.
    v = static_cast<double>(static_cast<float>(v));
    if (v < 0) return false;
    values.push_back(v);
    previous = v;
  }
  dashPattern = std::move(values);
  style = VQPDFBorderStyleDashed;
  return true;
}

VQPDFBorderArray::VQPDFBorderArray(const pdf::Object& array) {
  const size_t n = array.isArray() ? array.size() : 0;
  bool keep = false;
  if (n == 3 || n == 4) {
    double* targets[3] = {&horizontalCorner, &verticalCorner, &lineWidth};
    bool allNumbers = true;
    for (size_t i = 0; i < 3; ++i) {
      if (!ReadNumber(array.at(i), targets[i])) allNumbers = false;
    }
    if (n == 3) {
      keep = allNumbers;
    } else {
      pdf::Object dash = array.at(3);
      keep = allNumbers && dash.isArray() && parseDashArray(dash);
    }
  }
  if (!keep) lineWidth = 0;
}

VQPDFBorderBS::VQPDFBorderBS(const pdf::Object& dictionary) {
  type = 1;
  // /W defaults to 1: a /BS that only names a style still draws a border.
  lineWidth = 1.0;
  if (!dictionary.isDictionary()) return;
  ReadNumber(dictionary.get("W"), &lineWidth);
  auto s = dictionary.get("S").name();
  if (s) {
    if (*s == "D") style = VQPDFBorderStyleDashed;
    else if (*s == "B") style = VQPDFBorderStyleBeveled;
    else if (*s == "I") style = VQPDFBorderStyleInset;
    else if (*s == "U") style = VQPDFBorderStyleUnderline;
  }
  if (style == VQPDFBorderStyleDashed) {
    pdf::Object d = dictionary.get("D");
    bool parsed = d.isArray() && parseDashArray(d);
    if (!parsed) dashPattern = std::vector<double>{3.0};
  }
}

VQPDFBorderEffect::VQPDFBorderEffect(const pdf::Object& dictionary) {
  if (!dictionary.isDictionary()) return;
  if (dictionary.get("S").isName("C")) effectType = 1;
  if (effectType == 1) ReadNumber(dictionary.get("I"), &intensity);
}

}  // namespace vq
