// The graphics of a page made ready for the document: overlapping pictures
// merged into one, specks and invisible background paint dropped, lines and
// boxes tidied, crowded vector drawings rendered into pictures, and every
// floating object handed to the paragraph that anchors it, in front of the
// text when nothing painted later covers it.
#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <unordered_set>

#include "common/VQRandomString.h"
#include "docx/layout/VQDocxPage.h"
#include "office/VQDocxEquality.h"
#include "office/docx/VQDocxDocument.h"

namespace vq {
namespace {

constexpr VQDocx_Color kOpaqueWhite{255, 255, 255, 255};

// More pictures than this are one picture: a page of hundreds of image tiles
// (scans cut in strips, tiled backgrounds) is one picture to a reader, and
// Word slows to a crawl over so many floating shapes.
constexpr size_t kMaxPageImages = 500;
// Above this many paths the clean-up's pairwise tests cost more than they
// bring.
constexpr size_t kMaxFilteredPaths = 2000;
// A page crowded with vector paint: more paths or points than this make the
// shapes-to-pictures stage run, and above kMaxShapePaths every path goes into
// one picture.
constexpr size_t kCrowdedPaths = 30;
constexpr int64_t kCrowdedPoints = 150;
constexpr size_t kMaxShapePaths = 1000;
// A group smaller than this in either direction is rendered whole; larger
// ones are cut where their paint order is interrupted, so that text painted
// between two parts of a drawing stays between them.
constexpr double kSingleShapePictureSide = 120;
// Grouping of paths for rendering: boxes grown by this much sideways and up
// and down still join a group (text between the parts of a diagram keeps
// them one picture).
constexpr Size kShapeGroupReach{-78, -26};
// Bringing a picture in front of the text keeps its place among pictures:
// the distance from the first behind-text z-index is kept above the text.
constexpr int64_t kInFrontOfTextZIndex = 251661312;

template <class R>
bool Holds(const std::vector<std::shared_ptr<R>>& runs, const std::shared_ptr<R>& run) {
  return std::find(runs.begin(), runs.end(), run) != runs.end();
}

template <class R>
void EraseAll(std::vector<std::shared_ptr<R>>& runs, const std::vector<std::shared_ptr<R>>& gone) {
  const std::unordered_set<const R*> set = [&] {
    std::unordered_set<const R*> s;
    for (const auto& run : gone) s.insert(run.get());
    return s;
  }();
  std::erase_if(runs, [&](const auto& run) { return set.count(run.get()) != 0; });
}

// One rectangle touches another: they overlap, or one holds the other.
bool Touches(const Rect& a, const Rect& b) {
  return RectIntersectsRect(a, b) || RectContainsRect(a, b) || RectContainsRect(b, a);
}

template <class R>
bool HaveUpper(const std::vector<std::shared_ptr<R>>& runs, const Rect& rect, uint64_t minScanIndex) {
  return std::any_of(runs.begin(), runs.end(), [&](const auto& run) {
    return run && run->pdfScanIndex() >= minScanIndex && Touches(run->displayRect(), rect);
  });
}

// Groups of runs that touch one another, seeded by the first run left: a run
// joins when `joins(run, group)`, and the group grows until nothing joins.
// Joining only ever gets easier as a group grows, so passes over the runs
// left find the same group as restarting after each addition would.
template <class R, class Joins>
std::vector<std::shared_ptr<R>> GrowGroup(std::vector<std::shared_ptr<R>>& left, Joins joins) {
  std::vector<std::shared_ptr<R>> group;
  if (left.empty()) return group;
  group.push_back(left.front());
  left.erase(left.begin());
  for (bool added = true; added && !left.empty();) {
    added = false;
    for (auto it = left.begin(); it != left.end();) {
      if (joins(**it, group)) {
        group.push_back(*it);
        it = left.erase(it);
        added = true;
      } else {
        ++it;
      }
    }
  }
  return group;
}

}  // namespace

// ---- pictures --------------------------------------------------------------

void VQDocxPage::removeCollectedImagePaths(const std::vector<std::string>& imagePaths) {
  std::vector<std::string> held;
  for (const auto& path : imagePaths)
    if (std::find(collectedImagePaths_.begin(), collectedImagePaths_.end(), path) != collectedImagePaths_.end())
      held.push_back(path);
  if (held.empty()) return;
  for (const auto& path : held) std::erase(collectedImagePaths_, path);
  if (documentHandle_) documentHandle_->removeCollectedImageWithRunImages(held);
  // The files were made for this page's pictures alone and no picture shows
  // them any more: nothing would ever package or remove them.
  for (const auto& path : held) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
  }
}

