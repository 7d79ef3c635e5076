#include "platform/pdf/PdfRenderSafety.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "platform/graphics/VQGeometry.h"
#include "platform/pdf/PdfContentScanner.h"
#include "platform/pdf/PdfDocument.h"
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

// ---- Drawing work -------------------------------------------------------

PageDrawingWork& operator+=(PageDrawingWork& a, const PageDrawingWork& b) {
  a.formDraws += b.formDraws;
  a.patternCells += b.patternCells;
  a.meshPieces += b.meshPieces;
  a.meshPixels += b.meshPixels;
  a.markedContentSteps += b.markedContentSteps;
  if (a.refusedImageWidth == 0) a.refusedImageWidth = b.refusedImageWidth, a.refusedImageHeight = b.refusedImageHeight;
  return a;
}

// `times` uses of `w`, each drawn with its areas scaled by `areaScale`.
PageDrawingWork repeated(const PageDrawingWork& w, double times, double areaScale) {
  return {w.formDraws * times, w.patternCells * times, w.meshPieces * times,        w.meshPixels * times * areaScale,
          w.refusedImageWidth, w.refusedImageHeight,   w.markedContentSteps * times};
}

// Whether an image dictionary (an inline image's, its keys expanded by the
// scanner) declares a size beyond the pictures that are drawn; its size is
// kept in `work` then. A size that is not a positive number is left to the
// renderer, which draws nothing for it.
void checkImageSize(const Object& dictionary, PageDrawingWork& work) {
  const double w = dictionary.get("Width").number().value_or(0), h = dictionary.get("Height").number().value_or(0);
  if (!(w > 0 && h > 0) || work.refusedImageWidth != 0) return;
  if (w > kMostImageSide || h > kMostImageSide || w * h > static_cast<double>(kMostImagePixels))
    work.refusedImageWidth = w, work.refusedImageHeight = h;
}

double areaScale(const AffineTransform& t) { return std::fabs(t.a * t.d - t.b * t.c); }

AffineTransform matrixOf(const Object& dictionary) {
  const Object m = dictionary.get("Matrix");
  if (!m.isArray() || m.size() != 6) return AffineTransformIdentity;
  double v[6];
  for (size_t i = 0; i < 6; ++i) {
    const auto n = m.at(i).number();
    if (!n || !std::isfinite(*n)) return AffineTransformIdentity;
    v[i] = *n;
  }
  return AffineTransformMake(v[0], v[1], v[2], v[3], v[4], v[5]);
}

// Reads the unsigned big-endian fields of a mesh shading's data.
class BitReader {
 public:
  explicit BitReader(const std::string& data) : data_(data) {}
  bool has(uint64_t bits) const { return bit_ + bits <= data_.size() * 8; }
  uint64_t read(int bits) {
    uint64_t v = 0;
    for (int i = 0; i < bits; ++i, ++bit_)
      v = (v << 1) | ((static_cast<unsigned char>(data_[bit_ >> 3]) >> (7 - (bit_ & 7))) & 1);
    return v;
  }
  void skip(uint64_t bits) { bit_ += bits; }
  void align() { bit_ = (bit_ + 7) & ~uint64_t{7}; }

 private:
  const std::string& data_;
  uint64_t bit_ = 0;
};

int colorComponents(const Object& cs) {
  Object family = cs.isArray() && cs.size() > 0 ? cs.at(0) : cs;
  const std::string name = family.name().value_or("");
  if (name == "DeviceRGB" || name == "RGB" || name == "CalRGB" || name == "Lab") return 3;
  if (name == "DeviceCMYK" || name == "CMYK") return 4;
  if (name == "ICCBased" && cs.size() > 1)
    return static_cast<int>(std::clamp<int64_t>(cs.at(1).get("N").integer().value_or(3), 1, 32));
  if (name == "DeviceN" && cs.size() > 1) return static_cast<int>(std::clamp<size_t>(cs.at(1).size(), 1, 32));
  return 1;
}

// The pieces of a mesh shading (types 4 to 7) and the area they cover in
// shading space, summed, from its data: triangles by their own area,
// patches by the box of their control points.
struct Mesh {
  double pieces = 0, area = 0;
};

