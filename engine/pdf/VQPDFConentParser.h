#pragma once
// The content interpreter of one content stream (a page, a form XObject or an
// annotation appearance): builds the stream's resource collections, scans the
// stream through its operator table, keeps the graphics and text state on a
// render-state stack and reports to its delegate. Form XObjects run as child
// parsers on the same stack and delegate.
//
// Use: make the parser over a page's content stream, set the delegate, lend a
// stack or read the parser's own, call startParser() once.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "pdf/VQPDFColorSpace.h"
#include "pdf/VQPDFConentParserDelegate.h"
#include "pdf/VQPDFExtGState.h"
#include "pdf/VQPDFFontCache.h"
#include "pdf/VQPDFRenderState.h"
#include "pdf/VQPDFShading.h"
#include "pdf/VQPDFXObject.h"
#include "platform/pdf/PdfContentScanner.h"
#include "platform/pdf/PdfObject.h"

namespace vq {

class VQPDFFontCollection;
class VQPDFAnnot;

namespace pdf {
class Page;
}

enum VQPDFContentStreamType {
  VQPDFContentStreamTypePage = 1,        // page or form content
  VQPDFContentStreamTypeAnnotation = 2,  // annotation appearance stream
};

class VQPDFConentParser {
 public:
  // `contentDict` is the page, form or appearance dictionary (its /Annots are
  // walked after the scan); `contentStream` the bytes with their resources.
  VQPDFConentParser(const pdf::Object& contentDict, std::shared_ptr<const pdf::ContentStream> contentStream);
  // A page's dictionary and content stream.
  static std::unique_ptr<VQPDFConentParser> ParserWithPage(const pdf::Page& page);
  ~VQPDFConentParser();
  VQPDFConentParser(const VQPDFConentParser&) = delete;
  VQPDFConentParser& operator=(const VQPDFConentParser&) = delete;

  void setDelegate(VQPDFConentParserDelegate* delegate) { delegate_ = delegate; }
  VQPDFConentParserDelegate* delegate() const { return delegate_; }
  void setRenderingStateStack(std::shared_ptr<VQPDFRenderStateStack> stack);
  const std::shared_ptr<VQPDFRenderStateStack>& renderingStateStack() const { return stack_; }
  void setIsParserAnnots(int64_t value) { isParserAnnots = value; }
  void setPageIndex(int64_t value) { pageIndex = value; }
  void setContentStreamType(int64_t value) { contentStreamType = value; }
  void setContentAnnot(std::shared_ptr<VQPDFAnnot> annot) { contentAnnot = std::move(annot); }
  // Fonts are cached per page (forms reuse the page's fonts); an exporter
  // that parses several pages of one document on one thread may lend one
  // cache to all of them.
  void setFontCache(std::shared_ptr<VQPDFFontCache> cache);
  // Whether images (XObjects, inline images, image appearances) may be
  // decoded into temporary files; on by default. Images are reported
  // undecoded either way, and decoded when the delegate asks for their file
  // (VQPDFImageXObject::decodedImagePath). With it off (text output) they
  // never are: the file is empty and the size is what their dictionary
  // declares. Forms run by this parser inherit the setting.
  void setDecodeImages(bool value);
  bool decodeImages() const;

  // Runs the stream once: collect resources, scan, drop the resources, walk
  // the annotations (when isParserAnnots).
  void startParser();

  // The operator table shared by every parser (69 operators).
  static const pdf::OperatorTable& operatorTable();

  VQPDFRenderState& currentRenderingState() { return ensureStack().topRenderingState(); }
  VQPDFRenderState& pushRenderingState(const VQPDFRenderState* state);
  VQPDFRenderState& pushRenderingState() { return pushRenderingState(nullptr); }
  VQPDFRenderState& popRenderingState();
  // A flag that, once set by any thread, ends the parse of the page and of
  // the forms it runs before their next operator.
  void setCancelFlag(const std::atomic<bool>* flag);
  // The standard sans-serif font that stands in for a font resource that is
  // missing or cannot be read; built once per page.
  std::shared_ptr<VQPDFFont> fallbackFont();
  // The q and Q operators: a push and a pop, but bounded in depth.
  VQPDFRenderState& saveRenderingState();
  VQPDFRenderState& restoreRenderingState();

