#include "platform/pdf/PdfRepair.h"

#include <fmt/format.h>

#include <cctype>
#include <cstdint>
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

}  // namespace vq::pdf
