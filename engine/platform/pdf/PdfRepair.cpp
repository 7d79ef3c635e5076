#include "platform/pdf/PdfRepair.h"

#include <fmt/format.h>

#include <qpdf/QPDFExc.hh>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <map>

#include "platform/pdf/PdfCharClasses.h"
#include "platform/pdf/PdfObjectImpl.h"

namespace vq::pdf {
namespace {

constexpr long long kMostObjectNumber = 8'388'607;  // what the format allows
constexpr size_t kMostDigits = 10;

bool isSpace(char c) { return IsPDFSpace(static_cast<unsigned char>(c)); }
bool isDelimiter(char c) { return IsPDFSpaceOrDelimiter(static_cast<unsigned char>(c)); }

// Reads an unsigned integer ending at `end` (exclusive, digits going
// backwards); answers where it starts, or npos.
size_t integerBefore(std::string_view s, size_t end, long long* value) {
  size_t start = end;
  while (start > 0 && std::isdigit(static_cast<unsigned char>(s[start - 1])) && end - start < kMostDigits) --start;
  if (start == end || (start > 0 && std::isdigit(static_cast<unsigned char>(s[start - 1]))))
    return std::string_view::npos;
  long long v = 0;
  for (size_t i = start; i < end; ++i) v = v * 10 + (s[i] - '0');
  *value = v;
  return start;
}

void skipSpace(std::string_view s, size_t& i) {
  while (i < s.size() && isSpace(s[i])) ++i;
}

// Reads an unsigned integer after any white space from `i`, leaving `i`
// past it; false when there is none.
bool integerAfter(std::string_view s, size_t& i, long long* value) {
  skipSpace(s, i);
  const size_t start = i;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])) && i - start < kMostDigits) ++i;
  if (i == start) return false;
  long long v = 0;
  for (size_t k = start; k < i; ++k) v = v * 10 + (s[k] - '0');
  *value = v;
  return true;
}

// Where a stream's data starts, at `keyword` (its "stream"): after the end
// of line that follows the keyword.
size_t streamDataStart(std::string_view s, size_t keyword) {
  size_t at = keyword + 6;
  if (s.substr(at, 2) == "\r\n") return at + 2;
  if (at < s.size() && (s[at] == '\n' || s[at] == '\r')) return at + 1;
  return at;
}

size_t skipSpaceBackwards(std::string_view s, size_t end) {
  while (end > 0 && isSpace(s[end - 1])) --end;
  return end;
}

// True when `body` (an object from "obj" on) says it is the catalog.
bool isCatalog(std::string_view body) {
  return body.find("/Catalog") != std::string_view::npos && body.find("/Pages") != std::string_view::npos;
}

// The value of `key` in a dictionary's text when it is a direct
// non-negative integer.
std::optional<long long> directInteger(std::string_view dict, std::string_view key) {
  for (size_t at = dict.find(key); at != std::string_view::npos; at = dict.find(key, at + 1)) {
    size_t i = at + key.size();
    if (i < dict.size() && !isDelimiter(dict[i])) continue;  // a longer name
    long long value = 0, generation = 0;
    if (!integerAfter(dict, i, &value)) return std::nullopt;
    // "N G R" is a reference, not the value.
    if (integerAfter(dict, i, &generation)) {
      skipSpace(dict, i);
      if (i < dict.size() && dict[i] == 'R') return std::nullopt;
    }
    return value;
  }
  return std::nullopt;
}

struct ObjectStreamEntry {
  long long number;
  std::string_view text;  // the object's own text within `decoded`
};