void VQDocxPage::removeCollectedImagesIfNotUsed(const VQDocxRunImage::Array& images) {
  VQDocxRunImage::Array others = allRunImageArray;
  EraseAll(others, images);
  std::vector<std::string> unused;
  for (const auto& image : images) {
    if (!image || !image->imagePath || image->isImagePathUsedInOtherImages(others)) continue;
    if (std::find(unused.begin(), unused.end(), *image->imagePath) == unused.end()) unused.push_back(*image->imagePath);
  }
  removeCollectedImagePaths(unused);
}

std::shared_ptr<VQDocxRunImage> VQDocxPage::mergeRunImages(const VQDocxRunImage::Array& images) {
  auto merged =
      VQDocxRunImage::MergeRunImageArray(images, SizeMake(pageWidth(), pageHeight()), moreOptions_.imageDPI());
  if (!merged || !merged->imagePath) return nullptr;
  merged->runImageID = collectImageWithPath(*merged->imagePath);
  return merged;
}

void VQDocxPage::convertImages2ImageIfNeed() {
  if (allRunImageArray.empty()) return;
  updateAllPDFScanIndex();

  if (allRunImageArray.size() > kMaxPageImages) {
    // When the one picture cannot be made the pictures stay as they are:
    // many pictures are better than none.
    const auto merged = mergeRunImages(allRunImageArray);
    if (!merged) return;
    const VQDocxRunImage::Array old = std::move(allRunImageArray);
    allRunImageArray = {merged};
    removeCollectedImagesIfNotUsed(old);
    updateAllPDFScanIndex();
    return;
  }
  if (!moreOptions_.wordOptions.enableMergeIntersectImages) return;

  VQDocxRunImage::Array result;
  for (const auto& group : findIntersectImagesGroups(allRunImageArray)) {
    const auto merged = group.size() > 1 ? mergeRunImages(group) : nullptr;
    if (merged) result.push_back(merged);
    else result.insert(result.end(), group.begin(), group.end());
  }
  VQDocxRunImage::Array gone;
  for (const auto& image : allRunImageArray)
    if (!Holds(result, image)) gone.push_back(image);
  allRunImageArray = std::move(result);
  removeCollectedImagesIfNotUsed(gone);
  updateAllPDFScanIndex();
}

VQDocxRunImage::Array VQDocxPage::findIntersectImages(const VQDocxRunImage::Array& images) {
  VQDocxRunImage::Array left = images;
  // A shading is painted over a whole area; whatever lies on it stays a
  // picture of its own.
  if (!left.empty() && left.front()->isShading) return {left.front()};
  return GrowGroup(left, [](const VQDocxRunImage& image, const VQDocxRunImage::Array& group) {
    return image.isIntersectWithOtherImages(group) != nullptr;
  });
}

std::vector<VQDocxRunImage::Array> VQDocxPage::findIntersectImagesGroups(const VQDocxRunImage::Array& images) {
  std::vector<VQDocxRunImage::Array> groups;
  VQDocxRunImage::Array left = images;
  while (!left.empty()) {
    groups.push_back(findIntersectImages(left));
    EraseAll(left, groups.back());
  }
  return groups;
}

