#pragma once
// PDF functions (types 0, 2, 3 and 4, and the Identity name) mapping m inputs
// to n outputs: tint transforms of Separation and DeviceN spaces and colour
// functions of shadings. A function whose parameters failed to parse is still
// usable: its tables are zero and it yields zero (or Range-clipped) outputs.
// Evaluation allocates nothing, so a function must not be evaluated from two
// threads at once (each page builds its own).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/pdf/PdfObject.h"

namespace vq {

class VQPDFFunction {
 public:
  VQPDFFunction() = default;
  virtual ~VQPDFFunction() = default;

  int type = 0;
  int m_input = 0;
  int n_output = 0;
  double domain[64] = {};
  double range[64] = {};
  bool hasRange = false;

  // nil for type 1, types above 4, a missing /FunctionType or an unknown name.
  static std::shared_ptr<VQPDFFunction> FuntionWithObject(const vq::pdf::Object& object);

  virtual std::shared_ptr<VQPDFFunction> copy() const { return std::make_shared<VQPDFFunction>(*this); }
  virtual bool parse(const vq::pdf::Object& object, const vq::pdf::Object& funcDict);
  // `input` and `output` each have room for 32 values; the first m_input
  // inputs are read.
  virtual void transformInput(const double* input, double* output);
  virtual int getType() const { return 0; }

 protected:
  bool parseBase(const vq::pdf::Object& funcDict);
  void clipToRange(double* output, int count) const;
};

class VQPDFSampledFunction : public VQPDFFunction {
 public:
  int sampleSize[32] = {};
  double encode[64] = {};
  double decode[64] = {};
  double inputMul[32] = {};
  int64_t idxMul[32] = {};
  std::vector<double> samples;  // the values the data holds; missing ones read as 0
  int64_t nSamples = 0;
  std::vector<double> sBuf;
  bool ok = false;

  std::shared_ptr<VQPDFFunction> copy() const override { return std::make_shared<VQPDFSampledFunction>(*this); }
  bool parse(const vq::pdf::Object& object, const vq::pdf::Object& funcDict) override;
  void transformInput(const double* input, double* output) override;
  int getType() const override { return 0; }
};

class VQPDFExponentialFunction : public VQPDFFunction {
 public:
  double c0[32] = {};
  double c1[32] = {};
  double e = 0;
  bool isLinear = false;
  bool ok = false;

  std::shared_ptr<VQPDFFunction> copy() const override { return std::make_shared<VQPDFExponentialFunction>(*this); }
  bool parse(const vq::pdf::Object& object, const vq::pdf::Object& funcDict) override;
  void transformInput(const double* input, double* output) override;
  int getType() const override { return 2; }
};

class VQPDFStitchingFunction : public VQPDFFunction {
 public:
  int numFuncs = 0;
  std::vector<std::shared_ptr<VQPDFFunction>> funcs;
  std::vector<double> bounds;
  std::vector<double> encode;
  std::vector<double> scale;
  bool ok = false;

  std::shared_ptr<VQPDFFunction> copy() const override;
  bool parse(const vq::pdf::Object& object, const vq::pdf::Object& funcDict) override;
  void transformInput(const double* input, double* output) override;
  int getType() const override { return 3; }
};

// Type 4: a small PostScript calculator program (arithmetic, relational,
// boolean and stack operators, `if` and `ifelse`), compiled once at parse
// time. A program that fails to compile or to run yields zero outputs.
class VQPDFPostScriptFunction : public VQPDFFunction {
 public:
  struct Instruction {
    int op = 0;        // operator code, or a push / jump
    double value = 0;  // the number pushed
    int jump = 0;      // target of a conditional jump
  };
  std::vector<Instruction> program;
  bool ok = false;

  std::shared_ptr<VQPDFFunction> copy() const override { return std::make_shared<VQPDFPostScriptFunction>(*this); }
  bool parse(const vq::pdf::Object& object, const vq::pdf::Object& funcDict) override;
  void transformInput(const double* input, double* output) override;
  int getType() const override { return 4; }

  bool compile(const std::string& text);
};

class VQPDFIdentityFunction : public VQPDFFunction {
 public:
  VQPDFIdentityFunction();
  std::shared_ptr<VQPDFFunction> copy() const override { return std::make_shared<VQPDFIdentityFunction>(*this); }
  void transformInput(const double* input, double* output) override;
  int getType() const override { return -1; }
};

}  // namespace vq
