#include "platform/pdf/PdfContentScanner.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "platform/pdf/PdfCharClasses.h"
#include "platform/pdf/PdfDocument.h"
#include "platform/pdf/PdfObjectImpl.h"

namespace vq::pdf {

// ---- ContentStream

ContentStream::ContentStream(std::vector<std::string> buffers, Object resources,
                             std::shared_ptr<const ContentStream> parent)
    : buffers_(std::move(buffers)),
      resources_(resources.isDictionary() ? std::move(resources) : Object()),
      parent_(std::move(parent)) {}

std::shared_ptr<ContentStream> ContentStream::createWithPage(const Page& page) {
  std::vector<std::string> buffers;
  for (const Object& s : page.contentStreams()) {
    if (auto data = s.decodedData()) buffers.push_back(std::move(*data));
  }
  return std::make_shared<ContentStream>(std::move(buffers), page.resources());
}

std::shared_ptr<ContentStream> ContentStream::createWithStream(const Object& stream, const Object& streamDictionary,
                                                               std::shared_ptr<const ContentStream> parent) {
  std::vector<std::string> buffers;
  if (auto data = stream.decodedData()) buffers.push_back(std::move(*data));
  Object dict = streamDictionary.isDictionary() ? streamDictionary : stream.streamDictionary();
  return std::make_shared<ContentStream>(std::move(buffers), dict.get("Resources"), std::move(parent));
}

Object ContentStream::resourceDictionary(const std::string& category) const {
  for (const ContentStream* s = this; s; s = s->parent_.get()) {
    Object d = s->resources_.get(category);
    if (d.isDictionary()) return d;
  }
  return Object();
}

Object ContentStream::lookupResource(const std::string& category, const std::string& name) const {
  for (const ContentStream* s = this; s; s = s->parent_.get()) {
    Object value = s->resources_.get(category).get(name);
    if (!value.isNull()) return value;
  }
  return Object();
}

// ---- OperatorTable

namespace {

// Operators of up to three bytes (all standard ones) are found through a
// small open-addressed table keyed by their packed bytes; longer names go
// through a map.
constexpr size_t kSlots = 512;

uint32_t packName(std::string_view name) {
  uint32_t key = static_cast<uint32_t>(name.size()) << 24;
  for (size_t i = 0; i < name.size(); ++i) key |= static_cast<uint32_t>(static_cast<unsigned char>(name[i])) << (8 * i);
  return key;
}

size_t slotOf(uint32_t key) { return (key * 2654435761u) >> (32 - 9); }

}  // namespace

struct OperatorTable::Impl {
  std::vector<OperatorCallback> callbacks;
  std::array<uint32_t, kSlots> keys{};
  std::array<int32_t, kSlots> indices;
  std::unordered_map<std::string, size_t> longNames;
  size_t count = 0;

  Impl() { indices.fill(-1); }

  const OperatorCallback* find(std::string_view name) const {
    if (name.empty()) return nullptr;
    if (name.size() <= 3) {
      uint32_t key = packName(name);
      for (size_t s = slotOf(key);; s = (s + 1) % kSlots) {
        if (indices[s] < 0) return nullptr;
        if (keys[s] == key) return &callbacks[static_cast<size_t>(indices[s])];
      }
    }
    auto it = longNames.find(std::string(name));
    return it == longNames.end() ? nullptr : &callbacks[it->second];
  }

