#pragma once
// The annotations of one page, drawn after its content stream through the
// page's content parser, so that exporters receive annotation graphics as
// ordinary path, image and form reports and free text as text boxes.
//
// InstallAnnotationWalker() plugs the walk into the parser: from then on
// every page parser with isParserAnnots set draws its page's /Annots after
// the page's operators. Nothing installs it on its own; the page capture
// (pdf/capture) does, and so must anything else that parses pages with
// annotations.
#include <cstdint>
#include <memory>
#include <vector>

#include "pdf/annots/VQPDFAnnot.h"
#include "platform/pdf/PdfObject.h"

namespace vq {

class VQPDFConentParser;

class VQPDFAnnotCollection {
 public:
  VQPDFAnnotCollection() = default;
  // The page's /Annots array (or null); elements that are not annotation
  // dictionaries are skipped.
  VQPDFAnnotCollection(const pdf::Object& array, int64_t pageIndex);

  // Draws every visible annotation in array order, each on a fresh render
  // state (identity CTM, no clip) marked isAnnotionParsering with its index.
  // The delegate's stack is as deep afterwards as before.
  void startAllParser();

  // The annotation at `index` in `annots`, or null.
  std::shared_ptr<VQPDFAnnot> annotForPDFAnnotionIndex(int64_t index) const;

  std::vector<std::shared_ptr<VQPDFAnnot>> annots;
  VQPDFAnnotDelegate* delegate = nullptr;  // not owned

  // Registers the page walk with the content parser; idempotent and safe
  // to call from any thread.
  static void InstallAnnotationWalker();
  // Draws the page's annotations through `parser` (what the walker does).
  static void DrawAnnotations(VQPDFConentParser& parser, const pdf::Object& annots);
  // For an exporter inside a report: the annotation being drawn (also from
  // inside its appearance stream and the forms that stream draws), or null
  // when the report does not come from an annotation.
  static std::shared_ptr<VQPDFAnnot> AnnotBeingDrawn(VQPDFConentParser& parser);
};

}  // namespace vq
