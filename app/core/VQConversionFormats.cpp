#include "core/VQConversionFormats.h"

#include <array>

namespace vq::app {

namespace {
struct FormatRow {
  const char* name;
  const char* token;
  const char* icon;
  bool image;
};

constexpr std::array<FormatRow, 15> kFormats{{
    {"Microsoft Word(.docx)", "docx", "icon_docx", false},
    {"Microsoft PowerPoint(.pptx)", "pptx", "icon_pptx", false},
    {"Microsoft Excel(.xlsx)", "xlsx", "icon_xlsx", false},
    {"Comma-Separated Values(.csv)", "csv", "icon_csv", false},
    {"UTF-8 Plain Text(.txt)", "txt", "icon_txt", false},
    {"Rich Text File(.rtf)", "rtf", "icon_rtf", false},
    {"Web Source File(.html)", "html", "icon_html", false},
    {"Image Files(JPEG, PNG, etc.)", "image", "icon_image", true},
    {"JPEG Image File(.jpeg)", "jpeg", "icon_jpeg", true},
    {"PNG Image File(.png)", "png", "icon_png", true},
    {"BMP Image File(.bmp)", "bmp", "icon_bmp", true},
    {"GIF Image File(.gif)", "gif", "icon_gif", true},
    {"TIFF Image File(.tiff)", "tiff", "icon_tiff", true},
    {"TGA Image File(.tga)", "tga", "icon_tga", true},
    {"JPEG2000 Image File(.jp2)", "jp2", "icon_j2k", true},
}};
constexpr size_t kMainFormats = 8;

const FormatRow* find(const QString& name) {
  for (const FormatRow& row : kFormats)
    if (name == QLatin1String(row.name)) return &row;
  return nullptr;
}

QStringList names(size_t from, size_t to) {
  QStringList list;
  for (size_t i = from; i < to; ++i) list << QString::fromLatin1(kFormats[i].name);
  return list;
}
}  // namespace

const QStringList& VQConversionFormats::allDisplayNames() {
  static const QStringList list = names(0, kFormats.size());
  return list;
}
const QStringList& VQConversionFormats::mainFormatNames() {
  static const QStringList list = names(0, kMainFormats);
  return list;
}
const QStringList& VQConversionFormats::imageTypeNames() {
  static const QStringList list = names(kMainFormats, kFormats.size());
  return list;
}

QString VQConversionFormats::formatToken(const QString& displayName) {
  const FormatRow* row = find(displayName);
  return row ? QString::fromLatin1(row->token) : QString();
}

QString VQConversionFormats::formatIcon(const QString& displayName) {
  const FormatRow* row = find(displayName);
  return row ? QString::fromLatin1(row->icon) : QString();
}

bool VQConversionFormats::isOuputFormatImage(const QString& displayName) {
  const FormatRow* row = find(displayName);
  return row && row->image;
}

}  // namespace vq::app