  void set(const std::string& name, OperatorCallback callback) {
    if (name.empty()) return;
    if (auto* existing = find(name)) {
      callbacks[static_cast<size_t>(existing - callbacks.data())] = std::move(callback);
      return;
    }
    callbacks.push_back(std::move(callback));
    size_t index = callbacks.size() - 1;
    ++count;
    if (name.size() <= 3 && count < kSlots / 2) {
      uint32_t key = packName(name);
      size_t s = slotOf(key);
      while (indices[s] >= 0) s = (s + 1) % kSlots;
      keys[s] = key;
      indices[s] = static_cast<int32_t>(index);
    } else {
      longNames[name] = index;
    }
  }
};

OperatorTable::OperatorTable() : impl_(std::make_unique<Impl>()) {}
OperatorTable::~OperatorTable() = default;
OperatorTable::OperatorTable(const OperatorTable& other) : impl_(std::make_unique<Impl>(*other.impl_)) {}
OperatorTable& OperatorTable::operator=(const OperatorTable& other) {
  if (this != &other) impl_ = std::make_unique<Impl>(*other.impl_);
  return *this;
}
void OperatorTable::setCallback(const std::string& name, OperatorCallback callback) {
  impl_->set(name, std::move(callback));
}
const OperatorCallback* OperatorTable::find(std::string_view name) const {
  // Short names that did not fit the fast table live in the map.
  if (const OperatorCallback* c = impl_->find(name)) return c;
  if (name.size() <= 3 && !impl_->longNames.empty()) {
    auto it = impl_->longNames.find(std::string(name));
    if (it != impl_->longNames.end()) return &impl_->callbacks[it->second];
  }
  return nullptr;
}
size_t OperatorTable::size() const { return impl_->count; }

// ---- Scanner

namespace {

inline bool isSpace(unsigned char c) { return IsPDFSpace(c); }
inline bool isRegular(unsigned char c) { return IsPDFRegular(c); }

inline int hexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Deeper nesting than this is no real content; it would only be an attack
// on the stack of whoever walks the resulting objects.
constexpr size_t kMaxNesting = 256;
// Operands beyond this many (without an operator) are dropped: no operator
// takes more, and an endless run of numbers must not exhaust memory.
constexpr size_t kMaxOperands = 1 << 18;

struct Operand {
  ObjectType type = ObjectType::Null;
  bool boolean = false;
  int64_t integer = 0;
  double real = 0;
  std::string text;  // name or string bytes
  Object object;     // array, dictionary, stream
};

// Whether `word` is one of the operators content streams are made of.
bool isContentOperator(std::string_view word) {
  static const std::unordered_set<std::string_view> operators = {
      "b",  "B",  "b*", "B*", "BDC", "BI",  "BMC", "BT", "BX", "c",  "cm", "CS", "cs", "d",  "d0",
      "d1", "Do", "DP", "EI", "EMC", "ET",  "EX",  "f",  "F",  "f*", "G",  "g",  "gs", "h",  "i",
      "ID", "j",  "J",  "K",  "k",   "l",   "m",   "M",  "MP", "n",  "q",  "Q",  "re", "RG", "rg",
      "ri", "s",  "S",  "SC", "sc",  "SCN", "scn", "sh", "T*", "Tc", "Td", "TD", "Tf", "Tj", "TJ",
      "TL", "Tm", "Tr", "Ts", "Tw",  "Tz",  "v",   "w",  "W",  "W*", "y",  "'",  "\""};
  return operators.count(word) > 0;
}

std::string expandKey(const std::string& key) {
  static const std::unordered_map<std::string, std::string> keys = {{"BPC", "BitsPerComponent"},
                                                                    {"CS", "ColorSpace"},
                                                                    {"D", "Decode"},
                                                                    {"DP", "DecodeParms"},
                                                                    {"F", "Filter"},
                                                                    {"H", "Height"},
                                                                    {"IM", "ImageMask"},
                                                                    {"I", "Interpolate"},
                                                                    {"W", "Width"},
                                                                    {"L", "Length"}};
  auto it = keys.find(key);
  return it == keys.end() ? key : it->second;
}

std::string expandColorSpaceName(const std::string& name) {
  if (name == "G") return "DeviceGray";
  if (name == "RGB") return "DeviceRGB";
  if (name == "CMYK") return "DeviceCMYK";
  if (name == "I") return "Indexed";
  return name;
}

std::string expandFilterName(const std::string& name) {
  static const std::unordered_map<std::string, std::string> filters = {
      {"AHx", "ASCIIHexDecode"}, {"A85", "ASCII85Decode"},  {"LZW", "LZWDecode"}, {"Fl", "FlateDecode"},
      {"RL", "RunLengthDecode"}, {"CCF", "CCITTFaxDecode"}, {"DCT", "DCTDecode"}};
  auto it = filters.find(name);
  return it == filters.end() ? name : it->second;
}

// Applies a name expansion to a name or to every name of an array (the
// first element and the base of an [/I /RGB ...] colour space included).
Object expandNames(const Object& value, std::string (*expand)(const std::string&)) {
  if (value.isName()) return Object::Impl::makeName(expand(*value.name()));
  if (value.isArray()) {
    std::vector<Object> items;
    for (const Object& e : value.elements())
      items.push_back(e.isName() ? Object::Impl::makeName(expand(*e.name())) : e);
    return Object::Impl::makeArray(std::move(items));
  }
  return value;
}

int componentsOfColorSpace(const Object& cs, const ContentStream* stream, int depth = 0) {
  if (depth > 4) return 0;
  if (cs.isName()) {
    std::string n = *cs.name();
    if (n == "DeviceGray" || n == "CalGray" || n == "Indexed" || n == "Separation") return 1;
    if (n == "DeviceRGB" || n == "CalRGB" || n == "Lab") return 3;
    if (n == "DeviceCMYK") return 4;
    if (stream) return componentsOfColorSpace(stream->lookupResource("ColorSpace", n), nullptr, depth + 1);
    return 0;
  }
  if (cs.isArray() && cs.size() > 0) {
    std::string family = expandColorSpaceName(cs.at(0).name().value_or(""));
    if (family == "Indexed" || family == "Separation" || family == "CalGray") return 1;
    if (family == "CalRGB" || family == "Lab") return 3;
    if (family == "ICCBased") {
      auto n = cs.at(1).get("N").integer();
      return n && *n > 0 && *n <= 32 ? static_cast<int>(*n) : 0;
    }
    if (family == "DeviceN") return static_cast<int>(cs.at(1).size());
    return componentsOfColorSpace(Object::Impl::makeName(family), nullptr, depth + 1);
  }
  return 0;
}

}  // namespace

struct Scanner::Impl {
  const OperatorTable& table;
  std::vector<Operand> stack;
  size_t count = 0;  // live operands
  struct Frame {
    bool dictionary;
    size_t base;
  };
  std::vector<Frame> frames;
  size_t uncountedOpens = 0;  // brackets opened past kMaxNesting
  std::string_view currentOperator;
  bool stopped = false;
  bool failed = false;
  const std::atomic<bool>* stopFlag = nullptr;
  Scanner* owner = nullptr;

