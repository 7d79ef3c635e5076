#pragma once
// A picture of a source file's first page for the settings pane, drawn by
// the engine's own page renderer.
#include <QPixmap>

#include "core/VQSourceFileItem.h"

namespace vq::app {

// The first page scaled to fit `size` x `size` pixels; the file's icon when
// the page cannot be drawn.
QPixmap VQSourceFilePreview(const VQSourceFileItemRef& item, int size);

}  // namespace vq::app
