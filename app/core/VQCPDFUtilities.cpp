#include "core/VQCPDFUtilities.h"

#include <QFile>

#include "vqpapyrant/VQDocuments.h"

namespace vq::app {

namespace {
VQPDFDocumentInfo inspect(const QString& path, const QString& password) {
  return VQInspectPDFDocument(QFile::encodeName(path).toStdString(), password.toStdString());
}

bool opens(const QString& path, const QString& password) {
  return inspect(path, password).status == VQPDFOpenStatus::Opened;
}
}  // namespace

bool VQCPDFUtilities::isPDFDocumentValidAtPath(const QString& path) {
  const VQPDFOpenStatus status = inspect(path, QString()).status;
  return status == VQPDFOpenStatus::Opened || status == VQPDFOpenStatus::PasswordRequired;
}

bool VQCPDFUtilities::isPDFDocumentLockedAtPath(const QString& path) { return !opens(path, QString()); }

bool VQCPDFUtilities::isPDFDocumentLockPritingAtPath(const QString& path) {
  return !inspect(path, QString()).allowsPrinting;
}

bool VQCPDFUtilities::isUnlockPDFDcoumentAtPath(const QString& path, const QString& password) {
  return opens(path, password);
}

bool VQCPDFUtilities::isAllowPrintingPDFDcoumentAtPath(const QString& path, const QString& password) {
  return checkPasswordAtPath(path, password) == PasswordCheck::Accepted;
}

VQCPDFUtilities::PasswordCheck VQCPDFUtilities::checkPasswordAtPath(const QString& path, const QString& password) {
  const VQPDFDocumentInfo info = inspect(path, password);
  if (info.status != VQPDFOpenStatus::Opened) return PasswordCheck::Wrong;
  return info.allowsPrinting ? PasswordCheck::Accepted : PasswordCheck::PrintingForbidden;
}

qint64 VQCPDFUtilities::pageCountAtPath(const QString& path, const QString& password) {
  return static_cast<qint64>(inspect(path, password).pageCount);
}

}  // namespace vq::app
