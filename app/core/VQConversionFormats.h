#pragma once
// The output formats the user chooses from by display name, with the engine's
// token and the icon of each. "image" stands for the item's image type.
#include <QString>
#include <QStringList>

namespace vq::app {

struct VQConversionFormats {
  // Every display name, main formats first, then the seven image types.
  static const QStringList& allDisplayNames();
  static const QStringList& mainFormatNames();  // what the format menu lists
  static const QStringList& imageTypeNames();   // the concrete image types
  // The token or icon name of a display name; empty for an unknown name.
  static QString formatToken(const QString& displayName);
  static QString formatIcon(const QString& displayName);
  static bool isOuputFormatImage(const QString& displayName);
};

inline constexpr const char* kImageFilesFormat = "Image Files(JPEG, PNG, etc.)";

}  // namespace vq::app
