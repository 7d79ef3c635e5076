#pragma once
// The inside of an Object, for the platform layer only. An Object is either a
// view of an object of an opened file (a qpdf handle plus the qpdf instance
// it lives in, kept alive by the view), or a direct value made by our own
// content-stream lexer (operand arrays and dictionaries, inline images).
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/pdf/PdfObject.h"

namespace vq::pdf {

struct Object::Impl {
  // A view of a file's object.
  QPDFObjectHandle handle;
  std::shared_ptr<QPDF> owner;

  // A direct value (when `direct` is true).
  bool direct = false;
  ObjectType type = ObjectType::Null;
  bool boolean = false;
  int64_t integer = 0;
  double real = 0;
  std::string text;                                     // a name without "/", a string's bytes, an operator
  std::vector<Object> items;                            // array
  std::vector<std::pair<std::string, Object>> entries;  // dictionary
  Object dictionary;                                    // a stream's dictionary (a direct dictionary)
  std::string data;                                     // a stream's raw (still filtered) bytes

  static Object wrap(QPDFObjectHandle handle, std::shared_ptr<QPDF> owner);
  static Object makeBoolean(bool value);
  static Object makeInteger(int64_t value);
  static Object makeReal(double value);
  static Object makeName(std::string value);
  static Object makeString(std::string bytes);
  static Object makeOperator(std::string name);
  static Object makeArray(std::vector<Object> items);
  static Object makeDictionary(std::vector<std::pair<std::string, Object>> entries);
  static Object makeStream(Object dictionary, std::string data);
};

// Decodes `data` through a filter list (a name or an array of names, with
// matching parameters) using qpdf's filters; nullopt when a filter fails or
// is one qpdf leaves encoded.
std::optional<std::string> DecodeWithFilters(const std::string& data, const Object& filters, const Object& parms);

// qpdf's view of a direct value (used to hand direct values to qpdf's filter
// code); a view's own handle for file objects.
QPDFObjectHandle ToQPDFHandle(const Object& object);

}  // namespace vq::pdf
