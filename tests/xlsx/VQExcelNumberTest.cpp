// Number recognition in both decimal conventions.
#include <gtest/gtest.h>

#include "xlsx/VQExcelNumber.h"

namespace {

struct NumberCase {
  const char* text;
  const char* thousands;  // the user's choice
  bool isNumber;
  int type;
  int numID;
  const char* value;
};

TEST(VQExcelNumber, RecognisesNumberKinds) {
  const NumberCase cases[] = {
      {"1,234.50", ",", true, 2, -1, "1234.50"},
      {"12.5%", ",", true, 9, 10, "0.125"},
      {"50%", ",", true, 9, 9, "0.5"},
      {"200%", ",", true, 9, 9, "2"},
      {"-42", ",", true, 0, 0, "-42"},
      {"(42)", ",", true, 0, 0, "-42"},
      {"(1,234.50)", ",", true, 2, -1, "-1234.50"},
      {"(42", ",", false, 0, -1, ""},
      {"\xEF\xBC\x91\xEF\xBC\x92\xEF\xBC\x93", ",", true, 0, 0, "123"},  // full-width 123
      {"123456789012345", ",", true, 0, 0, "123456789012345"},
      {"1234567890123456", ",", false, 0, -1, ""},  // a 16th digit would be lost
      {"0.000123456789012345", ",", true, 0, 0, "0.000123456789012345"},
      {"\xD9\xA1\xD9\xA2", ",", false, 0, -1, ""},  // Arabic-Indic digits stay text
      {"3.14", ",", true, 0, 0, "3.14"},
      {"$1,234.50", ",", true, 4, -1, "1234.50"},
      {"1,234.50\xE2\x82\xAC", ",", true, 6, -1, "1234.50"},
      {"1.234,50", ".", true, 3, -1, "1234.50"},
      {"3,14", ".", true, 1, 0, "3.14"},
      {"12,5%", ".", true, 8, 9, "0.125"},
      {"abc", ",", false, 0, -1, ""},
      {"12a", ",", false, 0, -1, ""},
      {"1,23", ",", false, 0, -1, ""},
      // Blanks group digits in threes or set a symbol apart; anywhere else
      // they part two numbers, and the text stays as written.
      {"1 234 567", ",", true, 0, 0, "1234567"},
      {"$ 12", ",", true, 4, -1, "12"},
      {"128, 139, 144, 149", ",", false, 0, -1, ""},
      {"12 34", ",", false, 0, -1, ""},
      {"1 234, 5", ".", false, 0, -1, ""},
      {"", ",", false, 0, -1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " with thousands " + c.thousands);
    vq::VQExcelNumber n(c.text, c.thousands);
    EXPECT_EQ(n.isNumber, c.isNumber);
    if (!c.isNumber) continue;
    EXPECT_EQ(n.type, c.type);
    EXPECT_EQ(n.numID, c.numID);
    EXPECT_EQ(n.readNumber, c.value);
    if (vq::VQExcelNumber::isCurrency(c.type) || vq::VQExcelNumber::isThousandSepartorNumber(c.type)) {
      EXPECT_FALSE(n.formatCode.empty());
    }
  }
}

TEST(VQExcelNumber, CurrencySymbolLeavesTheValue) {
  vq::VQExcelNumber n("$1,234.50", ",");
  ASSERT_TRUE(n.isNumber);
  EXPECT_EQ(n.currencySymbol, "$");
  EXPECT_NE(n.formatCode.find('$'), std::string::npos);
  EXPECT_NE(n.formatCode.find("0.00"), std::string::npos);
}

}  // namespace
