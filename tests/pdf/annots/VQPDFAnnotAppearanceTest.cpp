// The page's annotation walk: appearance streams placed on their rectangle,
// which annotation a report belongs to, the state stack, flags and loops.
#include <gtest/gtest.h>

#include "AnnotTestSupport.h"

namespace {

using vqtest::AnnotPage;
using vqtest::RectText;
using vqtest::Report;

TEST(VQPDFAnnotAppearance, FormIsMappedOntoRect) {
  struct Case {
    const char* name;
    const char* formDict;
    const char* content;
    const char* rect;
    const char* expected;        // bounding box of the reported path in page space
    const char* clip = nullptr;  // the rectangle when not `expected`
  } cases[] = {
      {"same size", "<< /Subtype /Form /BBox [0 0 40 20] >>", "0 0 40 20 re f", "[100 100 140 120]", "100 100 40 20"},
      {"scaled", "<< /Subtype /Form /BBox [0 0 20 10] >>", "0 0 20 10 re f", "[100 100 140 120]", "100 100 40 20"},
      {"offset box", "<< /Subtype /Form /BBox [5 5 25 15] >>", "5 5 20 10 re f", "[100 100 120 110]", "100 100 20 10"},
      {"rotated", "<< /Subtype /Form /BBox [0 0 20 10] /Matrix [0 1 -1 0 0 0] >>", "0 0 20 10 re f",
       "[100 100 110 120]", "100 100 10 20"},
      {"no subtype", "<< /BBox [0 0 20 10] >>", "0 0 20 10 re f", "[100 100 140 120]", "100 100 40 20"},
      {"no bbox", "<< /Subtype /Form >>", "0 0 20 10 re f", "[100 100 110 110]", "100 100 20 10", "100 100 10 10"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AnnotPage page;
    auto annot = page.add(fmt::format("<< /Type /Annot /Subtype /Widget /Rect {} >>", c.rect));
    AnnotPage::setAppearance(annot, page.stream(c.formDict, c.content));
    auto reports = page.run();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(RectText(reports[0].path.boundingBox()), c.expected);
    EXPECT_TRUE(reports[0].inForm);
    // The appearance is clipped to the annotation's rectangle.
    ASSERT_EQ(reports[0].clips.size(), 1u);
    EXPECT_EQ(RectText(reports[0].clips[0]), c.clip ? c.clip : c.expected);
  }
}

TEST(VQPDFAnnotAppearance, ImageAppearanceFillsRect) {
  AnnotPage page;
  auto annot = page.add("<< /Type /Annot /Subtype /Stamp /Rect [10 20 60 40] >>");
  AnnotPage::setAppearance(annot, page.stream("<< /Subtype /Image /Width 1 /Height 1 /ColorSpace /DeviceGray "
                                              "/BitsPerComponent 8 >>",
                                              std::string(1, '\x80')));
  auto reports = page.run();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].kind, "image");
  EXPECT_EQ(reports[0].ctm, vq::AffineTransformMake(50, 0, 0, 20, 10, 20));
}

TEST(VQPDFAnnotAppearance, ReportsLeadBackToTheirAnnotation) {
  AnnotPage page;
  page.add("<< /Type /Annot /Subtype /Square /Rect [0 0 10 10] /Contents (A) >>");
  auto b = page.add("<< /Type /Annot /Subtype /Square /Rect [20 0 30 10] /Contents (B) >>");
  AnnotPage::setAppearance(b, page.stream("<< /BBox [0 0 10 10] >>", "0 0 5 5 re f"));
  // C's appearance draws a nested form as well as its own path.
  auto inner = page.stream("<< /Subtype /Form /BBox [0 0 10 10] >>", "1 1 2 2 re f");
  auto outer = page.stream("<< /Subtype /Form /BBox [0 0 10 10] >>", "0 0 3 3 re f /Fm0 Do");
  QPDFObjectHandle xobjects = QPDFObjectHandle::newDictionary();
  xobjects.replaceKey("/Fm0", inner);
  QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
  resources.replaceKey("/XObject", xobjects);
  outer.getDict().replaceKey("/Resources", resources);
  auto c = page.add("<< /Type /Annot /Subtype /FreeText /Rect [40 0 50 10] /Contents (C) >>");
  AnnotPage::setAppearance(c, outer);
  page.add("<< /Type /Annot /Subtype /FreeText /Rect [60 0 70 10] /Contents (D) >>");

  auto reports = page.run("0 0 1 1 re f");
  std::vector<std::string> seen;
  for (const auto& r : reports) seen.push_back(r.annot ? r.annot->contents.value_or("?") : "page");
  EXPECT_EQ(seen, (std::vector<std::string>{"page", "A", "B", "C", "C", "D"}));
  // The collection's lookup agrees with the walk's numbering.
  for (const auto& r : reports) {
    if (r.annot) {
      EXPECT_EQ(static_cast<size_t>(r.annot->pdfAnnotionIndex), std::string("ABCD").find(*r.annot->contents));
    }
  }
}