// ---- paths -----------------------------------------------------------------

void VQDocxPage::filterAllRunPathArray() {
  if (allRunPathArray.empty() || allRunPathArray.size() > kMaxFilteredPaths) return;

  const auto specks = VQDocxRunPath::FindSmallShapes(allRunPathArray, SizeMake(1, 1));
  if (!specks.empty()) {
    EraseAll(allRunPathArray, specks);
    updateAllPDFScanIndex();
  }

  // Whatever covers the middle of the page is its background. The middle is
  // measured with the width on both axes; a page less than half as high as
  // it is wide has no such middle, and no background is looked for there.
  const double inset = pageWidth() * 0.25;
  const Rect centre = RectInset(RectMake(0, 0, pageWidth(), pageHeight()), inset, inset);
  const bool haveCentre = !RectIsNull(centre);
  VQDocxRunPath::Array compared = allRunPathArray;
  std::shared_ptr<VQDocxRunPath> background = VQDocxRunPath::FindBigRectangeRunPath(allRunPathArray);
  if (background && haveCentre && RectContainsRect(background->boundingBox(), centre)) std::erase(compared, background);
  else background = nullptr;
  // Paint over a background picture is never invisible.
  const auto bigImage = VQDocxRunImage::FindBigRectRunImage(allRunImageArray);
  if (bigImage && haveCentre && RectContainsRect(bigImage->displayRect(), centre)) compared.clear();

  VQDocxRunPath::Array invisible;
  for (const auto& path : VQDocxRunPath::FindDuplicateRunPath(background, compared))
    if (!path->findHideRunImages(allRunImageArray)) invisible.push_back(path);
  if (!invisible.empty()) {
    // A white page background goes with the invisible paint on it; a
    // coloured one is the page's look and stays.
    if (background && IsEqualColor(background->pictInfo()->fillColorVQ(), kOpaqueWhite))
      invisible.push_back(background);
    EraseAll(allRunPathArray, invisible);
    updateAllPDFScanIndex();
  }

  allRunPathArray = VQDocxRunPath::ConvertRect2LineIfNeed(allRunPathArray);
  allRunPathArray = VQDocxRunPath::MergeOverlapLinesIfNeed(allRunPathArray);
  updateAllPDFScanIndex();
  allRunPathArray = VQDocxRunPath::MergeOverlapRectangesIfNeed(allRunPathArray);
  updateAllPDFScanIndex();
}

bool VQDocxPage::isPageWhiteBackground(const Rect& bounds, const VQDocxRunPath::Array& areaPaths,
                                       uint64_t minPDFScanIndex) const {
  const double area = bounds.size.width * bounds.size.height;
  std::shared_ptr<VQDocxRunPath> last;
  for (const auto& path : allRunPathArray) {
    if (!path->pictInfo() || !path->pictInfo()->filled || path->pdfScanIndex() >= minPDFScanIndex) continue;
    if (Holds(areaPaths, path)) continue;
    const Rect common = RectIntersection(path->boundingBox(), bounds);
    if (RectIsNull(common) || common.size.width <= 1 || common.size.height <= 1) continue;
    if (common.size.width * common.size.height <= 0.75 * area) continue;
    if (!last || path->pdfScanIndex() >= last->pdfScanIndex()) last = path;
  }
  return !last || IsEqualColor(last->pictInfo()->fillColorVQ(), kOpaqueWhite);
}

// ---- shapes to pictures ------------------------------------------------------

