// Every font of the real-world PDFs builds, and decoding any bytes through it
// stays well-formed: each step consumes bytes and yields valid UTF-8.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "fonts/VQPDFFontCollection.h"
#include "platform/pdf/PdfDocument.h"
#include "platform/text/Utf8.h"
#include "support/TestSupport.h"

namespace {

// Returns the number of fonts checked.
int checkCorpusFonts() {
  // All single bytes, then every pair of a few lead bytes, so one- to four-byte
  // codes of every CMap kind are met.
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  for (int lead : {0x00, 0x20, 0x81, 0xA1, 0xE3, 0xFF})
    for (int b = 0; b < 256; ++b) bytes += {static_cast<char>(lead), static_cast<char>(b)};

  int fonts = 0;
  for (const auto& path : vqtest::corpusFiles()) {
    auto doc = vq::pdf::Document::open(path.string(), "");
    if (!doc) continue;  // encrypted with a password this test does not know
    for (int p = 1; p <= std::min(doc->pageCount(), 3); ++p) {
      auto page = doc->page(p);
      if (!page) continue;
      vq::VQPDFFontCollection collection(page->resources().get("Font"));
      for (const auto& [key, font] : collection.fonts()) {
        ++fonts;
        for (size_t i = 0; i < bytes.size();) {
          auto c = font->getNextChar(std::string_view(bytes).substr(i));
          EXPECT_TRUE(c.bytesUsed >= 1 && c.bytesUsed <= bytes.size() - i) << path << " " << key;
          EXPECT_TRUE(vq::text::isValidUTF8(c.text)) << path << " " << key;
          if (c.bytesUsed < 1 || c.bytesUsed > bytes.size() - i) break;
          i += c.bytesUsed;
        }
        EXPECT_TRUE(vq::text::isValidUTF8(font->fontName)) << path;
        EXPECT_FALSE(font->fontSystemReplaceName.empty()) << path << " " << key;
        EXPECT_GT(font->widthOfSpace(), 0) << path << " " << key;
      }
    }
  }
  return fonts;
}

TEST(CorpusFontsTest, EveryFontDecodesArbitraryBytes) { EXPECT_GT(checkCorpusFonts(), 10); }

// Pages of one document are parsed on several threads at once: the shared
// tables (standard fonts, CMaps, font book) must serve them all.
TEST(CorpusFontsTest, FontsBuildOnSeveralThreadsAtOnce) {
  std::vector<std::thread> threads;
  std::atomic<int> total{0};
  for (int t = 0; t < 4; ++t) threads.emplace_back([&] { total += checkCorpusFonts(); });
  for (auto& t : threads) t.join();
  EXPECT_EQ(total % 4, 0);
}

// TeX's Type 1 fonts carry no /Encoding: their own encoding puts quotes,
// dashes and ligatures where WinAnsi has other characters.
TEST(CorpusFontsTest, EmbeddedType1FontUsesItsOwnEncoding) {
  auto doc = vq::pdf::Document::open(vqtest::corpusFile("tables-booktabs.pdf").string(), "");
  ASSERT_TRUE(doc);
  auto page = doc->page(1);
  ASSERT_TRUE(page);
  vq::VQPDFFontCollection collection(page->resources().get("Font"));
  std::shared_ptr<vq::VQPDFFont> cmr10, cmr17;
  for (const auto& [key, font] : collection.fonts()) {
    if (font->baseFontName == "XVDEIN+CMR10") cmr10 = font;
    if (font->baseFontName == "KMZQNQ+CMR17") cmr17 = font;
  }
  ASSERT_TRUE(cmr10 && cmr17);
  const std::pair<char, const char*> rows[] = {{'\x0C', "fi"},
                                               {'\x0D', "fl"},
                                               {'\x27', "\xE2\x80\x99"},
                                               {'\x60', "\xE2\x80\x98"},
                                               {'\x7B', "\xE2\x80\x93"},
                                               {'\x7C', "\xE2\x80\x94"},
                                               {'A', "A"}};
  for (const auto& [code, text] : rows) EXPECT_EQ(cmr10->getNextChar(std::string(1, code)).text, text) << int(code);
  // A code the subset program leaves out keeps the default encoding's text.
  EXPECT_EQ(cmr17->getNextChar(std::string("'")).text, "'");
}

}  // namespace
