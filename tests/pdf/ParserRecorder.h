#pragma once
// A delegate that prints one stable line per report, and a runner that parses
// a content stream with a fixed test font already selected.
#include <fmt/format.h>

#include <memory>
#include <string>
#include <vector>

#include "fonts/VQPDFFont.h"
#include "pdf/VQPDFConentParser.h"
#include "pdf/VQPDFShading.h"

namespace vqtest {

// Byte-per-code font with hand-picked Unicode mappings and widths:
// 'A', 'B' -> themselves (0.5); 0x01 -> U+1F600 as a surrogate pair (1.0);
// 0x02 -> "ffi" (0.75); 0x03 -> U+00A0 (0.25); 0x20 -> nothing (0.25);
// 0x04 -> 2D AD 2010 (0.3); 0x05 -> 09 0D 20 A0 (0.25).
class FakeFont : public vq::VQPDFFont {
 public:
  using vq::VQPDFFont::getNextChar;
  std::shared_ptr<vq::VQPDFFont> copy() const override { return std::make_shared<FakeFont>(*this); }
  size_t getNextChar(const uint8_t* bytes, size_t len, uint32_t* code, uint32_t* u, int uSize, int* uLen, float* dx,
                     float* dy, float* ox, float* oy) const override {
    *uLen = 0;
    *dx = *dy = *ox = *oy = 0;
    if (len == 0) return 1;
    *code = bytes[0];
    std::vector<uint32_t> units;
    float width = 0.5f;
    switch (bytes[0]) {
      case 0x01:
        units = {0xD83D, 0xDE00};
        width = 1.0f;
        break;
      case 0x02:
        units = {'f', 'f', 'i'};
        width = 0.75f;
        break;
      case 0x03:
        units = {0x00A0};
        width = 0.25f;
        break;
      case 0x04:
        units = {0x2D, 0xAD, 0x2010};
        width = 0.3f;
        break;
      case 0x05:
        units = {0x09, 0x0D, 0x20, 0xA0};
        width = 0.25f;
        break;
      case 0x20:
        width = 0.25f;
        break;
      default:
        units = {bytes[0]};
        break;
    }
    for (size_t i = 0; i < units.size() && static_cast<int>(i) < uSize; ++i) u[i] = units[i];
    *uLen = static_cast<int>(units.size());
    *dx = width;
    return 1;
  }
};

inline std::string Num(double v) { return fmt::format("{:g}", std::abs(v) < 1e-9 ? 0.0 : v); }

inline std::string PathText(const vq::Path& path) {
  std::string out;
  static const char* kNames[] = {"M", "L", "Q", "C", "Z"};
  for (const auto& e : path) {
    if (!out.empty()) out += ' ';
    out += kNames[static_cast<int>(e.type)];
    for (int i = 0; i < e.pointCount(); ++i) out += " " + Num(e.points[i].x) + " " + Num(e.points[i].y);
  }
  return out;
}

class Recorder : public vq::VQPDFConentParserDelegate {
 public:
  std::vector<std::string> lines;

  static std::string Where(vq::VQPDFConentParser* p) {
    const auto& st = p->currentRenderingState();
    std::string s;
    if (st.isXObjectFormParsering) s += fmt::format(" form {}/{}", st.pdfXObjectFormIndex, st.pdfAnnotionIndex);
    if (st.isParseringExtGState) s += " mask";
    return s;
  }
  void didScanTextTextOffset(vq::VQPDFConentParser* p, const std::string& text, const vq::Size& offset) override {
    const auto& st = p->currentRenderingState();
    lines.push_back(fmt::format("text '{}' at {} {} +{} {} #{}/{}{}", text, Num(st.textMatrix.tx),
                                Num(st.textMatrix.ty), Num(offset.width), Num(offset.height),
                                p->scanOperatorIndex_BegainText, p->scanOperatorIndex_ShowText, Where(p)));
  }
  void didScanPathStrokeFill(vq::VQPDFConentParser* p, const vq::Path& path, bool stroke, bool fill) override {
    lines.push_back(fmt::format("path s{} f{} eo{} {}{}", stroke, fill, p->currentRenderingState().usesEvenOddFillRule,
                                PathText(path), Where(p)));
  }
  void didScanPatternPathStrokeFill(vq::VQPDFConentParser* p, const vq::Path& path, bool stroke, bool fill) override {
    const auto& st = p->currentRenderingState();
    lines.push_back(fmt::format("pattern s{} f{} {} stroke={} fill={}", stroke, fill, PathText(path),
                                st.strokePattern ? st.strokePattern->objectKey : "-",
                                st.fillPattern ? st.fillPattern->objectKey : "-"));
  }
  void didScanPaintShading(vq::VQPDFConentParser*, const std::shared_ptr<vq::VQPDFShading>& shading) override {
    lines.push_back(fmt::format("shading {}", shading ? shading->objectKey : "null"));
  }
  void didScanXObjectImage(vq::VQPDFConentParser* p, const std::shared_ptr<vq::VQPDFImageXObject>& image) override {
    // Generated identifiers end in a time and random letters.
    std::string key = image->objectKey.rfind("EI-", 0) == 0         ? "EI"
                      : image->objectKey.rfind("Annot-EI-", 0) == 0 ? "Annot-EI"
                                                                    : image->objectKey;
    const auto& ctm = p->currentRenderingState().ctm;
    lines.push_back(
        fmt::format("image {} {}x{} at {} {}{}", key, image->width, image->height, Num(ctm.tx), Num(ctm.ty), Where(p)));
  }
};

// Parses `content` with `resources` (a resource dictionary or null) on a
// stack whose first state has the fake font at size 10. Returns the parser's
// stack for inspection.
inline std::shared_ptr<vq::VQPDFRenderStateStack> RunContent(const std::string& content,
                                                             const vq::pdf::Object& resources, Recorder* recorder,
                                                             const vq::pdf::Object& contentDict = vq::pdf::Object()) {
  auto stack = std::make_shared<vq::VQPDFRenderStateStack>();
  stack->topRenderingState().font = std::make_shared<FakeFont>();
  stack->topRenderingState().fontSize = 10;
  auto stream = std::make_shared<vq::pdf::ContentStream>(std::vector<std::string>{content}, resources);
  vq::VQPDFConentParser parser(contentDict, stream);
  parser.setDelegate(recorder);
  parser.setRenderingStateStack(stack);
  parser.startParser();
  parser.setDelegate(nullptr);
  return stack;
}

}  // namespace vqtest
