// Triangle and patch mesh shadings (types 4 to 7).
#include <algorithm>
#include <array>
#include <cmath>

#include "pdf/VQPDFObjectValues.h"
#include "pdf/shading/VQPDFDrawingStop.h"
#include "pdf/shading/VQPDFShadingDrawable.h"

namespace vq {

using pdf::Object;
using vqpdf_detail::ReadNumber;

namespace {

// Bounds on what one shading may ask for: a million triangles hold some
// 120 MB; a patch is divided into up to 12 x 12 x 2 triangles, fewer when
// the stream holds so many patches that the finest division would pass
// the triangle bound.
constexpr size_t kMaxTriangles = 1'000'000;
constexpr int kPatchDivisions = 12;
constexpr int kFewestPatchDivisions = 2;

class BitReader {
 public:
  explicit BitReader(const std::string& data) : data_(data) {}
  bool read(int bits, uint32_t* value) {
    if (bits <= 0 || bits > 32) return false;
    if (position_ + static_cast<size_t>(bits) > data_.size() * 8) return false;
    uint64_t v = 0;
    for (int i = 0; i < bits; ++i, ++position_) {
      const uint8_t byte = static_cast<uint8_t>(data_[position_ >> 3]);
      v = (v << 1) | ((byte >> (7 - (position_ & 7))) & 1u);
    }
    *value = static_cast<uint32_t>(v);
    return true;
  }
  void align() { position_ = (position_ + 7) & ~size_t{7}; }

 private:
  const std::string& data_;
  size_t position_ = 0;
};

struct MeshFormat {
  int bitsPerCoordinate = 0;
  int bitsPerComponent = 0;
  int bitsPerFlag = 0;
  int components = 0;  // colour values a vertex carries (1 with a function)
  std::vector<double> decode;

  double decodeValue(uint32_t raw, int bits, double lo, double hi) const {
    const double maxValue = bits >= 32 ? 4294967295.0 : static_cast<double>((uint64_t{1} << bits) - 1);
    return lo + raw * (hi - lo) / maxValue;
  }
  bool readPoint(BitReader& r, Point* p) const {
    uint32_t x, y;
    if (!r.read(bitsPerCoordinate, &x) || !r.read(bitsPerCoordinate, &y)) return false;
    p->x = decodeValue(x, bitsPerCoordinate, decode[0], decode[1]);
    p->y = decodeValue(y, bitsPerCoordinate, decode[2], decode[3]);
    return true;
  }
  bool readColor(BitReader& r, double* color) const {
    for (int c = 0; c < components; ++c) {
      uint32_t v;
      if (!r.read(bitsPerComponent, &v)) return false;
      color[c] = decodeValue(v, bitsPerComponent, decode[4 + 2 * c], decode[5 + 2 * c]);
    }
    return true;
  }
  bool readVertex(BitReader& r, VQPDFShadingMesh::Vertex* v) const {
    return readPoint(r, &v->point) && readColor(r, v->color);
  }
};

bool ValidBits(int bits, std::initializer_list<int> allowed) {
  return std::find(allowed.begin(), allowed.end(), bits) != allowed.end();
}

using Grid = std::array<std::array<Point, 4>, 4>;

double Bernstein(int i, double t) {
  const double s = 1 - t;
  switch (i) {
    case 0:
      return s * s * s;
    case 1:
      return 3 * t * s * s;
    case 2:
      return 3 * t * t * s;
    default:
      return t * t * t;
  }
}

Point Surface(const Grid& p, double u, double v) {
  Point out;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      const double w = Bernstein(i, u) * Bernstein(j, v);
      out.x += w * p[i][j].x;
      out.y += w * p[i][j].y;
    }
  return out;
}

Point Combine(std::initializer_list<std::pair<double, Point>> terms) {
  Point out;
  for (const auto& [w, p] : terms) out.x += w * p.x, out.y += w * p.y;
  return out;
}

// Coons patches have no interior points; these give the same surface.
void CoonsInterior(Grid& p) {
  const double k = 1.0 / 9;
  p[1][1] = Combine({{-4 * k, p[0][0]},
                     {6 * k, p[0][1]},
                     {6 * k, p[1][0]},
                     {-2 * k, p[0][3]},
                     {-2 * k, p[3][0]},
                     {3 * k, p[3][1]},
                     {3 * k, p[1][3]},
                     {-k, p[3][3]}});
  p[1][2] = Combine({{-4 * k, p[0][3]},
                     {6 * k, p[0][2]},
                     {6 * k, p[1][3]},
                     {-2 * k, p[0][0]},
                     {-2 * k, p[3][3]},
                     {3 * k, p[3][2]},
                     {3 * k, p[1][0]},
                     {-k, p[3][0]}});
  p[2][1] = Combine({{-4 * k, p[3][0]},
                     {6 * k, p[3][1]},
                     {6 * k, p[2][0]},
                     {-2 * k, p[3][3]},
                     {-2 * k, p[0][0]},
                     {3 * k, p[0][1]},
                     {3 * k, p[2][3]},
                     {-k, p[0][3]}});
  p[2][2] = Combine({{-4 * k, p[3][3]},
                     {6 * k, p[3][2]},
                     {6 * k, p[2][3]},
                     {-2 * k, p[3][0]},
                     {-2 * k, p[0][3]},
                     {3 * k, p[0][2]},
                     {3 * k, p[2][0]},
                     {-k, p[0][0]}});
}

// The boundary in stream order: p00 p01 p02 p03 p13 p23 p33 p32 p31 p30 p20 p10.
constexpr int kBoundary[12][2] = {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {1, 3}, {2, 3},
                                  {3, 3}, {3, 2}, {3, 1}, {3, 0}, {2, 0}, {1, 0}};
constexpr int kInterior[4][2] = {{1, 1}, {1, 2}, {2, 2}, {2, 1}};

}  // namespace

