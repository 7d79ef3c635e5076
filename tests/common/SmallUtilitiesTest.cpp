#include <gtest/gtest.h>

#include <mutex>
#include <regex>
#include <set>
#include <thread>

#include "common/VQCGPath.h"
#include "common/VQHexColor.h"
#include "common/VQNumberUtils.h"
#include "common/VQPoint.h"
#include "common/VQRandomString.h"
#include "common/VQRegex.h"

using namespace vq;

TEST(HexColor, SixLowerCaseDigitsAndBlackTest) {
  struct Case {
    const char* what;
    Color color;
    const char* hex;
    bool black;
  } cases[] = {
      {"rgb", ColorMakeRGB(1, 0.5, 0), "ff8000", false},
      {"grey", ColorMakeGray(0.2), "333333", false},
      {"cmyk", ColorMakeOther({0, 1, 1, 0}), "000000", true},
      {"near black rounds down", ColorMakeRGB(0.04, 0.04, 0.04), "0a0a0a", true},
      {"one red channel too light", ColorMakeRGB(0.05, 0, 0), "0d0000", false},
      {"dark grey", ColorMakeGray(0.03), "080808", true},
      {"out of range kept to two digits", ColorMakeRGB(1.5, -0.2, 0.5), "ff0080", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.hex, VQHexColor::getHexColorFromCGColor(c.color)) << c.what;
    EXPECT_EQ(c.black, VQHexColor::isBlackColor(c.color)) << c.what;
  }
  EXPECT_FALSE(VQHexColor::getHexColorFromCGColor(nullptr));
  EXPECT_FALSE(VQHexColor::isBlackColor(nullptr));
  EXPECT_EQ(ColorMakeRGB(1, 1, 1, 1), VQHexColor::whiteCGColor());
}

TEST(NumberUtils, SeparatorsByNumberType) {
  const char* thousands = ",,,.,.,.,,,";  // types 0..9, then any other
  const char* decimals = ".,.,.,.,,.,";
  for (int type = 0; type <= 10; ++type) {
    EXPECT_EQ(std::string(1, thousands[type]), VQNumberUtils::getThousandSepartor(type)) << type;
    EXPECT_EQ(std::string(1, decimals[type]), VQNumberUtils::getDecimalSepartor(type)) << type;
  }
  EXPECT_EQ(",", VQNumberUtils::getDecimalSepartor(-1));
}

TEST(NumberUtils, SymbolsDecimalsAndFormatCodes) {
  EXPECT_EQ((std::vector<std::string>{"\uFFE5", "\u00A5", "$", "\u20AC"}), VQNumberUtils::supportCurrencySymbols());
  EXPECT_EQ("\u00A5", VQNumberUtils::getSymbol("\u00A5 1,000 $"));
  EXPECT_EQ("$", VQNumberUtils::getSymbol("US$ 5"));
  EXPECT_EQ("", VQNumberUtils::getSymbol("12.5"));

  struct Case {
    const char* text;
    std::optional<std::string> symbol;
    const char* separator;
    int expected;
  } cases[] = {
      {"$ 1,234.50", "$", ".", 2},  {"1.2.3", std::nullopt, ".", 0},          {"1 234,5 \u20AC", "\u20AC", ",", 1},
      {"12", std::nullopt, ".", 0}, {"3,\u00E9\u00E9", std::nullopt, ",", 2},  // counted in characters, not bytes
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.expected, VQNumberUtils::getDecimalLength(c.text, c.symbol, c.separator)) << c.text;

  EXPECT_EQ("#,##0", VQNumberUtils::numberCodeWithDecimalLength(0));
  EXPECT_EQ("#,##0", VQNumberUtils::numberCodeWithDecimalLength(-3));
  EXPECT_EQ("#,##0.00", VQNumberUtils::numberCodeWithDecimalLength(2));
  EXPECT_EQ("$#,##0.0", VQNumberUtils::currencyFormatWithDecimalLength(1, "$", 4));
  EXPECT_EQ("#,##0\u20AC", VQNumberUtils::currencyFormatWithDecimalLength(0, "\u20AC", 7));
}

TEST(Regex, NumberValidatorsMatchTheWholeText) {
  using Validator = bool (*)(std::string_view);
  struct Case {
    const char* what;
    Validator validate;
    const char* text;
    bool expected;
  } cases[] = {
      {"general dot", VQRegex::validateGeneralNumbersDecimalSepartorByDot, "-12.50", true},
      {"general dot trailing text", VQRegex::validateGeneralNumbersDecimalSepartorByDot, "12.5x", false},
      {"general comma", VQRegex::validateGeneralNumbersDecimalSepartorByComma, "12,5", true},
      {"general comma rejects dot", VQRegex::validateGeneralNumbersDecimalSepartorByComma, "12.5", false},
      {"percent dot", VQRegex::validatePercentNumbersDecimalSepartorByDot, "12.5%", true},
      {"percent needs the whole text", VQRegex::validatePercentNumbersDecimalSepartorByDot, "12.5%x", false},
      {"percent comma", VQRegex::validatePercentNumbersDecimalSepartorByComma, "-3,25%", true},
      {"thousands comma", VQRegex::validateNumbersWithThousandSepartorByComma, "-1,234,567.89", true},
      {"thousands comma misplaced", VQRegex::validateNumbersWithThousandSepartorByComma, "1234,567", false},
      {"thousands comma needs a group", VQRegex::validateNumbersWithThousandSepartorByComma, "123", false},
      {"thousands dot", VQRegex::validateNumbersWithThousandSepartorByDot, "1.234,5", true},
      {"empty", VQRegex::validateGeneralNumbersDecimalSepartorByDot, "", false},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, c.validate(c.text)) << c.what;
  EXPECT_FALSE(VQRegex::evaluateWithRegex("(unclosed", "(unclosed"));
  EXPECT_TRUE(VQRegex::evaluateWithRegex("a.c", "a\u00E9c")) << "one character, two bytes";
}

