// Type 4 functions: a PostScript calculator program compiled to a flat list
// of instructions with relative jumps for `if` / `ifelse`. The language has no
// loops, so a run is bounded by the program's length; the operand stack is
// bounded at 100 entries as PDF readers are required to support.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>

#include "pdf/VQPDFFunction.h"
#include "platform/pdf/PdfRenderSafety.h"

namespace vq {

using vq::pdf::Object;

namespace {

enum Op {
  kPush = 0,
  kJumpIfFalse,
  kJump,
  kPushTrue,
  kPushFalse,
  kAbs,
  kAdd,
  kAtan,
  kCeiling,
  kCos,
  kCvi,
  kCvr,
  kDiv,
  kExp,
  kFloor,
  kIdiv,
  kLn,
  kLog,
  kMod,
  kMul,
  kNeg,
  kRound,
  kSin,
  kSqrt,
  kSub,
  kTruncate,
  kAnd,
  kBitshift,
  kEq,
  kGe,
  kGt,
  kLe,
  kLt,
  kNe,
  kNot,
  kOr,
  kXor,
  kCopy,
  kDup,
  kExch,
  kIndex,
  kPop,
  kRoll,
};

struct Named {
  const char* name;
  int op;
};

constexpr Named kOperators[] = {
    {"abs", kAbs},
    {"add", kAdd},
    {"atan", kAtan},
    {"ceiling", kCeiling},
    {"cos", kCos},
    {"cvi", kCvi},
    {"cvr", kCvr},
    {"div", kDiv},
    {"exp", kExp},
    {"floor", kFloor},
    {"idiv", kIdiv},
    {"ln", kLn},
    {"log", kLog},
    {"mod", kMod},
    {"mul", kMul},
    {"neg", kNeg},
    {"round", kRound},
    {"sin", kSin},
    {"sqrt", kSqrt},
    {"sub", kSub},
    {"truncate", kTruncate},
    {"and", kAnd},
    {"bitshift", kBitshift},
    {"eq", kEq},
    {"ge", kGe},
    {"gt", kGt},
    {"le", kLe},
    {"lt", kLt},
    {"ne", kNe},
    {"not", kNot},
    {"or", kOr},
    {"xor", kXor},
    {"true", kPushTrue},
    {"false", kPushFalse},
    {"copy", kCopy},
    {"dup", kDup},
    {"exch", kExch},
    {"index", kIndex},
    {"pop", kPop},
    {"roll", kRoll},
};

using Instruction = VQPDFPostScriptFunction::Instruction;
using Block = std::vector<Instruction>;

class Compiler {
 public:
  explicit Compiler(const std::string& text) : text_(text) {}

  // The program is one procedure: `{ ... }`.
  bool compile(Block* out) {
    if (next() != "{") return false;
    if (!block(out, 0)) return false;
    return true;
  }

 private:
  std::string next() {
    while (pos_ < text_.size()) {
      char ch = text_[pos_];
      if (ch == '%') {
        while (pos_ < text_.size() && text_[pos_] != '\n' && text_[pos_] != '\r') ++pos_;
      } else if (std::isspace(static_cast<unsigned char>(ch)) || ch == '\0') {
        ++pos_;
      } else {
        break;
      }
    }
    if (pos_ >= text_.size()) return {};
    if (text_[pos_] == '{' || text_[pos_] == '}') return std::string(1, text_[pos_++]);
    size_t start = pos_;
    while (pos_ < text_.size()) {
      char ch = text_[pos_];
      if (std::isspace(static_cast<unsigned char>(ch)) || ch == '{' || ch == '}' || ch == '%' || ch == '\0') break;
      ++pos_;
    }
    return text_.substr(start, pos_ - start);
  }

  // Reads up to the closing brace of the current procedure, the
  // `depth + 1`th open one. Programs nested deeper than the renderer is
  // allowed to see are refused here too, so that every output draws them
  // alike (not at all).
  bool block(Block* out, int depth) {
    if (depth + 1 > pdf::kMostPostScriptNesting) return false;
    std::vector<Block> pending;
    for (;;) {
      std::string token = next();
      if (token.empty()) return false;
      if (token == "}") return pending.empty();
      if (token == "{") {
        Block sub;
        if (!block(&sub, depth + 1)) return false;
        pending.push_back(std::move(sub));
        if (pending.size() > 2) return false;
        continue;
      }
      if (token == "if") {
        if (pending.size() != 1) return false;
        out->push_back({kJumpIfFalse, 0, static_cast<int>(pending[0].size())});
        out->insert(out->end(), pending[0].begin(), pending[0].end());
        pending.clear();
        continue;
      }
      if (token == "ifelse") {
        if (pending.size() != 2) return false;
        out->push_back({kJumpIfFalse, 0, static_cast<int>(pending[0].size()) + 1});
        out->insert(out->end(), pending[0].begin(), pending[0].end());
        out->push_back({kJump, 0, static_cast<int>(pending[1].size())});
        out->insert(out->end(), pending[1].begin(), pending[1].end());
        pending.clear();
        continue;
      }
      if (!pending.empty()) return false;
      char first = token[0];
      if (std::isdigit(static_cast<unsigned char>(first)) || first == '-' || first == '+' || first == '.') {
        char* end = nullptr;
        double value = std::strtod(token.c_str(), &end);
        if (end == token.c_str() || *end != '\0') return false;
        // An integer literal keeps its integer kind (jump field 1).
        bool isInteger = token.find_first_of(".eE") == std::string::npos;
        out->push_back({kPush, value, isInteger ? 1 : 0});
        continue;
      }
      const Named* found =
          std::find_if(std::begin(kOperators), std::end(kOperators), [&](const Named& n) { return token == n.name; });
      if (found == std::end(kOperators)) return false;
      out->push_back({found->op, 0, 0});
    }
  }