  explicit Impl(const OperatorTable& t) : table(t) { stack.resize(64); }

  Operand* push(ObjectType type) {
    if (count >= kMaxOperands) return nullptr;
    if (count == stack.size()) stack.resize(stack.size() * 2);
    Operand& o = stack[count++];
    o.type = type;
    if (o.object.impl()) o.object = Object();
    return &o;
  }

  Object toObject(Operand& o) {
    switch (o.type) {
      case ObjectType::Boolean:
        return Object::Impl::makeBoolean(o.boolean);
      case ObjectType::Integer:
        return Object::Impl::makeInteger(o.integer);
      case ObjectType::Real:
        return Object::Impl::makeReal(o.real);
      case ObjectType::Name:
        return Object::Impl::makeName(o.text);
      case ObjectType::String:
        return Object::Impl::makeString(o.text);
      case ObjectType::Array:
      case ObjectType::Dictionary:
      case ObjectType::Stream:
        return o.object;
      default:
        return Object();
    }
  }

  void clear() {
    count = 0;
    frames.clear();
    uncountedOpens = 0;
  }

  void closeArray() {
    if (uncountedOpens > 0) {
      --uncountedOpens;
      return;
    }
    if (frames.empty() || frames.back().dictionary) return;  // a stray "]" is ignored
    size_t base = frames.back().base;
    frames.pop_back();
    std::vector<Object> items;
    items.reserve(count - base);
    for (size_t i = base; i < count; ++i) items.push_back(toObject(stack[i]));
    count = base;
    if (Operand* o = push(ObjectType::Array)) o->object = Object::Impl::makeArray(std::move(items));
  }

