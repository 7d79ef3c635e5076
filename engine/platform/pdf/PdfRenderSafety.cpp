#include "platform/pdf/PdfRenderSafety.h"

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/pdf/PdfObject.h"

namespace vq::pdf {
namespace {

using Key = std::pair<int, int>;

class Walk {
 public:
  // What was found, in the order of the checks; the walk stops at the
  // first.
  std::optional<std::string> hazard;

  void resources(const Object& res) {
    if (hazard || !res.isDictionary() || depth_ >= kMostDepth || !enter(res)) return;
    ++depth_;
    eachValue(res.get("Font"), [&](const Object& font) { this->font(font); });
    eachValue(res.get("XObject"), [&](const Object& x) {
      if (x.isStream() && x.get("Subtype").isName("Image")) colorSpace(x.get("ColorSpace"));
      else form(x);
    });
    eachValue(res.get("Pattern"), [&](const Object& p) {
      if (p.isStream()) form(p);
      else if (p.isDictionary()) shading(p.get("Shading"));
    });
    eachValue(res.get("Shading"), [&](const Object& sh) { shading(sh); });
    eachValue(res.get("ColorSpace"), [&](const Object& cs) { colorSpace(cs); });
    eachValue(res.get("ExtGState"), [&](const Object& gs) {
      if (!gs.isDictionary()) return;
      function(gs.get("TR"));
      function(gs.get("TR2"));
      const Object mask = gs.get("SMask");
      if (!mask.isDictionary()) return;
      function(mask.get("TR"));
      form(mask.get("G"));
    });
    --depth_;
  }

  // An appearance entry: a stream, or a dictionary of states to streams.
  void appearance(const Object& entry) {
    if (entry.isStream()) form(entry);
    else eachValue(entry, [&](const Object& state) { form(state); });
  }

 private:
  // Every walk is bounded, whatever a file's resources fan out to.
  static constexpr int kMostVisits = 20000;
  // Resources nest no deeper than this: forms in forms whose resources are
  // direct dictionaries are no objects seen before, and would otherwise
  // recurse as deep as the visits allow.
  static constexpr int kMostDepth = 64;
  int visits_ = 0;
  int depth_ = 0;
  std::set<Key> seen_;

  // False for an object seen before (a loop of forms is no loop of CMaps)
  // and past the bound.
  bool enter(const Object& object) {
    if (++visits_ > kMostVisits) return false;
    const ObjectId id = object.id();
    return !id.isIndirect() || seen_.insert({id.number, id.generation}).second;
  }

  template <typename F>
  static void eachValue(const Object& dictionary, F&& f) {
    if (!dictionary.isDictionary()) return;
    for (const auto& key : dictionary.keys()) f(dictionary.get(key));
  }

  void form(const Object& stream) {
    if (!stream.isStream() || !enter(stream)) return;
    resources(stream.streamDictionary().get("Resources"));
  }

  void font(const Object& font) {
    if (hazard || !font.isDictionary() || !enter(font)) return;
    for (const char* key : {"Encoding", "ToUnicode"})
      if (!hazard && cmapLoops(font.get(key))) hazard = "a font's CMap uses itself";
    resources(font.get("Resources"));  // Type 3 glyphs draw with their own
    for (const Object& descendant : font.get("DescendantFonts").elements()) this->font(descendant);
  }

  static bool cmapLoops(Object cmap) {
    std::set<Key> chain;
    constexpr int kMostChain = 64;
    for (int step = 0; cmap.isStream(); ++step) {
      const ObjectId id = cmap.id();
      if (step >= kMostChain || (id.isIndirect() && !chain.insert({id.number, id.generation}).second)) return true;
      cmap = cmap.streamDictionary().get("UseCMap");
    }
    return false;
  }

  void shading(const Object& sh) {
    if (hazard || !sh.isDictionary() || !enter(sh)) return;
    colorSpace(sh.get("ColorSpace"));
    function(sh.get("Function"));
  }

  // Separation and DeviceN spaces carry a tint function; they and the
  // others may stand on further spaces.
  void colorSpace(const Object& cs) {
    if (hazard || !cs.isArray() || cs.size() < 2 || depth_ >= kMostDepth || !enter(cs)) return;
    ++depth_;
    const Object family = cs.at(0);
    if (family.isName("Separation") || family.isName("DeviceN")) {
      colorSpace(cs.at(2));
      function(cs.at(3));
      if (cs.size() > 4) eachValue(cs.at(4).get("Colorants"), [&](const Object& c) { colorSpace(c); });
    } else if (family.isName("Indexed") || family.isName("Pattern")) {
      colorSpace(cs.at(1));
    }
    --depth_;
  }

  // A function, an array of them, or a stitching function of others.
  void function(const Object& f) {
    if (hazard || depth_ >= kMostDepth || !enter(f)) return;
    ++depth_;
    if (f.isArray()) {
      for (const Object& each : f.elements()) function(each);
    } else if (f.isDictionary()) {
      const auto type = f.get("FunctionType").integer();
      if (type == 3) function(f.get("Functions"));
      if (type == 4 && f.isStream()) {
        const auto program = f.decodedData();
        if (program && PostScriptNesting(*program) > kMostPostScriptNesting)
          hazard = "a calculator function nests its procedures too deep";
      }
    }
    --depth_;
  }
};

}  // namespace

int PostScriptNesting(std::string_view program) {
  int depth = 0, deepest = 0;
  for (size_t i = 0; i < program.size() && deepest <= kMostPostScriptNesting; ++i) {
    const char ch = program[i];
    if (ch == '%') {
      while (i + 1 < program.size() && program[i + 1] != '\n' && program[i + 1] != '\r') ++i;
    } else if (ch == '{') {
      deepest = std::max(deepest, ++depth);
    } else if (ch == '}' && depth > 0) {
      --depth;
    }
  }
  return deepest;
}

std::optional<std::string> PageRendererHazard(const Page& page) {
  Walk walk;
  walk.resources(page.resources());
  for (const Object& annot : page.dictionary().get("Annots").elements()) {
    const Object ap = annot.get("AP");
    if (!ap.isDictionary()) continue;
    for (const char* state : {"N", "D", "R"}) walk.appearance(ap.get(state));
  }
  return walk.hazard;
}

bool PageRefusedByRenderer(const Page& page) {
  const Object dictionary = page.dictionary();
  const Object contents = dictionary.get("Contents");
  if (!contents.isNull() && !contents.isStream() && !contents.isArray()) return true;
  return dictionary.get("Annots").size() > kMostRendererAnnotations;
}

}  // namespace vq::pdf