Mesh meshOf(const Object& sh) {
  Mesh mesh;
  const auto type = sh.get("ShadingType").integer().value_or(0);
  if (type < 4 || type > 7 || !sh.isStream()) return mesh;
  const int coordBits = static_cast<int>(sh.get("BitsPerCoordinate").integer().value_or(0));
  const int compBits = static_cast<int>(sh.get("BitsPerComponent").integer().value_or(0));
  const int flagBits = type == 5 ? 0 : static_cast<int>(sh.get("BitsPerFlag").integer().value_or(0));
  if (coordBits < 1 || coordBits > 32 || compBits < 1 || compBits > 16 || flagBits < 0 || flagBits > 8) return mesh;
  const int colours = sh.get("Function").isNull() ? colorComponents(sh.get("ColorSpace")) : 1;
  double d[4] = {0, 1, 0, 1};
  const Object decode = sh.get("Decode");
  for (size_t i = 0; i < 4 && i < decode.size(); ++i) d[i] = decode.at(i).number().value_or(d[i]);
  const auto data = sh.decodedData();
  if (!data) return mesh;
  BitReader in(*data);
  const double most = std::ldexp(1.0, coordBits) - 1;
  auto point = [&] {
    const double x = static_cast<double>(in.read(coordBits)), y = static_cast<double>(in.read(coordBits));
    return Point{d[0] + x * (d[1] - d[0]) / most, d[2] + y * (d[3] - d[2]) / most};
  };
  auto triangle = [](Point a, Point b, Point c) {
    return std::fabs((b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y)) / 2;
  };
  const uint64_t colourBits = static_cast<uint64_t>(colours) * compBits;
  if (type == 4) {
    const uint64_t vertexBits = flagBits + 2 * coordBits + colourBits;
    Point v[3];
    int have = 0;
    while (in.has(vertexBits)) {
      const uint64_t flag = in.read(flagBits);
      const Point p = point();
      in.skip(colourBits);
      in.align();
      if (have < 3 || flag == 0) {
        if (flag == 0 && have >= 3) have = 0;
        v[have++] = p;
        if (have < 3) continue;
      } else if (flag == 1) {
        v[0] = v[1], v[1] = v[2], v[2] = p;
      } else {
        v[1] = v[2], v[2] = p;
      }
      mesh.pieces += 1;
      mesh.area += triangle(v[0], v[1], v[2]);
    }
  } else if (type == 5) {
    const auto perRow = sh.get("VerticesPerRow").integer().value_or(0);
    if (perRow < 2 || perRow > (int64_t{1} << 24)) return mesh;
    std::vector<Point> above, row;
    while (in.has(2 * coordBits + colourBits)) {
      row.push_back(point());
      in.skip(colourBits);
      if (static_cast<int64_t>(row.size()) < perRow) continue;
      for (size_t i = 0; !above.empty() && i + 1 < row.size(); ++i) {
        mesh.pieces += 2;
        mesh.area += triangle(above[i], above[i + 1], row[i]) + triangle(above[i + 1], row[i + 1], row[i]);
      }
      above.swap(row);
      row.clear();
    }
  } else {
    const int corners = type == 6 ? 12 : 16;
    for (;;) {
      if (!in.has(flagBits)) break;
      const uint64_t flag = in.read(flagBits);
      const int points = flag == 0 ? corners : corners - 4;
      const uint64_t bits = static_cast<uint64_t>(points) * 2 * coordBits + (flag == 0 ? 4 : 2) * colourBits;
      if (!in.has(bits)) break;
      double x0 = HUGE_VAL, y0 = HUGE_VAL, x1 = -HUGE_VAL, y1 = -HUGE_VAL;
      for (int i = 0; i < points; ++i) {
        const Point p = point();
        x0 = std::min(x0, p.x), y0 = std::min(y0, p.y), x1 = std::max(x1, p.x), y1 = std::max(y1, p.y);
      }
      in.skip((flag == 0 ? 4 : 2) * colourBits);
      in.align();
      mesh.pieces += 1;
      mesh.area += (x1 - x0) * (y1 - y0);
    }
  }
  return mesh;
}

