#include "platform/pdf/PdfRenderSafety.h"

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
  bool looping = false;

  void resources(const Object& res) {
    if (looping || !res.isDictionary() || depth_ >= kMostDepth || !enter(res)) return;
    ++depth_;
    eachValue(res.get("Font"), [&](const Object& font) { this->font(font); });
    eachValue(res.get("XObject"), [&](const Object& x) { form(x); });
    eachValue(res.get("Pattern"), [&](const Object& p) { form(p); });
    eachValue(res.get("ExtGState"), [&](const Object& gs) {
      const Object mask = gs.get("SMask");
      if (mask.isDictionary()) form(mask.get("G"));
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
    if (looping || !font.isDictionary() || !enter(font)) return;
    for (const char* key : {"Encoding", "ToUnicode"})
      if (cmapLoops(font.get(key))) looping = true;
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
};

}  // namespace

bool PageHasLoopingCMap(const Page& page) {
  Walk walk;
  walk.resources(page.resources());
  for (const Object& annot : page.dictionary().get("Annots").elements()) {
    const Object ap = annot.get("AP");
    if (!ap.isDictionary()) continue;
    for (const char* state : {"N", "D", "R"}) walk.appearance(ap.get(state));
  }
  return walk.looping;
}

}  // namespace vq::pdf
