// Pictures through the whole DOCX conversion: a page of hundreds of tiny
// images becomes one picture, and the package keeps only its file.
#include <gtest/gtest.h>

#include <algorithm>

#include "docx/DocxConversionSupport.h"

TEST(VQDocxPageGraphicsEndToEnd, HundredsOfTinyImagesBecomeOnePicture) {
  constexpr int kImages = 520;
  std::string content, xobjects;
  std::vector<std::string> images;
  for (int k = 0; k < kImages; ++k) {
    // Each image its own 2 x 2 picture, so that each has a file of its own.
    const std::string pixels(12, static_cast<char>(k % 200 + 20));
    images.push_back(
        "<< /Type /XObject /Subtype /Image /Width 2 /Height 2 /ColorSpace /DeviceRGB "
        "/BitsPerComponent 8 /Length 12 >>\nstream\n" +
        pixels + "\nendstream");
    xobjects += "/Im" + std::to_string(k) + " " + std::to_string(6 + k) + " 0 R ";
    content += "q 8 0 0 8 " + std::to_string(40 + (k % 26) * 20) + " " + std::to_string(700 - (k / 26) * 20) +
               " cm /Im" + std::to_string(k) + " Do Q ";
  }
  vqtest::ScratchDir dir;
  const std::string mainPart = vqtest::ConvertToMainPart(
      vqtest::OneHelveticaPagePDF(content, "", images, "/XObject << " + xobjects + ">>"), dir);
  ASSERT_FALSE(mainPart.empty());

  size_t pictures = 0;
  for (size_t at = mainPart.find("<v:imagedata"); at != std::string::npos; at = mainPart.find("<v:imagedata", at + 1))
    ++pictures;
  EXPECT_EQ(pictures, 1u);
  const auto entries = vqtest::zipEntries(dir / "out.docx");
  const auto media = std::count_if(entries.begin(), entries.end(),
                                   [](const std::string& name) { return name.rfind("word/media/", 0) == 0; });
  EXPECT_EQ(media, 1);
  std::string relationships;
  vqtest::runCommand("unzip -p " + vqtest::quoted(dir / "out.docx") + " word/_rels/document.xml.rels", &relationships);
  EXPECT_EQ(relationships.find("media/"), relationships.rfind("media/")) << "one picture relationship";
  EXPECT_NE(relationships.find("Merge_"), std::string::npos);
}