// The work of a content stream, found by scanning it; the forms, patterns
// and shadings it names are each costed once and reused by object.
class WorkEstimate {
 public:
  explicit WorkEstimate(double pixelsPerArea) : pixelsPerArea_(pixelsPerArea) {}

  // A stream's work in its own space; `clip` bounds the areas it fills.
  PageDrawingWork stream(const std::shared_ptr<const ContentStream>& content, const Rect& clip) {
    if (++depth_ > kMostDepth) {
      --depth_;
      return {};
    }
    Frame frame;
    frame.content = content;
    frame.clip = clip;
    OperatorTable table;
    auto number = [](Scanner& s) {
      double v = 0;
      return s.popNumber(&v) && std::isfinite(v) ? v : 0.0;
    };
    auto points = [&, number](int count) {
      return [&, number, count](Scanner& s, void*) {
        std::vector<double> v(2 * count);
        for (int i = 2 * count - 1; i >= 0; --i) v[i] = number(s);
        for (int i = 0; i < count; ++i) frame.extend(Point{v[2 * i], v[2 * i + 1]});
      };
    };
    table.setCallback("m", points(1));
    table.setCallback("l", points(1));
    table.setCallback("c", points(3));
    table.setCallback("v", points(2));
    table.setCallback("y", points(2));
    table.setCallback("re", [&, number](Scanner& s, void*) {
      const double h = number(s), w = number(s), y = number(s), x = number(s);
      frame.extend(Point{x, y});
      frame.extend(Point{x + w, y + h});
      frame.extend(Point{x + w, y});
      frame.extend(Point{x, y + h});
    });
    table.setCallback("q", [&](Scanner&, void*) {
      if (frame.saved.size() < 4096) frame.saved.push_back(frame.state);
    });
    table.setCallback("Q", [&](Scanner&, void*) {
      if (frame.saved.empty()) return;
      frame.state = frame.saved.back();
      frame.saved.pop_back();
    });
    table.setCallback("cm", [&, number](Scanner& s, void*) {
      double v[6];
      for (int i = 5; i >= 0; --i) v[i] = number(s);
      frame.state.ctm = AffineTransformConcat(AffineTransformMake(v[0], v[1], v[2], v[3], v[4], v[5]), frame.state.ctm);
    });
    for (const char* op : {"scn", "SCN"}) {
      const bool fill = op[0] == 's';
      table.setCallback(op, [&, fill](Scanner& s, void*) {
        std::string name;
        Paint paint;
        if (s.popName(&name)) paint = this->pattern(frame.content->lookupResource("Pattern", name));
        (fill ? frame.state.fill : frame.state.stroke) = paint;
      });
    }
    for (const char* op : {"sc", "SC", "g", "G", "rg", "RG", "k", "K", "cs", "CS"}) {
      const bool fill = std::islower(static_cast<unsigned char>(op[0]));
      table.setCallback(op, [&, fill](Scanner&, void*) { (fill ? frame.state.fill : frame.state.stroke) = Paint{}; });
    }
    for (const char* op : {"f", "F", "f*", "B", "B*", "b", "b*", "S", "s", "n"}) {
      const std::string o = op;
      const bool fills = o != "S" && o != "s" && o != "n",
                 strokes = o[0] == 'B' || o[0] == 'b' || o[0] == 'S' || o[0] == 's';
      table.setCallback(op, [&, fills, strokes](Scanner&, void*) {
        frame.markedStep(0);
        if (fills) frame.paint(frame.state.fill);
        if (strokes) frame.paint(frame.state.stroke);
        frame.endPath();
      });
    }
    for (const char* op : {"BMC", "BDC"}) table.setCallback(op, [&](Scanner&, void*) { frame.markedStep(1); });
    table.setCallback("EMC", [&](Scanner&, void*) { frame.markedStep(-1); });
    table.setCallback("sh", [&](Scanner& s, void*) {
      frame.markedStep(0);
      std::string name;
      if (!s.popName(&name)) return;
      frame.work += repeated(shading(frame.content->lookupResource("Shading", name)), 1, areaScale(frame.state.ctm));
    });
    table.setCallback("Do", [&](Scanner& s, void*) {
      frame.markedStep(0);
      std::string name;
      if (!s.popName(&name)) return;
      const Object x = frame.content->lookupResource("XObject", name);
      if (x.isStream() && x.get("Subtype").isName("Image")) checkImageSize(x.streamDictionary(), frame.work);
      if (!x.isStream() || !x.get("Subtype").isName("Form")) return;
      const AffineTransform m = matrixOf(x);
      frame.work += repeated(form(x, frame.content), 1, areaScale(AffineTransformConcat(m, frame.state.ctm)));
    });
    table.setCallback("EI", [&](Scanner& s, void*) {
      frame.markedStep(0);
      Object image;
      if (s.popStream(&image)) checkImageSize(image.streamDictionary(), frame.work);
    });
    table.setCallback("Tf", [&](Scanner& s, void*) {
      double size = 0;
      std::string name;
      s.popNumber(&size);
      frame.state.font = s.popName(&name) ? frame.content->lookupResource("Font", name) : Object();
    });
    for (const char* op : {"Tj", "TJ", "'", "\""})
      table.setCallback(op, [&](Scanner&, void*) { glyphPictures(frame.state.font, frame.content, frame.work); });
    Scanner(content, table).scan();
    --depth_;
    return frame.work;
  }

