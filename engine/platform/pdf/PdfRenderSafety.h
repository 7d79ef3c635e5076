#pragma once
// Checks a page for structures that make the page renderer recurse without
// end (and crash with a stack overflow), or keep it drawing far longer than
// a page may take, before the page is handed to it.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/pdf/PdfDocument.h"

namespace vq::pdf {

// Procedures nested deeper than this in a PostScript calculator (type 4)
// function make no sense in a real file: the engine's evaluator refuses
// them, and a page that uses one is not handed to the renderer, whose
// parser recurses once per level.
inline constexpr int kMostPostScriptNesting = 64;

// The deepest nesting of braces in a calculator function's program text
// (comments skipped); counting stops just past kMostPostScriptNesting.
int PostScriptNesting(std::string_view program);

// Why the page must not be handed to the renderer, or nothing when nothing
// is known against it. Everything the page can use is walked (its
// resources, the forms, patterns, soft masks and Type 3 fonts they name,
// and its annotations' appearances) for a font whose CMap's /UseCMap chain
// comes back to itself, and for a calculator function nested deeper than
// kMostPostScriptNesting in a shading, colour space or transfer function.
// Also, at dpiX x dpiY, a page whose drawing work (below) passes a bound.
std::optional<std::string> PageRendererHazard(const Page& page, double dpiX, double dpiY);

// What drawing a page costs the renderer, estimated from its content
// streams before it is drawn. Every use counts: a form drawn four times by
// a form drawn four times is sixteen draws. Each form, pattern and shading
// is read once (its cost is kept by object number), so the estimate itself
// is quick whatever the counts reach.
struct PageDrawingWork {
  double formDraws = 0;     // form XObjects drawn
  double patternCells = 0;  // tiling-pattern cells over the areas they fill
  double meshPieces = 0;    // triangles and patches of the mesh shadings painted
  double meshPixels = 0;    // the device pixels those pieces cover, summed
  // The declared size of the first picture drawn (an image object or an
  // inline image) that is larger than pictures may be; 0 x 0 when none is.
  double refusedImageWidth = 0, refusedImageHeight = 0;
  // The open marked-content sections the renderer looks through: each
  // marked-content and painting operator counts those open at it, so
  // sections nested a hundred thousand deep count their square.
  double markedContentSteps = 0;
};
PageDrawingWork EstimatePageDrawingWork(const Page& page, double dpiX, double dpiY);

// Pictures larger than this are no picture: the engine's image decoder
// refuses them, and the renderer, which sizes its buffers from the declared
// width, height and components, must not be handed one (their product
// passes what its sizes hold).
inline constexpr int64_t kMostImageSide = 65535;
inline constexpr int64_t kMostImagePixels = int64_t{1} << 27;

// Bounds on that work: each lets a page draw in a few seconds, where pages
// beyond them take minutes (or, for a fan-out of forms, years).
inline constexpr double kMostFormDraws = 500000;
inline constexpr double kMostPatternCells = 1000000;
inline constexpr double kMostMeshPieces = 1000000;
inline constexpr double kMostMeshPixels = 64e6;
inline constexpr double kMostMarkedContentSteps = 2e8;

// Why a page of this work is not drawn, or nothing when it is within bounds.
std::optional<std::string> DrawingWorkTooLarge(const PageDrawingWork& work);

// The renderer refuses a page listing more annotations than this.
inline constexpr size_t kMostRendererAnnotations = 10'000;

// Whether the renderer refuses the page as the file writes it although the
// engine reads it: contents that are neither a stream nor an array (read
// as an empty page), or more than kMostRendererAnnotations annotations.
// Such a page is drawn from the document as the engine reads it (see
// Document::pathForRenderer).
bool PageRefusedByRenderer(const Page& page);

}  // namespace vq::pdf