void VQDocxPage::convertShapes2ImageIfNeed() {
  if (allRunPathArray.empty()) return;
  if (allRunPathArray.size() <= kCrowdedPaths && VQDocxRunPath::CountOfPoints(allRunPathArray) <= kCrowdedPoints &&
      !moreOptions_.wordOptions.enableShapToImage)
    return;
  const double dpi = VQDocxRunImage::ClampImageDPI(moreOptions_.imageDPI());
  VQDocxRun::SortByScanIndex(allRunPathArray);

  if (allRunPathArray.size() > kMaxShapePaths) {
    // Paths that could not be rendered stay paths rather than vanish.
    const auto image = _convertRunPathsToRunImage(allRunPathArray, dpi);
    if (!image) return;
    allRunPathArray.clear();
    allRunImageArray.push_back(image);
    updateAllPDFScanIndex();
    return;
  }

  VQDocxRunPath::Array rendered;
  for (const auto& group : findIntersectRunPathsGroups(allRunPathArray)) {
    const Rect bounds = VQDocxRunPath::BoundsOfRunPaths(group);
    if (bounds.size.width < kSingleShapePictureSide || bounds.size.height < kSingleShapePictureSide) {
      if (const auto image = _convertRunPathsToRunImage(group, dpi)) {
        allRunImageArray.push_back(image);
        rendered.insert(rendered.end(), group.begin(), group.end());
      }
    } else {
      const auto images = _convertRunPathsToRunImages(group, dpi, &rendered);
      allRunImageArray.insert(allRunImageArray.end(), images.begin(), images.end());
    }
  }
  if (rendered.empty()) return;
  EraseAll(allRunPathArray, rendered);
  updateAllPDFScanIndex();
}

VQDocxRunPath::Array VQDocxPage::findIntersectRunPaths(const VQDocxRunPath::Array& paths) {
  VQDocxRunPath::Array left = paths;
  return GrowGroup(left, [](const VQDocxRunPath& path, const VQDocxRunPath::Array& group) {
    return path.isIntersectRunPaths(group, kShapeGroupReach);
  });
}

std::vector<VQDocxRunPath::Array> VQDocxPage::findIntersectRunPathsGroups(const VQDocxRunPath::Array& paths) {
  std::vector<VQDocxRunPath::Array> groups;
  VQDocxRunPath::Array left = paths;
  while (!left.empty()) {
    VQDocxRunPath::Array group = findIntersectRunPaths(left);
    EraseAll(left, group);
    // Only groups crowded with points are worth a picture; sparse lines and
    // boxes stay editable shapes.
    if (VQDocxRunPath::IsVaildImageRunPaths(group)) groups.push_back(std::move(group));
  }
  return groups;
}

VQDocxRunImage::Array VQDocxPage::_convertRunPathsToRunImages(const VQDocxRunPath::Array& paths, double imageDPI,
                                                              VQDocxRunPath::Array* rendered) {
  VQDocxRunPath::Array sorted = paths;
  VQDocxRun::SortByScanIndex(sorted);
  VQDocxRunImage::Array images;
  for (size_t start = 0; start < sorted.size();) {
    size_t end = start + 1;
    while (end < sorted.size() && sorted[end]->pdfScanIndex() == sorted[end - 1]->pdfScanIndex() + 1) ++end;
    const VQDocxRunPath::Array chain(sorted.begin() + static_cast<long>(start),
                                     sorted.begin() + static_cast<long>(end));
    if (const auto image = _convertRunPathsToRunImage(chain, imageDPI)) {
      images.push_back(image);
      if (rendered) rendered->insert(rendered->end(), chain.begin(), chain.end());
    }
    start = end;
  }
  return images;
}

