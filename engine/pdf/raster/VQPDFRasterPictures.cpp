#include "pdf/raster/VQPDFRasterPictures.h"

#include <fmt/format.h>

#include <cmath>
#include <cstring>

#include "pdf/VQPDFRenderState.h"
#include "pdf/VQPDFShading.h"
#include "pdf/images/VQPDFImageFile.h"
#include "platform/graphics/VQDrawingContext.h"

namespace vq {
namespace {

// Bitmaps kept in memory to draw again into the page's one picture once
// the page is past its placements, at most this many bytes of them.
constexpr size_t kMostKeptBytes = 64u << 20;
// A direct dictionary is keyed by its values down to this depth; deeper
// values (which no shading has) are keyed by their kind alone.
constexpr int kMostKeyDepth = 8;

// 64-bit FNV-1a over raw bytes.
void Mix(uint64_t& hash, const void* data, size_t length) {
  const auto* p = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < length; ++i) hash = (hash ^ p[i]) * 0x100000001b3ull;
}

void MixDouble(uint64_t& hash, double v) { Mix(hash, &v, sizeof v); }

void AppendObject(std::string& key, const pdf::Object& object, int depth) {
  const pdf::ObjectId id = object.id();
  if (id.isIndirect()) {
    key += fmt::format("R{}.{} ", id.number, id.generation);
    return;
  }
  if (depth >= kMostKeyDepth) {
    key += "? ";
    return;
  }
  switch (object.type()) {
    case pdf::ObjectType::Boolean:
      key += *object.boolean() ? "T " : "F ";
      break;
    case pdf::ObjectType::Integer:
    case pdf::ObjectType::Real:
      key += fmt::format("{} ", *object.number());
      break;
    case pdf::ObjectType::Name:
      key += "/" + *object.name() + " ";
      break;
    case pdf::ObjectType::String:
      key += fmt::format("({}:{}) ", object.bytes()->size(), *object.bytes());
      break;
    case pdf::ObjectType::Array:
      key += "[ ";
      for (const auto& e : object.elements()) AppendObject(key, e, depth + 1);
      key += "] ";
      break;
    case pdf::ObjectType::Dictionary:
    case pdf::ObjectType::Stream:
      key += "<< ";
      for (const auto& k : object.keys()) {
        key += "/" + k + " ";
        AppendObject(key, object.get(k), depth + 1);
      }
      key += ">> ";
      break;
    default:
      key += "null ";
  }
}

void AppendTransform(std::string& key, const AffineTransform& t) {
  key += fmt::format("[{} {} {} {} {} {}] ", t.a, t.b, t.c, t.d, t.tx, t.ty);
}

// The clip paths may be long: they go in as a hash of their numbers.
void AppendClips(std::string& key, const VQPDFClipStack& clipBezierPaths) {
  uint64_t hash = 0xcbf29ce484222325ull;
  for (const auto& clip : clipBezierPaths) {
    if (!clip) continue;
    Mix(hash, &clip->clipType, sizeof clip->clipType);
    for (const auto& e : clip->path) {
      const int type = static_cast<int>(e.type);
      Mix(hash, &type, sizeof type);
      for (int i = 0; i < e.pointCount(); ++i) MixDouble(hash, e.points[i].x), MixDouble(hash, e.points[i].y);
    }
  }
  key += fmt::format("clip {} {:x}", clipBezierPaths.size(), hash);
}

}  // namespace

VQPDFRasterPictures::VQPDFRasterPictures() = default;
VQPDFRasterPictures::~VQPDFRasterPictures() = default;

void VQPDFRasterPictures::beginPage(Size size, const AffineTransform& scaleTransform, Save save) {
  size_ = size;
  scale_ = scaleTransform;
  save_ = std::move(save);
  entries_.clear();
  cuts_.clear();
  images_.clear();
  lastImagePath_.clear();
  lastImage_.reset();
  imageReads_ = 0;
  keptBytes_ = 0;
  rasterisations_ = 0;
  placements_ = 0;
  lastKey_.clear();
  lastMark_ = -1;
  lastRestKey_.clear();
  rest_.reset();
  restBox_ = RectNull;
}

std::string VQPDFRasterPictures::ShadingKey(const VQPDFShading& shading, const AffineTransform& transform,
                                            const AffineTransform& pageTransform,
                                            const VQPDFClipStack& clipBezierPaths) {
  std::string key = "sh ";
  AppendObject(key, shading.object, 0);
  AppendTransform(key, transform);
  AppendTransform(key, pageTransform);
  AppendClips(key, clipBezierPaths);
  return key;
}