// The objects an object stream holds (its body from "obj" on), decoded
// into `decoded`; empty when its data cannot be had (a filter other than
// Flate, predictors, a header that does not parse).
std::vector<ObjectStreamEntry> objectStreamEntries(std::string_view body, std::string& decoded) {
  const size_t streamAt = body.find("stream");
  if (streamAt == std::string_view::npos) return {};
  const std::string_view dict = body.substr(0, streamAt);
  const auto count = directInteger(dict, "/N");
  const auto first = directInteger(dict, "/First");
  if (!count || !first || *count > kMostObjectNumber) return {};
  const bool flate = dict.find("/FlateDecode") != std::string_view::npos;
  if (dict.find("/DecodeParms") != std::string_view::npos || (!flate && dict.find("/Filter") != std::string_view::npos))
    return {};
  const size_t dataAt = streamDataStart(body, streamAt);
  size_t dataEnd = body.find("endstream", dataAt);
  if (dataEnd == std::string_view::npos) dataEnd = body.size();
  if (const auto length = directInteger(dict, "/Length"); length && dataAt + *length <= dataEnd)
    dataEnd = dataAt + static_cast<size_t>(*length);
  const std::string data(body.substr(dataAt, dataEnd - dataAt));
  if (flate) {
    auto inflated = DecodeWithFilters(data, Object::Impl::makeName("FlateDecode"), Object());
    if (!inflated) return {};
    decoded = std::move(*inflated);
  } else {
    decoded = data;
  }
  // The header: N pairs "number offset", offsets from /First.
  std::vector<std::pair<long long, long long>> header;
  size_t i = 0;
  for (long long k = 0; k < *count; ++k) {
    long long number = 0, offset = 0;
    if (!integerAfter(decoded, i, &number) || !integerAfter(decoded, i, &offset)) return {};
    header.emplace_back(number, offset);
  }
  std::vector<ObjectStreamEntry> out;
  const std::string_view all(decoded);
  for (size_t k = 0; k < header.size(); ++k) {
    const long long from = *first + header[k].second;
    const long long to = k + 1 < header.size() ? *first + header[k + 1].second : static_cast<long long>(all.size());
    if (from < 0 || to < from || static_cast<size_t>(to) > all.size()) return {};
    out.push_back({header[k].first, all.substr(static_cast<size_t>(from), static_cast<size_t>(to - from))});
  }
  return out;
}

void putBigEndian(std::string& out, uint64_t value, int bytes) {
  for (int b = bytes - 1; b >= 0; --b) out += static_cast<char>((value >> (8 * b)) & 0xFF);
}

}  // namespace

std::optional<std::string> RebuildCrossReference(std::string_view bytes) {
  std::map<long long, std::pair<size_t, long long>> objects;  // number -> offset, generation
  std::optional<long long> root;
  std::map<long long, std::string_view> objectStreams;  // number -> body
  for (size_t at = bytes.find("obj"); at != std::string_view::npos; at = bytes.find("obj", at + 3)) {
    // "obj" standing alone, after "N G" at the start of a line or after a
    // delimiter.
    if (at + 3 < bytes.size() && !isDelimiter(bytes[at + 3])) continue;
    size_t end = skipSpaceBackwards(bytes, at);
    if (end == at) continue;
    long long generation = 0, number = 0;
    const size_t genStart = integerBefore(bytes, end, &generation);
    if (genStart == std::string_view::npos) continue;
    const size_t numEnd = skipSpaceBackwards(bytes, genStart);
    if (numEnd == genStart) continue;
    const size_t numStart = integerBefore(bytes, numEnd, &number);
    if (numStart == std::string_view::npos || (numStart > 0 && !isDelimiter(bytes[numStart - 1]))) continue;
    if (number < 1 || number > kMostObjectNumber || generation > 65535) continue;
    objects[number] = {numStart, generation};
    // The catalog: its dictionary, before the object ends, says /Catalog.
    const size_t objectEnd = bytes.find("endobj", at);
    const std::string_view body =
        bytes.substr(at + 3, (objectEnd == std::string_view::npos ? bytes.size() : objectEnd) - (at + 3));
    if (isCatalog(body)) root = number;
    if (body.find("/ObjStm") != std::string_view::npos) objectStreams[number] = body;
    else objectStreams.erase(number);
  }
  // Objects inside object streams (a file whose cross-reference stream is
  // lost keeps most of its objects there), where the file has none of that
  // number of its own.
  std::map<long long, std::pair<long long, long long>> compressed;  // number -> stream, index
  std::optional<long long> compressedRoot;
  for (const auto& [streamNumber, body] : objectStreams) {
    if (!objects.count(streamNumber)) continue;
    std::string decoded;
    const auto entries = objectStreamEntries(body, decoded);
    for (size_t k = 0; k < entries.size(); ++k) {
      const long long number = entries[k].number;
      if (number < 1 || number > kMostObjectNumber || objects.count(number) || compressed.count(number)) continue;
      compressed[number] = {streamNumber, static_cast<long long>(k)};
      if (!compressedRoot && isCatalog(entries[k].text)) compressedRoot = number;
    }
  }
  if (!root) root = compressedRoot;
  if (!root || objects.empty()) return std::nullopt;
  std::string out(bytes);
  if (!out.empty() && out.back() != '\n') out += '\n';
  const size_t xref = out.size();
  if (!compressed.empty()) {
    // Compressed objects can only be listed by a cross-reference stream:
    // one is written as a new last object, its rows in runs of consecutive
    // numbers (type, offset or stream, generation or index).
    const long long last = std::max(objects.rbegin()->first, compressed.rbegin()->first);
    const long long self = last + 1;
    std::map<long long, std::array<uint64_t, 3>> rows{{0, {0, 0, 65535}}, {self, {1, xref, 0}}};
    for (const auto& [n, at] : objects) rows[n] = {1, at.first, static_cast<uint64_t>(at.second)};
    for (const auto& [n, in] : compressed)
      rows[n] = {2, static_cast<uint64_t>(in.first), static_cast<uint64_t>(in.second)};
    std::string index, data;
    for (auto it = rows.begin(); it != rows.end();) {
      auto run = it;
      long long count = 0;
      for (long long n = it->first; run != rows.end() && run->first == n; ++run, ++n) ++count;
      index += fmt::format("{} {} ", it->first, count);
      for (; it != run; ++it) {
        putBigEndian(data, it->second[0], 1);
        putBigEndian(data, it->second[1], 8);
        putBigEndian(data, it->second[2], 4);
      }
    }
    const long long rootGeneration = objects.count(*root) ? objects[*root].second : 0;
    out += fmt::format("{} 0 obj\n<< /Type /XRef /Size {} /Index [{}] /W [1 8 4] /Root {} {} R /Length {} >>\nstream\n",
                       self, self + 1, index, *root, rootGeneration, data.size());
    out += data;
    out += fmt::format("\nendstream\nendobj\nstartxref\n{}\n%%EOF\n", xref);
    return out;
  }
  const long long size = objects.rbegin()->first + 1;
  out += "xref\n";
  // One subsection per run of consecutive numbers, with object 0 first.
  out += "0 1\n0000000000 65535 f \n";
  for (auto it = objects.begin(); it != objects.end();) {
    auto run = it;
    long long count = 0;
    for (long long n = it->first; run != objects.end() && run->first == n; ++run, ++n) ++count;
    out += fmt::format("{} {}\n", it->first, count);
    for (; it != run; ++it) out += fmt::format("{:010d} {:05d} n \n", it->second.first, it->second.second);
  }
  out += fmt::format("trailer\n<< /Size {} /Root {} {} R >>\nstartxref\n{}\n%%EOF\n", size, *root,
                     objects[*root].second, xref);
  return out;
}

