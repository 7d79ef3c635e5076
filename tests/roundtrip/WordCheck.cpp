#include "WordCheck.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <map>
#include <pugixml.hpp>
#include <regex>
#include <set>
#include <string_view>

#include "support/OutputText.h"

namespace rtest {

namespace {

std::string Utf8(const icu::UnicodeString& s) {
  std::string out;
  s.toUTF8String(out);
  return out;
}

bool IsPunctuation(UChar32 c) { return (U_GET_GC_MASK(c) & U_GC_P_MASK) != 0; }

std::string NormaliseToken(const std::string& token) {
  static const std::regex listLabel(R"(^\(?([0-9]{1,3}|[A-Za-z]|[ivxlcdmIVXLCDM]{1,7})[.)]$)");
  static const std::regex decimal(R"(^[-+]?[0-9][0-9,]*\.[0-9]+$)");
  icu::UnicodeString u = icu::UnicodeString::fromUTF8(token);
  bool onlyMarks = true;
  for (int32_t i = 0; i < u.length(); i = u.moveIndex32(i, 1))
    onlyMarks &= (U_GET_GC_MASK(u.char32At(i)) & (U_GC_P_MASK | U_GC_S_MASK | U_GC_CO_MASK)) != 0;
  if (onlyMarks || std::regex_match(token, listLabel)) return "";
  int32_t begin = 0, end = u.length();
  while (begin < end && IsPunctuation(u.char32At(begin))) begin = u.moveIndex32(begin, 1);
  while (end > begin && IsPunctuation(u.char32At(u.moveIndex32(end, -1)))) end = u.moveIndex32(end, -1);
  std::string word = Utf8(u.tempSubStringBetween(begin, end));
  if (std::regex_match(word, decimal)) {
    word.erase(word.find_last_not_of('0') + 1);
    if (word.back() == '.') word.pop_back();
  }
  return word;
}

// The letters and digits of a word, for telling a glued word by its parts.
std::string Letters(const std::string& word) {
  const icu::UnicodeString u = icu::UnicodeString::fromUTF8(word);
  icu::UnicodeString out;
  for (int32_t i = 0; i < u.length(); i = u.moveIndex32(i, 1))
    if (u_isalnum(u.char32At(i))) out.append(u.char32At(i));
  return Utf8(out);
}

// Which words of `a` a longest common subsequence of `a` and `b` keeps.
std::vector<bool> KeptInCommonSubsequence(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  const size_t n = a.size(), m = b.size();
  std::vector<std::vector<uint32_t>> length(n + 1, std::vector<uint32_t>(m + 1, 0));
  for (size_t i = n; i-- > 0;)
    for (size_t j = m; j-- > 0;)
      length[i][j] = a[i] == b[j] ? length[i + 1][j + 1] + 1 : std::max(length[i + 1][j], length[i][j + 1]);
  std::vector<bool> kept(n, false);
  for (size_t i = 0, j = 0; i < n && j < m;) {
    if (a[i] == b[j] && length[i][j] == length[i + 1][j + 1] + 1) {
      kept[i++] = true;
      ++j;
    } else if (length[i + 1][j] >= length[i][j + 1]) {
      ++i;
    } else {
      ++j;
    }
  }
  return kept;
}

std::string Joined(const std::vector<std::string>& words) {
  std::string out;
  for (const auto& w : words) out += (out.empty() ? "" : " ") + w;
  return out;
}

// ---- source documents ----

struct SourceWalker {
  std::vector<std::string> streams{std::string()};
  // The text of each element that bounds words, the text around a nested
  // one (a list item's paragraph, a frame's) in pieces of its own.
  std::vector<std::string> paragraphs{std::string()};
  // The table row each paragraph stands in, 0 for none.
  std::vector<size_t> rows{0};
  size_t rowCount = 0, row = 0;

  void startParagraph() {
    paragraphs.emplace_back();
    rows.push_back(row);
  }

  static bool StartsColumn(const pugi::xml_node& node) {
    return std::string_view(node.attribute("text:style-name").value()) == "NewColumn" ||
           std::string_view(node.attribute("class").value()) == "NewColumn";
  }

  void walk(const pugi::xml_node& node) {
    for (const auto& child : node.children()) {
      if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
        streams.back() += child.value();
        paragraphs.back() += child.value();
        continue;
      }
      if (child.type() != pugi::node_element) continue;
      const std::string_view name = child.name();
      if (name == "office:annotation" || name == "svg:title" || name == "svg:desc" || name == "style" ||
          name == "script")
        continue;
      if (StartsColumn(child)) streams.emplace_back();
      if (name == "text:s") {
        streams.back() += std::string(std::max(1, child.attribute("text:c").as_int()), ' ');
        paragraphs.back() += ' ';
      } else if (name == "text:tab" || name == "text:line-break" || name == "br") {
        streams.back() += '\n';
        paragraphs.back() += ' ';
      } else {
        // Every element but a span of text bounds the words inside it.
        const bool inline_ = name == "text:span" || name == "text:a" || name == "span" || name == "em" ||
                             name == "strong" || name == "b" || name == "i" || name == "a";
        const bool tableRow = name == "table:table-row" || name == "tr";
        const size_t outerRow = row;
        if (tableRow) row = ++rowCount;
        if (!inline_) streams.back() += '\n', startParagraph();
        walk(child);
        row = outerRow;
        if (!inline_) streams.back() += '\n', startParagraph();
      }
    }
  }
};

}  // namespace

