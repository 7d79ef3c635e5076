#pragma once
// Shared helpers of the PDF platform tests: a stable one-line text for any
// Object, and a recording operator table.
#include <fmt/format.h>

#include <string>
#include <vector>

#include "platform/pdf/PdfContentScanner.h"
#include "platform/pdf/PdfObject.h"

namespace vqtest {

inline std::string describe(const vq::pdf::Object& o) {
  using vq::pdf::ObjectType;
  switch (o.type()) {
    case ObjectType::Null:
      return "null";
    case ObjectType::Boolean:
      return *o.boolean() ? "true" : "false";
    case ObjectType::Integer:
      return fmt::format("{}", *o.integer());
    case ObjectType::Real:
      return fmt::format("{}r", *o.number());
    case ObjectType::Name:
      return "/" + *o.name();
    case ObjectType::String: {
      std::string out = "(";
      const std::string bytes = o.bytes().value_or("");
      for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F) out += static_cast<char>(c);
        else out += fmt::format("\\x{:02x}", c);
      }
      return out + ")";
    }
    case ObjectType::Array: {
      std::string out = "[";
      for (const auto& e : o.elements()) out += (out.size() > 1 ? " " : "") + describe(e);
      return out + "]";
    }
    case ObjectType::Dictionary: {
      std::string out = "<<";
      for (const auto& k : o.keys()) out += (out.size() > 2 ? " /" : "/") + k + " " + describe(o.get(k));
      return out + ">>";
    }
    case ObjectType::Stream:
      return "stream" + describe(o.streamDictionary()) + fmt::format("#{}", o.rawData()->size());
    case ObjectType::Operator:
      return "op";
  }
  return "?";
}

// Records every listed operator with all its operands (bottom first), one
// line per operator: "Td 1 2".
struct Recorder {
  std::vector<std::string> lines;
  vq::pdf::OperatorTable table;

  explicit Recorder(const std::vector<std::string>& operators) {
    for (const auto& name : operators) {
      table.setCallback(name, [this](vq::pdf::Scanner& s, void*) {
        std::vector<std::string> operands;
        vq::pdf::Object o;
        while (s.popObject(&o)) operands.insert(operands.begin(), describe(o));
        std::string line(s.currentOperator());
        for (const auto& a : operands) line += " " + a;
        lines.push_back(line);
      });
    }
  }
};

}  // namespace vqtest
