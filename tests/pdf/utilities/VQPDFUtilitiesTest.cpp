#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <cmath>

#include "pdf/utilities/VQPDFCGPathUtilities.h"
#include "pdf/utilities/VQPDFUtilities.h"
#include "platform/pdf/PdfObjectImpl.h"
#include "support/TestSupport.h"

using vq::VQPDFPlatformColorSpace;
using vq::VQPDFUtilities;
using vq::pdf::Object;
using Model = VQPDFPlatformColorSpace::Model;

namespace {

// Runs `content` through the scanner; the callback of operator "x" gets the
// scanner with the operands still on its stack.
void withOperands(const std::string& content, const std::function<void(vq::pdf::Scanner&)>& body) {
  vq::pdf::OperatorTable table;
  table.setCallback("x", [&](vq::pdf::Scanner& s, void*) { body(s); });
  auto stream = std::make_shared<vq::pdf::ContentStream>(std::vector<std::string>{content}, Object());
  vq::pdf::Scanner scanner(stream, table);
  scanner.scan();
}

// A PDF object written in PDF syntax, as a direct value.
Object parse(const std::string& text) {
  Object out;
  withOperands(text + " x", [&](vq::pdf::Scanner& s) { s.popObject(&out); });
  return out;
}

std::string iccProfile(const char* space, size_t size = 128) {
  std::string p(size, '\0');
  p[0] = static_cast<char>((size >> 24) & 0xFF);
  p[1] = static_cast<char>((size >> 16) & 0xFF);
  p[2] = static_cast<char>((size >> 8) & 0xFF);
  p[3] = static_cast<char>(size & 0xFF);
  p.replace(16, 4, space);
  p.replace(36, 4, "acsp");
  return p;
}

Object iccArray(const std::string& dict, const std::string& profile) {
  return Object::Impl::makeArray({Object::Impl::makeName("ICCBased"), Object::Impl::makeStream(parse(dict), profile)});
}

std::string summary(const vq::VQPDFPlatformColorSpaceRef& cs) {
  if (!cs) return "none";
  static const char* names[] = {"gray", "rgb", "cmyk", "calgray", "calrgb", "lab", "icc", "indexed", "pattern"};
  std::string out = std::string(names[static_cast<int>(cs->model)]) + std::to_string(cs->componentCount);
  if (cs->base) out += "(" + summary(cs->base) + ")";
  return out;
}

}  // namespace

TEST(VQPDFUtilities, ColorSpacesFromObjects) {
  const std::pair<const char*, const char*> rows[] = {
      {"/CMYK", "cmyk4"},
      {"/DeviceRGB", "rgb3"},
      {"/G", "gray1"},
      {"/Foo", "none"},
      {"[]", "none"},
      {"[1 2]", "none"},
      {"12", "none"},
      {"[/DeviceGray]", "gray1"},
      {"[/CalGray << /Gamma 2.2 >>]", "calgray1"},
      {"[/CalGray]", "none"},
      {"[/CalRGB << >>]", "calrgb3"},
      {"[/Lab << >>]", "lab3"},
      {"[/Indexed /DeviceRGB 1 <000000ffffff>]", "indexed1(rgb3)"},
      {"[/I [/CalGray << >>] 1 (ab)]", "indexed1(calgray1)"},
      {"[/Indexed 5 1 (abcdef)]", "indexed1(rgb3)"},
      {"[/Indexed /Foo 1 (abc)]", "none"},
      {"[/Indexed /DeviceGray -1 (abc)]", "none"},
      {"[/DeviceN [/a /b] [/DeviceCMYK] 0]", "cmyk4"},
      {"[/DeviceN [/a] /DeviceCMYK 0]", "none"},
      {"[/Separation /a [/CalGray << >>] 0]", "pattern0(calgray1)"},
      {"[/Separation /a /DeviceGray 0]", "pattern0"},
      {"[/Pattern]", "pattern0"},
      {"[/Whatever]", "none"},
  };
  for (const auto& [text, expected] : rows) {
    EXPECT_EQ(summary(VQPDFUtilities::ColorSpaceWithPDFObject(parse(text))), expected) << text;
  }
}

