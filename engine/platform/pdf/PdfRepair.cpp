#include "platform/pdf/PdfRepair.h"

#include <fmt/format.h>

#include <qpdf/QPDFExc.hh>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <map>

#include "platform/pdf/PdfCharClasses.h"

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

size_t skipSpaceBackwards(std::string_view s, size_t end) {
  while (end > 0 && isSpace(s[end - 1])) --end;
  return end;
}

}  // namespace

std::optional<std::string> RebuildCrossReference(std::string_view bytes) {
  std::map<long long, std::pair<size_t, long long>> objects;  // number -> offset, generation
  std::optional<long long> root;
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
    if (body.find("/Catalog") != std::string_view::npos && body.find("/Pages") != std::string_view::npos) root = number;
  }
  if (!root || objects.empty()) return std::nullopt;
  std::string out(bytes);
  if (!out.empty() && out.back() != '\n') out += '\n';
  const size_t xref = out.size();
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
// or npos when it does not.
size_t copyWithinNesting(std::string_view s, size_t at, std::string& out) {
  int depth = 0;
  bool skipping = false;
  size_t i = at;
  auto copy = [&](size_t from, size_t to) {
    if (!skipping) out.append(s.substr(from, to - from));
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
      i += len;
    } else if ((c == '>' && pair) || c == ']') {
      const size_t len = c == ']' ? 1 : 2;
      copy(i, i + len);
      i += len;
      if (--depth == kMostNesting) skipping = false;
      if (depth == 0) return i;
    } else {
      copy(i, i + 1);
      ++i;
    }
  }
  return std::string_view::npos;
}

// Object `og` read from `text` ("N G obj" onwards); nullopt when it is not
// there or is no dictionary, array or stream.
std::optional<QPDFObjectHandle> rereadObject(QPDF& q, QPDFObjGen og, std::string_view text) {
  size_t i = 0;
  auto skipSpace = [&] {
    while (i < text.size() && isSpace(text[i])) ++i;
  };
  auto integer = [&](long long* v) {
    skipSpace();
    const size_t start = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && i - start < kMostDigits) ++i;
    if (i == start) return false;
    *v = std::stoll(std::string(text.substr(start, i - start)));
    return true;
  };
  long long number = 0, generation = 0;
  if (!integer(&number) || !integer(&generation) || number != og.getObj() || generation != og.getGen())
    return std::nullopt;
  skipSpace();
  if (text.substr(i, 3) != "obj") return std::nullopt;
  i += 3;
  skipSpace();
  if (i >= text.size() || (text[i] != '<' && text[i] != '[')) return std::nullopt;
  std::string value;
  const size_t end = copyWithinNesting(text, i, value);
  if (end == std::string_view::npos) return std::nullopt;
  i = end;
  skipSpace();
  try {
    QPDFObjectHandle parsed = QPDFObjectHandle::parse(&q, value, fmt::format("object {} {}", number, generation));
    if (text.substr(i, 6) == "stream" && parsed.isDictionary()) {
      // The data starts after the end of line that follows "stream" and
      // ends before the end of line that precedes "endstream".
      i += 6;
      if (text.substr(i, 2) == "\r\n") i += 2;
      else if (i < text.size() && (text[i] == '\n' || text[i] == '\r')) ++i;
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
