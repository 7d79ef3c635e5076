#include "platform/pdf/PdfObject.h"

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDFExc.hh>

#include <map>
#include <stdexcept>

#include "platform/diagnostics/VQDiagnostics.h"
#include "platform/pdf/PdfObjectImpl.h"

namespace vq::pdf {

namespace {

// Decoded data of one stream is kept up to a bound: a small Flate bomb
// would otherwise expand to gigabytes. Past the bound the data is cut and
// decoding stops; what came before is kept, as with a truncated stream.
constexpr size_t kMostDecodedBytes = size_t{64} << 20;  // 64 MiB
// Streams that stand for much more than that compressed (large scans) may
// expand this many times their stored length.
constexpr size_t kMostExpansion = 16;

struct DecodingStopped : std::runtime_error {
  DecodingStopped() : std::runtime_error("decoded stream data past its bound") {}
};

class BoundedSink : public Pipeline {
 public:
  BoundedSink(std::string& out, size_t bound) : Pipeline("bounded", nullptr), out_(out), bound_(bound) {}
  void write(unsigned char const* data, size_t len) override {
    const size_t room = bound_ - std::min(bound_, out_.size());
    out_.append(reinterpret_cast<const char*>(data), std::min(len, room));
    if (len > room) {
      cut_ = true;
      throw DecodingStopped();
    }
  }
  void finish() override {}
  bool cut() const { return cut_; }

