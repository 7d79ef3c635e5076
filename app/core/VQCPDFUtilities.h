#pragma once
// Document checks for the source list, through the engine's own PDF layer so
// that a file the list accepts is one the conversion can open.
#include <QString>

namespace vq::app {

class VQCPDFUtilities {
 public:
  // Something exists at the path and opens as a PDF (with or without a password).
  static bool isPDFDocumentValidAtPath(const QString& path);
  // Does not open without a password.
  static bool isPDFDocumentLockedAtPath(const QString& path);
  // Locked, or opens but forbids printing: the list then asks for a password.
  static bool isPDFDocumentLockPritingAtPath(const QString& path);
  // Opens with `password` and allows printing.
  static bool isAllowPrintingPDFDcoumentAtPath(const QString& path, const QString& password);
  // The page count with `password`; 0 when the document does not open.
  static qint64 pageCountAtPath(const QString& path, const QString& password);
};

}  // namespace vq::app
