#include "pdf/VQPDFFunction.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "pdf/VQPDFObjectValues.h"

namespace vq {

using vq::pdf::Object;
using vqpdf_detail::ReadNumber;

namespace {

// Stitching functions nest functions; a file whose function refers back to
// itself must not recurse without end, and one whose functions each list the
// same function many times must not fan out without end either: nesting is
// bounded, and so is the number of functions one outermost call may build.
constexpr int kMaxFunctionDepth = 16;
constexpr int kMaxFunctionsPerObject = 4096;
thread_local int gFunctionDepth = 0;
thread_local int gFunctionsBuilt = 0;

struct DepthGuard {
  DepthGuard() { ++gFunctionDepth; }
  ~DepthGuard() { --gFunctionDepth; }
};

// Reads `count` numbers of an array into `out`; false at the first non-number.
bool ReadNumbers(const Object& array, size_t count, double* out) {
  for (size_t i = 0; i < count; ++i) {
    if (!ReadNumber(array.at(i), &out[i])) return false;
  }
  return true;
}

double Clip(double v, double lo, double hi) {
  if (std::isnan(v)) return lo;
  return v < lo ? lo : (v > hi ? hi : v);
}

}  // namespace

std::shared_ptr<VQPDFFunction> VQPDFFunction::FuntionWithObject(const Object& object) {
  if (object.isName()) {
    if (object.isName("Identity")) return std::make_shared<VQPDFIdentityFunction>();
    return nullptr;
  }
  if (!object.isDictionary()) return nullptr;
  if (gFunctionDepth == 0) gFunctionsBuilt = 0;
  if (gFunctionDepth >= kMaxFunctionDepth || ++gFunctionsBuilt > kMaxFunctionsPerObject) return nullptr;
  DepthGuard guard;
  Object dict = object.isStream() ? object.streamDictionary() : object;
  Object typeObject = dict.get("FunctionType");
  int64_t functionType = 0;
  if (auto i = typeObject.integer()) {
    functionType = *i;
  } else if (auto r = typeObject.number()) {
    functionType = vqpdf_detail::SafeTrunc(*r);
  } else {
    return nullptr;
  }
  std::shared_ptr<VQPDFFunction> function;
  switch (functionType) {
    case 0:
      function = std::make_shared<VQPDFSampledFunction>();
      break;
    case 2:
      function = std::make_shared<VQPDFExponentialFunction>();
      break;
    case 3:
      function = std::make_shared<VQPDFStitchingFunction>();
      break;
    case 4:
      function = std::make_shared<VQPDFPostScriptFunction>();
      break;
    default:
      return nullptr;
  }
  function->type = static_cast<int>(functionType);
  function->parse(object, dict);
  return function;
}

bool VQPDFFunction::parse(const Object&, const Object& funcDict) { return parseBase(funcDict); }

bool VQPDFFunction::parseBase(const Object& funcDict) {
  Object domainArray = funcDict.get("Domain");
  if (!domainArray.isArray()) return false;
  size_t count = domainArray.size();
  if (count >= 66) return false;
  m_input = static_cast<int>(count / 2);
  if (!ReadNumbers(domainArray, static_cast<size_t>(m_input) * 2, domain)) return false;
  hasRange = false;
  n_output = 0;
  Object rangeArray = funcDict.get("Range");
  if (rangeArray.isNull()) return true;
  hasRange = true;
  count = rangeArray.isArray() ? rangeArray.size() : 0;
  if (count > 65) return false;
  n_output = static_cast<int>(count / 2);
  return ReadNumbers(rangeArray, static_cast<size_t>(n_output) * 2, range);
}

void VQPDFFunction::clipToRange(double* output, int count) const {
  if (!hasRange) return;
  for (int i = 0; i < count && i < 32; ++i) output[i] = Clip(output[i], range[2 * i], range[2 * i + 1]);
}

void VQPDFFunction::transformInput(const double*, double* output) { std::fill(output, output + 32, 0.0); }

// ---- Exponential (type 2)

bool VQPDFExponentialFunction::parse(const Object&, const Object& funcDict) {
  if (!parseBase(funcDict) || m_input != 1) return false;
  Object c0Array = funcDict.get("C0");
  if (c0Array.isArray()) {
    size_t count = c0Array.size();
    if (hasRange && count != static_cast<size_t>(n_output)) return false;
    if (count > 32) return false;
    n_output = static_cast<int>(count);
    if (!ReadNumbers(c0Array, count, c0)) return false;
  } else {
    if (hasRange && n_output != 1) return false;
    n_output = 1;
    c0[0] = 0;
  }
  Object c1Array = funcDict.get("C1");
  if (c1Array.isArray()) {
    if (c1Array.size() != static_cast<size_t>(n_output)) return false;
    if (!ReadNumbers(c1Array, c1Array.size(), c1)) return false;
  } else {
    if (n_output != 1) return false;
    c1[0] = 1.0;
  }
  double exponent = 0;
  if (!ReadNumber(funcDict.get("N"), &exponent)) return false;
  e = exponent;
  isLinear = std::fabs(e - 1.0) < 1e-10;
  ok = true;
  return true;
}

void VQPDFExponentialFunction::transformInput(const double* input, double* output) {
  std::fill(output, output + 32, 0.0);
  double x = Clip(input[0], domain[0], domain[1]);
  double t = isLinear ? x : std::pow(x, e);
  if (!std::isfinite(t)) t = 0;
  int n = std::clamp(n_output, 0, 32);
  for (int i = 0; i < n; ++i) output[i] = c0[i] + t * (c1[i] - c0[i]);
  clipToRange(output, n);
}

// ---- Stitching (type 3)

std::shared_ptr<VQPDFFunction> VQPDFStitchingFunction::copy() const {
  auto result = std::make_shared<VQPDFStitchingFunction>(*this);
  for (auto& f : result->funcs) f = f ? f->copy() : nullptr;
  return result;
}

bool VQPDFStitchingFunction::parse(const Object&, const Object& funcDict) {
  if (!parseBase(funcDict) || m_input != 1) return false;
  Object functions = funcDict.get("Functions");
  if (!functions.isArray()) return false;
  size_t k = functions.size();
  if (k == 0) return false;
  std::vector<std::shared_ptr<VQPDFFunction>> parsed;
  for (size_t i = 0; i < k; ++i) {
    auto f = FuntionWithObject(functions.at(i));
    if (!f || f->m_input != 1) return false;
    if (!parsed.empty() && f->n_output != parsed.front()->n_output) return false;
    parsed.push_back(std::move(f));
  }
  Object boundsArray = funcDict.get("Bounds");
  if (!boundsArray.isArray() || boundsArray.size() != k - 1) return false;
  std::vector<double> newBounds(k + 1);
  newBounds[0] = domain[0];
  if (!ReadNumbers(boundsArray, k - 1, newBounds.data() + 1)) return false;
  newBounds[k] = domain[1];
  Object encodeArray = funcDict.get("Encode");
  if (!encodeArray.isArray() || encodeArray.size() != 2 * k) return false;
  std::vector<double> newEncode(2 * k);
  if (!ReadNumbers(encodeArray, 2 * k, newEncode.data())) return false;
  std::vector<double> newScale(k);
  for (size_t i = 0; i < k; ++i) {
    newScale[i] = newBounds[i] != newBounds[i + 1]
                      ? (newEncode[2 * i + 1] - newEncode[2 * i]) / (newBounds[i + 1] - newBounds[i])
                      : 0;
  }
  funcs = std::move(parsed);
  bounds = std::move(newBounds);
  encode = std::move(newEncode);
  scale = std::move(newScale);
  numFuncs = static_cast<int>(k);
  n_output = funcs.front()->n_output;
  ok = true;
  return true;
}

void VQPDFStitchingFunction::transformInput(const double* input, double* output) {
  std::fill(output, output + 32, 0.0);
  if (!ok || funcs.empty()) return;
  double x = Clip(input[0], domain[0], domain[1]);
  size_t k = funcs.size();
  size_t i = 0;
  while (i + 1 < k && !(x < bounds[i + 1])) ++i;
  double t = (x - bounds[i]) * scale[i] + encode[2 * i];
  funcs[i]->transformInput(&t, output);
}

// ---- Sampled (type 0)

bool VQPDFSampledFunction::parse(const Object& object, const Object& funcDict) {
  if (!parseBase(funcDict) || !hasRange) return false;
  if (m_input > 16 || m_input < 1 || n_output < 1) return false;
  if (!object.isStream()) return false;
  Object sizeArray = funcDict.get("Size");
  if (!sizeArray.isArray() || sizeArray.size() != static_cast<size_t>(m_input)) return false;
  // Every dimension needs at least one sample; the total is bounded so that a
  // forged Size cannot make the index arithmetic overflow.
  constexpr int64_t kMaxSamples = INT64_C(1) << 31;
  int64_t total = n_output;
  for (int i = 0; i < m_input; ++i) {
    auto s = sizeArray.at(static_cast<size_t>(i)).integer();
    if (!s || *s < 1 || *s > kMaxSamples) return false;
    sampleSize[i] = static_cast<int>(*s);
    idxMul[i] = i == 0 ? n_output : idxMul[i - 1] * sampleSize[i - 1];
    total *= *s;
    if (total > kMaxSamples) return false;
  }
  auto bitsObject = funcDict.get("BitsPerSample").integer();
  if (!bitsObject || *bitsObject < 1 || *bitsObject > 32) return false;
  int bits = static_cast<int>(*bitsObject);
  Object encodeArray = funcDict.get("Encode");
  if (encodeArray.isArray() && encodeArray.size() == static_cast<size_t>(2 * m_input)) {
    if (!ReadNumbers(encodeArray, encodeArray.size(), encode)) return false;
  } else {
    for (int i = 0; i < m_input; ++i) {
      encode[2 * i] = 0;
      encode[2 * i + 1] = sampleSize[i] - 1;
    }
  }
  for (int i = 0; i < m_input; ++i) {
    double width = domain[2 * i + 1] - domain[2 * i];
    // A zero-width Domain maps every input to the Encode start.
    inputMul[i] = width != 0 ? (encode[2 * i + 1] - encode[2 * i]) / width : 0;
    if (!std::isfinite(inputMul[i])) inputMul[i] = 0;
  }
  Object decodeArray = funcDict.get("Decode");
  if (decodeArray.isArray() && decodeArray.size() == static_cast<size_t>(2 * n_output)) {
    if (!ReadNumbers(decodeArray, decodeArray.size(), decode)) return false;
  } else {
    std::copy(range, range + 64, decode);
  }
  nSamples = total;
  sBuf.assign(static_cast<size_t>(1) << m_input, 0.0);
  auto data = object.decodedData();
  if (!data) return false;
  // Only the values the data really holds are stored; the rest read as 0.
  int64_t available = static_cast<int64_t>(data->size()) * 8 / bits;
  samples.assign(static_cast<size_t>(std::min(available, nSamples)), 0.0);
  const double maxValue = std::ldexp(1.0, bits) - 1.0;
  const auto* bytes = reinterpret_cast<const uint8_t*>(data->data());
  size_t pos = 0;
  uint64_t buffer = 0;
  int bufferBits = 0;
  for (auto& sample : samples) {
    uint64_t w = 0;
    if (bits == 8) {
      w = bytes[pos++];
    } else if (bits == 16) {
      w = (uint64_t{bytes[pos]} << 8) | bytes[pos + 1];
      pos += 2;
    } else if (bits == 32) {
      w = (uint64_t{bytes[pos]} << 24) | (uint64_t{bytes[pos + 1]} << 16) | (uint64_t{bytes[pos + 2]} << 8) |
          bytes[pos + 3];
      pos += 4;
    } else {
      while (bufferBits < bits) {
        buffer = (buffer << 8) | bytes[pos++];
        bufferBits += 8;
      }
      w = (buffer >> (bufferBits - bits)) & ((uint64_t{1} << bits) - 1);
      bufferBits -= bits;
    }
    sample = static_cast<double>(w) / maxValue;
  }
  ok = true;
  return true;
}

void VQPDFSampledFunction::transformInput(const double* input, double* output) {
  std::fill(output, output + 32, 0.0);
  if (!ok || sBuf.size() != (static_cast<size_t>(1) << m_input)) return;
  int64_t e0[16];
  int64_t e1[16];
  double frac[16];
  for (int i = 0; i < m_input; ++i) {
    double e = (input[i] - domain[2 * i]) * inputMul[i] + encode[2 * i];
    if (!std::isfinite(e)) e = 0;
    e = std::clamp(e, 0.0, static_cast<double>(sampleSize[i] - 1));
    e0[i] = static_cast<int64_t>(e);
    e1[i] = e0[i] + 1 < sampleSize[i] ? e0[i] + 1 : e0[i];
    frac[i] = e - static_cast<double>(e0[i]);
  }
  const int64_t stored = static_cast<int64_t>(samples.size());
  const size_t corners = sBuf.size();
  for (int j = 0; j < n_output && j < 32; ++j) {
    for (size_t corner = 0; corner < corners; ++corner) {
      int64_t index = j;
      for (int i = 0; i < m_input; ++i) index += ((corner >> i) & 1 ? e1[i] : e0[i]) * idxMul[i];
      sBuf[corner] = index < stored ? samples[static_cast<size_t>(index)] : 0.0;
    }
    size_t count = corners;
    for (int i = 0; i < m_input; ++i) {
      count /= 2;
      for (size_t p = 0; p < count; ++p) sBuf[p] = sBuf[2 * p] * (1 - frac[i]) + sBuf[2 * p + 1] * frac[i];
    }
    output[j] = Clip(decode[2 * j] + sBuf[0] * (decode[2 * j + 1] - decode[2 * j]), range[2 * j], range[2 * j + 1]);
  }
}

// ---- Identity

VQPDFIdentityFunction::VQPDFIdentityFunction() {
  type = -1;
  m_input = 32;
  n_output = 32;
  for (int i = 0; i < 32; ++i) {
    domain[2 * i] = 0;
    domain[2 * i + 1] = 1;
  }
}

void VQPDFIdentityFunction::transformInput(const double* input, double* output) {
  std::copy(input, input + 32, output);
}

}  // namespace vq
