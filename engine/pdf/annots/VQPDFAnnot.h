#pragma once
// One annotation of a page: the fields every annotation dictionary shares,
// its normal appearance, and how it draws itself through a
// VQPDFAnnotDelegate. The families that build their own geometry (text
// markup, square and circle, ink, line, free text) derive from it; links,
// widgets, popups and unknown kinds use it as it is and only ever run their
// appearance stream.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pdf/VQPDFColor.h"
#include "pdf/annots/VQPDFAnnotAppearance.h"
#include "pdf/annots/VQPDFAnnotDelegate.h"
#include "pdf/annots/VQPDFBorder.h"
#include "platform/graphics/VQGeometry.h"
#include "platform/graphics/VQPath.h"
#include "platform/pdf/PdfObject.h"

namespace vq {

class VQPDFAnnotPopup;

// Annotation flags (/F) that the drawing honours.
enum VQPDFAnnotFlag : int64_t {
  VQPDFAnnotFlagInvisible = 1,
  VQPDFAnnotFlagHidden = 2,
  VQPDFAnnotFlagPrint = 4,
  VQPDFAnnotFlagNoView = 32,
};

class VQPDFAnnot : public std::enable_shared_from_this<VQPDFAnnot> {
 public:
  VQPDFAnnot() = default;
  virtual ~VQPDFAnnot() = default;
  // The factory: a new annotation of the class its /Subtype selects, or null
  // when the object is not a dictionary whose /Type is /Annot.
  static std::shared_ptr<VQPDFAnnot> AnnotWithDictionary(const pdf::Object& dictionary);

  // Reads the shared fields; subclasses call it first.
  virtual void initWithPDFDictionary(const pdf::Object& dictionary);
  virtual std::shared_ptr<VQPDFAnnot> copy() const { return std::make_shared<VQPDFAnnot>(*this); }

  // Draws through `delegate`: by default the normal appearance stream.
  virtual void startParser();

  // Whether the annotation shows on screen at all: Hidden and NoView
  // annotations are never shown by a viewer, and one with an opacity below
  // the interpreter's invisibility threshold (single-precision 0.01) paints
  // nothing; none of them is converted.
  bool isVisible() const {
    return (flags & (VQPDFAnnotFlagHidden | VQPDFAnnotFlagNoView)) == 0 && opacity >= static_cast<double>(0.01f);
  }
  // The colour used for strokes. The annotation's opacity is not folded into
  // it: drawing puts the opacity into the state's alphas.
  VQPDFColor displayColor() const { return color; }

  // A colour from a /C or /IC array: 1 (gray), 3 (RGB) or 4 (CMYK) numbers,
  // each stored as trunc(value x 255); the null colour for anything else
  // (an empty array means "no colour").
  static VQPDFColor ColorWithPDFArray(const pdf::Object& array);

  VQPDFAnnotDelegate* delegate = nullptr;  // not owned; set while drawn
  int64_t pageIndex = 0;
  std::optional<std::string> type;  // /Subtype as written
  Rect bounds = RectMake(0, 0, 1, 1);
  bool shouldDisplay = false;
  bool shouldPrint = false;
  bool displayUnderText = false;
  int64_t flags = 0;
  double opacity = 1.0;  // /CA
  std::optional<std::string> modificationDate;
  std::optional<std::string> userName;
  std::shared_ptr<VQPDFAnnotPopup> popup;
  std::shared_ptr<VQPDFBorder> border;
  VQPDFColor color = NullColor();
  std::optional<std::string> contents;
  bool hasAppearanceStream = false;
  std::string appearState;
  std::optional<VQPDFAnnotAppearance> appearStreams;
  int64_t pdfAnnotionIndex = 0;

  static VQPDFColor NullColor();
  // A text string (or a name) of a dictionary as UTF-8; nullopt for anything else.
  static std::optional<std::string> TextWithPDFDictionary(const pdf::Object& dictionary, const char* key);

 protected:
  // Reads everything but /Popup (a popup's own popup would be a loop).
  void initBaseFields(const pdf::Object& dictionary, bool readPopup);
  // Runs the normal appearance stream under `streamKey`.
  void runAppearanceStream(const std::string& streamKey);
  // The state an annotation draws itself in: null when it has an appearance
  // stream (which this runs instead), no delegate, or no state.
  VQPDFRenderState* stateForOwnDrawing();

  // The stroke and fill attributes of the state: a device-RGB space (named
  // `colorSpaceKey`), the colour converted to RGB, the annotation's opacity.
  void setStroke(VQPDFRenderState& state, const VQPDFColor& strokeColor, double width,
                 const std::optional<std::vector<double>>& dash, const char* colorSpaceKey) const;
  void setFill(VQPDFRenderState& state, const VQPDFColor& fillColor, const char* colorSpaceKey) const;
  // Stores the path as the state's current path and reports it.
  void reportPath(VQPDFRenderState& state, const Path& path, bool stroke, bool fill);
};

}  // namespace vq
