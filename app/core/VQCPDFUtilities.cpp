#include "core/VQCPDFUtilities.h"

#include <QFile>
#include <QFileInfo>

#include "platform/pdf/PdfDocument.h"

namespace vq::app {

namespace {
std::shared_ptr<pdf::Document> openDocument(const QString& path, const QString& password,
                                            pdf::OpenError* error = nullptr) {
  pdf::OpenError ignored = pdf::OpenError::None;
  if (!error) error = &ignored;
  if (!QFileInfo(path).isFile()) {
    *error = pdf::OpenError::NotFound;
    return nullptr;
  }
  try {
    return pdf::Document::open(QFile::encodeName(path).toStdString(), password.toStdString(), error);
  } catch (const std::exception&) {
    *error = pdf::OpenError::Damaged;
    return nullptr;
  }
}

}  // namespace

bool VQCPDFUtilities::isPDFDocumentValidAtPath(const QString& path) {
  pdf::OpenError error = pdf::OpenError::None;
  return openDocument(path, QString(), &error) || error == pdf::OpenError::PasswordRequired;
}

bool VQCPDFUtilities::isPDFDocumentLockedAtPath(const QString& path) { return !openDocument(path, QString()); }

bool VQCPDFUtilities::isPDFDocumentLockPritingAtPath(const QString& path) {
  auto document = openDocument(path, QString());
  return !document || !document->allowsPrinting();
}

bool VQCPDFUtilities::isUnlockPDFDcoumentAtPath(const QString& path, const QString& password) {
  return openDocument(path, password) != nullptr;
}

std::shared_ptr<pdf::Document> VQCPDFUtilities::initPDFDocumentAtPath(const QString& path, const QString& password) {
  return openDocument(path, password);
}

bool VQCPDFUtilities::isAllowPrintingPDFDcoumentAtPath(const QString& path, const QString& password) {
  return checkPasswordAtPath(path, password) == PasswordCheck::Accepted;
}

VQCPDFUtilities::PasswordCheck VQCPDFUtilities::checkPasswordAtPath(const QString& path, const QString& password) {
  auto document = openDocument(path, password);
  if (!document) return PasswordCheck::Wrong;
  return document->allowsPrinting() ? PasswordCheck::Accepted : PasswordCheck::PrintingForbidden;
}

qint64 VQCPDFUtilities::pageCountAtPath(const QString& path, const QString& password) {
  auto document = openDocument(path, password);
  return document ? document->pageCount() : 0;
}

}  // namespace vq::app
