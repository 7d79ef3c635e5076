#pragma once
// Options of a DOCX conversion.
#include <cstdint>

#include "vqpapyrant/VQExport.h"

namespace vq {

struct VQ_EXPORT VQWordOptions {
  bool isTrimmingBlankSpaceCharacters = true;
  bool isMergeParagraphs = true;
  bool isNeedReplaceFont = true;
  int32_t outlineType = 1;
  bool enablePDFOutline_LikeDetect = true;
  bool enableShapToImage = false;  // vector shapes become images
  bool enableShaps2Shape = true;
  bool enableMergeIntersectImages = true;  // images that intersect are merged into one

  friend bool operator==(const VQWordOptions&, const VQWordOptions&) = default;
};

}  // namespace vq