 private:
  // What a fill or stroke paints with: a tiling pattern's cell (its work
  // and the area of one step), or a shading pattern's work.
  struct Paint {
    PageDrawingWork perCell;
    double cellArea = 0;  // > 0 for a tiling pattern
    PageDrawingWork shading;
    double shadingScale = 1;
  };
  struct State {
    AffineTransform ctm = AffineTransformIdentity;
    Paint fill, stroke;
    Object font;
  };
  struct Frame {
    std::shared_ptr<const ContentStream> content;
    Rect clip;
    State state;
    std::vector<State> saved;
    PageDrawingWork work;
    double x0 = HUGE_VAL, y0 = HUGE_VAL, x1 = -HUGE_VAL, y1 = -HUGE_VAL;
    double markedDepth = 0;

    // An operator that opens (+1), closes (-1) or works inside (0) the
    // marked-content sections open at it.
    void markedStep(int change) {
      if (change > 0) markedDepth += 1;
      work.markedContentSteps += markedDepth;
      if (change < 0 && markedDepth > 0) markedDepth -= 1;
    }
    void extend(Point p) {
      p = PointApplyAffineTransform(p, state.ctm);
      x0 = std::min(x0, p.x), y0 = std::min(y0, p.y), x1 = std::max(x1, p.x), y1 = std::max(y1, p.y);
    }
    void endPath() { x0 = y0 = HUGE_VAL, x1 = y1 = -HUGE_VAL; }
    // The painted path's box within the clip, in this stream's space.
    double pathArea() const {
      const double w = std::min(x1, RectGetMaxX(clip)) - std::max(x0, RectGetMinX(clip));
      const double h = std::min(y1, RectGetMaxY(clip)) - std::max(y0, RectGetMinY(clip));
      return w > 0 && h > 0 ? w * h : 0;
    }
    void paint(const Paint& p) {
      if (p.cellArea > 0) {
        const double cells = std::ceil(pathArea() / p.cellArea);
        work += repeated(p.perCell, cells, 1);
        work.patternCells += cells;
      }
      work += repeated(p.shading, 1, p.shadingScale);
    }
  };

  static constexpr int kMostDepth = 64;
  using Key = std::pair<int, int>;

  static std::optional<Key> keyOf(const Object& o) {
    const ObjectId id = o.id();
    if (!id.isIndirect()) return std::nullopt;
    return Key{id.number, id.generation};
  }