  // Builds a dictionary from the operands above `base` (key, value pairs;
  // a pair whose key is not a name is dropped, as is an unpaired last key).
  Object dictionaryFrom(size_t base, bool inlineImage) {
    std::vector<std::pair<std::string, Object>> entries;
    for (size_t i = base; i + 1 < count; i += 2) {
      if (stack[i].type != ObjectType::Name) continue;
      std::string key = inlineImage ? expandKey(stack[i].text) : stack[i].text;
      Object value = toObject(stack[i + 1]);
      if (inlineImage && key == "ColorSpace") value = expandNames(value, expandColorSpaceName);
      if (inlineImage && key == "Filter") value = expandNames(value, expandFilterName);
      bool replaced = false;
      for (auto& e : entries) {
        if (e.first == key) {
          e.second = value;  // a repeated key: the last one wins
          replaced = true;
        }
      }
      if (!replaced) entries.emplace_back(std::move(key), std::move(value));
    }
    count = base;
    return Object::Impl::makeDictionary(std::move(entries));
  }

  void closeDictionary() {
    if (uncountedOpens > 0) {
      --uncountedOpens;
      return;
    }
    if (frames.empty() || !frames.back().dictionary) return;  // a stray ">>" is ignored
    size_t base = frames.back().base;
    frames.pop_back();
    Object dict = dictionaryFrom(base, false);
    if (Operand* o = push(ObjectType::Dictionary)) o->object = std::move(dict);
  }

  void open(bool dictionary) {
    // Past the cap the brackets are only counted, and so are their closes:
    // a page of 100,000 "[" loses what they hold, not the rest of its text.
    if (frames.size() >= kMaxNesting) {
      ++uncountedOpens;
      return;
    }
    frames.push_back(Frame{dictionary, count});
  }

  void dispatch(std::string_view op) {
    if (stopFlag && stopFlag->load(std::memory_order_relaxed)) {
      stopped = true;
      return;
    }
    // An operator inside an unclosed array or dictionary: the containers
    // are abandoned and the operator runs without their contents.
    if (!frames.empty()) {
      count = frames.front().base;
      frames.clear();
    }
    uncountedOpens = 0;
    if (const OperatorCallback* callback = table.find(op)) {
      if (*callback) {
        currentOperator = op;
        (*callback)(*owner, owner->info());
        currentOperator = {};
      }
    }
    count = 0;
  }

  // ---- lexing

  const unsigned char* lexNumber(const unsigned char* p, const unsigned char* end) {
    const unsigned char* start = p;
    bool negative = false;
    // Extra signs ("--5", "+-5") are tolerated as the last sign seen.
    while (p < end && (*p == '-' || *p == '+')) negative = *p++ == '-';
    uint64_t mantissa = 0;
    int digits = 0;
    int fraction = 0;
    bool dot = false;
    bool overflow = false;
    for (; p < end; ++p) {
      unsigned char c = *p;
      if (c >= '0' && c <= '9') {
        if (digits < 18) {
          mantissa = mantissa * 10 + (c - '0');
          if (mantissa) ++digits;
          if (dot) ++fraction;
        } else {
          overflow = true;
        }
      } else if (c == '.' && !dot) {
        dot = true;
      } else {
        break;
      }
    }
    // Junk glued to the number ("1.2.3", "4-2") is skipped with it.
    while (p < end && (*p == '.' || *p == '-' || *p == '+' || (*p >= '0' && *p <= '9'))) ++p;
    if (!dot && !overflow) {
      if (Operand* o = push(ObjectType::Integer)) {
        o->integer = negative ? -static_cast<int64_t>(mantissa) : static_cast<int64_t>(mantissa);
      }
      return p;
    }
    double value;
    if (!overflow && digits < 16 && fraction <= 22) {
      // Exact: both operands are exactly representable, so the division
      // rounds once.
      value = static_cast<double>(mantissa) / kPow10[fraction];
    } else {
      // Long numbers are rare: let the C library round them correctly.
      std::string digitsOnly;
      for (const unsigned char* q = start; q < p; ++q) {
        if ((*q >= '0' && *q <= '9') || (*q == '.' && digitsOnly.find('.') == std::string::npos)) {
          digitsOnly.push_back(static_cast<char>(*q));
        } else if (*q != '-' && *q != '+') {
          break;
        }
      }
      value = std::strtod(digitsOnly.c_str(), nullptr);
    }
    if (Operand* o = push(ObjectType::Real)) o->real = negative ? -value : value;
    return p;
  }