std::vector<std::string> NormalisedWords(const std::string& text) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfkc = icu::Normalizer2::getNFKCInstance(status);
  const icu::UnicodeString normal = nfkc->normalize(icu::UnicodeString::fromUTF8(text), status);
  if (U_FAILURE(status)) return {};
  icu::UnicodeString mapped;
  for (int32_t i = 0; i < normal.length(); i = normal.moveIndex32(i, 1)) {
    const UChar32 c = normal.char32At(i);
    if (u_charType(c) == U_FORMAT_CHAR) continue;
    switch (c) {
      case 0x2018:
      case 0x2019:
      case 0x201A:
      case 0x201B:
      case 0x2032:
      case 0x02BC:
        mapped.append(static_cast<UChar32>('\''));
        break;
      case 0x201C:
      case 0x201D:
      case 0x201E:
      case 0x2033:
        mapped.append(static_cast<UChar32>('"'));
        break;
      case 0x2010:
      case 0x2011:
        mapped.append(static_cast<UChar32>('-'));
        break;
      default:
        mapped.append(c);
    }
  }
  std::vector<std::string> words;
  for (const auto& token : vqtest::SplitWords(Utf8(mapped)))
    if (std::string word = NormaliseToken(token); !word.empty()) words.push_back(std::move(word));
  return words;
}

namespace {

// Everything but the order: missing, doubled, glued and unexpected words.
// `explained` gets, per word, how many of its out-of-order places a missing
// word accounts for.
WordCheck CompareCounts(const std::vector<std::string>& all, const std::vector<std::string>& output,
                        std::map<std::string, long>& explained) {
  std::map<std::string, long> surplus;  // output count minus source count
  for (const auto& w : output) ++surplus[w];
  for (const auto& w : all) --surplus[w];

  WordCheck check;
  // Glued words: the letters of two to five neighbouring source words.
  std::set<std::string> neighbours;
  for (size_t i = 0; i < all.size(); ++i) {
    std::string joined = Letters(all[i]);
    for (size_t k = i + 1; k < all.size() && k < i + 5; ++k) neighbours.insert(joined += Letters(all[k]));
  }
  for (const auto& w : all)
    if (surplus[w] < 0 && explained[w]++ < -surplus[w]) check.missing.push_back(w);
  for (const auto& [w, n] : surplus) {
    if (n <= 0) continue;
    const bool inSource = std::find(all.begin(), all.end(), w) != all.end();
    auto& list = inSource ? check.doubled : neighbours.count(Letters(w)) ? check.glued : check.unexpected;
    for (long k = 0; k < n; ++k) list.push_back(w);
  }
  return check;
}

// The words of `run` that no longest common subsequence with `reference`
// keeps, beyond those `explained` accounts for (which they use up).
void AddOutOfOrder(const std::vector<std::string>& run, const std::vector<std::string>& reference,
                   std::map<std::string, long>& explained, std::vector<std::string>& outOfOrder) {
  const std::vector<bool> kept = KeptInCommonSubsequence(run, reference);
  for (size_t i = 0; i < run.size(); ++i) {
    if (kept[i]) continue;
    if (explained[run[i]] > 0) --explained[run[i]];
    else outOfOrder.push_back(run[i]);
  }
}

std::vector<std::string> Concatenated(const std::vector<std::vector<std::string>>& parts) {
  std::vector<std::string> all;
  for (const auto& s : parts) all.insert(all.end(), s.begin(), s.end());
  return all;
}

}  // namespace

WordCheck CompareWords(const std::vector<std::vector<std::string>>& streams, const std::vector<std::string>& output,
                       bool streamsMayInterleave) {
  const std::vector<std::string> all = Concatenated(streams);
  std::map<std::string, long> explained;
  WordCheck check = CompareCounts(all, output, explained);
  // Out of order: source words that no longest common subsequence keeps,
  // beyond those that are missing outright.
  if (!streamsMayInterleave) AddOutOfOrder(all, output, explained, check.outOfOrder);
  else
    for (const auto& run : streams) AddOutOfOrder(run, output, explained, check.outOfOrder);
  return check;
}

WordCheck CompareShapeWords(const std::vector<std::vector<std::string>>& streams,
                            const std::vector<std::vector<std::string>>& shapes) {
  const std::vector<std::string> all = Concatenated(streams);
  std::map<std::string, long> unused;
  WordCheck check = CompareCounts(all, Concatenated(shapes), unused);
  std::map<std::string, long> explained;  // words doubled are told already
  for (const auto& w : check.doubled) ++explained[w];
  for (const auto& shape : shapes) AddOutOfOrder(shape, all, explained, check.outOfOrder);
  return check;
}