std::shared_ptr<VQDocxRunImage> VQDocxPage::_convertRunPathsToRunImage(const VQDocxRunPath::Array& paths,
                                                                       double imageDPI) {
  if (paths.empty()) return nullptr;
  // Paths are painted in the order the page painted them, whatever order
  // the grouping found them in.
  VQDocxRunPath::Array sorted = paths;
  VQDocxRun::SortByScanIndex(sorted);
  Rect clip = RectZero;
  const auto file = VQDocxRunPath::CreateImageFromRunPaths(sorted, SizeMake(pageWidth(), pageHeight()),
                                                           currentPageTransform_, imageDPI, true, &clip);
  // (A drawing that lies wholly off the page gives no file.)
  if (!file || file->empty()) return nullptr;

  const auto& first = *sorted.front();
  const auto seconds = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
  auto info = std::make_shared<VQDocxImageInfo>();
  info->imageID = fmt::format("Path-{:.0f}-{}", std::floor(seconds), VQRandomString::Random4BigLetter());
  info->imageTitle = std::filesystem::path(*file).filename().string();
  info->opacity = 1.0F;
  info->displayX = clip.origin.x;
  info->displayY = clip.origin.y;
  info->displayWidth = clip.size.width;
  info->displayHeight = clip.size.height;
  info->pixelWidth = static_cast<int32_t>(clip.size.width);
  info->pixelHeight = static_cast<int32_t>(clip.size.height);
  info->horizontalResolution = 72;
  info->verticalResolution = 72;
  info->flipX = false;
  info->flipY = false;
  info->rotation = 0;

  auto image = std::make_shared<VQDocxRunImage>();
  image->isAnnotion = first.isAnnotion;
  image->setPdfScanIndex(first.pdfScanIndex());
  image->pictZIndex = first.pictZIndex;
  image->rProperty = first.rProperty;
  image->pictInfo = info;
  image->imagePath = *file;
  image->runImageTitle = *info->imageID;
  image->runImageID = collectImageWithPath(*file);
  return image;
}

// ---- floating objects --------------------------------------------------------

bool VQDocxPage::haveTextUpperInRect(const Rect& rect, uint64_t minScanIndex) const {
  return HaveUpper(allRunTextArray, rect, minScanIndex);
}
bool VQDocxPage::haveTextBoxUpperInRect(const Rect& rect, uint64_t minScanIndex) const {
  return HaveUpper(allRunTextBoxArray, rect, minScanIndex);
}
bool VQDocxPage::haveImageUpperInRect(const Rect& rect, uint64_t minScanIndex) const {
  return HaveUpper(allRunImageArray, rect, minScanIndex);
}
bool VQDocxPage::haveShapeUpperInRect(const Rect& rect, uint64_t minScanIndex) const {
  return HaveUpper(allRunPathArray, rect, minScanIndex);
}
bool VQDocxPage::haveTableUpperInRect(const Rect& rect, uint64_t minScanIndex) const {
  return HaveUpper(allTableArray, rect, minScanIndex);
}

void VQDocxPage::_insertFloatRunPicts() {
  // A picture that nothing painted later covers may stand in front of the
  // text: it hides nothing the PDF showed, and stays easy to select.
  auto bringForward = [](VQDocxRunPict& pict) { pict.pictZIndex = kInFrontOfTextZIndex - std::llabs(pict.pictZIndex); };
  auto coveredByTextOrTable = [&](const VQDocxRunPict& pict) {
    const Rect rect = pict.displayRect();
    const uint64_t index = pict.pdfScanIndex();
    return haveTextUpperInRect(rect, index) || haveTextBoxUpperInRect(rect, index) || haveTableUpperInRect(rect, index);
  };
  std::vector<std::shared_ptr<VQDocxRunPict>> floats;
  for (const auto& image : allRunImageArray) {
    if (!coveredByTextOrTable(*image) && !haveShapeUpperInRect(image->displayRect(), image->pdfScanIndex()))
      bringForward(*image);
    floats.push_back(image);
  }
  for (const auto& path : allRunPathArray) {
    if (!coveredByTextOrTable(*path) && !haveImageUpperInRect(path->displayRect(), path->pdfScanIndex()))
      bringForward(*path);
    floats.push_back(path);
  }
  floats.insert(floats.end(), allRunTextBoxArray.begin(), allRunTextBoxArray.end());
  floats.insert(floats.end(), allRunTextPathArray.begin(), allRunTextPathArray.end());
  insertRunPictArray(floats);
}

}  // namespace vq
