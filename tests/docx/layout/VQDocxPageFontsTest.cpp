#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "docx/capture/PlacedTextRun.h"
#include "docx/layout/VQDocxPage.h"
#include "office/VQDocxUtilities.h"

namespace {

// A page of one line of the given text in a font that is not installed,
// whose stand-in is "Times".
std::shared_ptr<vq::VQDocxPage> PageOf(const std::string& text) {
  auto page = std::make_shared<vq::VQDocxPage>(612, 792, vq::AffineTransformIdentity, 1, 1, true, true);
  vqtest::PlacedText p;
  p.text = text;
  p.x = 72;
  p.base = 100;
  p.top = 92;
  p.width = 300;
  auto run = vqtest::PlacedTextRun(p);
  vq::VQDocxSetText(run->rProperty.rFonts.ascii, "NotInstalledFont-X");
  vq::VQDocxSetText(run->rProperty.rFonts_replace.ascii, "Times");
  page->allRunTextArray.push_back(run);
  return page;
}

}  // namespace

// A Chinese page is marked Chinese and its serif stand-in becomes the usual
// Chinese serif face (or the universal one where that is not installed); an
// English page keeps its stand-in and language.
TEST(VQDocxPageFontsTest, ChinesePagesGetChineseFacesAndLanguage) {
  const auto chinese = PageOf("这是一段用于检测语言的中文文本内容，包含足够多的汉字以便识别。");
  chinese->processPDFPage();
  EXPECT_EQ(chinese->localizedLanguage, "zh-CN");
  const auto& run = *chinese->allRunTextArray.front();
  EXPECT_EQ(run.markLanguage, std::optional<std::string>("zh-CN"));
  const std::string face(vq::VQDocxText(run.rProperty.rFonts_replace.ascii));
  EXPECT_TRUE(face == "STSong" || face == "Arial Unicode MS") << face;

  const auto english = PageOf("This is a line of plain English text, long enough to be recognised as such.");
  english->processPDFPage();
  EXPECT_EQ(english->localizedLanguage, "en-US");
  EXPECT_EQ(vq::VQDocxText(english->allRunTextArray.front()->rProperty.rFonts_replace.ascii), "Times");
}