TEST(VQPDFAnnotAppearance, WalkLeavesStackDepthUnchanged) {
  AnnotPage page;
  auto a = page.add("<< /Type /Annot /Subtype /Widget /Rect [0 0 10 10] >>");
  AnnotPage::setAppearance(a, page.stream("<< /BBox [0 0 10 10] >>", "q q q 0 0 1 1 re f Q Q Q Q Q q"));
  page.add("<< /Type /Annot /Subtype /Highlight /C [1 1 0] /QuadPoints [0 1 1 1 0 0 1 0] >>");
  page.add("<< /Type /Annot /Subtype /FreeText /Rect [0 0 10 10] >>");
  page.add("<< /Type /Annot /Subtype /Line /Rect [0 0 10 10] /L [0 0 5 5] /LE [/Circle /Square] >>");
  for (const char* content : {"", "q q 1 0 0 1 5 5 cm", "Q Q"}) {
    SCOPED_TRACE(content);
    size_t before = 0, after = 0;
    auto reports = page.run(content, true, &after, &before);
    EXPECT_EQ(reports.size(), 4u);
    EXPECT_EQ(after, before);
    size_t withWalk = 0, withoutWalk = 0;
    page.run(content, true, &withWalk);
    page.run(content, false, &withoutWalk);
    EXPECT_EQ(withWalk, withoutWalk);
  }
}

TEST(VQPDFAnnotAppearance, FlagsAndSwitches) {
  struct Case {
    const char* flags;
    size_t reports;
  } cases[] = {
      {"", 1}, {"/F 4", 1}, {"/F 2", 0}, {"/F 32", 0}, {"/F 38", 0}, {"/F 1", 1}, {"/CA 0", 0}, {"/CA 0.5", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flags);
    AnnotPage page;
    auto a = page.add(fmt::format("<< /Type /Annot /Subtype /Widget /Rect [0 0 10 10] {} >>", c.flags));
    AnnotPage::setAppearance(a, page.stream("<< /BBox [0 0 10 10] >>", "0 0 1 1 re f"));
    page.add(fmt::format("<< /Type /Annot /Subtype /Square /Rect [0 0 10 10] {} >>", c.flags));
    auto reports = page.run();
    EXPECT_EQ(reports.size(), 2 * c.reports);
    // The constant opacity reaches both the drawn shape and the appearance.
    for (const auto& r : reports) EXPECT_EQ(r.strokeAlpha, std::string(c.flags) == "/CA 0.5" ? 0.5 : 1.0);
    EXPECT_TRUE(page.run("", false).empty());
  }
  // Notes are icons; nothing of them is converted. A stamp draws its appearance.
  AnnotPage page;
  auto text = page.add("<< /Type /Annot /Subtype /Text /Rect [0 0 10 10] >>");
  AnnotPage::setAppearance(text, page.stream("<< /BBox [0 0 10 10] >>", "0 0 1 1 re f"));
  auto stamp = page.add("<< /Type /Annot /Subtype /Stamp /Rect [0 0 10 10] >>");
  AnnotPage::setAppearance(stamp, page.stream("<< /BBox [0 0 10 10] >>", "0 0 1 1 re f"));
  page.add("<< /Type /Annot /Subtype /Widget /Rect [0 0 10 10] >>");  // no appearance at all
  EXPECT_EQ(page.run().size(), 1u);
}

TEST(VQPDFAnnotAppearance, LoopsEnd) {
  AnnotPage page;
  auto a = page.add("<< /Type /Annot /Subtype /Widget /Rect [0 0 10 10] >>");
  // An appearance that draws itself and claims the page's annotations.
  auto form = page.stream("<< /BBox [0 0 10 10] >>", "0 0 1 1 re f /Me Do");
  QPDFObjectHandle xobjects = QPDFObjectHandle::newDictionary();
  xobjects.replaceKey("/Me", form);
  QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
  resources.replaceKey("/XObject", xobjects);
  form.getDict().replaceKey("/Resources", resources);
  QPDFObjectHandle annots = QPDFObjectHandle::newArray();
  annots.appendItem(a);
  form.getDict().replaceKey("/Annots", annots);
  AnnotPage::setAppearance(a, form);
  auto reports = page.run();
  EXPECT_EQ(reports.size(), 1u);
}

}  // namespace
