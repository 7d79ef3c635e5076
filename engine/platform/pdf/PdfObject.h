#pragma once
// A cheap, copyable view of one PDF object. It keeps the opened document
// instance it was read from alive, so it stays valid as long as it exists,
// but it belongs to the thread that read it: never hand an Object to another
// thread (send the document and a page number instead).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vq::pdf {

enum class ObjectType { Null, Boolean, Integer, Real, Name, String, Array, Dictionary, Stream, Operator };

struct ObjectId {
  int number = 0;  // 0 for a direct object
  int generation = 0;
  friend bool operator==(const ObjectId&, const ObjectId&) = default;
  bool isIndirect() const { return number != 0; }
};

class Object {
 public:
  struct Impl;
  Object();  // the null object
  explicit Object(std::shared_ptr<Impl> impl);

  ObjectType type() const;
  bool isNull() const { return type() == ObjectType::Null; }
  bool isBoolean() const { return type() == ObjectType::Boolean; }
  bool isInteger() const { return type() == ObjectType::Integer; }
  bool isReal() const { return type() == ObjectType::Real; }
  bool isNumber() const { return isInteger() || isReal(); }
  bool isName() const { return type() == ObjectType::Name; }
  bool isString() const { return type() == ObjectType::String; }
  bool isArray() const { return type() == ObjectType::Array; }
  // True for dictionaries and for streams (whose dictionary answers get()).
  bool isDictionary() const { return type() == ObjectType::Dictionary || type() == ObjectType::Stream; }
  bool isStream() const { return type() == ObjectType::Stream; }

  // Typed getters: nullopt when the object is not of that type.
  std::optional<bool> boolean() const;
  std::optional<int64_t> integer() const;    // integers only
  std::optional<double> number() const;      // integers and reals
  std::optional<std::string> name() const;   // without the leading "/"
  std::optional<std::string> bytes() const;  // a string's raw bytes
  std::optional<std::string> text() const;   // a string as a PDF text string, in UTF-8
  bool isName(const std::string& n) const {
    auto v = name();
    return v && *v == n;
  }

  // Arrays (size 0 and null elements for anything else).
  size_t size() const;
  Object at(size_t index) const;
  std::vector<Object> elements() const;

  // Dictionaries and stream dictionaries; keys are given without the "/".
  bool has(const std::string& key) const;
  Object get(const std::string& key) const;  // indirect references resolved; null when absent
  std::vector<std::string> keys() const;

  // Streams.
  Object streamDictionary() const;
  // Data with every filter decoded; nullopt when a filter fails or is one
  // that the PDF library leaves encoded (DCT, JPX, CCITTFax, JBIG2).
  std::optional<std::string> decodedData() const;
  std::optional<std::string> rawData() const;
  // Decodes every filter before a final image filter (DCT, JPX, CCITTFax,
  // JBIG2) and returns the bytes for that filter with its name and parameters.
  struct ImageFilterData;  // defined below the class
  std::optional<ImageFilterData> dataForImageFilter() const;

  ObjectId id() const;
  bool sameObject(const Object& other) const;  // the same indirect object, or the same direct value instance
  // Which opened instance of the file the object was read through (empty for
  // a value made here): a thread's instance is replaced now and then, and
  // what keeps objects between pages can tell when to start over. A handle,
  // not an address: a new instance may be made where a closed one lay, and
  // the handle of the closed one still tells the two apart.
  std::weak_ptr<const void> fileInstance() const;
  const std::shared_ptr<Impl>& impl() const { return impl_; }

 private:
  std::shared_ptr<Impl> impl_;
};

struct Object::ImageFilterData {
  std::string data;
  std::string filter;  // "" when no image filter remains (data fully decoded)
  Object parms;        // the DecodeParms entry of that filter, or null
};

// PDF text string (PDFDocEncoding, or UTF-16BE with its byte-order mark, or
// UTF-8 with its mark) to UTF-8.
std::string TextStringToUTF8(const std::string& bytes);

// PDF date "D:YYYYMMDDHHmmSSOHH'mm'" to seconds since the epoch (UTC);
// nullopt when it cannot be read.
std::optional<int64_t> ParsePDFDate(const std::string& text);

// A direct object from PDF syntax ("<< /Type /Font >>"), belonging to no
// file; the null object when the syntax is not one object.
Object ParseDirectObject(const std::string& syntax);

}  // namespace vq::pdf