bool VQPDFShadingMesh::initWithDictionary(const Object& dict, const std::string& key) {
  if (!VQPDFDrawableShading::initWithDictionary(dict, key)) return false;
  Object f = dict.get("Function");
  if (f.isArray()) {
    for (const Object& e : f.elements()) {
      if (auto fn = VQPDFFunction::FuntionWithObject(e)) funcs.push_back(std::move(fn));
    }
    if (funcs.size() != static_cast<size_t>(colorSpace->getNComps())) funcs.clear();
  } else if (auto fn = VQPDFFunction::FuntionWithObject(f)) {
    funcs.push_back(std::move(fn));
  }
  return true;
}

void VQPDFShadingMesh::paintPicture(Bitmap& picture, const AffineTransform& toPicture) {
  const int n = colorSpace->getNComps();
  const bool parametric = !funcs.empty();
  // t along the function's domain to colour, tabulated.
  std::vector<VQPDFRGB> table;
  double t0 = 0, t1 = 1;
  if (parametric && !triangles.empty()) {
    t0 = t1 = triangles[0].v[0].value[0];
    for (const auto& tri : triangles)
      for (const auto& v : tri.v) t0 = std::min(t0, v.value[0]), t1 = std::max(t1, v.value[0]);
    table.resize(1024);
    for (size_t i = 0; i < table.size(); ++i) {
      double input[32] = {t0 + (t1 - t0) * i / (table.size() - 1)};
      double comps[32] = {};
      if (funcs.size() == 1) {
        funcs[0]->transformInput(input, comps);
      } else {
        for (int c = 0; c < n; ++c) {
          double single[32] = {};
          funcs[static_cast<size_t>(c)]->transformInput(input, single);
          comps[c] = single[0];
        }
      }
      VQPDFColor color;
      for (int c = 0; c < n; ++c) color.c[c] = vqpdf_detail::ScaleComponent(comps[c]);
      table[i] = colorSpace->getRGB(color);
    }
  }

  size_t painted = 0;
  for (const auto& tri : triangles) {
    // A stopped conversion does not wait for the rest of a large mesh.
    if (++painted % 256 == 0 && VQPDFDrawingStop::requested()) return;
    Point p[3];
    for (int i = 0; i < 3; ++i) p[i] = PointApplyAffineTransform(tri.v[i].point, toPicture);
    const double* col[3] = {tri.v[0].value, tri.v[1].value, tri.v[2].value};
    const double area = (p[1].x - p[0].x) * (p[2].y - p[0].y) - (p[2].x - p[0].x) * (p[1].y - p[0].y);
    if (!(std::fabs(area) > 1e-12) || !std::isfinite(area)) continue;
    const int x0 = std::max(0, static_cast<int>(std::floor(std::min({p[0].x, p[1].x, p[2].x}))));
    const int x1 = std::min(picture.width - 1, static_cast<int>(std::ceil(std::max({p[0].x, p[1].x, p[2].x}))));
    const int y0 = std::max(0, static_cast<int>(std::floor(std::min({p[0].y, p[1].y, p[2].y}))));
    const int y1 = std::min(picture.height - 1, static_cast<int>(std::ceil(std::max({p[0].y, p[1].y, p[2].y}))));
    for (int y = y0; y <= y1; ++y) {
      uint8_t* row = picture.row(y);
      const double cy = y + 0.5;
      for (int x = x0; x <= x1; ++x) {
        const double cx = x + 0.5;
        const double w0 = ((p[1].x - cx) * (p[2].y - cy) - (p[2].x - cx) * (p[1].y - cy)) / area;
        const double w1 = ((p[2].x - cx) * (p[0].y - cy) - (p[0].x - cx) * (p[2].y - cy)) / area;
        const double w2 = 1 - w0 - w1;
        // A small tolerance closes the seams between neighbouring triangles.
        constexpr double e = -1e-6;
        if (w0 < e || w1 < e || w2 < e) continue;
        uint8_t* o = row + 4 * x;
        if (parametric) {
          const double t = w0 * col[0][0] + w1 * col[1][0] + w2 * col[2][0];
          const double s = t1 > t0 ? (t - t0) / (t1 - t0) : 0;
          const VQPDFRGB c = table[static_cast<size_t>(std::lround(std::clamp(s, 0.0, 1.0) * (table.size() - 1)))];
          o[0] = static_cast<uint8_t>(vqpdf_detail::Clamp255(c.r));
          o[1] = static_cast<uint8_t>(vqpdf_detail::Clamp255(c.g));
          o[2] = static_cast<uint8_t>(vqpdf_detail::Clamp255(c.b));
        } else {
          for (int c = 0; c < 3; ++c) {
            const double v = w0 * col[0][c] + w1 * col[1][c] + w2 * col[2][c];
            o[c] = static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
          }
        }
        o[3] = 255;
      }
    }
  }
}