  // A form's work, one draw included, in its own space.
  PageDrawingWork form(const Object& x, const std::shared_ptr<const ContentStream>& parent) {
    const auto key = keyOf(x);
    if (key) {
      if (auto it = forms_.find(*key); it != forms_.end()) return it->second;
      // A form drawn inside itself is drawn no further by the renderer.
      if (!active_.insert(*key).second) return {};
    }
    PageDrawingWork w = stream(ContentStream::createWithStream(x, Object(), parent), boxOf(x.get("BBox")));
    w.formDraws += 1;
    if (key) {
      active_.erase(*key);
      forms_[*key] = w;
    }
    return w;
  }

  Paint pattern(const Object& p) {
    Paint paint;
    if (!p.isDictionary()) return paint;
    const AffineTransform m = matrixOf(p);
    if (p.get("PatternType").integer() == 2) {
      paint.shading = shading(p.get("Shading"));
      paint.shadingScale = areaScale(m);
      return paint;
    }
    if (!p.isStream()) return paint;
    const double step = std::fabs(p.get("XStep").number().value_or(0) * p.get("YStep").number().value_or(0));
    paint.cellArea = step * areaScale(m);
    if (!(paint.cellArea > 0) || !std::isfinite(paint.cellArea)) return Paint{};
    const auto key = keyOf(p);
    if (key) {
      if (auto it = cells_.find(*key); it != cells_.end()) {
        paint.perCell = it->second;
        return paint;
      }
      if (!active_.insert(*key).second) return Paint{};
    }
    paint.perCell = repeated(stream(ContentStream::createWithStream(p), boxOf(p.get("BBox"))), 1, areaScale(m));
    if (key) {
      active_.erase(*key);
      cells_[*key] = paint.perCell;
    }
    return paint;
  }

  // The pictures a Type 3 font's glyphs draw, kept in `work` as any picture
  // the page draws is: each glyph procedure is read once (with the font's
  // resources before those of the stream showing the text), whichever font
  // or string names it. Only their sizes count: a procedure is read once
  // however often its glyph is shown, so its other work would count nothing
  // real.
  void glyphPictures(const Object& font, const std::shared_ptr<const ContentStream>& parent, PageDrawingWork& work) {
    if (work.refusedImageWidth != 0 || !font.isDictionary() || !font.get("Subtype").isName("Type3")) return;
    const auto fontKey = keyOf(font);
    if (fontKey) {
      if (auto it = glyphFonts_.find(*fontKey); it != glyphFonts_.end()) {
        work += it->second;
        return;
      }
      // A glyph showing its own font's text draws no further.
      if (!active_.insert(*fontKey).second) return;
    }
    PageDrawingWork found;
    const Object procs = font.get("CharProcs");
    for (const std::string& name : procs.keys()) {
      // Fonts that are no objects of their own are not kept; their glyph
      // names are still looked at a bounded number of times.
      if (found.refusedImageWidth != 0 || ++glyphVisits_ > kMostGlyphVisits) break;
      const Object proc = procs.get(name);
      const auto key = keyOf(proc);
      if (!proc.isStream() || !key) continue;
      if (auto it = glyphProcs_.find(*key); it != glyphProcs_.end()) {
        found += it->second;
        continue;
      }
      if (!active_.insert(*key).second) continue;
      std::vector<std::string> data;
      if (auto bytes = proc.decodedData()) data.push_back(std::move(*bytes));
      const PageDrawingWork w =
          stream(std::make_shared<ContentStream>(std::move(data), font.get("Resources"), parent), boxOf(Object()));
      active_.erase(*key);
      found += glyphProcs_[*key] = PageDrawingWork{0, 0, 0, 0, w.refusedImageWidth, w.refusedImageHeight};
    }
    if (fontKey) {
      active_.erase(*fontKey);
      glyphFonts_[*fontKey] = found;
    }
    work += found;
  }

  // A shading's work in its own space.
  PageDrawingWork shading(const Object& sh) {
    if (!sh.isDictionary()) return {};
    const auto key = keyOf(sh);
    if (key)
      if (auto it = shadings_.find(*key); it != shadings_.end()) return it->second;
    const Mesh mesh = meshOf(sh);
    const PageDrawingWork w{0, 0, mesh.pieces, mesh.area * pixelsPerArea_};
    if (key) shadings_[*key] = w;
    return w;
  }

