#pragma once
// Document checks for the source list, through the engine's document
// inspection, so that a file the list accepts is one the conversion can open.
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
  // Whether the document opens with `password` (empty: none): false for a
  // path that is not a PDF, a wrong password and a password-protected file
  // asked without one.
  static bool isUnlockPDFDcoumentAtPath(const QString& path, const QString& password);
  // Opens with `password` and allows printing.
  static bool isAllowPrintingPDFDcoumentAtPath(const QString& path, const QString& password);
  // What `password` does for a document that asks for one: it does not open
  // it, it opens it but its permissions forbid printing (only the owner
  // password grants every permission), or it opens it for printing.
  enum class PasswordCheck { Wrong, PrintingForbidden, Accepted };
  static PasswordCheck checkPasswordAtPath(const QString& path, const QString& password);
  // The page count with `password`; 0 when the document does not open.
  static qint64 pageCountAtPath(const QString& path, const QString& password);
};

}  // namespace vq::app
