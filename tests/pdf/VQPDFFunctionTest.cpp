#include "pdf/VQPDFFunction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "PdfFixture.h"
#include "platform/pdf/PdfRenderSafety.h"

using vq::VQPDFFunction;

namespace {

struct FunctionCase {
  const char* name;
  const char* dict;
  std::string data;  // stream data; empty string and `stream` false for a dictionary
  bool stream;
  std::vector<double> input;
  std::vector<double> expected;
};

std::shared_ptr<VQPDFFunction> Make(vqtest::PdfFixture& fx, const FunctionCase& c) {
  auto object = c.stream ? fx.stream(c.dict, c.data) : fx.object(c.dict);
  return VQPDFFunction::FuntionWithObject(object);
}

std::vector<double> Eval(VQPDFFunction& f, const std::vector<double>& in) {
  double input[32] = {};
  double output[32] = {};
  for (size_t i = 0; i < in.size(); ++i) input[i] = in[i];
  f.transformInput(input, output);
  return std::vector<double>(output, output + 32);
}

}  // namespace

TEST(VQPDFFunction, EvaluatesEachType) {
  const std::string stitch =
      "<< /FunctionType 3 /Domain [0 1] /Bounds [0.5] /Encode [0 1 0 1] /Functions ["
      "<< /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] /N 1 >> "
      "<< /FunctionType 2 /Domain [0 1] /C0 [10] /C1 [20] /N 1 >> ] >>";
  const FunctionCase cases[] = {
      {"exp square", "<< /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] /N 2 >>", "", false, {0.5}, {0.25}},
      {"exp clamps to domain", "<< /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] /N 2 >>", "", false, {2}, {1}},
      {"exp defaults", "<< /FunctionType 2 /Domain [0 1] /N 3 >>", "", false, {0.5}, {0.125}},
      {"exp range clips", "<< /FunctionType 2 /Domain [0 1] /Range [0 0.5] /N 1 >>", "", false, {0.9}, {0.5}},
      {"exp real type",
       "<< /FunctionType 2.0 /Domain [0 1] /C0 [1 1 1] /C1 [0 0 0] /N 1 >>",
       "",
       false,
       {0.25},
       {0.75, 0.75, 0.75}},
      {"stitch first half", stitch.c_str(), "", false, {0.25}, {0.5}},
      {"stitch at bound", stitch.c_str(), "", false, {0.5}, {10}},
      {"stitch at end", stitch.c_str(), "", false, {1}, {20}},
      {"sampled 1-in 3-out",
       "<< /FunctionType 0 /Domain [0 1] /Range [0 1 0 1 0 1] /Size [2] /BitsPerSample 8 >>",
       std::string("\x00\x00\x00\xFF\xFF\xFF", 6),
       true,
       {0.5},
       {0.5, 0.5, 0.5}},
      {"sampled 4-bit",
       "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 4 >>",
       "\xAB",
       true,
       {1},
       {11.0 / 15}},
      {"sampled 2-in bilinear",
       "<< /FunctionType 0 /Domain [0 1 0 1] /Range [0 1] /Size [2 2] /BitsPerSample 8 >>",
       std::string("\x00\xFF\xFF\x00", 4),
       true,
       {0.5, 0.5},
       {0.5}},
      {"sampled short data reads zeros",
       "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [4] /BitsPerSample 8 >>",
       "\xFF",
       true,
       {1},
       {0}},
      {"sampled zero-width domain",
       "<< /FunctionType 0 /Domain [0.5 0.5] /Range [0 1] /Size [2] /BitsPerSample 8 >>",
       std::string("\x33\xFF", 2),
       true,
       {0.5},
       {0.2}},
      {"calculator arithmetic",
       "<< /FunctionType 4 /Domain [0 1 0 1] /Range [0 10 0 10] >>",
       "{ 2 copy add 3 1 roll mul }",
       true,
       {0.5, 0.25},
       {0.75, 0.125}},
      {"calculator ifelse",
       "<< /FunctionType 4 /Domain [0 1] /Range [0 10] >>",
       "{ dup 0.5 gt { pop 7 } { 2 mul } ifelse }",
       true,
       {0.75},
       {7}},
      {"calculator if false branch",
       "<< /FunctionType 4 /Domain [0 1] /Range [0 10] >>",
       "{ dup 0.5 gt { pop 7 } if }",
       true,
       {0.25},
       {0.25}},
      {"calculator range clip and trig",
       "<< /FunctionType 4 /Domain [0 360] /Range [0 0.5] >>",
       "{ sin }",
       true,
       {90},
       {0.5}},
      {"calculator bad program is zero",
       "<< /FunctionType 4 /Domain [0 1] /Range [0 1] >>",
       "{ 1 foo }",
       true,
       {0.5},
       {0}},
      {"calculator stack underflow is zero",
       "<< /FunctionType 4 /Domain [0 1] /Range [0 1] >>",
       "{ add add }",
       true,
       {0.5},
       {0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    vqtest::PdfFixture fx;
    auto f = Make(fx, c);
    ASSERT_NE(f, nullptr);
    auto out = Eval(*f, c.input);
    for (size_t i = 0; i < c.expected.size(); ++i) EXPECT_NEAR(out[i], c.expected[i], 1e-9) << "output " << i;
  }
}

TEST(VQPDFFunction, FactoryAndParseResults) {
  struct Case {
    const char* name;
    const char* dict;
    std::string data;
    bool stream;
    bool made;
    int type;
  };
  const Case cases[] = {
      {"type 1 unsupported", "<< /FunctionType 1 /Domain [0 1] >>", "", false, false, 0},
      {"type 5 unknown", "<< /FunctionType 5 /Domain [0 1] >>", "", false, false, 0},
      {"missing type", "<< /Domain [0 1] >>", "", false, false, 0},
      {"identity name", "/Identity", "", false, true, -1},
      {"other name", "/Foo", "", false, false, 0},
      {"sampled m 17 still made",
       "<< /FunctionType 0 /Domain [0 1 0 1 0 1 0 1 0 1 0 1 0 1 0 1 0 1 0 1 0 1 0 1 "
       "0 1 0 1 0 1 0 1 0 1] /Range [0 1] /Size [2] /BitsPerSample 8 >>",
       "x", true, true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    vqtest::PdfFixture fx;
    auto f = VQPDFFunction::FuntionWithObject(c.stream ? fx.stream(c.dict, c.data) : fx.object(c.dict));
    ASSERT_EQ(f != nullptr, c.made);
    if (f) {
      EXPECT_EQ(f->getType(), c.type);
    }
  }
  vqtest::PdfFixture fx;
  auto near1 = VQPDFFunction::FuntionWithObject(fx.object("<< /FunctionType 2 /Domain [0 1] /N 1.00000000001 >>"));
  auto far1 = VQPDFFunction::FuntionWithObject(fx.object("<< /FunctionType 2 /Domain [0 1] /N 1.0001 >>"));
  EXPECT_TRUE(static_cast<vq::VQPDFExponentialFunction&>(*near1).isLinear);
  EXPECT_FALSE(static_cast<vq::VQPDFExponentialFunction&>(*far1).isLinear);
}

// Malformed sampled functions must be refused (or evaluate to zero) without
// allocating what the dictionary claims or reading past the data.
TEST(VQPDFFunction, MalformedSampledFunctionsAreSafe) {
  const char* dicts[] = {
      "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [0] /BitsPerSample 8 >>",
      "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [-3] /BitsPerSample 8 >>",
      "<< /FunctionType 0 /Domain [0 1 0 1 0 1] /Range [0 1] /Size [2000000 2000000 2000000] /BitsPerSample 8 >>",
      "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 0 >>",
      "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 33 >>",
      "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2 2] /BitsPerSample 8 >>",
      "<< /FunctionType 0 /Domain [0 1] /Size [2] /BitsPerSample 8 >>",
  };
  for (const char* dict : dicts) {
    SCOPED_TRACE(dict);
    vqtest::PdfFixture fx;
    auto f = VQPDFFunction::FuntionWithObject(fx.stream(dict, "\xFF"));
    ASSERT_NE(f, nullptr);
    auto& sampled = static_cast<vq::VQPDFSampledFunction&>(*f);
    EXPECT_FALSE(sampled.ok);
    EXPECT_LE(sampled.samples.size(), 1u);
    for (double x : {-1.0, 0.0, 0.5, 1.0, 1e300}) EXPECT_EQ(Eval(*f, {x, x, x})[0], 0.0);
  }
}

TEST(VQPDFFunction, StitchingThatContainsItselfEnds) {
  vqtest::PdfFixture fx;
  QPDFObjectHandle self = fx.streamHandle("<< /FunctionType 3 /Domain [0 1] /Bounds [] /Encode [0 1] >>", "");
  // Listed 50 times: without a bound on the total this would build 50^16 functions.
  self.getDict().replaceKey("/Functions", QPDFObjectHandle::newArray(std::vector<QPDFObjectHandle>(50, self)));
  auto f = VQPDFFunction::FuntionWithObject(fx.wrap(self));
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(Eval(*f, {0.5})[0], 0.0);
}

// The evaluator takes the deepest nesting the page renderer is allowed to
// see and refuses one more, whatever the program's length: the two agree,
// so that no output draws what another refuses.
TEST(VQPDFFunction, CalculatorNestingHasOneBound) {
  const auto nested = [](int levels) {
    // Each inner procedure is run by `if` on a true condition.
    std::string text;
    for (int i = 1; i < levels; ++i) text += "true { ";
    text = "{ " + text + "0.5";
    for (int i = 1; i < levels; ++i) text += " } if";
    return text + " }";
  };
  const int most = vq::pdf::kMostPostScriptNesting;
  for (int levels : {2, most, most + 1, 100000}) {
    SCOPED_TRACE(levels);
    const std::string text = nested(levels);
    EXPECT_EQ(vq::pdf::PostScriptNesting(text), std::min(levels, most + 1));
    vqtest::PdfFixture fx;
    auto f = VQPDFFunction::FuntionWithObject(fx.stream("<< /FunctionType 4 /Domain [0 1] /Range [0 1] >>", text));
    ASSERT_NE(f, nullptr);
    const bool accepted = levels <= most;
    EXPECT_EQ(static_cast<vq::VQPDFPostScriptFunction&>(*f).ok, accepted);
    if (accepted) {
      EXPECT_DOUBLE_EQ(Eval(*f, {0})[0], 0.5);
    }
  }
}