namespace {

// An object read again is read this far at most.
constexpr size_t kMostObjectBytes = size_t{64} << 20;
// Deeper values become null: qpdf gives up on the whole object a little
// past this, and no real file nests so deep.
constexpr int kMostNesting = 100;

// The bytes from `offset` up to the first "endobj" (included), or as far as
// kMostObjectBytes.
std::string objectBytesAt(const std::string& path, const std::string* repairedBytes, uint64_t offset) {
  static constexpr std::string_view kEnd = "endobj";
  if (repairedBytes) {
    if (offset >= repairedBytes->size()) return {};
    std::string_view rest = std::string_view(*repairedBytes).substr(offset, kMostObjectBytes);
    const size_t end = rest.find(kEnd);
    return std::string(rest.substr(0, end == std::string_view::npos ? rest.size() : end + kEnd.size()));
  }
  std::ifstream in(path, std::ios::binary);
  if (!in.seekg(static_cast<std::streamoff>(offset))) return {};
  std::string out;
  char chunk[1 << 16];
  while (out.size() < kMostObjectBytes) {
    in.read(chunk, sizeof chunk);
    const size_t got = static_cast<size_t>(in.gcount());
    if (got == 0) break;
    const size_t from = out.size() > kEnd.size() ? out.size() - kEnd.size() : 0;
    out.append(chunk, got);
    if (const size_t end = out.find(kEnd, from); end != std::string::npos) {
      out.resize(end + kEnd.size());
      break;
    }
  }
  return out;
}

// Copies the dictionary or array that starts at `at` into `out`, values
// nested deeper than kMostNesting written as null; answers where it ends,
// or npos when it does not. Containers still open at the object's end (its
// "stream" or "endobj", or the end of the text) are closed there, and a
// closing bracket of the wrong kind closes the innermost one: an array left
// open 50,000 deep costs the entry that holds it, not the whole object.
size_t copyWithinNesting(std::string_view s, size_t at, std::string& out) {
  int depth = 0;
  bool skipping = false;
  std::string closers;  // of the containers copied and still open, innermost last
  size_t i = at;
  auto copy = [&](size_t from, size_t to) {
    if (!skipping) out.append(s.substr(from, to - from));
  };
  auto closeAll = [&] {
    out.append(" ");
    for (auto c = closers.rbegin(); c != closers.rend(); ++c) out.append(*c == ']' ? "]" : ">>");
  };
  auto keywordAt = [&](std::string_view word) {
    return s.substr(i, word.size()) == word && (i == 0 || (isDelimiter(s[i - 1]) && s[i - 1] != '/')) &&
           (i + word.size() == s.size() || isDelimiter(s[i + word.size()]));
  };
  while (i < s.size()) {
    const char c = s[i];
    const bool pair = i + 1 < s.size() && s[i + 1] == c;
    if (c == '%') {
      const size_t end = std::min(s.find_first_of("\r\n", i), s.size());
      copy(i, end);
      i = end;
    } else if (c == '(') {
      // A literal string: balanced parentheses, backslash escapes.
      size_t j = i + 1;
      for (int open = 1; j < s.size() && open > 0; ++j) {
        if (s[j] == '\\') ++j;
        else if (s[j] == '(') ++open;
        else if (s[j] == ')') --open;
      }
      copy(i, std::min(j, s.size()));
      i = j;
    } else if (c == '<' && !pair) {
      const size_t end = std::min(s.find('>', i), s.size() - 1) + 1;
      copy(i, end);
      i = end;
    } else if ((c == '<' && pair) || c == '[') {
      const size_t len = c == '[' ? 1 : 2;
      if (++depth > kMostNesting && !skipping) {
        out += " null ";
        skipping = true;
      }
      copy(i, i + len);
      if (!skipping) closers.push_back(c == '[' ? ']' : '>');
      i += len;
    } else if ((c == '>' && pair) || c == ']') {
      const size_t len = c == ']' ? 1 : 2;
      if (!skipping) {
        out.append(closers.back() == ']' ? "]" : ">>");
        closers.pop_back();
      }
      i += len;
      if (--depth == kMostNesting) skipping = false;
      if (depth == 0) return i;
    } else if (keywordAt("endobj") || keywordAt("stream")) {
      closeAll();
      return i;
    } else {
      copy(i, i + 1);
      ++i;
    }
  }
  if (depth == 0) return std::string_view::npos;
  closeAll();
  return s.size();
}

// Object `og` read from `text` ("N G obj" onwards); nullopt when it is not
// there or is no dictionary, array or stream.
std::optional<QPDFObjectHandle> rereadObject(QPDF& q, QPDFObjGen og, std::string_view text) {
  size_t i = 0;
  long long number = 0, generation = 0;
  if (!integerAfter(text, i, &number) || !integerAfter(text, i, &generation) || number != og.getObj() ||
      generation != og.getGen())
    return std::nullopt;
  skipSpace(text, i);
  if (text.substr(i, 3) != "obj") return std::nullopt;
  i += 3;
  skipSpace(text, i);
  if (i >= text.size() || (text[i] != '<' && text[i] != '[')) return std::nullopt;
  std::string value;
  const size_t end = copyWithinNesting(text, i, value);
  if (end == std::string_view::npos) return std::nullopt;
  i = end;
  skipSpace(text, i);
  try {
    QPDFObjectHandle parsed = QPDFObjectHandle::parse(&q, value, fmt::format("object {} {}", number, generation));
    if (text.substr(i, 6) == "stream" && parsed.isDictionary()) {
      // The data ends before the end of line that precedes "endstream".
      i = streamDataStart(text, i);
      size_t dataEnd = text.find("endstream", i);
      if (dataEnd == std::string_view::npos) return std::nullopt;
      if (dataEnd > i && text[dataEnd - 1] == '\n') --dataEnd;
      if (dataEnd > i && text[dataEnd - 1] == '\r') --dataEnd;
      parsed.removeKey("/Length");
      QPDFObjectHandle stream = QPDFObjectHandle::newStream(&q);
      stream.replaceDict(parsed);
      stream.replaceStreamData(std::string(text.substr(i, dataEnd - i)), parsed.getKey("/Filter"),
                               parsed.getKey("/DecodeParms"));
      // A stream is made as a new object of its own: it takes the place of
      // the unreadable one, which takes the new number.
      q.swapObjects(og, stream.getObjGen());
      return q.getObject(og);
    }
    if (!parsed.isDictionary() && !parsed.isArray()) return std::nullopt;
    q.replaceObject(og, parsed);
    return q.getObject(og);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace

QPDFObjectHandle ReadableObject(QPDF& q, QPDFObjectHandle handle, const std::string& path,
                                const std::string* repairedBytes) {
  if (!handle.isIndirect() || !handle.isNull() || q.isEncrypted()) return handle;
  const QPDFObjGen og = handle.getObjGen();
  try {
    const auto xref = q.getXRefTable();
    const auto entry = xref.find(og);
    // Only objects of their own in the file: those inside object streams
    // are read by qpdf alone.
    if (entry == xref.end() || entry->second.getType() != 1 || entry->second.getOffset() < 0) return handle;
    const std::string text = objectBytesAt(path, repairedBytes, static_cast<uint64_t>(entry->second.getOffset()));
    if (auto reread = rereadObject(q, og, text)) return *reread;
  } catch (const std::exception&) {
  }
  return handle;
}

}  // namespace vq::pdf