  // The /ColorSpace resource dictionary in scope (inline images, image
  // appearances), or null.
  pdf::Object currentColorSpaceDict() const;

  // Runs a form XObject on the shared stack: pushes a state, applies the
  // form matrix, runs a child parser over the form, and restores the stack
  // to its depth before the call whatever the form's q/Q balance. Nesting is
  // bounded and a form that (directly or through others) draws itself is not
  // run again inside itself.
  void runFormXObject(VQPDFFormXObject& form, int64_t streamType);

  // Draws an annotation's appearance stream by its /Subtype: an Image is
  // reported (with `annot` set); a Form runs as an appearance stream (content
  // stream type 2) on a pushed state whose CTM is the translation to the
  // origin of `bounds` and whose clip is `bounds`; a PS stream draws nothing.
  void drawAnnotationStream(const std::shared_ptr<VQPDFAnnot>& annot, const pdf::Object& stream,
                            const std::string& streamKey, const Rect& bounds);

  // The annotation walk after a scan is plugged in by the annotation module
  // (VQPDFAnnotCollection::InstallAnnotationWalker, which the page capture
  // calls before it parses): it receives the parser and the /Annots array of
  // contentDict. Without it no annotation is drawn.
  using AnnotationWalker = std::function<void(VQPDFConentParser& parser, const pdf::Object& annots)>;
  static void setAnnotationWalker(AnnotationWalker walker);

  const pdf::Object& contentDict() const { return contentDict_; }
  const std::shared_ptr<const pdf::ContentStream>& contentStream() const { return contentStream_; }

  int64_t isParserAnnots = 1;
  int64_t contentStreamType = VQPDFContentStreamTypePage;
  std::shared_ptr<VQPDFAnnot> contentAnnot;
  uint64_t scanOperatorIndex_BegainText = 0;
  uint64_t scanOperatorIndex_ShowText = 0;
  int64_t pageIndex = 0;

  std::shared_ptr<VQPDFFontCollection> fontCollection;
  std::shared_ptr<VQPDFColorSpaceCollection> colorSpaceCollection;
  std::shared_ptr<VQPDFXObjectCollection> xObjectCollection;
  std::shared_ptr<VQPDFExtGStateCollection> extGStateCollection;
  std::shared_ptr<VQPDFShadingCollection> shadingCollection;
  std::shared_ptr<VQPDFPatternCollection> patternCollection;

  void collectResources();
  void cleanResourcesCollection();

  // Shared by a page's parser and all its child parsers: bounds on nesting
  // and on the total number of form runs, and the forms being run.
  struct RunContext;

  // Operator implementations (public for the operator table).
  struct Ops;

 private:
  // The render-state stack, made on first use.
  VQPDFRenderStateStack& ensureStack() {
    if (!stack_) makeStack();
    return *stack_;
  }
  void makeStack();
  void showString(const std::string& bytes);
  void paint(bool stroke, bool fill);
  void endPath();
  void dispatchXObject(const std::shared_ptr<VQPDFXObject>& xobject);
  // Reports an image drawn now, to be decoded on demand (once per page for
  // the streams `page` keeps). A stencil mask takes the fill colour in
  // effect: drawn again in another colour it is reported as an image of its
  // own, so every report keeps the picture of its colour.
  void reportImage(std::shared_ptr<VQPDFImageXObject> image, std::shared_ptr<VQPDFDecodedImages> page);

  pdf::Object contentDict_;
  std::shared_ptr<const pdf::ContentStream> contentStream_;
  VQPDFConentParserDelegate* delegate_ = nullptr;
  std::shared_ptr<VQPDFRenderStateStack> stack_;
  std::shared_ptr<RunContext> context_;
};

}  // namespace vq
