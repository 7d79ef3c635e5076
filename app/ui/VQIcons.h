#pragma once
// The application's small images, drawn once by name: document icons for
// the source and each output format, and the row's status marks.
#include <QPixmap>
#include <QString>

namespace vq::app {

// The image of `name` at `size` pixels square; a plain document for an unknown name.
QPixmap VQImageNamed(const QString& name, int size = 40);

}  // namespace vq::app
