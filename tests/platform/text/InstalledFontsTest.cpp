// Installed fonts through fontconfig over a fixed folder (fonts-liberation2),
// and FreeType faces measured from those files.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/text/FontFace.h"
#include "platform/text/InstalledFonts.h"
#include "platform/text/Utf8.h"
#include "support/TestSupport.h"

namespace {

using vq::text::InstalledFonts;

constexpr const char* kFontDir = "/usr/share/fonts/truetype/liberation2";

class InstalledFontsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream conf(dir_ / "fonts.conf");
    conf << "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig><dir>" << kFontDir
         << "</dir><cachedir>" << (dir_ / "cache").string() << "</cachedir></fontconfig>\n";
    conf.close();
    InstalledFonts::setProvider(std::make_shared<vq::text::FontconfigProvider>((dir_ / "fonts.conf").string()));
  }
  void TearDown() override { InstalledFonts::setProvider(nullptr); }
  vqtest::ScratchDir dir_;
};

TEST_F(InstalledFontsTest, ExactNamesOnlyIgnoringCase) {
  ASSERT_FALSE(InstalledFonts::faces()->empty());
  struct Row {
    const char* name;
    const char* fullName;  // nullptr: not installed
  } rows[] = {
      {"LiberationSans-Bold", "Liberation Sans Bold"},   // PostScript name
      {"liberation sans bold", "Liberation Sans Bold"},  // full name, other case
      {"Liberation Serif", "Liberation Serif"},          // family: its regular face
      {"Liberation", nullptr},                           // a prefix is no match
      {"Arial", nullptr},                                // no substitute is ever offered
      {"", nullptr},
  };
  for (const auto& r : rows) {
    auto face = InstalledFonts::findExact(r.name);
    if (r.fullName) {
      ASSERT_TRUE(face) << r.name;
      EXPECT_EQ(face->fullName, r.fullName);
    } else {
      EXPECT_FALSE(face) << r.name;
    }
  }
}

TEST_F(InstalledFontsTest, FaceNamesTraitsAndAdvances) {
  auto info = InstalledFonts::findExact("LiberationSerif-BoldItalic");
  ASSERT_TRUE(info);
  auto face = InstalledFonts::load(*info);
  ASSERT_TRUE(face);
  EXPECT_EQ(face->postScriptName(), "LiberationSerif-BoldItalic");
  EXPECT_EQ(face->fullName(), "Liberation Serif Bold Italic");
  auto traits = face->traits();
  EXPECT_TRUE(traits.bold);
  EXPECT_TRUE(traits.italic);
  EXPECT_FALSE(traits.monospace);

  auto mono = InstalledFonts::load(*InstalledFonts::findExact("LiberationMono"));
  ASSERT_TRUE(mono);
  EXPECT_TRUE(mono->traits().monospace);
  EXPECT_NEAR(mono->advanceOfChar('W'), 0.6, 1e-3);
  EXPECT_NEAR(mono->widthOfString("abc", 10), 18.0, 1e-2);
  EXPECT_EQ(mono->widthOfString("a\xE4\xB8\x80", 10), 0);  // a character without glyph measures nothing
  EXPECT_FALSE(mono->glyphForChar(0x4E00));
}