  const std::string& text_;
  size_t pos_ = 0;
};

enum Kind : uint8_t { kInt, kReal, kBool };

struct Value {
  double v = 0;
  Kind kind = kReal;
};

constexpr int kStackSize = 100;

class Machine {
 public:
  bool push(double v, Kind kind) {
    if (size_ >= kStackSize) return false;
    stack_[size_++] = {v, kind};
    return true;
  }
  bool pop(Value* out) {
    if (size_ == 0) return false;
    *out = stack_[--size_];
    return true;
  }
  int size() const { return size_; }
  Value at(int i) const { return stack_[i]; }

  bool run(const std::vector<Instruction>& program) {
    size_t pc = 0;
    while (pc < program.size()) {
      const Instruction& ins = program[pc++];
      if (!step(ins, &pc)) return false;
    }
    return true;
  }

 private:
  static Kind numeric(const Value& a, const Value& b) { return a.kind == kInt && b.kind == kInt ? kInt : kReal; }
  static bool isInt(double v) { return std::fabs(v) < 2147483648.0; }

  bool step(const Instruction& ins, size_t* pc) {
    Value a, b, c;
    switch (ins.op) {
      case kPush:
        return push(ins.value, ins.jump ? kInt : kReal);
      case kPushTrue:
        return push(1, kBool);
      case kPushFalse:
        return push(0, kBool);
      case kJumpIfFalse:
        if (!pop(&a) || a.kind != kBool) return false;
        if (a.v == 0) *pc += static_cast<size_t>(ins.jump);
        return true;
      case kJump:
        *pc += static_cast<size_t>(ins.jump);
        return true;
      case kAbs:
        return pop(&a) && push(std::fabs(a.v), a.kind);
      case kNeg:
        return pop(&a) && push(-a.v, a.kind);
      case kAdd:
        return pop(&b) && pop(&a) && arith(a.v + b.v, numeric(a, b));
      case kSub:
        return pop(&b) && pop(&a) && arith(a.v - b.v, numeric(a, b));
      case kMul:
        return pop(&b) && pop(&a) && arith(a.v * b.v, numeric(a, b));
      case kDiv:
        if (!pop(&b) || !pop(&a) || b.v == 0) return false;
        return push(a.v / b.v, kReal);
      case kIdiv:
      case kMod: {
        if (!pop(&b) || !pop(&a) || a.kind != kInt || b.kind != kInt || b.v == 0) return false;
        auto x = static_cast<int64_t>(a.v), y = static_cast<int64_t>(b.v);
        return push(static_cast<double>(ins.op == kIdiv ? x / y : x % y), kInt);
      }
      case kAtan: {
        if (!pop(&b) || !pop(&a) || (a.v == 0 && b.v == 0)) return false;
        double deg = std::atan2(a.v, b.v) * 180.0 / std::numbers::pi;
        if (deg < 0) deg += 360.0;
        return push(deg, kReal);
      }
      case kCeiling:
        return pop(&a) && push(std::ceil(a.v), a.kind);
      case kFloor:
        return pop(&a) && push(std::floor(a.v), a.kind);
      case kRound:
        return pop(&a) && push(std::floor(a.v + 0.5), a.kind);
      case kTruncate:
        return pop(&a) && push(std::trunc(a.v), a.kind);
      case kCos:
        return pop(&a) && push(std::cos(a.v * std::numbers::pi / 180.0), kReal);
      case kSin:
        return pop(&a) && push(std::sin(a.v * std::numbers::pi / 180.0), kReal);
      case kCvi:
        return pop(&a) && isInt(a.v) && push(std::trunc(a.v), kInt);
      case kCvr:
        return pop(&a) && push(a.v, kReal);
      case kExp:
        return pop(&b) && pop(&a) && push(std::pow(a.v, b.v), kReal);
      case kLn:
        return pop(&a) && a.v > 0 && push(std::log(a.v), kReal);
      case kLog:
        return pop(&a) && a.v > 0 && push(std::log10(a.v), kReal);
      case kSqrt:
        return pop(&a) && a.v >= 0 && push(std::sqrt(a.v), kReal);
      case kEq:
        return pop(&b) && pop(&a) && push(a.v == b.v, kBool);
      case kNe:
        return pop(&b) && pop(&a) && push(a.v != b.v, kBool);
      case kGe:
        return pop(&b) && pop(&a) && push(a.v >= b.v, kBool);
      case kGt:
        return pop(&b) && pop(&a) && push(a.v > b.v, kBool);
      case kLe:
        return pop(&b) && pop(&a) && push(a.v <= b.v, kBool);
      case kLt:
        return pop(&b) && pop(&a) && push(a.v < b.v, kBool);
      case kAnd:
      case kOr:
      case kXor: {
        if (!pop(&b) || !pop(&a) || a.kind != b.kind || a.kind == kReal) return false;
        auto x = static_cast<int64_t>(a.v), y = static_cast<int64_t>(b.v);
        int64_t r = ins.op == kAnd ? (x & y) : ins.op == kOr ? (x | y) : (x ^ y);
        return push(static_cast<double>(r), a.kind);
      }
      case kNot:
        if (!pop(&a) || a.kind == kReal) return false;
        if (a.kind == kBool) return push(a.v == 0, kBool);
        return push(static_cast<double>(~static_cast<int64_t>(a.v)), kInt);
      case kBitshift: {
        if (!pop(&b) || !pop(&a) || a.kind != kInt || b.kind != kInt) return false;
        auto x = static_cast<uint32_t>(static_cast<int64_t>(a.v));
        auto s = static_cast<int64_t>(b.v);
        uint32_t r = s >= 32 || s <= -32 ? 0 : (s >= 0 ? x << s : x >> -s);
        return push(static_cast<double>(static_cast<int32_t>(r)), kInt);
      }
      case kDup:
        if (size_ == 0) return false;
        return push(stack_[size_ - 1].v, stack_[size_ - 1].kind);
      case kPop:
        return pop(&a);
      case kExch:
        if (!pop(&b) || !pop(&a)) return false;
        return push(b.v, b.kind) && push(a.v, a.kind);
      case kCopy: {
        if (!pop(&a) || a.kind != kInt || a.v < 0 || a.v > size_) return false;
        int n = static_cast<int>(a.v);
        if (size_ + n > kStackSize) return false;
        for (int i = 0; i < n; ++i) stack_[size_ + i] = stack_[size_ - n + i];
        size_ += n;
        return true;
      }
      case kIndex: {
        if (!pop(&a) || a.kind != kInt || a.v < 0 || a.v >= size_) return false;
        Value v = stack_[size_ - 1 - static_cast<int>(a.v)];
        return push(v.v, v.kind);
      }
      case kRoll: {
        if (!pop(&b) || !pop(&a) || a.kind != kInt || b.kind != kInt || a.v < 0 || a.v > size_) return false;
        int n = static_cast<int>(a.v);
        if (n == 0) return true;
        int j = static_cast<int>(std::fmod(b.v, n));
        if (j < 0) j += n;
        std::rotate(stack_ + size_ - n, stack_ + size_ - j, stack_ + size_);
        return true;
      }
      default:
        (void)c;
        return false;
    }
  }

