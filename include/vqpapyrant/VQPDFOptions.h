#pragma once
// The options record of one conversion: settings every format shares and the
// three format records. The caller fills it before the start call; the engine
// works on its own copy.
#include <cstdint>

#include "vqpapyrant/VQExcelOptions.h"
#include "vqpapyrant/VQExport.h"
#include "vqpapyrant/VQImageOptions.h"
#include "vqpapyrant/VQWordOptions.h"

namespace vq {

class VQ_EXPORT VQPDFOptions {
 public:
  int32_t isParserAnnots = 1;  // also convert annotations (markup, free text)

  // Resolution of images the document converters render from page content.
  int32_t imageDPI() const { return imageDPI_; }
  // Stored within 72..600.
  void setImageDPI(int32_t dpi);

  // Pages the page-parallel front converts at once; 1 or less means one page
  // after another.
  int32_t threadMax = 0;

  VQExcelOptions excelOptions;
  VQImageOptions imageOptions;
  VQWordOptions wordOptions;

  friend bool operator==(const VQPDFOptions&, const VQPDFOptions&) = default;

 private:
  int32_t imageDPI_ = 144;
};

}  // namespace vq
