#include "pdf/annots/VQPDFAnnotCollection.h"

#include <exception>
#include <mutex>

#include "pdf/VQPDFConentParser.h"
#include "pdf/VQPDFRenderState.h"
#include "pdf/annots/VQPDFAnnotFreeText.h"
#include "pdf/annots/VQPDFAnnotGeometry.h"
#include "pdf/annots/VQPDFAnnotInk.h"
#include "pdf/annots/VQPDFAnnotLine.h"
#include "pdf/annots/VQPDFAnnotLink.h"
#include "pdf/annots/VQPDFAnnotParserDelegate.h"
#include "pdf/annots/VQPDFAnnotPopup.h"
#include "pdf/annots/VQPDFAnnotStamp.h"
#include "pdf/annots/VQPDFAnnotText.h"
#include "pdf/annots/VQPDFAnnotTextMarkup.h"
#include "pdf/annots/VQPDFAnnotWidget.h"
#include "platform/diagnostics/VQDiagnostics.h"

namespace vq {

namespace {

std::shared_ptr<VQPDFAnnot> MakeAnnot(const std::string& subtype) {
  if (subtype == "Line") return std::make_shared<VQPDFAnnotLine>();
  if (subtype == "Square") return std::make_shared<VQPDFAnnotSquare>();
  if (subtype == "Circle") return std::make_shared<VQPDFAnnotCircel>();
  if (subtype == "Highlight") return std::make_shared<VQPDFAnnotHighlight>();
  if (subtype == "Underline") return std::make_shared<VQPDFAnnotUnderline>();
  if (subtype == "StrikeOut") return std::make_shared<VQPDFAnnotStrikeout>();
  if (subtype == "Squiggly") return std::make_shared<VQPDFAnnotSquiggly>();
  if (subtype == "FreeText") return std::make_shared<VQPDFAnnotFreeText>();
  if (subtype == "Link") return std::make_shared<VQPDFAnnotLink>();
  if (subtype == "Text") return std::make_shared<VQPDFAnnotText>();
  if (subtype == "Popup") return std::make_shared<VQPDFAnnotPopup>();
  if (subtype == "Ink") return std::make_shared<VQPDFAnnotInk>();
  if (subtype == "Stamp") return std::make_shared<VQPDFAnnotStamp>();
  if (subtype == "Widget") return std::make_shared<VQPDFAnnotWidget>();
  return std::make_shared<VQPDFAnnot>();
}

// Set while a page's annotations are drawn on this thread: a form reached
// from an annotation never starts another annotation walk.
thread_local bool gWalking = false;

}  // namespace

std::shared_ptr<VQPDFAnnot> VQPDFAnnot::AnnotWithDictionary(const pdf::Object& dictionary) {
  if (!dictionary.isDictionary() || dictionary.isStream()) return nullptr;
  // Readers accept annotation dictionaries without /Type (it is optional);
  // one with another /Type is something else.
  pdf::Object typeObject = dictionary.get("Type");
  if (!typeObject.isNull() && !typeObject.isName("Annot")) return nullptr;
  auto subtype = dictionary.get("Subtype").name();
  if (!subtype) return nullptr;
  std::shared_ptr<VQPDFAnnot> annot = MakeAnnot(*subtype);
  annot->initWithPDFDictionary(dictionary);
  return annot;
}

VQPDFAnnotCollection::VQPDFAnnotCollection(const pdf::Object& array, int64_t pageIndex) {
  if (!array.isArray()) return;
  for (const pdf::Object& element : array.elements()) {
    if (!element.isDictionary()) continue;
    auto annot = VQPDFAnnot::AnnotWithDictionary(element);
    if (!annot) continue;
    annot->pageIndex = pageIndex;
    annots.push_back(std::move(annot));
  }
}

std::shared_ptr<VQPDFAnnot> VQPDFAnnotCollection::annotForPDFAnnotionIndex(int64_t index) const {
  if (index < 0 || static_cast<uint64_t>(index) >= annots.size()) return nullptr;
  return annots[static_cast<size_t>(index)];
}

void VQPDFAnnotCollection::startAllParser() {
  if (!delegate || !delegate->currentRenderingState()) return;
  for (size_t i = 0; i < annots.size(); ++i) {
    const std::shared_ptr<VQPDFAnnot>& annot = annots[i];
    annot->pdfAnnotionIndex = static_cast<int64_t>(i);
    if (!annot->isVisible()) continue;
    VQPDFRenderState fresh;
    fresh.isAnnotionParsering = true;
    fresh.pdfAnnotionIndex = static_cast<int64_t>(i);
    if (!delegate->pushRenderingState(&fresh)) return;
    annot->delegate = delegate;
    delegate->willDrawAnnot(annot.get());
    try {
      annot->startParser();
    } catch (const std::exception& e) {
      // One damaged annotation must not cost the page the others.
      VQDiagnose(VQDiagnosticCategory::PDF, "Annotation " + std::to_string(i) + " of page " +
                                                std::to_string(static_cast<long long>(annot->pageIndex)) +
                                                " could not be drawn: " + e.what());
    }
    annot->delegate = nullptr;
    delegate->popRenderingState();
  }
}

void VQPDFAnnotCollection::InstallAnnotationWalker() {
  // Once per process: pages parsed on other threads read the walker.
  static std::once_flag once;
  std::call_once(once, [] { VQPDFConentParser::setAnnotationWalker(&DrawAnnotations); });
}

void VQPDFAnnotCollection::DrawAnnotations(VQPDFConentParser& parser, const pdf::Object& annots) {
  // Only a page's own content stream has annotations to draw.
  if (gWalking || parser.contentStreamType != VQPDFContentStreamTypePage ||
      parser.currentRenderingState().isXObjectFormParsering)
    return;
  gWalking = true;
  const std::shared_ptr<VQPDFAnnot> previous = parser.contentAnnot;
  try {
    VQPDFAnnotCollection collection(annots, parser.pageIndex);
    VQPDFAnnotParserDelegate drawer(parser);
    collection.delegate = &drawer;
    collection.startAllParser();
  } catch (...) {
    parser.contentAnnot = previous;
    gWalking = false;
    throw;
  }
  parser.contentAnnot = previous;
  gWalking = false;
}

std::shared_ptr<VQPDFAnnot> VQPDFAnnotCollection::AnnotBeingDrawn(VQPDFConentParser& parser) {
  if (!parser.currentRenderingState().isAnnotionParsering) return nullptr;
  return parser.contentAnnot;
}

}  // namespace vq