  bool arith(double r, Kind kind) {
    if (kind == kInt && !isInt(r)) kind = kReal;
    return push(r, kind);
  }

  Value stack_[kStackSize];
  int size_ = 0;
};

}  // namespace

bool VQPDFPostScriptFunction::compile(const std::string& text) {
  Block out;
  Compiler compiler(text);
  ok = compiler.compile(&out);
  program = ok ? std::move(out) : Block{};
  return ok;
}

bool VQPDFPostScriptFunction::parse(const Object& object, const Object& funcDict) {
  if (!parseBase(funcDict)) return false;
  if (!hasRange || n_output < 1) return false;
  if (!object.isStream()) return false;
  auto data = object.decodedData();
  if (!data) return false;
  return compile(*data);
}

void VQPDFPostScriptFunction::transformInput(const double* input, double* output) {
  std::fill(output, output + 32, 0.0);
  if (!ok) return;
  Machine machine;
  for (int i = 0; i < m_input && i < 32; ++i) {
    double x = input[i];
    if (std::isnan(x)) x = domain[2 * i];
    x = std::clamp(x, std::min(domain[2 * i], domain[2 * i + 1]), std::max(domain[2 * i], domain[2 * i + 1]));
    if (!machine.push(x, kReal)) return;
  }
  if (!machine.run(program)) return;
  int n = std::min(n_output, 32);
  if (machine.size() < n) return;
  for (int i = 0; i < n; ++i) {
    double v = machine.at(machine.size() - n + i).v;
    output[i] = std::isfinite(v) ? v : 0.0;
  }
  clipToRange(output, n);
}

}  // namespace vq