bool VQPDFShadingMesh::readStream(const Object& stream) {
  if (!stream.isStream()) return false;
  const Object dict = stream.streamDictionary();
  MeshFormat format;
  format.bitsPerCoordinate = static_cast<int>(dict.get("BitsPerCoordinate").integer().value_or(0));
  format.bitsPerComponent = static_cast<int>(dict.get("BitsPerComponent").integer().value_or(0));
  format.bitsPerFlag = static_cast<int>(dict.get("BitsPerFlag").integer().value_or(0));
  if (!ValidBits(format.bitsPerCoordinate, {1, 2, 4, 8, 12, 16, 24, 32}) ||
      !ValidBits(format.bitsPerComponent, {1, 2, 4, 8, 12, 16}))
    return false;
  const bool flags = type != 5;
  if (flags && !ValidBits(format.bitsPerFlag, {2, 4, 8})) return false;
  format.components = funcs.empty() ? colorSpace->getNComps() : 1;
  Object decode = dict.get("Decode");
  if (!decode.isArray() || decode.size() < static_cast<size_t>(4 + 2 * format.components)) return false;
  for (size_t i = 0; i < static_cast<size_t>(4 + 2 * format.components); ++i) {
    double v = 0;
    if (!ReadNumber(decode.at(i), &v)) return false;
    format.decode.push_back(v);
  }
  auto data = stream.decodedData();
  if (!data) return false;
  BitReader reader(*data);
  using Vertex = VQPDFShadingMesh::Vertex;
  const bool parametric = !funcs.empty();
  const int n = colorSpace->getNComps();
  // Colours are interpolated in device RGB (or as t): each corner is
  // converted once, as it is read.
  const auto corner = [&](const Vertex& v) {
    Corner out;
    out.point = v.point;
    if (parametric) {
      out.value[0] = v.color[0];
    } else {
      VQPDFColor color;
      for (int c = 0; c < n; ++c) color.c[c] = vqpdf_detail::ScaleComponent(v.color[c]);
      const VQPDFRGB rgb = colorSpace->getRGB(color);
      out.value[0] = rgb.r, out.value[1] = rgb.g, out.value[2] = rgb.b;
    }
    return out;
  };
  const auto add = [&](const Vertex& a, const Vertex& b, const Vertex& c) {
    triangles.push_back({{corner(a), corner(b), corner(c)}});
  };
  const auto& out = triangles;

  if (type == 4) {
    Vertex a, b, c;
    int have = 0;  // vertices of the current triangle known
    while (out.size() < kMaxTriangles) {
      uint32_t flag;
      Vertex v;
      if (!reader.read(format.bitsPerFlag, &flag) || !format.readVertex(reader, &v)) break;
      reader.align();
      // A flag 0 starts a triangle of three new vertices (the flags of the
      // second and third are not looked at); 1 and 2 reuse an edge.
      if (have == 3 && flag == 0) have = 0;
      if (have < 3) {
        (have == 0 ? a : have == 1 ? b : c) = v;
        if (++have < 3) continue;
      } else if (flag == 1) {
        a = b, b = c, c = v;
      } else {
        b = c, c = v;
      }
      add(a, b, c);
    }
  } else if (type == 5) {
    const int perRow = static_cast<int>(dict.get("VerticesPerRow").integer().value_or(0));
    if (perRow < 2) return false;
    std::vector<Vertex> previous, current;
    while (out.size() < kMaxTriangles) {
      Vertex v;
      if (!format.readVertex(reader, &v)) break;
      current.push_back(v);
      if (static_cast<int>(current.size()) < perRow) continue;
      if (!previous.empty()) {
        for (int i = 0; i + 1 < perRow; ++i) {
          add(previous[i], previous[i + 1], current[i]);
          add(previous[i + 1], current[i + 1], current[i]);
        }
      }
      previous.swap(current);
      current.clear();
    }
  } else {
    const bool tensor = type == 7;
    // The patches the data can hold at most (each takes at least its flag,
    // 12 or 16 points and two colours), and the division that keeps them
    // all within the triangle bound.
    const double leastPatchBits = format.bitsPerFlag + (tensor ? 32.0 : 24.0) * format.bitsPerCoordinate +
                                  2.0 * format.components * format.bitsPerComponent;
    const double mostPatches = std::max(1.0, 8.0 * static_cast<double>(data->size()) / leastPatchBits);
    const int divisions = std::clamp(static_cast<int>(std::sqrt(kMaxTriangles / (2 * mostPatches))),
                                     kFewestPatchDivisions, kPatchDivisions);
    Grid last{};
    std::array<std::array<double, 32>, 4> lastColors{};
    bool haveLast = false;
    while (out.size() < kMaxTriangles) {
      uint32_t flag;
      if (!reader.read(format.bitsPerFlag, &flag)) break;
      if (flag > 3 || (flag != 0 && !haveLast)) break;
      Grid p{};
      std::array<std::array<double, 32>, 4> colors{};
      int first = 0;
      if (flag != 0) {
        // The new patch starts on an edge of the previous one.
        const int start = 3 * static_cast<int>(flag);
        for (int i = 0; i < 4; ++i) {
          const auto* from = kBoundary[(start + i) % 12];
          p[kBoundary[i][0]][kBoundary[i][1]] = last[from[0]][from[1]];
        }
        colors[0] = lastColors[flag % 4];
        colors[1] = lastColors[(flag + 1) % 4];
        first = 4;
      }
      bool ok = true;
      for (int i = first; i < 12 && ok; ++i) ok = format.readPoint(reader, &p[kBoundary[i][0]][kBoundary[i][1]]);
      if (tensor)
        for (int i = 0; i < 4 && ok; ++i) ok = format.readPoint(reader, &p[kInterior[i][0]][kInterior[i][1]]);
      for (int i = flag != 0 ? 2 : 0; i < 4 && ok; ++i) ok = format.readColor(reader, colors[i].data());
      if (!ok) break;
      reader.align();
      if (!tensor) CoonsInterior(p);
      last = p, lastColors = colors, haveLast = true;
      // Corners in stream order: c0 at p00 (u 0, v 0), c1 at p03 (u 0, v 1),
      // c2 at p33 (u 1, v 1), c3 at p30 (u 1, v 0).
      auto vertexAt = [&](int i, int j) {
        const double u = static_cast<double>(i) / divisions, v = static_cast<double>(j) / divisions;
        Vertex vx;
        vx.point = Surface(p, u, v);
        for (int c = 0; c < format.components; ++c)
          vx.color[c] = (1 - u) * (1 - v) * colors[0][c] + (1 - u) * v * colors[1][c] + u * v * colors[2][c] +
                        u * (1 - v) * colors[3][c];
        return vx;
      };
      for (int i = 0; i < divisions; ++i)
        for (int j = 0; j < divisions; ++j) {
          const Vertex a = vertexAt(i, j), b = vertexAt(i + 1, j), c = vertexAt(i + 1, j + 1), d = vertexAt(i, j + 1);
          add(a, b, c);
          add(a, c, d);
        }
    }
  }
  return true;
}

double VQPDFShadingMesh::coverage(const AffineTransform& toPicture, const Rect& area) const {
  const double left = area.origin.x, right = RectGetMaxX(area);
  const double bottom = area.origin.y, top = RectGetMaxY(area);
  double sum = 0;
  for (const auto& tri : triangles) {
    double x0 = INFINITY, x1 = -INFINITY, y0 = INFINITY, y1 = -INFINITY;
    for (const auto& v : tri.v) {
      const Point p = PointApplyAffineTransform(v.point, toPicture);
      x0 = std::min(x0, p.x), x1 = std::max(x1, p.x), y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
    }
    x0 = std::max(x0, left), x1 = std::min(x1, right), y0 = std::max(y0, bottom), y1 = std::min(y1, top);
    // Each triangle visits at least the pixel it lies on.
    if (x1 >= x0 && y1 >= y0) sum += (x1 - x0 + 1) * (y1 - y0 + 1);
  }
  return sum;
}

}  // namespace vq