  const unsigned char* lexName(const unsigned char* p, const unsigned char* end) {
    ++p;  // "/"
    Operand* o = push(ObjectType::Name);
    std::string scratch;
    std::string& out = o ? o->text : scratch;
    out.clear();
    while (p < end && isRegular(*p)) {
      if (*p == '#' && end - p >= 3) {
        int hi = hexValue(p[1]);
        int lo = hexValue(p[2]);
        if (hi >= 0 && lo >= 0) {
          out.push_back(static_cast<char>(hi * 16 + lo));
          p += 3;
          continue;
        }
      }
      out.push_back(static_cast<char>(*p++));
    }
    return p;
  }

  const unsigned char* lexLiteralString(const unsigned char* p, const unsigned char* end) {
    ++p;  // "("
    Operand* o = push(ObjectType::String);
    std::string scratch;
    std::string& out = o ? o->text : scratch;
    out.clear();
    int depth = 1;
    while (p < end) {
      unsigned char c = *p++;
      if (c == '(') {
        ++depth;
      } else if (c == ')') {
        if (--depth == 0) return p;
      } else if (c == '\r') {
        // An end of line inside a string reads as a single line feed.
        if (p < end && *p == '\n') ++p;
        c = '\n';
      } else if (c == '\\') {
        if (p >= end) break;
        c = *p++;
        switch (c) {
          case 'n':
            c = '\n';
            break;
          case 'r':
            c = '\r';
            break;
          case 't':
            c = '\t';
            break;
          case 'b':
            c = '\b';
            break;
          case 'f':
            c = '\f';
            break;
          case '\r':
            if (p < end && *p == '\n') ++p;
            continue;  // a line continuation
          case '\n':
            continue;
          default:
            if (c >= '0' && c <= '7') {
              int v = c - '0';
              for (int k = 0; k < 2 && p < end && *p >= '0' && *p <= '7'; ++k) v = v * 8 + (*p++ - '0');
              c = static_cast<unsigned char>(v & 0xFF);
            }
            // Any other escaped byte stands for itself.
            break;
        }
      }
      out.push_back(static_cast<char>(c));
    }
    return p;  // unterminated: the string runs to the end
  }

  const unsigned char* lexHexString(const unsigned char* p, const unsigned char* end) {
    ++p;  // "<"
    Operand* o = push(ObjectType::String);
    std::string scratch;
    std::string& out = o ? o->text : scratch;
    out.clear();
    int pending = -1;
    while (p < end) {
      unsigned char c = *p++;
      if (c == '>') break;
      int v = hexValue(c);
      if (v < 0) continue;  // white space and stray bytes are skipped
      if (pending < 0) {
        pending = v;
      } else {
        out.push_back(static_cast<char>(pending * 16 + v));
        pending = -1;
      }
    }
    if (pending >= 0) out.push_back(static_cast<char>(pending * 16));  // an odd digit count ends in 0
    return p;
  }

  const unsigned char* skipSpaceAndComments(const unsigned char* p, const unsigned char* end) {
    while (p < end) {
      if (isSpace(*p)) {
        ++p;
      } else if (*p == '%') {
        while (p < end && *p != '\n' && *p != '\r') ++p;
      } else {
        break;
      }
    }
    return p;
  }

  // Reads one object (no operators) for an inline image's dictionary;
  // returns the keyword met instead of an object, if any.
  const unsigned char* lexObject(const unsigned char* p, const unsigned char* end, std::string_view* keyword);

  const unsigned char* lexInlineImage(const unsigned char* p, const unsigned char* end, const ContentStream* stream);

  void scanBuffer(const std::string& buffer, const ContentStream* stream) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(buffer.data());
    const unsigned char* end = p + buffer.size();
    while (p < end && !stopped) {
      std::string_view keyword;
      p = lexObject(p, end, &keyword);
      if (keyword.empty()) continue;
      if (keyword == "BI") {
        count = 0;
        frames.clear();
        p = lexInlineImage(p, end, stream);
      } else if (keyword == "true" || keyword == "false") {
        if (Operand* o = push(ObjectType::Boolean)) o->boolean = keyword == "true";
      } else if (keyword == "null") {
        push(ObjectType::Null);
      } else if (!frames.empty() && !isContentOperator(keyword)) {
        // A word that is no operator inside an array or dictionary ("e30"
        // of a number written "-1e30") is dropped and the container read
        // on: a TJ array keeps the text around it.
      } else {
        dispatch(keyword);
      }
    }
  }
};