// The stand-in for a character comes from fontconfig's record of each font's
// characters; the plain way (loading every face and asking it) must agree.
TEST(InstalledFontsCoverageTest, StandInFacesForCharacters) {
  vqtest::ScratchDir dir;
  std::ofstream conf(dir / "fonts.conf");
  conf << "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig><dir>" << kFontDir
       << "</dir><dir>/usr/share/fonts/opentype/urw-base35</dir><cachedir>" << (dir / "cache").string()
       << "</cachedir></fontconfig>\n";
  conf.close();
  auto fontconfig = std::make_shared<vq::text::FontconfigProvider>((dir / "fonts.conf").string());
  // The same faces, with the coverage left to the plain way.
  struct Plain : vq::text::FontProvider {
    std::shared_ptr<vq::text::FontProvider> listing;
    std::vector<vq::text::InstalledFace> faces() const override { return listing->faces(); }
  };
  auto plain = std::make_shared<Plain>();
  plain->listing = fontconfig;

  struct Row {
    uint32_t character;
    const char* fullName;  // nullptr: no face has it
  } rows[] = {
      {0x2200, "C059-Roman"},       // the regular face (not the first) of the first family in name order
      {0x1E9E, "Liberation Mono"},  // only the Liberation families have it
      {0x4E16, nullptr},            // no ideographs here
      {0x110000, nullptr},          // no character at all
  };
  for (const auto& provider :
       {std::shared_ptr<vq::text::FontProvider>(fontconfig), std::shared_ptr<vq::text::FontProvider>(plain)}) {
    InstalledFonts::setProvider(provider);
    for (const auto& r : rows) {
      auto face = InstalledFonts::findCovering(r.character);
      if (r.fullName) {
        ASSERT_TRUE(face) << std::hex << r.character;
        EXPECT_EQ(face->fullName, r.fullName) << std::hex << r.character;
        auto loaded = InstalledFonts::load(*face);
        ASSERT_TRUE(loaded);
        EXPECT_TRUE(loaded->glyphForChar(r.character));
      } else {
        EXPECT_FALSE(face) << std::hex << r.character;
      }
    }
  }
  InstalledFonts::setProvider(nullptr);
}

TEST(FontFaceTest, RejectsDataThatIsNoFont) {
  EXPECT_FALSE(vq::text::FontFace::fromData(""));
  EXPECT_FALSE(vq::text::FontFace::fromData(std::string(100, 'x')));
  EXPECT_FALSE(vq::text::FontFace::fromFile("/nonexistent/font.ttf"));
}

TEST(Utf8Test, Validity) {
  EXPECT_TRUE(vq::text::isValidUTF8("abc\xC3\xA9\xF0\x9F\x98\x80"));
  for (const char* bad : {"\xC3", "\xE9", "\xED\xA0\x80", "\xC0\xAF", "\xF4\x90\x80\x80"})
    EXPECT_FALSE(vq::text::isValidUTF8(bad)) << bad;
  EXPECT_EQ(vq::text::decodeUTF8("a\xFF"
                                 "b"),
            (std::vector<uint32_t>{'a', 'b'}));
}

}  // namespace

// A name that is not installed is shown in the family the configuration
// aliases it to; exact names are never substituted, and a provider without
// aliases offers no stand-in.
TEST(InstalledFontsShownFace, AliasesStandInOnlyForNamesNotInstalled) {
  vqtest::ScratchDir dir;
  {
    std::ofstream conf(dir / "fonts.conf");
    conf << "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig><dir>" << kFontDir
         << "</dir><cachedir>" << (dir / "cache").string()
         << "</cachedir><alias><family>Times</family><prefer><family>Liberation Serif</family></prefer></alias>"
            "</fontconfig>\n";
  }
  InstalledFonts::setProvider(std::make_shared<vq::text::FontconfigProvider>((dir / "fonts.conf").string()));
  EXPECT_FALSE(InstalledFonts::findExact("Times"));
  const auto times = InstalledFonts::findShownFace("Times");
  ASSERT_TRUE(times);
  EXPECT_EQ(times->family, "Liberation Serif");
  const auto sans = InstalledFonts::findShownFace("Liberation Sans Bold");
  ASSERT_TRUE(sans);
  EXPECT_EQ(sans->fullName, "Liberation Sans Bold") << "an installed name is its own face";

  struct Listed : vq::text::FontProvider {
    std::vector<vq::text::InstalledFace> faces() const override {
      return {{"Liberation Serif", "Regular", "Liberation Serif", "LiberationSerif-Regular",
               std::string(kFontDir) + "/LiberationSerif-Regular.ttf", 0}};
    }
  };
  InstalledFonts::setProvider(std::make_shared<Listed>());
  EXPECT_FALSE(InstalledFonts::findShownFace("Times")) << "the cache went with the provider";
  EXPECT_TRUE(InstalledFonts::findShownFace("Liberation Serif"));
  InstalledFonts::setProvider(nullptr);
}