const VQPDFRasterPictures::Picture* VQPDFRasterPictures::shading(const AffineTransform& transform,
                                                                 const AffineTransform& pageTransform,
                                                                 const VQPDFClipStack& clipBezierPaths,
                                                                 const std::shared_ptr<VQPDFShading>& shading,
                                                                 long long placedSoFar) {
  if (!shading) return nullptr;
  const Draw draw = [&](Rect* clipRect) {
    return VQPDFExporterRaster::DrawShadingInContextSize(size_, transform, scale_, pageTransform, clipBezierPaths,
                                                         clipRect, shading);
  };
  return place(ShadingKey(*shading, transform, pageTransform, clipBezierPaths), draw, "Shading", placedSoFar);
}

const VQPDFRasterPictures::Picture* VQPDFRasterPictures::drawing(const Draw& draw, const std::string& kind,
                                                                 long long placedSoFar) {
  return place(std::string(), draw, kind, placedSoFar);
}

const VQPDFRasterPictures::Picture* VQPDFRasterPictures::place(const std::string& key, const Draw& draw,
                                                               const std::string& kind, long long placedSoFar) {
  // The same picture again where nothing was placed since paints over
  // itself.
  if (!key.empty() && key == lastKey_ && placedSoFar == lastMark_) return nullptr;
  const auto found = key.empty() ? entries_.end() : entries_.find(key);
  const Entry* known = found == entries_.end() ? nullptr : &found->second;
  if (placements_ >= kMostPlacements) {
    drawIntoRest(known, key, draw);
    return nullptr;
  }
  if (!known) {
    Entry entry;
    Rect clipRect{};
    auto bitmap = draw(&clipRect);
    ++rasterisations_;
    const bool area = clipRect.size.width > 0 && clipRect.size.height > 0 && std::isfinite(clipRect.origin.x) &&
                      std::isfinite(clipRect.origin.y) && std::isfinite(clipRect.size.width + clipRect.size.height);
    if (bitmap && !bitmap->empty() && area && save_) {
      if (auto path = save_(*bitmap, kind)) {
        entry.picture = Picture{*path, clipRect, bitmap->width, bitmap->height};
        const size_t bytes = bitmap->pixels.size();
        if (!key.empty() && keptBytes_ + bytes <= kMostKeptBytes) {
          keptBytes_ += bytes;
          entry.bitmap = std::make_shared<const Bitmap>(std::move(*bitmap));
        }
      }
    }
    // A drawing without a key is never asked for again: it is placed at
    // once and not kept.
    if (key.empty()) {
      if (!entry.picture) return nullptr;
      loose_ = *entry.picture;
      ++placements_;
      lastKey_.clear();
      return &loose_;
    }
    known = &entries_.emplace(key, std::move(entry)).first->second;
  }
  if (!known->picture) return nullptr;
  ++placements_;
  lastKey_ = key;
  lastMark_ = placedSoFar + 1;
  return &*known->picture;
}

void VQPDFRasterPictures::drawIntoRest(const Entry* known, const std::string& key, const Draw& draw) {
  // Drawn again over itself, the same picture changes nothing.
  if (!key.empty() && key == lastRestKey_) return;
  lastRestKey_ = key;
  if (known && !known->picture) return;  // it shows nothing
  std::shared_ptr<const Bitmap> bitmap = known ? known->bitmap : nullptr;
  Rect clipRect = known ? known->picture->clipRect : Rect{};
  if (!bitmap) {
    auto drawn = draw(&clipRect);
    ++rasterisations_;
    if (!drawn || drawn->empty()) return;
    bitmap = std::make_shared<const Bitmap>(std::move(*drawn));
  }
  drawBitmapIntoRest(*bitmap, clipRect, true);
}

void VQPDFRasterPictures::drawBitmapIntoRest(const Bitmap& bitmap, const Rect& box, bool atPageScale) {
  if (!rest_) rest_ = VQPDFExporterRaster::OutputContext(size_, scale_);
  if (!rest_) return;
  // The bitmap's pixels lie where its box lies at the page's resolution;
  // they are drawn in device space, whose rows run upwards. A bitmap made
  // at another resolution is stretched over its box.
  const Rect pixels = RectIntegral(RectApplyAffineTransform(box, scale_));
  const double width = atPageScale ? bitmap.width : pixels.size.width;
  const double height = atPageScale ? bitmap.height : pixels.size.height;
  rest_->saveGState();
  rest_->concatCTM(AffineTransformInvert(rest_->getCTM()));
  rest_->drawBitmap(bitmap, RectMake(pixels.origin.x, rest_->height() - pixels.origin.y - height, width, height));
  rest_->restoreGState();
  restBox_ = RectIsNull(restBox_) ? box : RectUnion(restBox_, box);
}

