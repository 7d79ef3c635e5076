#include <gtest/gtest.h>

#include <random>

#include "platform/pdf/PdfContentScanner.h"
#include "platform/pdf/PdfObjectImpl.h"
#include "platform/pdf/PdfTestHelpers.h"

using vq::pdf::ContentStream;
using vq::pdf::Object;
using vq::pdf::OperatorTable;
using vq::pdf::Scanner;

namespace {

const std::vector<std::string> kRecorded = {"Td", "Tj", "TJ", "cm", "BDC", "Do", "EI", "Q", "gs", "d"};

std::vector<std::string> scanAll(const std::vector<std::string>& buffers, Object resources = Object()) {
  vqtest::Recorder recorder(kRecorded);
  auto stream = std::make_shared<ContentStream>(buffers, resources);
  Scanner scanner(stream, recorder.table);
  EXPECT_TRUE(scanner.scan());
  return recorder.lines;
}

struct LexCase {
  const char* content;
  std::vector<std::string> expected;
};

}  // namespace

TEST(ContentScanner, LexesEveryKindOfToken) {
  const LexCase cases[] = {
      {"1 -2 +3 .5 -.5 4. 007 cm", {"cm 1 -2 3 0.5r -0.5r 4r 7"}},
      {"123456789012345678901 0.000001 1.2.3 --5 - cm", {"cm 1.2345678901234568e+20r 1e-06r 1.2r -5 0"}},
      {"/A#20B /#41 /a#2 / /x#zz Td", {"Td /A B /A /a#2 / /x#zz"}},
      {"(a\\(b\\)c) (n (x) y) (\\101\\60\\0618) Tj", {"Tj (a(b)c) (n (x) y) (A018)"}},
      {"(line\\\ncont) (a\r\nb\rc) (\\q\\n\\t\\\\) Tj", {"Tj (linecont) (a\\x0ab\\x0ac) (q\\x0a\\x09\\)"}},
      {"<41 42 4> <> <zz4 1> Tj", {"Tj (AB@) () (A)"}},
      {"[1 [2 3] /N (s) <</A 1 /B [true false null]>>] TJ", {"TJ [1 [2 3] /N (s) <</A 1 /B [true false null]>>]"}},
      {"<</A 1 /A 2 3 4 /C>> BDC", {"BDC <</A 2>>"}},
      {"1 % comment ) Td\n2 Td", {"Td 1 2"}},
      {"1 2 unknown 3 4 Td", {"Td 3 4"}},
      {") ] >> { } 1 Td", {"Td 1"}},
      {"[1 2 Td 5 Td", {"Td", "Td 5"}},
      {"[(a) -1e30 (b) junk <</K true x>> (c)] TJ", {"TJ [(a) -1 (b) <</K true>> (c)]"}},
      {"<</A [1 Q", {"Q"}},
      {"(unterminated Td", {}},
      {"/F1 12 Tf 1 0 0 1 5 5 cm", {"cm 1 0 0 1 5 5"}},
      {"[/a/b(c)<64>]TJ", {"TJ [/a /b (c) (d)]"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(scanAll({c.content}), c.expected) << c.content;
  }
}

TEST(ContentScanner, OperandsCarryAcrossBuffersAndBufferEndsSeparateTokens) {
  EXPECT_EQ(scanAll({"1 2", "Td", "[3", "4] TJ 5", "6 Td"}),
            (std::vector<std::string>{"Td 1 2", "TJ [3 4]", "Td 5 6"}));
}

TEST(ContentScanner, WrongTypedPopConsumesTheOperand) {
  OperatorTable table;
  std::vector<std::string> log;
  table.setCallback("x", [&](Scanner& s, void* info) {
    EXPECT_EQ(info, &log);
    double d = 0;
    int64_t i = 0;
    std::string name;
    log.push_back(fmt::format("{} {}", s.popNumber(&d), d));      // 2.5
    log.push_back(fmt::format("{} {}", s.popInteger(&i), i));     // 2.5 is not an integer
    log.push_back(fmt::format("{} {}", s.popNumber(&d), d));      // /N is not a number
    log.push_back(fmt::format("{} {}", s.popName(&name), name));  // (s) is not a name
    log.push_back(fmt::format("{} {}", s.popInteger(&i), i));     // 1
    log.push_back(fmt::format("{}", s.popNumber(&d)));            // empty
  });
  table.setCallback("y", [&](Scanner& s, void*) { log.push_back(fmt::format("y {}", s.operandCount())); });
  auto stream = std::make_shared<ContentStream>(std::vector<std::string>{"1 (s) /N 2.5 2.5 x y"}, Object());
  Scanner scanner(stream, table, &log);
  EXPECT_TRUE(scanner.scan());
  EXPECT_EQ(log, (std::vector<std::string>{"true 2.5", "false 0", "false 2.5", "false ", "true 1", "false", "y 0"}));
}

TEST(ContentScanner, StopEndsTheScanEarly) {
  OperatorTable table;
  int calls = 0;
  table.setCallback("a", [&](Scanner& s, void*) {
    if (++calls == 2) s.stop();
  });
  auto stream = std::make_shared<ContentStream>(std::vector<std::string>{"a a a", "a"}, Object());
  Scanner scanner(stream, table);
  EXPECT_FALSE(scanner.scan());
  EXPECT_EQ(calls, 2);
}

TEST(ContentScanner, InlineImages) {
  using Impl = Object::Impl;
  Object resources =
      Impl::makeDictionary({{"ColorSpace", Impl::makeDictionary({{"CS0", Impl::makeName("DeviceCMYK")}})}});
  const LexCase cases[] = {
      // Unfiltered: the computed length wins over an "EI" inside the data.
      {"BI /W 2 /H 2 /BPC 8 /CS /G ID a EI EI Q",
       {"EI stream<</Width 2 /Height 2 /BitsPerComponent 8 /ColorSpace /DeviceGray>>#4", "Q"}},
      {"BI /IM true /W 9 /H 2 /D [1 0] ID \x01\x02\x03\x04\nEI",
       {"EI stream<</ImageMask true /Width 9 /Height 2 /Decode [1 0]>>#4"}},
      {"BI /W 8 /H 1 /BPC 1 /CS [/I /RGB 1 <000000ffffff>] ID \xff EI",
       {"EI stream<</Width 8 /Height 1 /BitsPerComponent 1 /ColorSpace [/Indexed /DeviceRGB 1 "
        "(\\x00\\x00\\x00\\xff\\xff\\xff)]>>#1"}},
      // A colour space named in the resources.
      {"BI /W 1 /H 1 /BPC 8 /CS /CS0 ID abcd EI",
       {"EI stream<</Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /CS0>>#4"}},
      // Filtered: the data ends at the white space before a lone EI.
      {"BI /W 1 /H 1 /BPC 8 /CS /RGB /F [/AHx] /DP null ID 414243>EIx EI Q",
       {"EI stream<</Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceRGB /Filter [/ASCIIHexDecode] "
        "/DecodeParms null>>#10",
        "Q"}},
      // Too little data for the computed length: the EI rule takes over.
      {"BI /W 4 /H 4 /BPC 8 /CS /G ID ab EI Q",
       {"EI stream<</Width 4 /Height 4 /BitsPerComponent 8 /ColorSpace /DeviceGray>>#2", "Q"}},
      // A stated length wins over an " EI " inside filtered data.
      {"BI /W 1 /H 1 /F /Fl /L 5 ID a EI  EI Q",
       {"EI stream<</Width 1 /Height 1 /Filter /FlateDecode /Length 5>>#5", "Q"}},
      // No EI: the image is dropped.
      {"BI /W 4 /H 4 ID abc", {}},
      {"BI /W 4 /H 4 Q", {"Q"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(scanAll({c.content}, resources), c.expected) << c.content;
  }
}

TEST(ContentScanner, InlineImageDataDecodes) {
  OperatorTable table;
  std::optional<std::string> decoded;
  table.setCallback("EI", [&](Scanner& s, void*) {
    Object image;
    ASSERT_TRUE(s.popStream(&image));
    decoded = image.decodedData();
  });
  auto stream = std::make_shared<ContentStream>(
      std::vector<std::string>{"BI /W 3 /H 1 /BPC 8 /CS /G /F /AHx ID 41 42 43> EI"}, Object());
  Scanner scanner(stream, table);
  scanner.scan();
  EXPECT_EQ(decoded, "ABC");
}

TEST(ContentScanner, ResourcesResolveThroughTheParentChain) {
  using Impl = Object::Impl;
  auto fonts = [](const char* name) {
    return Impl::makeDictionary({{"Font", Impl::makeDictionary({{name, Impl::makeName(name)}})}});
  };
  auto page = std::make_shared<ContentStream>(std::vector<std::string>{}, fonts("F1"));
  auto formWithout = std::make_shared<ContentStream>(std::vector<std::string>{}, Object(), page);
  auto formWith = std::make_shared<ContentStream>(std::vector<std::string>{}, fonts("F2"), formWithout);
  EXPECT_EQ(vqtest::describe(formWithout->lookupResource("Font", "F1")), "/F1");
  EXPECT_EQ(vqtest::describe(formWith->lookupResource("Font", "F2")), "/F2");
  EXPECT_EQ(vqtest::describe(formWith->lookupResource("Font", "F1")), "/F1");
  EXPECT_TRUE(page->lookupResource("Font", "F2").isNull());
  EXPECT_TRUE(formWith->lookupResource("XObject", "F2").isNull());
  EXPECT_EQ(vqtest::describe(formWithout->resourceDictionary("Font")), "<</F1 /F1>>");
  EXPECT_EQ(vqtest::describe(formWith->resourceDictionary("Font")), "<</F2 /F2>>");
}

TEST(ContentScanner, DeepNestingIsCappedAndTheRestReads) {
  vqtest::Recorder recorder(kRecorded);
  const std::string deep = std::string(100000, '[') + std::string(100000, ']') + std::string(100000, '<');
  auto stream = std::make_shared<ContentStream>(std::vector<std::string>{deep + " (A) Tj"}, Object());
  Scanner scanner(stream, recorder.table);
  EXPECT_TRUE(scanner.scan());
  ASSERT_FALSE(recorder.lines.empty());
  EXPECT_EQ(recorder.lines.back().rfind("Tj", 0), 0u) << recorder.lines.back();
}

// Random bytes, and random splices of real syntax, must never crash or hang.
TEST(ContentScanner, SurvivesGarbage) {
  const std::string alphabet = "()<>[]{}/%\\#0123456789.+-eEIBDTjJ \n\r\tabcxyz";
  const std::string pieces[] = {"BI ", " ID ", " EI ",       "(",  ")",    "<<",  ">>", "[",
                                "]",   "\\",   "/W 9 /H 9 ", "<4", "1.5 ", "Tj ", "%",  "\r\n"};
  std::mt19937 rng(12345);
  for (int round = 0; round < 300; ++round) {
    std::string content;
    size_t n = rng() % 4000;
    for (size_t i = 0; i < n; ++i) {
      switch (rng() % 3) {
        case 0:
          content += static_cast<char>(rng() % 256);
          break;
        case 1:
          content += alphabet[rng() % alphabet.size()];
          break;
        default:
          content += pieces[rng() % std::size(pieces)];
          break;
      }
    }
    vqtest::Recorder recorder(kRecorded);
    auto stream = std::make_shared<ContentStream>(std::vector<std::string>{content, content.substr(n / 2)}, Object());
    Scanner scanner(stream, recorder.table);
    scanner.scan();
  }
}