std::string WordCheck::describe() const {
  std::string out;
  auto add = [&](const char* what, const std::vector<std::string>& words) {
    if (!words.empty())
      out += "  " + std::string(what) + " (" + std::to_string(words.size()) + "): " + Joined(words) + "\n";
  };
  add("missing", missing);
  add("doubled", doubled);
  add("glued", glued);
  add("unexpected", unexpected);
  add("out of order", outOfOrder);
  return out;
}

std::string WordCheck::summary() const {
  if (ok()) return "ok";
  std::string out;
  auto add = [&](const char* tag, size_t n) {
    if (n) out += (out.empty() ? "" : " ") + std::string(tag) + std::to_string(n);
  };
  add("m", missing.size());
  add("d", doubled.size());
  add("g", glued.size());
  add("u", unexpected.size());
  add("o", outOfOrder.size());
  return out;
}

namespace {

// The source read through; an empty walker when it cannot be read.
SourceWalker WalkedSource(const std::filesystem::path& source) {
  pugi::xml_document doc;
  SourceWalker walker;
  if (!doc.load_file(source.c_str())) return walker;
  const pugi::xml_node root = source.extension() == ".html" ? doc.child("html").child("body")
                                                            : doc.child("office:document").child("office:body");
  walker.walk(root);
  return walker;
}

}  // namespace

std::vector<std::vector<std::string>> SourceStreams(const std::filesystem::path& source) {
  std::vector<std::vector<std::string>> streams;
  for (const auto& text : WalkedSource(source).streams) streams.push_back(NormalisedWords(text));
  return streams;
}

std::vector<SourceParagraph> SourceParagraphs(const std::filesystem::path& source) {
  const SourceWalker walker = WalkedSource(source);
  std::vector<SourceParagraph> paragraphs;
  for (size_t i = 0; i < walker.paragraphs.size(); ++i)
    if (auto words = NormalisedWords(walker.paragraphs[i]); !words.empty())
      paragraphs.push_back({std::move(words), walker.rows[i]});
  return paragraphs;
}

ParagraphCheck CompareParagraphs(const std::vector<SourceParagraph>& source,
                                 const std::vector<OutputParagraph>& output) {
  ParagraphCheck check;
  check.sourceCount = source.size();
  check.outputCount = output.size();
  // Every word of the source with its paragraph, every output word with its
  // paragraph, and the source paragraph of each output word a longest common
  // subsequence of the two keeps.
  std::vector<std::string> sourceWords, outputWords;
  std::vector<size_t> sourceOf, outputOf;
  for (size_t p = 0; p < source.size(); ++p)
    for (const auto& w : source[p].words) sourceWords.push_back(w), sourceOf.push_back(p);
  for (size_t p = 0; p < output.size(); ++p)
    for (const auto& w : output[p].words) outputWords.push_back(w), outputOf.push_back(p);
  const std::vector<bool> kept = KeptInCommonSubsequence(outputWords, sourceWords);
  std::vector<std::set<size_t>> sourcesOfOutput(output.size());
  for (size_t i = 0, j = 0; i < outputWords.size(); ++i) {
    if (!kept[i]) continue;
    while (sourceWords[j] != outputWords[i]) ++j;
    sourcesOfOutput[outputOf[i]].insert(sourceOf[j++]);
  }
  std::set<size_t> splitSources;
  for (size_t p = 0; p < output.size(); ++p) {
    // The cells of one table row may be one line of the output.
    const auto& sources = sourcesOfOutput[p];
    const bool oneRow = !sources.empty() && source[*sources.begin()].row != 0 &&
                        std::all_of(sources.begin(), sources.end(),
                                    [&](size_t s) { return source[s].row == source[*sources.begin()].row; });
    if (sources.size() > 1 && !oneRow) check.joined.push_back(Joined(output[p].words));
    // A source paragraph that went on from the paragraph before without a
    // break between them.
    if (p == 0 || output[p].afterBreak || sourcesOfOutput[p].empty()) continue;
    for (size_t q = p; q-- > 0;) {
      if (sourcesOfOutput[q].empty()) continue;
      const size_t s = *sourcesOfOutput[p].begin();
      if (*sourcesOfOutput[q].rbegin() == s && splitSources.insert(s).second)
        check.split.push_back(Joined(source[s].words));
      break;
    }
  }
  return check;
}

std::string ParagraphCheck::describe() const {
  std::string out =
      "  " + std::to_string(outputCount) + " paragraphs for the source's " + std::to_string(sourceCount) + "\n";
  for (const auto& p : joined) out += "  joined: " + p + "\n";
  for (const auto& p : split) out += "  split: " + p + "\n";
  return out;
}

std::string ParagraphCheck::summary() const {
  std::string out = std::to_string(outputCount) + "/" + std::to_string(sourceCount);
  if (!joined.empty()) out += " j" + std::to_string(joined.size());
  if (!split.empty()) out += " s" + std::to_string(split.size());
  return ok() ? "ok " + out : out;
}

}  // namespace rtest