TEST(VQPDFUtilities, CalibratedParameters) {
  auto calrgb = VQPDFUtilities::ColorSpaceWithPDFObject(
      parse("[/CalRGB << /WhitePoint [0.9 1] /BlackPoint [0.1 0.2 0.3] /Gamma [2 2] /Matrix [1 2 3 4 5 6 7 8 9] >>]"));
  ASSERT_TRUE(calrgb);
  EXPECT_EQ(calrgb->whitePoint, (std::array<double, 3>{1, 1, 1}));  // two numbers: the default stays
  EXPECT_EQ(calrgb->blackPoint, (std::array<double, 3>{0.1, 0.2, 0.3}));
  EXPECT_EQ(calrgb->gamma, (std::array<double, 3>{1, 1, 1}));
  EXPECT_EQ(calrgb->matrix, (std::array<double, 9>{1, 2, 3, 4, 5, 6, 7, 8, 9}));

  auto lab = VQPDFUtilities::ColorSpaceWithPDFObject(parse("[/Lab << /WhitePoint [0.95 1 1.09] /Range [-100 100 -50] >>]"));
  ASSERT_TRUE(lab);
  EXPECT_EQ(lab->whitePoint, (std::array<double, 3>{0.95, 1, 1.09}));
  EXPECT_EQ(lab->range, (std::vector<double>{0, 0, 0, 0}));

  auto indexed = VQPDFUtilities::ColorSpaceWithPDFObject(parse("[/Indexed /DeviceRGB 300 <0102>]"));
  ASSERT_TRUE(indexed);
  EXPECT_EQ(indexed->hival, 255);
  // A short table is padded so every index can be looked up.
  EXPECT_EQ(indexed->lookupTable.size(), 256u * 3);
  EXPECT_EQ(indexed->lookupTable.substr(0, 3), std::string("\x01\x02\x00", 3));
}

TEST(VQPDFUtilities, ICCBased) {
  const std::string rgb = iccProfile("RGB ");
  const struct {
    const char* dict;
    std::string profile;
    const char* expected;
    size_t rangeSize;
  } rows[] = {
      {"<< /N 3 >>", rgb, "icc3(rgb3)", 6},
      {"<< /N 3 /Alternate /DeviceCMYK /Range [0 1 0 2 0 3] >>", rgb, "icc3(cmyk4)", 6},
      {"<< /N 4 >>", rgb, "icc3", 6},                     // N disagrees: the profile alone
      {"<< /N 4 >>", "not a profile", "cmyk4", 0},        // no profile: the alternate
      {"<< /Alternate /DeviceRGB >>", "junk", "rgb3", 0},
      {"<< >>", "junk", "gray1", 0},
      {"<< /N 2 >>", "junk", "none", 0},
      {"<< /N 1 >>", iccProfile("GRAY", 64), "gray1", 0},  // truncated header
      {"<< /N 6 >>", iccProfile("6CLR"), "icc6", 12},
  };
  for (const auto& row : rows) {
    auto cs = VQPDFUtilities::ColorSpaceWithPDFObject(iccArray(row.dict, row.profile));
    EXPECT_EQ(summary(cs), row.expected) << row.dict;
    if (cs && cs->model == Model::ICC) {
      EXPECT_EQ(cs->range.size(), row.rangeSize) << row.dict;
      EXPECT_EQ(cs->iccProfile, row.profile);
    }
  }
  EXPECT_EQ(VQPDFUtilities::ColorSpaceWithPDFObject(parse("[/ICCBased << /N 3 >>]")), nullptr);
}

TEST(VQPDFUtilities, PageRectsWithRotation) {
  auto doc = vq::pdf::Document::open(vqtest::corpusFile("text-distiller.pdf").string(), "");
  ASSERT_TRUE(doc);
  auto page = doc->page(1);
  const std::pair<int, vq::Rect> rows[] = {
      {0, vq::RectMake(0, 0, 595, 842)},   {-90, vq::RectMake(0, 0, 842, 595)}, {270, vq::RectMake(0, 0, 842, 595)},
      {450, vq::RectMake(0, 0, 842, 595)}, {180, vq::RectMake(0, 0, 595, 842)}, {-180, vq::RectMake(0, 0, 595, 842)},
  };
  for (const auto& [angle, expected] : rows) {
    EXPECT_EQ(VQPDFUtilities::GetPDFPageRect(*page, vq::pdf::PageBox::Media, angle), expected) << angle;
  }
  EXPECT_EQ(VQPDFUtilities::MediaBoxOfPDFPage(*page), vq::RectMake(0, 0, 595, 842));
  EXPECT_EQ(VQPDFUtilities::CropBoxOfPDFPage(*page), vq::RectMake(0, 0, 595, 842));

  // A page without a usable media box reads as A4.
  vqtest::ScratchDir dir;
  QPDF q;
  q.emptyPDF();
  QPDFObjectHandle pages = q.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Pages /Count 1 >>"));
  QPDFObjectHandle p = q.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 0 10] >>"));
  p.replaceKey("/Parent", pages);
  pages.replaceKey("/Kids", QPDFObjectHandle::newArray(std::vector<QPDFObjectHandle>{p}));
  q.getRoot().replaceKey("/Pages", pages);
  const std::string out = (dir / "nobox.pdf").string();  // QPDFWriter keeps the pointer
  QPDFWriter w(q, out.c_str());
  w.write();
  auto empty = vq::pdf::Document::open((dir / "nobox.pdf").string(), "");
  ASSERT_TRUE(empty);
  EXPECT_EQ(VQPDFUtilities::GetPDFPageRect(*empty->page(1), vq::pdf::PageBox::Crop, 90), vq::RectMake(0, 0, 842, 595));
}

