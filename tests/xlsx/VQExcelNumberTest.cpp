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
  const char* formatCode = "";  // when numID is -1
  bool amountsAround = false;   // the text stands in a column of amounts
};

TEST(VQExcelNumber, RecognisesNumberKinds) {
  const NumberCase cases[] = {
      {"1,234.50", ",", true, 2, -1, "1234.50", "#,##0.00"},
      {"12.5%", ",", true, 9, -1, "0.125", "0.0%"},
      {"12.50%", ",", true, 9, 10, "0.125"},
      {"50%", ",", true, 9, 9, "0.5"},
      {"200%", ",", true, 9, 9, "2"},
      {"-42", ",", true, 0, 0, "-42"},
      // Parentheses mean a negative amount only in a table of amounts; in
      // prose "(2)" is a list or equation number.
      {"(2)", ",", false, 0, -1, ""},
      {"(2)", ",", true, 0, 0, "-2", "", true},
      {"(1,234)", ",", false, 0, -1, ""},
      {"(1,234)", ",", true, 2, -1, "-1234", "#,##0", true},
      {"(1,234.50)", ",", true, 2, -1, "-1234.50", "#,##0.00", true},
      {"(42", ",", false, 0, -1, "", "", true},
      // Leading zeros make a code (postal, account, part number): text.
      {"007", ",", false, 0, -1, ""},
      {"-007", ",", false, 0, -1, ""},
      {"0.10", ",", true, 0, -1, "0.10", "0.00"},
      {"0", ",", true, 0, 0, "0"},
      // The decimals the page shows are the cell's to show.
      {"92.50", ",", true, 0, -1, "92.50", "0.00"},
      {"11.0", ",", true, 0, -1, "11.0", "0.0"},
      {"\xEF\xBC\x91\xEF\xBC\x92\xEF\xBC\x93", ",", true, 0, 0, "123"},  // full-width 123
      {"123456789012345", ",", true, 0, 0, "123456789012345"},
      {"1234567890123456", ",", false, 0, -1, ""},  // a 16th digit would be lost
      {"0.000123456789012345", ",", true, 0, -1, "0.000123456789012345", "0.000000000000000000"},
      {"\xD9\xA1\xD9\xA2", ",", false, 0, -1, ""},  // Arabic-Indic digits stay text
      {"3.14", ",", true, 0, -1, "3.14", "0.00"},
      {"$1,234.50", ",", true, 4, -1, "1234.50", "$#,##0.00"},
      {"1,234.50\xE2\x82\xAC", ",", true, 6, -1, "1234.50", "#,##0.00\xE2\x82\xAC"},
      {"1.234,50", ".", true, 3, -1, "1234.50", "#,##0.00"},
      {"3,14", ".", true, 1, -1, "3.14", "0.00"},
      {"12,5%", ".", true, 8, -1, "0.125", "0.0%"},
      {"abc", ",", false, 0, -1, ""},
      {"12a", ",", false, 0, -1, ""},
      {"1,23", ",", false, 0, -1, ""},
      // Blanks group digits in threes or set a symbol apart; anywhere else
      // they part two numbers, and the text stays as written. A word gap
      // groups digits only among amounts; a no-break or thin space always.
      {"12 345", ",", true, 0, 0, "12345", "", true},
      {"1 234 567", ",", true, 0, 0, "1234567", "", true},
      {"12 345", ",", false, 0, -1, ""},
      {"134 132 140", ",", false, 0, -1, ""},
      {"133 135", ",", false, 0, -1, ""},
      {"12\xE2\x80\xAF"
       "345",
       ",", true, 0, 0, "12345"},
      {"1\xC2\xA0"
       "234\xE2\x80\x89"
       "567",
       ",", true, 0, 0, "1234567"},
      {"12\xC2\xA0"
       "34",
       ",", false, 0, -1, ""},
      {"$ 12", ",", true, 4, -1, "12", "$#,##0"},
      {"128, 139", ",", false, 0, -1, ""},
      {"128, 139, 144, 149", ",", false, 0, -1, ""},
      {"12 34", ",", false, 0, -1, ""},
      {"1 234, 5", ".", false, 0, -1, ""},
      {"", ",", false, 0, -1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " with thousands " + c.thousands + (c.amountsAround ? " among amounts" : ""));
    vq::VQExcelNumber n(c.text, c.thousands, c.amountsAround);
    EXPECT_EQ(n.isNumber, c.isNumber);
    if (!c.isNumber) continue;
    EXPECT_EQ(n.type, c.type);
    EXPECT_EQ(n.numID, c.numID);
    EXPECT_EQ(n.readNumber, c.value);
    if (c.numID == -1) {
      EXPECT_EQ(n.formatCode, c.formatCode);
    }
  }
}

TEST(VQExcelNumber, AmountsOfATable) {
  const std::pair<const char*, bool> cases[] = {
      {"1,234", true}, {"(1,234)", true}, {"$12", true},  {"12.50", true},  {"(2.1)", false},
      {"(2)", false},  {"2", false},      {"007", false}, {"Total", false},
  };
  for (const auto& [text, amount] : cases) EXPECT_EQ(vq::VQExcelNumber::LooksLikeAmount(text, ","), amount) << text;
}

TEST(VQExcelNumber, CurrencySymbolLeavesTheValue) {
  vq::VQExcelNumber n("$1,234.50", ",");
  ASSERT_TRUE(n.isNumber);
  EXPECT_EQ(n.currencySymbol, "$");
  EXPECT_NE(n.formatCode.find('$'), std::string::npos);
  EXPECT_NE(n.formatCode.find("0.00"), std::string::npos);
}

}  // namespace
