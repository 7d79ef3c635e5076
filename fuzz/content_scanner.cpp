// Content-stream scanner: the input is a page's content bytes, scanned with
// a table whose callbacks pop operands of every type, so every kind of
// operand the tokenizer can build is taken off the stack and looked at.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/pdf/PdfContentScanner.h"

namespace {

using vq::pdf::Object;
using vq::pdf::Scanner;

// Reads an object the way the interpreter does: walks arrays and
// dictionaries one level down and reads every scalar.
void touch(const Object& o, int depth = 0) {
  (void)o.number();
  (void)o.name();
  (void)o.bytes();
  (void)o.boolean();
  if (depth > 2) return;
  if (o.isArray()) {
    for (const Object& e : o.elements()) touch(e, depth + 1);
  } else if (o.isDictionary()) {
    for (const std::string& k : o.keys()) touch(o.get(k), depth + 1);
  }
  if (o.isStream()) {
    (void)o.rawData();
    touch(o.streamDictionary(), depth + 1);
  }
}

// Pops everything left on the stack, each operand with a pop of a type that
// cycles with its position, so wrong-type pops are exercised too.
void popAll(Scanner& s, void*) {
  static constexpr bool (Scanner::*kObjectPops[])(Object*) = {&Scanner::popArray, &Scanner::popDictionary,
                                                              &Scanner::popStream, &Scanner::popObject};
  (void)s.currentOperator();
  for (int i = 0; s.operandCount() > 0; ++i) {
    double d;
    int64_t n;
    bool b;
    std::string str;
    Object o;
    switch (i % 9) {
      case 0:
        s.popNumber(&d);
        break;
      case 1:
        s.popInteger(&n);
        break;
      case 2:
        s.popName(&str);
        break;
      case 3:
        s.popString(&str);
        break;
      case 4:
        s.popBoolean(&b);
        break;
      default:
        if ((s.*kObjectPops[i % 9 - 5])(&o)) touch(o);
        break;
    }
  }
}

// The inline image's own callback: its stream first, as the interpreter does.
void inlineImage(Scanner& s, void* info) {
  Object o;
  if (s.popStream(&o)) touch(o);
  popAll(s, info);
}

const vq::pdf::OperatorTable& table() {
  static const vq::pdf::OperatorTable t = [] {
    vq::pdf::OperatorTable t;
    for (const char* op : {"b",  "B",  "b*", "B*",  "BDC", "BMC", "BT",  "BX", "c",  "cm", "CS", "cs", "d",  "d0",
                           "d1", "Do", "DP", "EMC", "ET",  "EX",  "f",   "F",  "f*", "G",  "g",  "gs", "h",  "i",
                           "j",  "J",  "K",  "k",   "l",   "m",   "M",   "MP", "n",  "q",  "Q",  "re", "RG", "rg",
                           "ri", "s",  "S",  "SC",  "sc",  "SCN", "scn", "sh", "T*", "Tc", "Td", "TD", "Tf", "Tj",
                           "TJ", "TL", "Tm", "Tr",  "Ts",  "Tw",  "Tz",  "v",  "w",  "W",  "W*", "y",  "'",  "\""})
      t.setCallback(op, popAll);
    t.setCallback("EI", inlineImage);
    return t;
  }();
  return t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  // A line "%%EOB" splits the input into several buffers, like a page whose
  // Contents is an array of streams (tokens must not run across them). It is
  // a comment when read as one buffer, so the seeds stay valid content.
  static const std::string kBreak = "\n%%EOB\n";
  std::vector<std::string> buffers;
  size_t start = 0;
  for (size_t at; (at = bytes.find(kBreak, start)) != std::string::npos; start = at + kBreak.size())
    buffers.push_back(bytes.substr(start, at - start));
  buffers.push_back(bytes.substr(start));
  // A colour space resource that an inline image's /CS may name.
  static const Object resources =
      vq::pdf::ParseDirectObject("<< /ColorSpace << /CS0 /DeviceRGB /CS1 [/Indexed /DeviceRGB 1 <000000FFFFFF>] >> >>");
  auto stream = std::make_shared<vq::pdf::ContentStream>(std::move(buffers), resources);
  Scanner scanner(stream, table());
  scanner.scan();
  return 0;
}