std::shared_ptr<const Bitmap> VQPDFRasterPictures::image(const std::string& path) {
  if (!lastImagePath_.empty() && path == lastImagePath_) return lastImage_;
  std::shared_ptr<const Bitmap> bitmap;
  if (const auto found = images_.find(path); found != images_.end()) {
    bitmap = found->second;
  } else {
    auto read = CGImageWithContentsOfFile(path);
    ++imageReads_;
    if (read) bitmap = std::make_shared<const Bitmap>(std::move(*read));
    const size_t bytes = bitmap ? bitmap->pixels.size() : 0;
    if (keptBytes_ + bytes <= kMostKeptBytes) {
      keptBytes_ += bytes;
      images_.emplace(path, bitmap);
    }
  }
  lastImagePath_ = path;
  lastImage_ = bitmap;
  return bitmap;
}

VQPDFRasterPictures::ClippedImage VQPDFRasterPictures::clippedImage(
    const std::string& path, const std::string& name, const AffineTransform& scaleTransform,
    const AffineTransform& pageTransform, const AffineTransform& imageTransform, const Rect& imageRect,
    const VQPDFClipStack& clipBezierPaths, const SaveCut& save) {
  using Show = ClippedImage::Show;
  // The decoded file stands for the image's content on this page.
  std::string key = fmt::format("im {}:{} {}:{} ", path.size(), path, name.size(), name);
  AppendTransform(key, scaleTransform);
  AppendTransform(key, pageTransform);
  AppendTransform(key, imageTransform);
  key += fmt::format("[{} {} {} {}] ", imageRect.origin.x, imageRect.origin.y, imageRect.size.width,
                     imageRect.size.height);
  AppendClips(key, clipBezierPaths);

  const bool pastPlacements = placements_ >= kMostPlacements;
  std::shared_ptr<const Bitmap> drawn;
  const auto cutNow = [&](ImageCut& cut) {
    bool unreadable = false;
    std::shared_ptr<const Bitmap> source;
    const auto load = [&]() -> const Bitmap* {
      source = image(path);
      unreadable = !source;
      return source.get();
    };
    Rect clipRect = imageRect;
    bool whole = false;
    auto bitmap = VQPDFExporterRaster::ClipImageInContextSize(
        size_, load, scaleTransform, pageTransform, imageTransform, imageRect, clipBezierPaths, &clipRect, &whole);
    ++rasterisations_;
    cut.answer.unreadable = unreadable;
    cut.answer.show = unreadable || whole ? Show::Whole : bitmap ? Show::Cut : Show::Hidden;
    if (cut.answer.show != Show::Cut) return;
    cut.answer.picture = Picture{std::string(), clipRect, bitmap->width, bitmap->height};
    drawn = std::make_shared<const Bitmap>(std::move(*bitmap));
  };

  auto found = cuts_.find(key);
  if (found == cuts_.end()) {
    ImageCut cut;
    cutNow(cut);
    // Saved at once while the page has placements left; past them the cut
    // is only ever drawn into the page's one picture.
    if (cut.answer.show == Show::Cut && !pastPlacements) {
      if (auto saved = save(*drawn, cut.answer.picture.clipRect)) cut.answer.picture.path = *saved;
      else cut.answer.show = Show::Whole;
    }
    if (drawn && keptBytes_ + drawn->pixels.size() <= kMostKeptBytes) {
      keptBytes_ += drawn->pixels.size();
      cut.bitmap = drawn;
    }
    found = cuts_.emplace(key, std::move(cut)).first;
  }
  ImageCut& cut = found->second;
  if (cut.answer.show != Show::Cut) return cut.answer;
  if (!pastPlacements) {
    ++placements_;
    return cut.answer;
  }
  // Drawn again over itself, the same picture changes nothing.
  if (key != lastRestKey_) {
    lastRestKey_ = key;
    if (!drawn) drawn = cut.bitmap;
    if (!drawn) {
      ImageCut again;
      cutNow(again);
    }
    if (drawn) drawBitmapIntoRest(*drawn, cut.answer.picture.clipRect, false);
  }
  ClippedImage hidden;
  hidden.show = Show::Hidden;
  return hidden;
}

std::optional<VQPDFRasterPictures::Picture> VQPDFRasterPictures::endPage() {
  std::optional<Picture> out;
  const Rect box =
      RectIsNull(restBox_) ? RectNull : RectIntersection(restBox_, RectMake(0, 0, size_.width, size_.height));
  if (rest_ && !RectIsNull(box) && !RectIsEmpty(box) && save_) {
    const auto cut = BitmapCropToRect(rest_->toBitmap(), RectIntegral(RectApplyAffineTransform(box, scale_)));
    if (cut && !cut->empty())
      if (auto path = save_(*cut, "Drawing")) out = Picture{*path, box, cut->width, cut->height};
  }
  beginPage(size_, scale_, save_);
  return out;
}

}  // namespace vq
