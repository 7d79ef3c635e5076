// Stencil masks through whole conversions: a pale shaded box under a code
// listing (a 1x1 mask scaled up in a light process colour) stays pale under
// its text in DOCX and PPTX, one mask drawn in red and in blue gives a
// picture of each colour, and the page images are unchanged.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "office/docx/DocxTestSupport.h"
#include "platform/imageio/VQImageIO.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using Rgb = std::array<int, 3>;

constexpr const char* kListing = "int main(void) { return 0; }";

std::string StencilPage() {
  const std::string content = std::string("q 0 0 0.2 0 k 400 0 0 60 100 600 cm /Box Do Q ") +
                              "BT /F1 14 Tf 110 622 Td (int main\\(void\\) { return 0; }) Tj ET "
                              "q 1 0 0 rg 80 0 0 80 100 400 cm /Im1 Do Q q 0 0 1 rg 80 0 0 80 300 400 cm /Im1 Do Q";
  return vqtest::BuildPDF({
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 4 0 R >> "
      "/XObject << /Box 6 0 R /Im1 7 0 R >> >> /Contents 5 0 R >>",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Courier >>",
      vqtest::PDFStream(content),
      "<< /Type /XObject /Subtype /Image /Width 1 /Height 1 /ImageMask true /BitsPerComponent 1 " +
          vqtest::PDFStream(std::string(1, '\0')).substr(3),
      "<< /Type /XObject /Subtype /Image /Width 4 /Height 4 /ImageMask true " +
          vqtest::PDFStream(std::string("\x60\x90\x90\x60", 4)).substr(3),
  });
}

int Convert(const fs::path& pdf, const std::string& format, const fs::path& out) {
  const fs::path program = vqtest::binaryDir() / "cli" / "vqpapyrant";
  return vqtest::runCommand(vqtest::quoted(program) + " -i " + vqtest::quoted(pdf) + " -f " + format + " -o " +
                            vqtest::quoted(out) + " >/dev/null 2>&1");
}

// The text of a main part's runs (Word's w:t, a slide's a:t), joined.
std::string TextOf(const std::string& mainPart) {
  pugi::xml_document doc;
  std::string text;
  if (!doc.load_string(mainPart.c_str(), pugi::parse_default | pugi::parse_ws_pcdata)) return text;
  for (const auto& node : doc.select_nodes("//w:t | //a:t")) text += node.node().text().get();
  return text;
}

// The colours a picture paints with: those of its opaque pixels.
std::set<Rgb> PaintedColours(const fs::path& file) {
  std::set<Rgb> colours;
  const auto read = vq::imageio::readImageFile(file.string());
  if (!read) return colours;
  const vq::Bitmap picture = vq::imageio::convertBitmap(*read, vq::PixelFormat::RGBA8);
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) {
      const uint8_t* p = picture.row(y) + 4 * x;
      if (p[3] == 255) colours.insert({p[0], p[1], p[2]});
    }
  return colours;
}

bool Near(const Rgb& a, const Rgb& b) {
  for (size_t c = 0; c < 3; ++c)
    if (std::abs(a[c] - b[c]) > 3) return false;
  return true;
}

}  // namespace

TEST(StencilPicturesEndToEnd, OfficeDocumentsPaintMasksInTheirFillColours) {
  vqtest::ScratchDir dir;
  const fs::path pdf = dir / "listing.pdf";
  std::ofstream(pdf, std::ios::binary) << StencilPage();
  const Rgb pale{255, 252, 204}, red{255, 0, 0}, blue{0, 0, 255};
  const struct {
    const char* format;
    const char* media;
    const char* mainPart;
  } packages[] = {{"docx", "word/media/", "word/document.xml"}, {"pptx", "ppt/media/", "ppt/slides/slide1.xml"}};
  for (const auto& package : packages) {
    SCOPED_TRACE(package.format);
    const fs::path out = dir / (std::string("out.") + package.format);
    ASSERT_EQ(Convert(pdf, package.format, out), 0);
    std::string part;
    vqtest::runCommand("unzip -p " + vqtest::quoted(out) + " " + package.mainPart, &part);
    EXPECT_EQ(TextOf(part), kListing) << "the listing's text comes out over its box";

    const fs::path unpacked = dir / package.format;
    ASSERT_TRUE(vqtest::unzipTo(out, unpacked));
    // Each picture paints in one colour; together they are the box's, the
    // red and the blue mask's, and none is black.
    std::vector<Rgb> seen;
    for (const auto& entry : fs::directory_iterator(unpacked / package.media)) {
      const auto colours = PaintedColours(entry.path());
      ASSERT_EQ(colours.size(), 1u) << entry.path().filename();
      seen.push_back(*colours.begin());
    }
    ASSERT_EQ(seen.size(), 3u);
    for (const Rgb& want : {pale, red, blue})
      EXPECT_EQ(std::count_if(seen.begin(), seen.end(), [&](const Rgb& got) { return Near(got, want); }), 1)
          << want[0] << " " << want[1] << " " << want[2];
  }

  // The page image (drawn whole by the renderer) has the pale box and the
  // two masks in their colours too.
  const fs::path images = dir / "png";
  ASSERT_EQ(Convert(pdf, "png", images), 0);
  std::vector<fs::path> pages;
  for (const auto& entry : fs::directory_iterator(images)) pages.push_back(entry.path());
  ASSERT_EQ(pages.size(), 1u);
  const auto read = vq::imageio::readImageFile(pages[0].string());
  ASSERT_TRUE(read);
  const vq::Bitmap page = vq::imageio::convertBitmap(*read, vq::PixelFormat::RGBA8);
  const double k = page.width / 612.0;
  const auto at = [&](double x, double y) {
    const uint8_t* p = page.row(static_cast<int>((792 - y) * k)) + 4 * static_cast<int>(x * k);
    return Rgb{p[0], p[1], p[2]};
  };
  EXPECT_TRUE(Near(at(480, 650), pale));  // right of the text, inside the box
  EXPECT_TRUE(Near(at(105, 475), red));   // a corner bit of each mask
  EXPECT_TRUE(Near(at(305, 475), blue));
}