TEST(Regex, CurrencyClassesWorkOnCharacters) {
  const auto& all = VQNumberUtils::supportCurrencySymbols();
  using Validator = bool (*)(std::string_view, const std::vector<std::string>&);
  struct Case {
    const char* what;
    Validator validate;
    const char* text;
    std::vector<std::string> symbols;
    bool expected;
  } cases[] = {
      {"fullwidth yen before", VQRegex::validateCurrencyNumberSBNSC, "\uFFE5 1,234.50", all, true},
      {"euro before, dot groups", VQRegex::validateCurrencyNumberSBNSD, "-\u20AC1.234,5", all, true},
      {"euro after", VQRegex::validateCurrencyNumberSANSD, "1.234,50 \u20AC", all, true},
      {"dollar after", VQRegex::validateCurrencyNumberSANSC, "12.5$", all, true},
      {"two symbols", VQRegex::validateCurrencyNumberSBNSC, "$$12", all, false},
      // A lone byte of a multi-byte symbol must not match.
      {"stray byte", VQRegex::validateCurrencyNumberSBNSC,
       "\xE2"
       "12",
       all, false},
      {"empty list means the defaults", VQRegex::validateCurrencyNumberSBNSC, "\u00A512", {}, true},
      {"symbol outside the list", VQRegex::validateCurrencyNumberSBNSC, "\u20AC12", {"$"}, false},
      {"class characters are literal", VQRegex::validateCurrencyNumberSBNSC, "a12", {"^]a"}, true},
      {"no range from a hyphen", VQRegex::validateCurrencyNumberSBNSC, "b12", {"a-c"}, false},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, c.validate(c.text, c.symbols)) << c.what;
  EXPECT_EQ("$\uFFE5\u00A5\u20AC", VQRegex::currencySymbols({}));
  EXPECT_EQ("$\u20AC", VQRegex::currencySymbols({"$", "\u20AC"}));
}

TEST(Regex, LanguageGuess) {
  struct Case {
    const char* text;
    const char* expected;
  } cases[] = {
      {"", ""},
      {"12345 ... 678", ""},
      {"This is an English sentence about tables and columns in a document.", "en"},
      {"The quick brown fox jumps over the lazy dog.", "en"},
      {"Summary of the results", "en"},
      {"Introductiontothesystemandmethods", "en"},  // page samples lose their spaces
      {"DieErgebnissezeigendassdieMethodeschnellerist", "de"},
      {"\u8FD9\u662F\u4E00\u4E2A\u7B80\u4F53\u4E2D\u6587\u7684\u53E5\u5B50\uFF0C\u7528\u4E8E\u6D4B\u8BD5\u8BED\u8A00"
       "\u8BC6\u522B\u3002",
       "zh-Hans"},
      {"\u9019\u662F\u4E00\u500B\u7E41\u9AD4\u4E2D\u6587\u7684\u53E5\u5B50\uFF0C\u7528\u65BC\u6E2C\u8A66\u8A9E\u8A00"
       "\u8B58\u5225\u3002",
       "zh-Hant"},
      {"\u65E5\u672C\u8A9E\u306E\u6587\u7AE0\u3067\u3059\u3002", "ja"},
      {"Bonjour tout le monde, ceci est une phrase en fran\u00E7ais.", "fr"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, VQRegex::LanguageForString(c.text)) << c.text;
  EXPECT_TRUE(VQRegex::IsLanguageForString_English(cases[2].text));
  EXPECT_TRUE(VQRegex::IsLanguageForString_Chinese(cases[7].text));
  EXPECT_TRUE(VQRegex::IsLanguageForString_Chinese(cases[8].text));
  EXPECT_FALSE(VQRegex::IsLanguageForString_Chinese(cases[9].text));
  // Only the first 100 characters count.
  std::string longText(std::string(cases[7].text) + std::string(300, 'x'));
  for (int i = 0; i < 30; ++i) longText += " the quick brown fox";
  EXPECT_EQ("zh-Hans", VQRegex::LanguageForString(longText));
}

TEST(RandomString, FourCapitalsAndUuidsFromManyThreads) {
  std::mutex m;
  std::set<std::string> uuids;
  std::set<char> letters;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 500; ++i) {
        const std::string s = VQRandomString::Random4BigLetter();
        const std::string u = VQRandomString::UUIDString();
        std::lock_guard<std::mutex> lock(m);
        EXPECT_TRUE(std::regex_match(s, std::regex("[A-Z]{4}"))) << s;
        EXPECT_TRUE(
            std::regex_match(u, std::regex("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}")))
            << u;
        letters.insert(s.begin(), s.end());
        uuids.insert(u);
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(2000u, uuids.size());
  EXPECT_EQ(26u, letters.size()) << "8000 draws reach every letter";
}

TEST(SmallValues, PointsAndPaths) {
  EXPECT_EQ("r=3, c=7", VQPointMake(3, 7).description());
  EXPECT_EQ(VQPointMake(1, 2), (VQPoint{1, 2}));
  EXPECT_EQ(0u, VQPoint().r);

  Path p;
  p.addRect(RectMake(0, 0, 2, 2));
  VQCGPath held(&p);
  p.lineTo(9, 9);
  EXPECT_EQ(5u, held.CGPath.elementCount()) << "a copy, not the caller's path";
  EXPECT_TRUE(VQCGPath(nullptr).CGPath.isEmpty());
  EXPECT_FALSE(held.tempCGPath);
  EXPECT_TRUE(held.subCGPaths.empty());
}