const unsigned char* Scanner::Impl::lexObject(const unsigned char* p, const unsigned char* end,
                                              std::string_view* keyword) {
  p = skipSpaceAndComments(p, end);
  if (p >= end) return p;
  unsigned char c = *p;
  switch (c) {
    case '/':
      return lexName(p, end);
    case '(':
      return lexLiteralString(p, end);
    case '<':
      if (p + 1 < end && p[1] == '<') {
        open(true);
        return p + 2;
      }
      return lexHexString(p, end);
    case '>':
      if (p + 1 < end && p[1] == '>') {
        closeDictionary();
        return p + 2;
      }
      return p + 1;
    case '[':
      open(false);
      return p + 1;
    case ']':
      closeArray();
      return p + 1;
    case ')':
    case '{':
    case '}':
      return p + 1;  // stray delimiters are skipped
    default:
      break;
  }
  if ((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.') return lexNumber(p, end);
  const unsigned char* start = p;
  while (p < end && isRegular(*p)) ++p;
  *keyword = std::string_view(reinterpret_cast<const char*>(start), static_cast<size_t>(p - start));
  return p;
}

const unsigned char* Scanner::Impl::lexInlineImage(const unsigned char* p, const unsigned char* end,
                                                   const ContentStream* stream) {
  // The dictionary: objects up to the keyword ID.
  std::string_view keyword;
  while (p < end && !stopped) {
    keyword = {};
    p = lexObject(p, end, &keyword);
    if (keyword == "true" || keyword == "false") {
      if (Operand* o = push(ObjectType::Boolean)) o->boolean = keyword == "true";
      keyword = {};
    } else if (keyword == "null") {
      push(ObjectType::Null);
      keyword = {};
    }
    if (!keyword.empty()) break;
  }
  if (keyword != "ID" || !frames.empty()) {
    // No image data follows: the inline image is dropped; a stray operator
    // found instead is still honoured.
    count = 0;
    frames.clear();
    if (!keyword.empty() && keyword != "ID" && keyword != "EI") dispatch(keyword);
    return p;
  }
  Object dict = dictionaryFrom(0, true);
  count = 0;
  // One white-space byte separates ID from the data.
  if (p < end && isSpace(*p)) ++p;

  // Unfiltered data has a known length; filtered data ends at the EI that
  // stands alone between white space (or the end).
  int64_t length = -1;
  if (auto declared = dict.get("Length").integer(); declared && *declared >= 0) {
    // Newer writers state the length, which makes filtered data safe to
    // cut even when it happens to contain " EI ".
    length = *declared;
  } else if (dict.get("Filter").isNull()) {
    auto w = dict.get("Width").integer();
    auto h = dict.get("Height").integer();
    bool mask = dict.get("ImageMask").boolean().value_or(false);
    int64_t bpc = mask ? 1 : dict.get("BitsPerComponent").integer().value_or(0);
    int64_t comps = mask ? 1 : componentsOfColorSpace(dict.get("ColorSpace"), stream);
    if (w && h && *w > 0 && *h > 0 && *w < (1 << 24) && *h < (1 << 24) && bpc > 0 && bpc <= 32 && comps > 0) {
      length = (*w * comps * bpc + 7) / 8 * *h;
    }
  }
  auto isEIAt = [&](const unsigned char* q) {
    return q + 1 < end && q[0] == 'E' && q[1] == 'I' && (q + 2 == end || !isRegular(q[2]));
  };
  const unsigned char* dataEnd = nullptr;
  const unsigned char* after = nullptr;
  if (length >= 0 && length <= end - p) {
    const unsigned char* q = p + length;
    const unsigned char* r = q;
    while (r < end && isSpace(*r)) ++r;
    if (isEIAt(r)) {
      dataEnd = q;
      after = r + 2;
    }
  }
  if (!dataEnd) {
    // Search: white space, "EI", then white space, a delimiter or the end.
    const unsigned char* from = length >= 0 && length <= end - p ? p + length : p;
    for (const unsigned char* q = from; q + 1 < end; ++q) {
      q = static_cast<const unsigned char*>(std::memchr(q, 'E', static_cast<size_t>(end - q)));
      if (!q) break;
      if (q > p && isSpace(q[-1]) && isEIAt(q)) {
        dataEnd = length >= 0 && p + length <= q - 1 ? p + length : q - 1;
        after = q + 2;
        break;
      }
      if (q == p && isEIAt(q)) {  // empty data
        dataEnd = q;
        after = q + 2;
        break;
      }
    }
  }
  if (!dataEnd) return end;  // no EI: the image is incomplete and dropped
  std::string data(reinterpret_cast<const char*>(p), static_cast<size_t>(dataEnd - p));
  if (Operand* o = push(ObjectType::Stream)) o->object = Object::Impl::makeStream(dict, std::move(data));
  dispatch("EI");
  return after;
}

Scanner::Scanner(std::shared_ptr<const ContentStream> stream, const OperatorTable& table, void* info)
    : stream_(std::move(stream)), info_(info), impl_(std::make_unique<Impl>(table)) {
  impl_->owner = this;
}

Scanner::~Scanner() = default;

bool Scanner::scan() {
  impl_->stopped = false;
  impl_->failed = false;
  impl_->clear();
  if (stream_) {
    for (const std::string& buffer : stream_->buffers()) {
      if (impl_->stopped) break;
      impl_->scanBuffer(buffer, stream_.get());
    }
  }
  bool ok = !impl_->stopped && !impl_->failed;
  impl_->clear();
  return ok;
}

void Scanner::stop() { impl_->stopped = true; }
void Scanner::setStopFlag(const std::atomic<bool>* flag) { impl_->stopFlag = flag; }

std::string_view Scanner::currentOperator() const { return impl_->currentOperator; }

size_t Scanner::operandCount() const { return impl_->count; }

namespace {

// Takes the top operand off the stack; nullptr when the stack is empty.
inline Operand* popTop(std::vector<Operand>& stack, size_t& count) {
  if (count == 0) return nullptr;
  return &stack[--count];
}

}  // namespace

bool Scanner::popObject(Object* value) {
  Operand* o = popTop(impl_->stack, impl_->count);
  if (!o) return false;
  if (value) *value = impl_->toObject(*o);
  return true;
}

bool Scanner::popBoolean(bool* value) {
  Operand* o = popTop(impl_->stack, impl_->count);
  if (!o || o->type != ObjectType::Boolean) return false;
  if (value) *value = o->boolean;
  return true;
}

bool Scanner::popInteger(int64_t* value) {
  Operand* o = popTop(impl_->stack, impl_->count);
  if (!o || o->type != ObjectType::Integer) return false;
  if (value) *value = o->integer;
  return true;
}

bool Scanner::popNumber(double* value) {
  Operand* o = popTop(impl_->stack, impl_->count);
  if (!o) return false;
  if (o->type == ObjectType::Integer) {
    if (value) *value = static_cast<double>(o->integer);
    return true;
  }
  if (o->type != ObjectType::Real) return false;
  if (value) *value = o->real;
  return true;
}

bool Scanner::popName(std::string* value) {
  Operand* o = popTop(impl_->stack, impl_->count);
  if (!o || o->type != ObjectType::Name) return false;
  if (value) *value = o->text;
  return true;
}

bool Scanner::popString(std::string* bytes) {
  Operand* o = popTop(impl_->stack, impl_->count);
  if (!o || o->type != ObjectType::String) return false;
  if (bytes) *bytes = o->text;
  return true;
}

bool Scanner::popArray(Object* value) {
  Operand* o = popTop(impl_->stack, impl_->count);
  if (!o || o->type != ObjectType::Array) return false;
  if (value) *value = o->object;
  return true;
}

bool Scanner::popDictionary(Object* value) {
  Operand* o = popTop(impl_->stack, impl_->count);
  if (!o || o->type != ObjectType::Dictionary) return false;
  if (value) *value = o->object;
  return true;
}

bool Scanner::popStream(Object* value) {
  Operand* o = popTop(impl_->stack, impl_->count);
  if (!o || o->type != ObjectType::Stream) return false;
  if (value) *value = o->object;
  return true;
}

}  // namespace vq::pdf