  static Rect boxOf(const Object& box) {
    double v[4] = {0, 0, 0, 0};
    for (size_t i = 0; i < 4 && i < box.size(); ++i) v[i] = box.at(i).number().value_or(0);
    // A box that is not one bounds nothing.
    if (box.size() < 4 || !std::all_of(v, v + 4, [](double n) { return std::isfinite(n); }))
      return RectMake(-1e9, -1e9, 2e9, 2e9);
    return RectStandardize(RectMake(v[0], v[1], v[2] - v[0], v[3] - v[1]));
  }

  double pixelsPerArea_;
  int depth_ = 0;
  std::map<Key, PageDrawingWork> forms_, cells_, shadings_, glyphFonts_, glyphProcs_;
  std::set<Key> active_;
  // Glyph names looked up in Type 3 fonts' procedure lists, over the page.
  static constexpr int kMostGlyphVisits = 100000;
  int glyphVisits_ = 0;
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

PageDrawingWork EstimatePageDrawingWork(const Page& page, double dpiX, double dpiY) {
  // Device pixels per square point of the page's own space.
  WorkEstimate estimate(dpiX * dpiY / (72.0 * 72.0));
  const auto content = ContentStream::createWithPage(page);
  const Rect box = page.box(PageBox::Crop);
  PageDrawingWork work = estimate.stream(content, box);
  for (const Object& annot : page.dictionary().get("Annots").elements()) {
    Object ap = annot.get("AP").get("N");
    if (!ap.isStream()) ap = ap.get(annot.get("AS").name().value_or(""));
    if (ap.isStream()) work += estimate.stream(ContentStream::createWithStream(ap, Object(), content), box);
  }
  return work;
}

std::optional<std::string> DrawingWorkTooLarge(const PageDrawingWork& work) {
  auto count = [](double n) {
    return std::isfinite(n) && n < 1e15 ? fmt::format("{:.0f}", n) : std::string("countless");
  };
  if (work.refusedImageWidth != 0)
    return fmt::format("a picture of {} x {} pixels is larger than the renderer draws", count(work.refusedImageWidth),
                       count(work.refusedImageHeight));
  if (!(work.formDraws <= kMostFormDraws))
    return fmt::format("its forms draw one another {} times (at most {:.0f} are drawn)", count(work.formDraws),
                       kMostFormDraws);
  if (!(work.patternCells <= kMostPatternCells))
    return fmt::format("its tiling patterns paint {} cells (at most {:.0f} are drawn)", count(work.patternCells),
                       kMostPatternCells);
  if (!(work.meshPieces <= kMostMeshPieces))
    return fmt::format("its mesh shadings hold {} pieces (at most {:.0f} are drawn)", count(work.meshPieces),
                       kMostMeshPieces);
  if (!(work.meshPixels <= kMostMeshPixels))
    return fmt::format("its mesh shadings cover {} pixels over and over (at most {:.0f} are drawn)",
                       count(work.meshPixels), kMostMeshPixels);
  if (!(work.markedContentSteps <= kMostMarkedContentSteps))
    return fmt::format("its marked content nests so deep that drawing it takes {} steps (at most {:.0f} are drawn)",
                       count(work.markedContentSteps), kMostMarkedContentSteps);
  return std::nullopt;
}

std::optional<std::string> PageRendererHazard(const Page& page, double dpiX, double dpiY) {
  Walk walk;
  walk.resources(page.resources());
  for (const Object& annot : page.dictionary().get("Annots").elements()) {
    const Object ap = annot.get("AP");
    if (!ap.isDictionary()) continue;
    for (const char* state : {"N", "D", "R"}) walk.appearance(ap.get(state));
  }
  if (walk.hazard) return walk.hazard;
  return DrawingWorkTooLarge(EstimatePageDrawingWork(page, dpiX, dpiY));
}

bool PageRefusedByRenderer(const Page& page) {
  const Object dictionary = page.dictionary();
  const Object contents = dictionary.get("Contents");
  if (!contents.isNull() && !contents.isStream() && !contents.isArray()) return true;
  return dictionary.get("Annots").size() > kMostRendererAnnotations;
}

}  // namespace vq::pdf
