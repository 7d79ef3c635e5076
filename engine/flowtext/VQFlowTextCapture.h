#pragma once
// Turns the text strings that the content interpreter reports into run texts
// of the current page. Upright text becomes the page's runs; strings set
// vertically or at another angle, and mirrored strings, are gathered into a
// text box or text path whose text the page keeps apart (its lines follow
// the upright text).
#include <string>

#include "flowtext/VQFlowTextDocument.h"
#include "flowtext/VQFlowTextTypes.h"
#include "pdf/VQPDFOverprint.h"

namespace vq::flowtext {

enum class VQFlowTextRoute { MainText, TextBox, TextPath, Dropped };

// Text whose line direction (whole degrees, 0..360) lies within 5 degrees of
// upright either way is main text; within 5 degrees of 90 or 270 it is a
// vertical text box; mirrored text and every other angle (or no number) is a
// text path.
VQFlowTextRoute VQFlowTextRouteFor(double rotation, bool flip);

// One reported string with its placement on the page.
struct VQFlowTextGlyph {
  std::string text;               // UTF-8
  VQFlowTextPlacement placement;  // of the string's first glyph
  double rotation = 0;            // line direction, whole degrees 0..360
  bool flip = false;              // mirrored text transform
  double nextTopLeftX = 0;        // top-left x of the position after the string
  double nextTopLeftY = 0;        // and its y
  double spaceWidth = 0;          // display width of a blank in the string's font
  bool wordGapBefore = false;     // the capture saw a word gap before the string
  VQPDFWordGapFont gapFont;       // the capture's measure of word gaps beside it
  VQFlowTextRPr rProperty;
};

class VQFlowTextCapture {
 public:
  explicit VQFlowTextCapture(VQFlowTextDocument& document) : document_(document) {}
  // At every page begin.
  void beginPage() {
    isNotScanTextYet_ = true;
    turnedDrawn_.clear();
  }
  // Routes one string; a main-text string becomes a run text on the page.
  VQFlowTextRoute addText(VQFlowTextGlyph glyph);
  // At every page end: a pending text box or text path ends, and an upright
  // string drawn again over itself is kept once.
  void endPage();
  bool isNotScanTextYet() const { return isNotScanTextYet_; }

 private:
  // Ends the open text box or path, keeping its text.
  void closeTurned(VQFlowTextPage& page);

  VQFlowTextDocument& document_;
  bool isNotScanTextYet_ = true;
  // Kept from page to page for their tables' room: the upright strings,
  // looked at when the page ends, and the turned ones, as they come.
  VQPDFOverprintFilter overprints_;
  VQPDFOverprintFilter turnedDrawn_;
};

}  // namespace vq::flowtext