TEST(VQPDFUtilities, RotatedPageTransform) {
  // Page corners land on the corners of the turned page (display size W x H).
  const struct {
    int angle;
    double w, h;
    vq::Point in, out;
  } rows[] = {
      {0, 100, 200, {0, 0}, {0, 200}},      {0, 100, 200, {100, 200}, {100, 0}},
      {90, 200, 100, {0, 0}, {0, 0}},       {90, 200, 100, {100, 200}, {200, 100}},
      {450, 200, 100, {100, 0}, {0, 100}},  {180, 100, 200, {0, 0}, {100, 0}},
      {180, 100, 200, {100, 200}, {0, 200}}, {270, 200, 100, {0, 0}, {200, 100}},
      {-90, 200, 100, {100, 200}, {0, 0}},  {45, 100, 200, {0, 0}, {0, 200}},
  };
  for (const auto& row : rows) {
    vq::Point p = vq::PointApplyAffineTransform(row.in, vq::VQPDFUtilitiesGetTransfromForRotatedPage(row.angle, row.w, row.h));
    EXPECT_NEAR(p.x, row.out.x, 1e-9) << row.angle;
    EXPECT_NEAR(p.y, row.out.y, 1e-9) << row.angle;
  }
}

TEST(VQPDFUtilities, PopNumber) {
  const struct {
    const char* operands;
    size_t count;
    std::vector<double> expected;
  } rows[] = {
      {"0.2 0.4 0.6", 3, {0.6, 0.4, 0.2}},
      {"0.5", 3, {0.5, 0.5, 0.5}},
      {"", 2, {0, 0}},
      {"1 2", 4, {2, 1, 0, 0}},
      {"/N 0.5", 3, {0.5, 0.5, 0.5}},
      {"9 8 7 6", 2, {6, 7}},
  };
  for (const auto& row : rows) {
    std::vector<double> got;
    withOperands(std::string(row.operands) + " x", [&](vq::pdf::Scanner& s) { got = vq::VQPDFUtilitiesPopNumber(s, row.count); });
    EXPECT_EQ(got, row.expected) << row.operands;
  }
}

TEST(VQPDFUtilities, NumbersAndStringsFromContainers) {
  Object dict = parse("<< /I 16777217 /R 0.1 /N /Name /S <FEFF00E9> /E () /Z 3 >>");
  Object array = parse("[16777217 0.1 /Name <FEFF00E9> () 3]");
  const struct {
    const char* key;
    size_t index;
    std::optional<double> number;
    std::optional<std::string> text;
  } rows[] = {
      {"I", 0, 16777216.0, std::nullopt}, {"R", 1, 0.1, std::nullopt},       {"N", 2, std::nullopt, "Name"},
      {"S", 3, std::nullopt, "\u00E9"},   {"E", 4, std::nullopt, std::nullopt}, {"missing", 9, std::nullopt, std::nullopt},
  };
  for (const auto& row : rows) {
    double a = -1, b = -1;
    EXPECT_EQ(VQPDFUtilities::GetNumberWithPDFDictionary(dict, row.key, &a), row.number.has_value()) << row.key;
    EXPECT_EQ(VQPDFUtilities::GetNumberWithPDFArray(array, row.index, &b), row.number.has_value()) << row.key;
    EXPECT_EQ(a, row.number.value_or(-1)) << row.key;
    EXPECT_EQ(b, row.number.value_or(-1)) << row.key;
    EXPECT_EQ(VQPDFUtilities::GetStringWithPDFDictionary(dict, row.key), row.text) << row.key;
    EXPECT_EQ(VQPDFUtilities::GetStringWithPDFArray(array, row.index), row.text) << row.key;
  }
}

TEST(VQPDFCGPathUtilities, ElementListsRoundTrip) {
  vq::Path path;
  path.moveTo(1, 2);
  path.lineTo(3, 4);
  path.quadCurveTo({5, 6}, {7, 8});
  path.curveTo({9, 10}, {11, 12}, {13, 14});
  path.closeSubpath();
  auto list = vq::VQPDFCGPathUtilities::NSArrayWithCGPath(path);
  ASSERT_TRUE(list);
  EXPECT_TRUE(list->valid);
  const std::vector<vq::VQPDFPathListElement> expected = {
      {0, {1, 2}}, {1, {3, 4}}, {2, {5, 6, 7, 8}}, {3, {9, 10, 11, 12, 13, 14}}, {4, {}}};
  EXPECT_EQ(list->elements, expected);
  auto back = vq::VQPDFCGPathUtilities::CGPathWithNSArray(*list);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, path);

  for (const auto& bad : {vq::VQPDFPathListElement{7, {1, 2}}, vq::VQPDFPathListElement{-1, {}},
                          vq::VQPDFPathListElement{3, {1, 2, 3, 4}}}) {
    vq::VQPDFPathElementList l{true, {{0, {0, 0}}, bad}};
    EXPECT_FALSE(vq::VQPDFCGPathUtilities::CGPathWithNSArray(l)) << bad.type;
  }
}
