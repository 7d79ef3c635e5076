#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/VQPDFOverprint.h"

using vq::VQPDFOverprintFilter;

// Strings as a page draws them, in order; which of them repeat an earlier
// one within a reach of 1.
TEST(VQPDFOverprint, RepeatsWithinReachWhateverTheGrid) {
  struct Drawing {
    std::string text;
    double x, y;
    bool repeats;
  };
  struct Case {
    const char* name;
    std::vector<Drawing> drawings;
  } cases[] = {
      {"printed twice a little apart (bold)", {{"a", 10, 10, false}, {"a", 10.3, 10.2, true}, {"b", 16, 10, false}}},
      {"a line drawn again after running text",
       {{"a", 10, 10, false},
        {"b", 16, 10, false},
        {"c", 22, 10, false},
        {"a", 10, 10, true},
        {"b", 16, 10, true},
        {"c", 22, 10, true}}},
      // Points on either side of a cell boundary (cells 2 across).
      {"across a cell boundary", {{"a", 1.99, 3.99, false}, {"a", 2.01, 4.01, true}}},
      {"the same letter further on", {{"a", 10, 10, false}, {"a", 11.5, 10, false}, {"a", 10, 12, false}}},
      {"another letter at the same place", {{"a", 10, 10, false}, {"b", 10, 10, false}}},
      {"no place", {{"a", 1e300, 10, false}, {"a", 1e300, 10, false}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    VQPDFOverprintFilter filter;
    for (const auto& d : c.drawings)
      EXPECT_EQ(filter.repeats(d.text, d.x, d.y, 1), d.repeats) << d.text << " at " << d.x << ", " << d.y;
    filter.clear();
    EXPECT_FALSE(filter.repeats(c.drawings.front().text, c.drawings.front().x, c.drawings.front().y, 1));
  }
}

// A page of many strings keeps finding its repeats as the table grows, and
// pages after it, sparse or dense again, forget it and find their own.
TEST(VQPDFOverprint, ManyStrings) {
  VQPDFOverprintFilter filter;
  auto densePage = [&] {
    for (int i = 0; i < 5000; ++i) EXPECT_FALSE(filter.repeats("x", 3.0 * (i % 100), 3.0 * (i / 100), 1));
    for (int i = 0; i < 5000; i += 7) EXPECT_TRUE(filter.repeats("x", 3.0 * (i % 100) + 0.5, 3.0 * (i / 100), 1));
  };
  densePage();
  filter.clear();
  EXPECT_FALSE(filter.repeats("x", 30, 30, 1));
  EXPECT_FALSE(filter.repeats("y", 60, 60, 1));
  EXPECT_TRUE(filter.repeats("x", 30.2, 30.2, 1));
  filter.clear();
  densePage();
}