 private:
  std::string& out_;
  size_t bound_;
  bool cut_ = false;
};

size_t decodedBound(QPDFObjectHandle stream) {
  QPDFObjectHandle length = stream.getDict().getKey("/Length");
  const long long stored = length.isInteger() ? length.getIntValue() : 0;
  if (stored <= 0 || static_cast<unsigned long long>(stored) > kMostDecodedBytes) return kMostDecodedBytes;
  return std::max(kMostDecodedBytes, static_cast<size_t>(stored) * kMostExpansion);
}

// Pipes a stream's data through qpdf into `out`, within the bound; answers
// whether qpdf filtered it. nullopt when qpdf failed before the bound.
std::optional<bool> pipeBounded(QPDFObjectHandle stream, std::string& out, qpdf_stream_decode_level_e level) {
  BoundedSink sink(out, decodedBound(stream));
  bool filtered = false;
  bool ok = false;
  try {
    ok = stream.pipeStreamData(&sink, &filtered, 0, level, true, false);
  } catch (const DecodingStopped&) {
  }
  if (sink.cut()) {
    VQDiagnose(VQDiagnosticCategory::PDF, "A stream decodes to more data than is kept; the rest is skipped.");
    return level == qpdf_dl_none ? false : true;
  }
  if (!ok) return std::nullopt;
  return filtered;
}

}  // namespace

namespace {

std::shared_ptr<Object::Impl> newDirect(ObjectType type) {
  auto impl = std::make_shared<Object::Impl>();
  impl->direct = true;
  impl->type = type;
  return impl;
}

// qpdf resolves references and may throw on a damaged file while it does;
// a damaged object reads as null here rather than as an exception.
template <typename F, typename R>
R guarded(F&& f, R fallback) {
  try {
    return f();
  } catch (...) {
    return fallback;
  }
}

bool isImageFilter(const std::string& name) {
  return name == "DCTDecode" || name == "DCT" || name == "JPXDecode" || name == "CCITTFaxDecode" || name == "CCF" ||
         name == "JBIG2Decode";
}

std::string canonicalFilter(const std::string& name) {
  static const std::map<std::string, std::string> abbreviations = {
      {"AHx", "ASCIIHexDecode"}, {"A85", "ASCII85Decode"},  {"LZW", "LZWDecode"}, {"Fl", "FlateDecode"},
      {"RL", "RunLengthDecode"}, {"CCF", "CCITTFaxDecode"}, {"DCT", "DCTDecode"}};
  auto it = abbreviations.find(name);
  return it == abbreviations.end() ? name : it->second;
}

// A Filter entry (a name or an array of names) as a list; DecodeParms (a
// dictionary, null or an array) as a list of the same length.
void filterLists(const Object& dictionary, std::vector<std::string>* filters, std::vector<Object>* parms) {
  Object f = dictionary.get("Filter");
  if (f.isName()) {
    filters->push_back(*f.name());
  } else if (f.isArray()) {
    for (const Object& e : f.elements()) filters->push_back(e.name().value_or(""));
  }
  Object p = dictionary.get("DecodeParms");
  if (p.isNull()) p = dictionary.get("DP");
  for (size_t i = 0; i < filters->size(); ++i) {
    if (p.isArray()) {
      parms->push_back(p.at(i));
    } else {
      parms->push_back(filters->size() == 1 ? p : Object());
    }
  }
}

// Predictor parameters within what any real image or stream uses. qpdf
// sizes its row buffers from them, so a few bytes claiming a million
// colours and two billion columns would allocate gigabytes.
bool sensiblePredictor(const Object& parms) {
  if (!parms.isDictionary()) return true;
  auto integer = [&](const char* key, long long fallback) {
    const auto value = parms.get(key).integer();
    return value ? static_cast<long long>(*value) : fallback;
  };
  if (integer("Predictor", 1) <= 1) return true;
  const long long colors = integer("Colors", 1);
  const long long bits = integer("BitsPerComponent", 8);
  const long long columns = integer("Columns", 1);
  constexpr long long kMostColors = 32, kMostColumns = 1 << 20;
  return colors >= 1 && colors <= kMostColors && (bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16) &&
         columns >= 1 && columns <= kMostColumns;
}

bool sensiblePredictors(const Object& parms) {
  if (!parms.isArray()) return sensiblePredictor(parms);
  for (const Object& e : parms.elements())
    if (!sensiblePredictor(e)) return false;
  return true;
}

}  // namespace

// ---- construction of direct values

Object Object::Impl::wrap(QPDFObjectHandle handle, std::shared_ptr<QPDF> owner) {
  auto impl = std::make_shared<Impl>();
  impl->handle = std::move(handle);
  impl->owner = std::move(owner);
  return Object(std::move(impl));
}
Object Object::Impl::makeBoolean(bool value) {
  auto impl = newDirect(ObjectType::Boolean);
  impl->boolean = value;
  return Object(std::move(impl));
}
Object Object::Impl::makeInteger(int64_t value) {
  auto impl = newDirect(ObjectType::Integer);
  impl->integer = value;
  return Object(std::move(impl));
}
Object Object::Impl::makeReal(double value) {
  auto impl = newDirect(ObjectType::Real);
  impl->real = value;
  return Object(std::move(impl));
}
Object Object::Impl::makeName(std::string value) {
  auto impl = newDirect(ObjectType::Name);
  impl->text = std::move(value);
  return Object(std::move(impl));
}
Object Object::Impl::makeString(std::string bytes) {
  auto impl = newDirect(ObjectType::String);
  impl->text = std::move(bytes);
  return Object(std::move(impl));
}
Object Object::Impl::makeOperator(std::string name) {
  auto impl = newDirect(ObjectType::Operator);
  impl->text = std::move(name);
  return Object(std::move(impl));
}
Object Object::Impl::makeArray(std::vector<Object> items) {
  auto impl = newDirect(ObjectType::Array);
  impl->items = std::move(items);
  return Object(std::move(impl));
}
Object Object::Impl::makeDictionary(std::vector<std::pair<std::string, Object>> entries) {
  auto impl = newDirect(ObjectType::Dictionary);
  impl->entries = std::move(entries);
  return Object(std::move(impl));
}
Object Object::Impl::makeStream(Object dictionary, std::string data) {
  auto impl = newDirect(ObjectType::Stream);
  impl->dictionary = dictionary.isDictionary() ? std::move(dictionary) : makeDictionary({});
  impl->data = std::move(data);
  return Object(std::move(impl));
}

// ---- Object

Object::Object() = default;
Object::Object(std::shared_ptr<Impl> impl) : impl_(std::move(impl)) {}

ObjectType Object::type() const {
  if (!impl_) return ObjectType::Null;
  if (impl_->direct) return impl_->type;
  return guarded(
      [&] {
        switch (impl_->handle.getTypeCode()) {
          case ::ot_boolean:
            return ObjectType::Boolean;
          case ::ot_integer:
            return ObjectType::Integer;
          case ::ot_real:
            return ObjectType::Real;
          case ::ot_name:
            return ObjectType::Name;
          case ::ot_string:
            return ObjectType::String;
          case ::ot_array:
            return ObjectType::Array;
          case ::ot_dictionary:
            return ObjectType::Dictionary;
          case ::ot_stream:
            return ObjectType::Stream;
          case ::ot_operator:
            return ObjectType::Operator;
          default:
            return ObjectType::Null;
        }
      },
      ObjectType::Null);
}

std::optional<bool> Object::boolean() const {
  if (type() != ObjectType::Boolean) return std::nullopt;
  if (impl_->direct) return impl_->boolean;
  return guarded([&]() -> std::optional<bool> { return impl_->handle.getBoolValue(); }, std::optional<bool>());
}

std::optional<int64_t> Object::integer() const {
  if (type() != ObjectType::Integer) return std::nullopt;
  if (impl_->direct) return impl_->integer;
  return guarded([&]() -> std::optional<int64_t> { return impl_->handle.getIntValue(); }, std::optional<int64_t>());
}

std::optional<double> Object::number() const {
  ObjectType t = type();
  if (t != ObjectType::Integer && t != ObjectType::Real) return std::nullopt;
  if (impl_->direct) return t == ObjectType::Integer ? static_cast<double>(impl_->integer) : impl_->real;
  return guarded([&]() -> std::optional<double> { return impl_->handle.getNumericValue(); }, std::optional<double>());
}

std::optional<std::string> Object::name() const {
  if (type() != ObjectType::Name) return std::nullopt;
  if (impl_->direct) return impl_->text;
  return guarded(
      [&]() -> std::optional<std::string> {
        std::string n = impl_->handle.getName();
        if (!n.empty() && n[0] == '/') n.erase(0, 1);
        return n;
      },
      std::optional<std::string>());
}

std::optional<std::string> Object::bytes() const {
  if (type() != ObjectType::String) return std::nullopt;
  if (impl_->direct) return impl_->text;
  return guarded([&]() -> std::optional<std::string> { return impl_->handle.getStringValue(); },
                 std::optional<std::string>());
}

std::optional<std::string> Object::text() const {
  auto b = bytes();
  if (!b) return std::nullopt;
  return TextStringToUTF8(*b);
}

size_t Object::size() const {
  if (type() != ObjectType::Array) return 0;
  if (impl_->direct) return impl_->items.size();
  return guarded([&] { return static_cast<size_t>(std::max(0, impl_->handle.getArrayNItems())); }, size_t{0});
}

Object Object::at(size_t index) const {
  if (type() != ObjectType::Array) return Object();
  if (impl_->direct) return index < impl_->items.size() ? impl_->items[index] : Object();
  return guarded(
      [&] {
        if (index >= static_cast<size_t>(std::max(0, impl_->handle.getArrayNItems()))) return Object();
        return Impl::wrap(impl_->handle.getArrayItem(static_cast<int>(index)), impl_->owner);
      },
      Object());
}

std::vector<Object> Object::elements() const {
  if (type() != ObjectType::Array) return {};
  if (impl_->direct) return impl_->items;
  std::vector<Object> out;
  size_t n = size();
  out.reserve(n);
  for (size_t i = 0; i < n; ++i) out.push_back(at(i));
  return out;
}

bool Object::has(const std::string& key) const { return !get(key).isNull(); }

Object Object::get(const std::string& key) const {
  ObjectType t = type();
  if (t != ObjectType::Dictionary && t != ObjectType::Stream) return Object();
  if (impl_->direct) {
    if (t == ObjectType::Stream) return impl_->dictionary.get(key);
    for (const auto& [k, v] : impl_->entries) {
      if (k == key) return v;
    }
    return Object();
  }
  return guarded(
      [&] {
        QPDFObjectHandle dict = t == ObjectType::Stream ? impl_->handle.getDict() : impl_->handle;
        QPDFObjectHandle value = dict.getKey("/" + key);
        if (value.isNull()) return Object();
        return Impl::wrap(value, impl_->owner);
      },
      Object());
}

std::vector<std::string> Object::keys() const {
  ObjectType t = type();
  if (t != ObjectType::Dictionary && t != ObjectType::Stream) return {};
  if (impl_->direct) {
    if (t == ObjectType::Stream) return impl_->dictionary.keys();
    std::vector<std::string> out;
    for (const auto& e : impl_->entries) out.push_back(e.first);
    return out;
  }
  return guarded(
      [&] {
        QPDFObjectHandle dict = t == ObjectType::Stream ? impl_->handle.getDict() : impl_->handle;
        std::vector<std::string> out;
        for (const std::string& k : dict.getKeys()) out.push_back(k.size() > 0 && k[0] == '/' ? k.substr(1) : k);
        return out;
      },
      std::vector<std::string>());
}

Object Object::streamDictionary() const {
  if (type() != ObjectType::Stream) return Object();
  if (impl_->direct) return impl_->dictionary;
  return guarded([&] { return Impl::wrap(impl_->handle.getDict(), impl_->owner); }, Object());
}

std::optional<std::string> Object::rawData() const {
  if (type() != ObjectType::Stream) return std::nullopt;
  if (impl_->direct) return impl_->data;
  return guarded(
      [&]() -> std::optional<std::string> {
        std::string out;
        // Raw means still filtered; qpdf decrypts regardless.
        if (!pipeBounded(impl_->handle, out, qpdf_dl_none)) return std::nullopt;
        return out;
      },
      std::optional<std::string>());
}

std::optional<std::string> Object::decodedData() const {
  if (type() != ObjectType::Stream) return std::nullopt;
  if (impl_->direct) {
    Object dict = impl_->dictionary;
    Object filters = dict.get("Filter");
    if (filters.isNull()) filters = dict.get("F");
    Object parms = dict.get("DecodeParms");
    if (parms.isNull()) parms = dict.get("DP");
    if (filters.isNull()) return impl_->data;
    return DecodeWithFilters(impl_->data, filters, parms);
  }
  return guarded(
      [&]() -> std::optional<std::string> {
        std::vector<std::string> filters;
        std::vector<Object> parms;
        filterLists(*this, &filters, &parms);
        for (const Object& p : parms)
          if (!sensiblePredictor(p)) return std::nullopt;
        std::string out;
        const auto filtered = pipeBounded(impl_->handle, out, qpdf_dl_specialized);
        if (!filtered) return std::nullopt;
        // qpdf leaves data it cannot decode (image filters, unknown
        // filters) as it is; that is not decoded data.
        if (!*filtered && !filters.empty()) return std::nullopt;
        return out;
      },
      std::optional<std::string>());
}

std::optional<Object::ImageFilterData> Object::dataForImageFilter() const {
  if (type() != ObjectType::Stream) return std::nullopt;
  Object dict = streamDictionary();
  std::vector<std::string> filters;
  std::vector<Object> parms;
  filterLists(dict, &filters, &parms);
  if (impl_->direct && filters.empty()) {
    // Inline images name their filters with the short keys.
    Object f = dict.get("F");
    if (f.isName()) filters.push_back(*f.name());
    if (f.isArray()) {
      for (const Object& e : f.elements()) filters.push_back(e.name().value_or(""));
    }
    Object p = dict.get("DP");
    for (size_t i = 0; i < filters.size(); ++i)
      parms.push_back(p.isArray() ? p.at(i) : (filters.size() == 1 ? p : Object()));
  }
  ImageFilterData result;
  if (filters.empty() || !isImageFilter(filters.back())) {
    auto data = decodedData();
    if (!data) return std::nullopt;
    result.data = std::move(*data);
    return result;
  }
  auto raw = rawData();
  if (!raw) return std::nullopt;
  result.filter = canonicalFilter(filters.back());
  result.parms = parms.back();
  if (filters.size() == 1) {
    result.data = std::move(*raw);
    return result;
  }
  std::vector<Object> prefixFilters;
  std::vector<Object> prefixParms;
  for (size_t i = 0; i + 1 < filters.size(); ++i) {
    prefixFilters.push_back(Impl::makeName(filters[i]));
    prefixParms.push_back(parms[i]);
  }
  auto data = DecodeWithFilters(*raw, Impl::makeArray(prefixFilters), Impl::makeArray(prefixParms));
  if (!data) return std::nullopt;
  result.data = std::move(*data);
  return result;
}

ObjectId Object::id() const {
  if (!impl_ || impl_->direct) return ObjectId{};
  QPDFObjGen og = impl_->handle.getObjGen();
  return ObjectId{og.getObj(), og.getGen()};
}

std::weak_ptr<const void> Object::fileInstance() const {
  return impl_ ? std::weak_ptr<const void>(impl_->owner) : std::weak_ptr<const void>();
}

bool Object::sameObject(const Object& other) const {
  if (!impl_ || !other.impl_) return false;
  if (impl_ == other.impl_) return true;
  if (impl_->direct || other.impl_->direct) return false;
  ObjectId a = id();
  ObjectId b = other.id();
  if (a.isIndirect() || b.isIndirect()) return a == b && impl_->owner == other.impl_->owner;
  return impl_->handle.isSameObjectAs(other.impl_->handle);
}

// ---- conversions to qpdf and decoding

QPDFObjectHandle ToQPDFHandle(const Object& object) {
  const auto& impl = object.impl();
  if (!impl) return QPDFObjectHandle::newNull();
  if (!impl->direct) return impl->handle;
  switch (impl->type) {
    case ObjectType::Boolean:
      return QPDFObjectHandle::newBool(impl->boolean);
    case ObjectType::Integer:
      return QPDFObjectHandle::newInteger(impl->integer);
    case ObjectType::Real:
      return QPDFObjectHandle::newReal(impl->real, 6);
    case ObjectType::Name:
      return QPDFObjectHandle::newName("/" + canonicalFilter(impl->text));
    case ObjectType::String:
      return QPDFObjectHandle::newString(impl->text);
    case ObjectType::Operator:
      return QPDFObjectHandle::newOperator(impl->text);
    case ObjectType::Array: {
      std::vector<QPDFObjectHandle> items;
      for (const Object& e : impl->items) items.push_back(ToQPDFHandle(e));
      return QPDFObjectHandle::newArray(items);
    }
    case ObjectType::Dictionary: {
      std::map<std::string, QPDFObjectHandle> entries;
      for (const auto& [k, v] : impl->entries) entries["/" + k] = ToQPDFHandle(v);
      return QPDFObjectHandle::newDictionary(entries);
    }
    default:
      return QPDFObjectHandle::newNull();
  }
}

std::optional<std::string> DecodeWithFilters(const std::string& data, const Object& filters, const Object& parms) {
  if (!sensiblePredictors(parms)) return std::nullopt;
  try {
    QPDF scratch;
    scratch.setSuppressWarnings(true);
    scratch.emptyPDF();
    QPDFObjectHandle stream = scratch.newStream();
    stream.replaceStreamData(data, ToQPDFHandle(filters), ToQPDFHandle(parms));
    std::string out;
    const auto filtered = pipeBounded(stream, out, qpdf_dl_specialized);
    if (!filtered) return std::nullopt;
    if (!*filtered && !filters.isNull()) return std::nullopt;
    return out;
  } catch (...) {
    return std::nullopt;
  }
}

Object ParseDirectObject(const std::string& syntax) {
  try {
    return Object::Impl::wrap(QPDFObjectHandle::parse(syntax), nullptr);
  } catch (...) {
    return Object();
  }
}

}  // namespace vq::pdf
